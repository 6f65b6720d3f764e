#include "Async/ParallelFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(ParallelFor, CallsTheBodyOnceForEveryIndex)
{
	for (const int32 Num : {0, 1, 7, 100003})
	{
		std::vector<std::atomic<int32>> Calls(static_cast<size_t>(Num));
		ParallelFor(Num, [&Calls](int32 Index)
		            { Calls[static_cast<size_t>(Index)].fetch_add(1); });
		for (int32 Index = 0; Index < Num; ++Index)
		{
			ASSERT_EQ(Calls[static_cast<size_t>(Index)].load(), 1) << "index " << Index << " of " << Num;
		}
	}
}

TEST(ParallelFor, ForceSingleThreadRunsInOrderOnTheCallingThread)
{
	const std::thread::id Caller = std::this_thread::get_id();
	std::vector<int32> Order;
	bool bElsewhere = false;
	ParallelFor(
	    1000,
	    [&](int32 Index)
	    {
		    Order.push_back(Index);
		    bElsewhere |= std::this_thread::get_id() != Caller;
	    },
	    EParallelForFlags::ForceSingleThread);
	ASSERT_EQ(Order.size(), 1000u);
	for (int32 Index = 0; Index < 1000; ++Index)
	{
		EXPECT_EQ(Order[static_cast<size_t>(Index)], Index);
	}
	EXPECT_FALSE(bElsewhere);
}

TEST(ParallelFor, ANestedCallRunsWholeOnTheThreadThatMadeIt)
{
	std::vector<std::atomic<int32>> Calls(64 * 64);
	ParallelFor(64,
	            [&Calls](int32 Outer)
	            {
		            const std::thread::id Here = std::this_thread::get_id();
		            ParallelFor(64,
		                        [&, Outer](int32 Inner)
		                        {
			                        EXPECT_EQ(std::this_thread::get_id(), Here);
			                        Calls[static_cast<size_t>(Outer * 64 + Inner)].fetch_add(1);
		                        });
	            });
	for (const std::atomic<int32>& Count : Calls)
	{
		ASSERT_EQ(Count.load(), 1);
	}
}
