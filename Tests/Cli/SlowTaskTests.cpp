#include "CliTestUtils.h"

#include "Components/StaticMeshComponent.h"
#include "GameFramework/Actor.h"
#include "Host/Log.h"
#include "Host/SlowTask.h"
#include "Host/World.h"
#include "Misc/ScopedSlowTask.h"
#include "velmoraBPLibrary.h"

namespace
{
	struct FRecorded
	{
		char Event;
		float Completed;
		float Total;
		int32 Depth;
		bool bDialog;
		std::string Message;

		bool operator==(const FRecorded&) const = default;
	};

	struct FRecorder
	{
		std::vector<FRecorded> Events;
		Host::FScopedSlowTaskObserver Observer{Host::FSlowTaskObserver{
		    [this](const Host::FSlowTaskState& S)
		    { Add('b', S); },
		    [this](const Host::FSlowTaskState& S)
		    { Add('p', S); },
		    [this](const Host::FSlowTaskState& S)
		    { Add('e', S); }}};

		void Add(char Event, const Host::FSlowTaskState& S)
		{
			Events.push_back({Event, S.CompletedWork, S.TotalWork, S.Depth, S.bDialog, TCHAR_TO_UTF8(*S.Message)});
		}
	};
}

TEST(SlowTask, FramesCountTheWorkOfTheFrameBefore)
{
	FRecorder Recorder;
	{
		FScopedSlowTask Task(10.f, FText::FromString(TEXT("Working")));
		Task.MakeDialog();
		Task.EnterProgressFrame(4.f);
		Task.EnterProgressFrame(6.f, FText::FromString(TEXT("Second half")));
		EXPECT_FALSE(Task.ShouldCancel());
	}
	const std::vector<FRecorded> Expected{
	    {'b', 0, 10, 0, false, "Working"},
	    {'p', 0, 10, 0, true, "Working"},
	    {'p', 0, 10, 0, true, "Working"},
	    {'p', 4, 10, 0, true, "Second half"},
	    {'e', 10, 10, 0, true, "Second half"},
	};
	EXPECT_EQ(Recorder.Events, Expected);
}

TEST(SlowTask, NestedTasksAreOneDeeperAndDisabledOnesSilent)
{
	FRecorder Recorder;
	{
		FScopedSlowTask Outer(1.f);
		{
			FScopedSlowTask Inner(2.f);
			FScopedSlowTask Disabled(3.f, FText(), false);
			Disabled.EnterProgressFrame();
		}
		FScopedSlowTask After(1.f);
	}
	ASSERT_EQ(Recorder.Events.size(), 6u);
	EXPECT_EQ(Recorder.Events[0].Depth, 0);
	EXPECT_EQ(Recorder.Events[1].Depth, 1);
	EXPECT_EQ(Recorder.Events[2].Event, 'e');
	EXPECT_EQ(Recorder.Events[3].Depth, 1) << "the inner task has ended, so the next one takes its place";
	EXPECT_EQ(Recorder.Events[5].Event, 'e');
	EXPECT_EQ(Recorder.Events[5].Depth, 0);
}

TEST(SlowTask, FitReportsItsStrandsInBatchesAsADialog)
{
	const CliTest::fs::path Dir = VelmoraTest::MakeTempDir("slow-task-fit");
	CliTest::WriteGroomQuietly(Dir / "groom.abc", CliTest::SphereGroom(2500, 2, 10.f, 1.f));
	UWorld* World = Host::NewWorld();
	AActor* Actor = Host::SpawnActor(World);
	UStaticMeshComponent* Component = Host::AddStaticMeshComponent(Host::SpawnActorWithoutRoot(World), Host::NewStaticMesh(Host::BuildSphere(10.f, 12, 24), Host::ECollisionSides::DoubleSided));

	FRecorder Recorder;
	{
		Host::FScopedLogCapture Quiet;
		testing::internal::CaptureStdout();
		CheckedGroom::FitGroomToStaticMesh(Actor, Component, FVector::ZeroVector, FString(UTF8_TO_TCHAR((Dir / "groom.abc").string().c_str())),
		                                   FString(UTF8_TO_TCHAR((Dir / "out.abc").string().c_str())));
		testing::internal::GetCapturedStdout();
	}
	ASSERT_FALSE(Recorder.Events.empty());
	EXPECT_EQ(Recorder.Events.front().Event, 'b');
	EXPECT_EQ(Recorder.Events.front().Total, 2500.f);
	EXPECT_EQ(Recorder.Events.back().Event, 'e');
	EXPECT_EQ(Recorder.Events.back().Completed, 2500.f);
	EXPECT_TRUE(Recorder.Events.back().bDialog);
	// A few frames rather than one per strand, never going backwards, adding up to the whole groom.
	const auto Frames = std::count_if(Recorder.Events.begin(), Recorder.Events.end(), [](const FRecorded& E)
	                                  { return E.Event == 'p'; });
	EXPECT_GE(Frames, 2) << "a dialog, then at least one frame of work";
	EXPECT_LE(Frames, 2500 / 100) << "progress must not cost a frame per strand";
	EXPECT_TRUE(std::is_sorted(Recorder.Events.begin(), Recorder.Events.end(), [](const FRecorded& A, const FRecorded& B)
	                           { return A.Completed < B.Completed; }));
	EXPECT_TRUE(CliTest::fs::exists(Dir / "out.abc"));
}
