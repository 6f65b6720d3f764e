// Heads other tools wrote: a query builds on them and tells their inside where it is plain.
#include "MeshFiles.h"
#include "MeshQueryTestHelpers.h"
#include "TestPaths.h"

using namespace MeshQueryTest;

namespace
{
	// The real-world meshes folder, or a skip.
	std::optional<std::filesystem::path> RealWorldDir()
	{
		const auto Shared = VelmoraTest::SharedDir();
		if (!Shared || !std::filesystem::is_directory(*Shared / "realworld"))
		{
			return std::nullopt;
		}
		return *Shared / "realworld";
	}
}

TEST(MeshQueryRealMesh, HeadsFromOtherToolsKnowTheirInsideWhereTheWindingNumberIsPlain)
{
	const auto Dir = RealWorldDir();
	if (!Dir)
	{
		GTEST_SKIP() << "shared real-world meshes not found beside the checkout (../shared/realworld); skipped";
	}
	for (const char* Name : {"ninjaHead_Low.obj", "LeePerrySmith.glb"})
	{
		Host::FMeshData Data;
		std::string Error;
		ASSERT_TRUE(VelmoraCli::LoadMeshFile((*Dir / Name).string(), Data, Error)) << Error;
		const FMesh Mesh = FromHost(Data);
		const auto Query = BuildQuery(Mesh);
		ASSERT_TRUE(Query) << Name;
		RecordProperty(Name, TCHAR_TO_UTF8(*Query->GetStats().ToString()));
		const FBox Bounds = Query->GetBounds();
		const FVector Size = Bounds.GetSize();
		// Points around the head; where the winding number is clearly 0 or 1, the query must agree.
		int32 Judged = 0, Inside = 0;
		for (const FVector& Point : RandomPoints(59, 600, Bounds.Min - Size * 0.1, Bounds.Max + Size * 0.1))
		{
			const double Winding = BruteForceWinding(Mesh, Point);
			if (std::abs(Winding - 0.5) < 0.3)
			{
				continue;
			}
			++Judged;
			Inside += Winding > 0.5 ? 1 : 0;
			ASSERT_EQ(Query->IsInside(Point), Winding > 0.5) << Name << " " << TCHAR_TO_UTF8(*Point.ToString()) << " winding " << Winding;
		}
		EXPECT_GT(Judged, 500) << Name;
		EXPECT_GT(Inside, 50) << Name;
	}
}
