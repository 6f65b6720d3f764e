// velmora check, and the report of velmora fit with its repairs, against brute-force counts.
#include "CliTestUtils.h"

#include <nlohmann/json.hpp>

using namespace CliTest;

namespace
{
	constexpr double SurfaceTolerance = 1e-3;

	struct FTriangle
	{
		FVector A, B, C;
	};

	std::vector<FTriangle> Triangles(const Host::FMeshData& Mesh)
	{
		std::vector<FTriangle> Result;
		for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
		{
			FVector Corner[3];
			for (int Index = 0; Index < 3; ++Index)
			{
				const FVector3f& P = Mesh.Positions[Mesh.Indices[3 * Triangle + Index]];
				Corner[Index] = FVector(P.X, P.Y, P.Z);
			}
			Result.push_back({Corner[0], Corner[1], Corner[2]});
		}
		return Result;
	}

	// Inside a closed mesh by ray parity: crossings of a ray in a direction no face of the test meshes
	// lines up with (Moller-Trumbore, double precision).
	bool InsideByParity(const FVector& P, const std::vector<FTriangle>& Mesh)
	{
		const FVector D(0.5123, 0.6871, 0.5149);
		int Crossings = 0;
		for (const FTriangle& T : Mesh)
		{
			const FVector E1 = T.B - T.A, E2 = T.C - T.A;
			const FVector H(D.Y * E2.Z - D.Z * E2.Y, D.Z * E2.X - D.X * E2.Z, D.X * E2.Y - D.Y * E2.X);
			const double Det = E1.X * H.X + E1.Y * H.Y + E1.Z * H.Z;
			if (std::abs(Det) < 1e-14)
			{
				continue;
			}
			const FVector S = P - T.A;
			const double U = (S.X * H.X + S.Y * H.Y + S.Z * H.Z) / Det;
			if (U < 0 || U > 1)
			{
				continue;
			}
			const FVector Q(S.Y * E1.Z - S.Z * E1.Y, S.Z * E1.X - S.X * E1.Z, S.X * E1.Y - S.Y * E1.X);
			const double V = (D.X * Q.X + D.Y * Q.Y + D.Z * Q.Z) / Det;
			if (V < 0 || U + V > 1)
			{
				continue;
			}
			Crossings += (E2.X * Q.X + E2.Y * Q.Y + E2.Z * Q.Z) / Det > 0 ? 1 : 0;
		}
		return Crossings % 2 == 1;
	}

	struct FBruteForce
	{
		int64 Strands = 0, Points = 0, RootsOn = 0, RootsOff = 0, PointsInside = 0, StrandsInside = 0;
		double Min = 0, Median = 0, Max = 0;
	};

	// The report's figures, counted over every triangle for every root and point.
	FBruteForce Count(const GroomData& Groom, const Host::FMeshData& Mesh)
	{
		const std::vector<FTriangle> Faces = Triangles(Mesh);
		FVector Low(1e300, 1e300, 1e300), High(-1e300, -1e300, -1e300);
		for (const FVector3f& P : Mesh.Positions)
		{
			Low = FVector(std::min(Low.X, double(P.X)), std::min(Low.Y, double(P.Y)), std::min(Low.Z, double(P.Z)));
			High = FVector(std::max(High.X, double(P.X)), std::max(High.Y, double(P.Y)), std::max(High.Z, double(P.Z)));
		}
		FBruteForce Result;
		std::vector<double> Distances;
		size_t First = 0;
		for (const int32_t Count : Groom.vertexCounts)
		{
			++Result.Strands;
			bool bInside = false;
			for (size_t Point = First; Point < First + Count; ++Point)
			{
				const FVector P(Groom.positions[3 * Point], Groom.positions[3 * Point + 1], Groom.positions[3 * Point + 2]);
				const bool bInBox = P.X > Low.X && P.Y > Low.Y && P.Z > Low.Z && P.X < High.X && P.Y < High.Y && P.Z < High.Z;
				const double Distance = Point == First || bInBox ? DistanceToMesh(P, Mesh) : 1e300;
				if (Point == First)
				{
					Distances.push_back(Distance);
					++(Distance <= SurfaceTolerance ? Result.RootsOn : Result.RootsOff);
				}
				// A point on the surface is on it, not in it.
				if (bInBox && Distance > SurfaceTolerance && InsideByParity(P, Faces))
				{
					++Result.PointsInside;
					bInside = true;
				}
			}
			Result.StrandsInside += bInside ? 1 : 0;
			Result.Points += Count;
			First += static_cast<size_t>(Count);
		}
		std::sort(Distances.begin(), Distances.end());
		if (!Distances.empty())
		{
			Result.Min = Distances.front();
			Result.Max = Distances.back();
			Result.Median = Distances[(Distances.size() - 1) / 2];
		}
		return Result;
	}

	void ExpectReportAgrees(const nlohmann::json& Report, const FBruteForce& Expected)
	{
		EXPECT_EQ(Report["strands"], Expected.Strands);
		EXPECT_EQ(Report["points"], Expected.Points);
		EXPECT_EQ(Report["rootsOnSurface"], Expected.RootsOn);
		EXPECT_EQ(Report["rootsOffSurface"], Expected.RootsOff);
		EXPECT_NEAR(Report["rootDistance"]["min"].get<double>(), Expected.Min, 1e-5);
		EXPECT_NEAR(Report["rootDistance"]["median"].get<double>(), Expected.Median, 1e-5);
		EXPECT_NEAR(Report["rootDistance"]["max"].get<double>(), Expected.Max, 1e-5);
		EXPECT_EQ(Report["pointsInside"], Expected.PointsInside);
		EXPECT_EQ(Report["strandsInside"], Expected.StrandsInside);
	}

	// A small demo: its head, the groom as exported, the plain fit and the fit with every repair.
	struct FDemoScene
	{
		fs::path Dir = VelmoraTest::MakeTempDir("check-demo");
		Host::FMeshData Head;

		FDemoScene()
		{
			const FRun Demo = RunVelmora("demo --strands 400 --seed 3 -o out -q", Dir);
			EXPECT_EQ(Demo.ExitCode, 0) << Demo.Stderr;
			std::string Error;
			EXPECT_TRUE(VelmoraCli::LoadMeshFile((Dir / "out" / "head.obj").string(), Head, Error)) << Error;
		}
	};
}

TEST(CheckCommand, AgreesWithABruteForceCountOnTheDemoGroomBeforeAndAfterTheFits)
{
	const FDemoScene Scene;
	const FRun Fit = RunVelmora("fit out/source.abc out/head.obj repaired.abc --on-miss nearest --orient --resolve-penetration --report r.json -q", Scene.Dir);
	ASSERT_EQ(Fit.ExitCode, 0) << Fit.Stderr;

	bool bSawInside = false, bSawOff = false;
	for (const char* Groom : {"out/source.abc", "out/plain.abc", "out/fitted.abc", "repaired.abc"})
	{
		SCOPED_TRACE(Groom);
		const FRun Check = RunVelmora(std::string("check ") + Groom + " out/head.obj --json", Scene.Dir);
		ASSERT_EQ(Check.ExitCode, 0) << Check.Stderr;
		const nlohmann::json Report = nlohmann::json::parse(Check.Stdout);
		const FBruteForce Expected = Count(ReadGroomQuietly(Scene.Dir / Groom), Scene.Head);
		ExpectReportAgrees(Report, Expected);
		bSawInside = bSawInside || Expected.PointsInside > 0;
		bSawOff = bSawOff || Expected.RootsOff > 0;
	}
	// The counts were not all trivially zero: the plain fit leaves strays off and ends inside.
	EXPECT_TRUE(bSawInside);
	EXPECT_TRUE(bSawOff);

	// With every repair on: no root off the surface, no point inside, every miss snapped; the report file
	// says so, and agrees with the count too.
	const nlohmann::json Written = nlohmann::json::parse(ReadText(Scene.Dir / "r.json"));
	const nlohmann::json& Report = Written["report"];
	EXPECT_EQ(Report["rootsOffSurface"], 0);
	EXPECT_EQ(Report["pointsInside"], 0);
	EXPECT_EQ(Report["missesSnapped"], Report["misses"]);
	EXPECT_EQ(Report["strandsOriented"], 400);
	// Bringing the ends out kept every segment's length; what the repairs turned is reported beside.
	EXPECT_EQ(Report["shape"]["segmentsChangedOver1Percent"], 0);
	EXPECT_LT(Report["shape"]["segmentChangeMax"].get<double>(), 0.01);
	EXPECT_EQ(Report["shape"]["strands"], 400);
	EXPECT_LE(Report["shape"]["turnDegrees"]["median"].get<double>(), Report["shape"]["turnDegrees"]["p99"].get<double>());
	EXPECT_LE(Report["shape"]["turnDegrees"]["p99"].get<double>(), Report["shape"]["turnDegrees"]["max"].get<double>());
	EXPECT_EQ(Written["options"]["onMiss"], "nearest");
	EXPECT_EQ(Written["options"]["orientFalloff"], 2.0);
	ExpectReportAgrees(Report, Count(ReadGroomQuietly(Scene.Dir / "repaired.abc"), Scene.Head));
}

TEST(CheckCommand, PrintsTheFiguresAndPlacesGroomAndMeshAsFitDoes)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("check-place");
	SaveMesh(Dir / "sphere.obj", Host::BuildSphere(10.f, 24, 48));
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(60, 4, 10.f, 2.f));

	const FRun Here = RunVelmora("check groom.abc sphere.obj", Dir);
	ASSERT_EQ(Here.ExitCode, 0) << Here.Stderr;
	EXPECT_NE(Here.Stdout.find("groom    groom.abc: 60 strands, 240 points\n"), std::string::npos) << Here.Stdout;
	EXPECT_NE(Here.Stdout.find("roots    0 on the surface (within 0.001), 60 off it\n"), std::string::npos) << Here.Stdout;
	EXPECT_NE(Here.Stdout.find("inside   0 points of 0 strands inside the mesh\n"), std::string::npos) << Here.Stdout;

	// Groom and mesh moved together measure the same; the groom moved alone sinks into the sphere.
	const auto Json = [&](const std::string& Arguments)
	{
		const FRun Run = RunVelmora("check groom.abc sphere.obj --json " + Arguments, Dir);
		EXPECT_EQ(Run.ExitCode, 0) << Run.Stderr;
		return Run.ExitCode == 0 ? nlohmann::json::parse(Run.Stdout) : nlohmann::json();
	};
	const nlohmann::json Plain = Json("");
	const nlohmann::json Moved = Json("--origin 0,0,100 --mesh-location 0,0,100");
	EXPECT_EQ(Moved["rootsOffSurface"], 60);
	EXPECT_NEAR(Moved["rootDistance"]["median"].get<double>(), Plain["rootDistance"]["median"].get<double>(), 1e-4);
	const nlohmann::json Sunk = Json("--actor-location=0,0,-5");
	EXPECT_GT(Sunk["pointsInside"].get<int>(), 0);
	EXPECT_EQ(Sunk["placement"], nlohmann::json::array({0.0, 0.0, -5.0}));
	// Both as placed: the mesh by its component, the groom at the placement.
	EXPECT_NEAR(Moved["bounds"]["mesh"]["max"][2].get<double>(), 110.0, 1e-3);
	EXPECT_GT(Moved["bounds"]["groom"]["min"][2].get<double>(), 100.0 - 12.0);
	EXPECT_LT(Moved["bounds"]["groom"]["max"][2].get<double>(), 100.0 + 14.0);

	// A part of the mesh, as the fit takes it; quiet leaves only the status.
	std::ofstream(Dir / "parts.obj") << ReadText(Dir / "sphere.obj") << "\no far\nv 100 0 0\nv 101 0 0\nv 100 1 0\nf -3 -2 -1\n";
	const FRun Part = RunVelmora("check groom.abc parts.obj --mesh-part far --json", Dir);
	ASSERT_EQ(Part.ExitCode, 0) << Part.Stderr;
	EXPECT_EQ(nlohmann::json::parse(Part.Stdout)["meshTriangles"], 1);
	const FRun Quiet = RunVelmora("check groom.abc sphere.obj -q", Dir);
	EXPECT_EQ(Quiet.ExitCode, 0);
	EXPECT_EQ(Quiet.Stdout + Quiet.Stderr, "");
}

TEST(CheckCommand, BadInputAndBadCommandLinesEndWithOneLine)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("check-bad");
	SaveMesh(Dir / "sphere.obj", Host::BuildSphere(10.f, 8, 16));
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(5, 3, 10.f, 1.f));
	std::ofstream(Dir / "garbage.abc") << "not an archive";
	std::ofstream(Dir / "lines.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2\n";
	const struct
	{
		const char* Arguments;
		int ExitCode;
		const char* Message;
	} Cases[] = {
	    {"missing.abc sphere.obj", 1, "velmora check: groom 'missing.abc' does not exist\n"},
	    {"garbage.abc sphere.obj", 1, "velmora check: cannot measure groom 'garbage.abc': "},
	    {"groom.abc lines.obj", 1, "velmora check: mesh 'lines.obj' has no triangles\n"},
	    {"groom.abc", 2, "velmora check: expects GROOM.abc MESH (see velmora check --help)\n"},
	    {"groom.abc sphere.obj extra", 2, "velmora check: too many files"},
	    {"groom.abc sphere.obj --origin 1,2", 2, "velmora check: --origin expects X,Y,Z"},
	    {"groom.abc sphere.obj --origin 1,2,3 --actor-location 0,0,0", 2, "velmora check: --origin and --actor-location both place the groom"},
	    {"groom.abc sphere.obj --orient", 2, "velmora check: unknown option '--orient'"},
	};
	for (const auto& Case : Cases)
	{
		SCOPED_TRACE(Case.Arguments);
		const FRun Run = RunVelmora(std::string("check ") + Case.Arguments, Dir);
		EXPECT_EQ(Run.ExitCode, Case.ExitCode);
		EXPECT_EQ(Run.Stderr.rfind(Case.Message, 0), 0u) << Run.Stderr;
		EXPECT_EQ(std::count(Run.Stderr.begin(), Run.Stderr.end(), '\n'), 1) << Run.Stderr;
		EXPECT_EQ(Run.Stdout, "");
	}
	const FRun Help = RunVelmora("help check", Dir);
	EXPECT_EQ(Help.ExitCode, 0);
	EXPECT_EQ(Help.Stdout.rfind("usage: velmora check GROOM.abc MESH", 0), 0u);
	EXPECT_NE(RunVelmora("--help", Dir).Stdout.find("  check GROOM.abc MESH"), std::string::npos);
}

TEST(CheckCommand, MeasuresTheShapeAgainstAReferenceAsTheFitDoes)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("check-reference");
	SaveMesh(Dir / "sphere.obj", Host::BuildSphere(10.f, 24, 48));
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(40, 6, 10.f, 1.f));
	// Off centre, the surface's normals differ from the groom's: the orientation turns the strands.
	const std::string Placed = " --mesh-location 4,0,0 --origin 0,0,0";
	ASSERT_EQ(RunVelmora("fit groom.abc sphere.obj plain.abc" + Placed, Dir).ExitCode, 0);
	const FRun Oriented = RunVelmora("fit groom.abc sphere.obj oriented.abc --orient --orient-falloff 0 --json" + Placed, Dir);
	ASSERT_EQ(Oriented.ExitCode, 0) << Oriented.Stderr;
	const nlohmann::json Fit = nlohmann::json::parse(Oriented.Stdout)["report"]["shape"];
	ASSERT_GT(Fit["turnDegrees"]["max"].get<double>(), 5.0) << Fit.dump();

	const FRun Checked = RunVelmora("check oriented.abc sphere.obj --reference plain.abc --json" + Placed, Dir);
	ASSERT_EQ(Checked.ExitCode, 0) << Checked.Stderr;
	const nlohmann::json Shape = nlohmann::json::parse(Checked.Stdout)["shape"];
	EXPECT_EQ(Shape["strands"], Fit["strands"]);
	EXPECT_EQ(Shape["strandsTurnedOver30"], Fit["strandsTurnedOver30"]);
	EXPECT_NEAR(Shape["turnDegrees"]["max"].get<double>(), Fit["turnDegrees"]["max"].get<double>(), 1e-3);
	EXPECT_NEAR(Shape["turnDegrees"]["median"].get<double>(), Fit["turnDegrees"]["median"].get<double>(), 1e-3);
	EXPECT_NEAR(Shape["segmentChangeMax"].get<double>(), Fit["segmentChangeMax"].get<double>(), 1e-5);
	const FRun Text = RunVelmora("check oriented.abc sphere.obj --reference plain.abc" + Placed, Dir);
	EXPECT_NE(Text.Stdout.find("shape    root-to-tip turn against the reference: "), std::string::npos) << Text.Stdout;

	// A reference of other strands is no reference.
	WriteGroomQuietly(Dir / "other.abc", SphereGroom(41, 6, 10.f, 1.f));
	const FRun Other = RunVelmora("check oriented.abc sphere.obj --reference other.abc", Dir);
	EXPECT_EQ(Other.ExitCode, 1);
	EXPECT_EQ(Other.Stderr, "velmora check: cannot compare 'oriented.abc' with 'other.abc': the two grooms do not hold the same strands of the same points\n");
	const FRun Missing = RunVelmora("check oriented.abc sphere.obj --reference missing.abc", Dir);
	EXPECT_EQ(Missing.ExitCode, 1);
	EXPECT_EQ(std::count(Missing.Stderr.begin(), Missing.Stderr.end(), '\n'), 1) << Missing.Stderr;
}

TEST(FitRepairsCommand, OptionsReachTheFitAndTheReport)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("fit-repairs");
	SaveMesh(Dir / "sphere.obj", Host::BuildSphere(10.f, 24, 48));
	// Without normals the rays from the origin reach 20 units: a sphere placed 100 away is missed.
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(30, 3, 10.f, 2.f, FVector::ZeroVector, false));

	// Every strand missed and none moved: no fit, nothing written, not even the report.
	const FRun Kept = RunVelmora("fit groom.abc sphere.obj kept.abc --mesh-location 100,0,0 --report kept.json", Dir);
	EXPECT_EQ(Kept.ExitCode, 1);
	EXPECT_NE(Kept.Stderr.find("no strand's trace met the mesh (30 traced, 0 hits), nothing written"), std::string::npos) << Kept.Stderr;
	EXPECT_FALSE(fs::exists(Dir / "kept.abc"));
	EXPECT_FALSE(fs::exists(Dir / "kept.json"));
	// A plain fit measures nothing: the report is for a fit with repairs, or one that asks for it.
	const FRun Plain = RunVelmora("fit groom.abc sphere.obj plain.abc", Dir);
	ASSERT_EQ(Plain.ExitCode, 0) << Plain.Stderr;
	EXPECT_EQ(Plain.Stdout.find("roots    "), std::string::npos) << Plain.Stdout;
	const FRun Reported = RunVelmora("fit groom.abc sphere.obj reported.abc --report reported.json", Dir);
	ASSERT_EQ(Reported.ExitCode, 0) << Reported.Stderr;
	EXPECT_NE(Reported.Stdout.find("roots    30 on the surface (within 0.001), 0 off it\n"), std::string::npos) << Reported.Stdout;
	EXPECT_NE(Reported.Stdout.find("repairs  0 misses snapped, 0 strands oriented, 0 points pushed out of the mesh\n"), std::string::npos) << Reported.Stdout;

	const FRun Snapped = RunVelmora("fit groom.abc sphere.obj snapped.abc --mesh-location 100,0,0 --on-miss=nearest --resolve-penetration 0.5 --report=r.json", Dir);
	ASSERT_EQ(Snapped.ExitCode, 0) << Snapped.Stderr;
	EXPECT_NE(Snapped.Stdout.find("misses   30 (snapped to the nearest surface point)\n"), std::string::npos) << Snapped.Stdout;
	EXPECT_NE(Snapped.Stdout.find("roots    30 on the surface (within 0.001), 0 off it\n"), std::string::npos) << Snapped.Stdout;
	const nlohmann::json Report = nlohmann::json::parse(ReadText(Dir / "r.json"));
	EXPECT_EQ(Report["options"], nlohmann::json({{"onMiss", "nearest"}, {"orient", false}, {"orientFalloff", 2.0}, {"resolvePenetration", true}, {"penetrationOffset", 0.5}}));
	EXPECT_EQ(Report["report"]["missesSnapped"], 30);
	EXPECT_EQ(Report["output"], "snapped.abc");

	// An offset is optional: a file name after the option is a file.
	const FRun Default = RunVelmora("fit --resolve-penetration groom.abc sphere.obj default.abc --json", Dir);
	ASSERT_EQ(Default.ExitCode, 0) << Default.Stderr;
	EXPECT_EQ(nlohmann::json::parse(Default.Stdout)["options"]["penetrationOffset"], 0.1);
}

TEST(FitRepairsCommand, RefusesBadRepairOptionsAndAReportItCannotWrite)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("fit-repairs-bad");
	SaveMesh(Dir / "sphere.obj", Host::BuildSphere(10.f, 8, 16));
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(5, 3, 10.f, 1.f));
	for (const char* Arguments : {"--on-miss sideways", "--on-miss", "--resolve-penetration -1", "--resolve-penetration=far", "--resolve-penetration=1e39", "--report"})
	{
		SCOPED_TRACE(Arguments);
		const FRun Run = RunVelmora(std::string("fit groom.abc sphere.obj out.abc ") + Arguments, Dir);
		EXPECT_EQ(Run.ExitCode, 2);
		EXPECT_NE(Run.Stderr.find("(see velmora fit --help)"), std::string::npos) << Run.Stderr;
	}
	// An offset beyond the mesh's own size would throw points far off it.
	const FRun Far = RunVelmora("fit groom.abc sphere.obj out.abc --resolve-penetration 1e30", Dir);
	EXPECT_EQ(Far.ExitCode, 1);
	EXPECT_NE(Far.Stderr.find("the penetration offset 1e+30 is larger than the mesh"), std::string::npos) << Far.Stderr;
	EXPECT_EQ(std::count(Far.Stderr.begin(), Far.Stderr.end(), '\n'), 1) << Far.Stderr;
	EXPECT_FALSE(fs::exists(Dir / "out.abc"));

	const FRun Nowhere = RunVelmora("fit groom.abc sphere.obj out.abc --report nowhere/r.json", Dir);
	EXPECT_EQ(Nowhere.ExitCode, 1);
	EXPECT_EQ(Nowhere.Stderr, "velmora fit: cannot write 'nowhere/r.json': directory 'nowhere' does not exist\n");
	EXPECT_FALSE(fs::exists(Dir / "out.abc")) << "a report that cannot be written stops the fit before it starts";
}
