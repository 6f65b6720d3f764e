#include "GroomFitting.h"

#include "MeshQuery.h"

#include "Async/ParallelFor.h"
#include "CollisionQueryParams.h"
#include "Components/StaticMeshComponent.h"
#include "DrawDebugHelpers.h"
#include "Engine/HitResult.h"
#include "Engine/StaticMesh.h"
#include "Engine/World.h"
#include "GameFramework/Actor.h"
#include "Interface_CollisionDataProviderCore.h"
#include "Misc/ScopedSlowTask.h"
#include "PhysicsEngine/BodySetup.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <limits>
#include <mutex>
#include <random>
#include <system_error>
#include <vector>

namespace GroomFitting
{
	namespace
	{
		// Logs why nothing was fitted, measured or written, and keeps the reason with the report, so a
		// caller that words its own messages has it without reading the log.
		void LogFitFailure(FFitReport* Report, const FString& Reason)
		{
			UE_LOG(LogTemp, Error, TEXT("%s"), *Reason);
			if (Report)
			{
				Report->FailureReason = Reason;
			}
		}

		FVector ReadTriple(const std::vector<float>& Values, int64 Index)
		{
			const size_t First = 3 * static_cast<size_t>(Index);
			return FVector(Values[First], Values[First + 1], Values[First + 2]);
		}

		// Stores the point in single precision; false when it does not fit there.
		bool WriteTriple(std::vector<float>& Values, int64 Index, const FVector& Point)
		{
			const size_t First = 3 * static_cast<size_t>(Index);
			Values[First] = static_cast<float>(Point.X);
			Values[First + 1] = static_cast<float>(Point.Y);
			Values[First + 2] = static_cast<float>(Point.Z);
			return std::isfinite(Values[First]) && std::isfinite(Values[First + 1]) && std::isfinite(Values[First + 2]);
		}

		// Nonzero for an infinity or a NaN. A test of the bits, not a float sum, so a strand's checks do not
		// wait on one another.
		uint32 NotFiniteBits(float Value)
		{
			uint32 Bits;
			std::memcpy(&Bits, &Value, sizeof(Bits));
			return static_cast<uint32>((Bits & 0x7F800000u) == 0x7F800000u);
		}

		bool IsFinitePoint(const FVector& V)
		{
			return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z);
		}

		// UTF-8 narrow paths name files the same way on every platform.
		std::filesystem::path FitFileSystemPath(const std::string& Utf8Path)
		{
			return std::filesystem::path(std::u8string(Utf8Path.begin(), Utf8Path.end()));
		}

		FName FitTraceTag()
		{
			static const FName Tag(TEXT("Kestrova Comp Trace"));
			return Tag;
		}

		// The fit's one query of the component: a complex trace, tagged, ignoring no actor.
		bool TraceSegment(UStaticMeshComponent* Component, const FVector& Start, const FVector& End, const FCollisionQueryParams& Params, FHitResult& OutHit)
		{
			OutHit = FHitResult(ForceInit);
			return Component->LineTraceComponent(OutHit, Start, End, Params);
		}

		// What a trace shows the user: a green line from the start to the hit for about one hit in fifty (one
		// rand() value per hit), a warning for a miss.
		void ShowTrace(UStaticMeshComponent* Component, const FVector& Start, bool bHit, const FVector& ImpactPoint)
		{
			if (!bHit)
			{
				LogMessage("no Hit detected, this should not happen");
				return;
			}
			if (DebugLineDraw(rand()) > 98)
			{
				DrawDebugLine(Component->GetWorld(), Start, ImpactPoint, FColor(0, 255, 0, 255), false, 20.1f, 0, 0.f);
			}
		}

		// Every segment of the fit starts inside a closed head and runs outwards, so single-sided collision,
		// hit only from outside, misses nearly all of them: one warning that says why and how to fix it
		// beats a miss warning per strand. It judges what a complex trace really meets: the simple shapes when
		// the mesh uses its simple collision as complex, else the triangles GetPhysicsTriMeshData gives (those of
		// the complex collision mesh or of the LOD for collision, in the sections with collision).
		void WarnIfTracesCannotHit(UStaticMeshComponent* TheComp)
		{
			UStaticMesh* Mesh = TheComp->GetStaticMesh();
			if (!Mesh)
			{
				UE_LOG(LogTemp, Warning, TEXT("FitGroomToStaticMesh: %s has no static mesh, so no strand can land. Give it a mesh made with SkeletalMeshToStaticMesh."),
				       *TheComp->GetPathName());
				return;
			}
			const UBodySetup* BodySetup = Mesh->GetBodySetup();
			if (!BodySetup || TheComp->GetCollisionEnabled() == ECollisionEnabled::NoCollision)
			{
				UE_LOG(LogTemp, Warning,
				       TEXT("FitGroomToStaticMesh: %s shows %s without collision a trace can hit, so no strand can land. Turn the component's collision on, or make the mesh with SkeletalMeshToStaticMesh."),
				       *TheComp->GetPathName(), *Mesh->GetPathName());
				return;
			}
			if (BodySetup->GetCollisionTraceFlag() == CTF_UseSimpleAsComplex)
			{
				if (BodySetup->AggGeom.GetElementCount() == 0)
				{
					UE_LOG(LogTemp, Warning,
					       TEXT("FitGroomToStaticMesh: %s uses its simple collision as complex and has no simple shapes, so no strand can land. Set its Collision Complexity to use complex collision, or make the mesh with SkeletalMeshToStaticMesh."),
					       *Mesh->GetPathName());
				}
				else
				{
					UE_LOG(LogTemp, Warning,
					       TEXT("FitGroomToStaticMesh: %s uses its simple collision as complex, so strands land on its simple shapes, not on its surface. Set its Collision Complexity to use complex collision, or make the mesh with SkeletalMeshToStaticMesh."),
					       *Mesh->GetPathName());
				}
				return;
			}
			if (!Mesh->ContainsPhysicsTriMeshData(false))
			{
				UE_LOG(LogTemp, Warning,
				       TEXT("FitGroomToStaticMesh: the complex collision of %s has no triangles (from its complex collision mesh, or its LOD for collision with collision on in no section), so no strand can land. Turn collision on for the head's sections, or make the mesh with SkeletalMeshToStaticMesh."),
				       *Mesh->GetPathName());
				return;
			}
			if (!BodySetup->bDoubleSidedGeometry)
			{
				UE_LOG(LogTemp, Warning,
				       TEXT("FitGroomToStaticMesh: the collision of %s is single-sided, so traces leaving the mesh from inside miss it and most strands will not land. Turn on Double Sided Geometry in the mesh's collision settings, or make the mesh with SkeletalMeshToStaticMesh."),
				       *Mesh->GetPathName());
			}
		}

		// Whether the curves' counts fit the points: the number of points they cover, or -1 with the reason.
		int64 CoveredPoints(const GroomData& Groom, FString& OutError)
		{
			const int64 NumPoints = static_cast<int64>(Groom.positions.size() / 3);
			int64 Covered = 0;
			for (size_t Curve = 0; Curve < Groom.vertexCounts.size(); ++Curve)
			{
				if (Groom.vertexCounts[Curve] < 0)
				{
					OutError = FString::Printf(TEXT("curve %lld has a negative point count (%d)"), static_cast<long long>(Curve), Groom.vertexCounts[Curve]);
					return -1;
				}
				Covered += Groom.vertexCounts[Curve];
			}
			if (Covered > NumPoints)
			{
				OutError = FString::Printf(TEXT("the curves' point counts add up to %lld points but the groom holds %lld"), static_cast<long long>(Covered),
				                           static_cast<long long>(NumPoints));
				return -1;
			}
			return Covered;
		}

		// The index of each strand's root, for walks that take strands out of order.
		std::vector<int64> FirstPoints(const GroomData& Groom)
		{
			std::vector<int64> First(Groom.vertexCounts.size());
			int64 Next = 0;
			for (size_t Curve = 0; Curve < Groom.vertexCounts.size(); ++Curve)
			{
				First[Curve] = Next;
				Next += Groom.vertexCounts[Curve];
			}
			return First;
		}

		// Strands without a figure (no root, no direction) carry NaN.
		void DropNaN(std::vector<double>& Values)
		{
			Values.erase(std::remove_if(Values.begin(), Values.end(), [](double Value)
			                            { return std::isnan(Value); }),
			             Values.end());
		}

		// Of the values that are not NaN.
		FDistanceSummary Summarise(std::vector<double> Values)
		{
			DropNaN(Values);
			FDistanceSummary Summary;
			Summary.Count = static_cast<int64>(Values.size());
			if (Values.empty())
			{
				return Summary;
			}
			const auto [Min, Max] = std::minmax_element(Values.begin(), Values.end());
			Summary.Min = *Min;
			Summary.Max = *Max;
			// The lower middle for an even count, so the median is always one of the values.
			const auto Middle = Values.begin() + static_cast<std::ptrdiff_t>((Values.size() - 1) / 2);
			std::nth_element(Values.begin(), Middle, Values.end());
			Summary.Median = *Middle;
			return Summary;
		}

		// A fingerprint of a mesh's triangles where they stand, so a query is made again only when they move
		// or change.
		uint64 MixWord(uint64 Hash, uint64 Word)
		{
			Hash ^= Word + 0x9E3779B97F4A7C15ull + (Hash << 6) + (Hash >> 2);
			Hash ^= Hash >> 31;
			Hash *= 0xBF58476D1CE4E5B9ull;
			return Hash ^ (Hash >> 29);
		}

		// Four lanes over the words in turn, so each word's mixing does not wait on the one before.
		template<typename T>
		uint64 MixArray(uint64 Hash, const T* Data, int32 Num)
		{
			const uint8* Bytes = reinterpret_cast<const uint8*>(Data);
			const size_t Size = sizeof(T) * static_cast<size_t>(Num);
			uint64 Lanes[4] = {Hash, Hash + 1, Hash + 2, Hash + 3};
			size_t At = 0;
			for (; At + 32 <= Size; At += 32)
			{
				for (int32 Lane = 0; Lane < 4; ++Lane)
				{
					uint64 Word;
					std::memcpy(&Word, Bytes + At + 8 * Lane, 8);
					Lanes[Lane] = MixWord(Lanes[Lane], Word);
				}
			}
			Hash = MixWord(MixWord(MixWord(Lanes[0], Lanes[1]), Lanes[2]), Lanes[3]);
			for (; At + 8 <= Size; At += 8)
			{
				uint64 Word;
				std::memcpy(&Word, Bytes + At, 8);
				Hash = MixWord(Hash, Word);
			}
			uint64 Tail = 0;
			std::memcpy(&Tail, Bytes + At, Size - At);
			return MixWord(MixWord(Hash, Tail), Size);
		}

		struct FCachedMeshQuery
		{
			uint64 Fingerprint = 0;
			std::shared_ptr<const FMeshQuery> Query;
		};

		// The queries of the last meshes fitted onto, most recent first: a head fitted again and again is
		// made once.
		std::mutex MeshQueryCacheLock;
		std::vector<FCachedMeshQuery> MeshQueryCache;
		constexpr size_t MeshQueryCacheSize = 2;

		std::string FileSystemPathToUtf8(const std::filesystem::path& Path)
		{
			const std::u8string Utf8 = Path.u8string();
			return std::string(Utf8.begin(), Utf8.end());
		}

		// The file a write to Path lands in: Path, or the file its chain of links names (which need not
		// exist yet).
		std::filesystem::path ResolveLinks(const std::filesystem::path& Path)
		{
			std::filesystem::path Resolved = Path;
			std::error_code Error;
			// As many links as the system itself follows.
			for (int32 Hop = 0; Hop < 40 && std::filesystem::is_symlink(Resolved, Error); ++Hop)
			{
				const std::filesystem::path Target = std::filesystem::read_symlink(Resolved, Error);
				if (Error)
				{
					break;
				}
				Resolved = Target.is_absolute() ? Target : Resolved.parent_path() / Target;
			}
			return Resolved;
		}

		// Claims a name beside Final that no file has, by creating the file there and failing if one is
		// there already, so no other file is ever written over. False, with the system's error, when the
		// folder takes no new file.
		bool MakeTemporaryBeside(const std::filesystem::path& Final, std::filesystem::path& OutTemporary, int& OutError)
		{
			static std::atomic<uint32> Sequence{0};
			static const uint32 ProcessSalt = static_cast<uint32>(std::random_device()());
			const std::filesystem::path Folder = Final.parent_path();
			for (int32 Attempt = 0; Attempt < 100; ++Attempt)
			{
				char Tag[24];
				std::snprintf(Tag, sizeof(Tag), "%08x%04x", static_cast<unsigned>(ProcessSalt), static_cast<unsigned>(Sequence++ & 0xffff));
				// Built in the platform's own form: a name Windows holds only in UTF-16 stays whole.
				std::filesystem::path Name(".");
				Name += Final.filename().native();
				Name += std::string(".velmora-") + Tag + ".tmp";
				std::filesystem::path Candidate = Folder / Name;
				errno = 0;
#if PLATFORM_WINDOWS
				FILE* const File = _wfopen(Candidate.c_str(), L"wx");
#else
				FILE* const File = std::fopen(Candidate.c_str(), "wx");
#endif
				if (File)
				{
					std::fclose(File);
					OutTemporary = std::move(Candidate);
					return true;
				}
				OutError = errno != 0 ? errno : EIO;
				if (OutError != EEXIST)
				{
					return false;
				}
			}
			return false;
		}

		// Removes what a failed write left; anything but a file there is not ours.
		void RemoveWrittenFile(const std::string& Utf8Path)
		{
			std::error_code Ignored;
			const std::filesystem::path Path = FitFileSystemPath(Utf8Path);
			if (std::filesystem::is_regular_file(Path, Ignored))
			{
				std::filesystem::remove(Path, Ignored);
			}
		}

		// Writes the record at WritePath, the file meant to become TargetPath, with the params carried from its
		// source. False, with the writer's reason, leaving no file at WritePath. What the file cannot hold
		// without the engine's groom import reading past it is left out, said in OutWarnings.
		bool WriteRecordAt(const std::string& WritePath, const std::string& TargetPath, const GroomData& Groom, const std::vector<FGroomParam>& Carried,
		                   std::vector<std::string>& OutWarnings, std::string& OutError)
		{
			try
			{
				std::vector<std::string> LeftOut;
				WriteGroom(WritePath, Groom, TargetPath, Carried, &LeftOut);
				for (const std::string& Line : LeftOut)
				{
					OutWarnings.push_back(Line + ": left out of " + TargetPath + ", where the engine's groom import would read past it");
				}
				return true;
			}
			catch (const std::exception& Error)
			{
				// "Could not write file: <target> (<reason>)": the writer names the file the user asked for.
				OutError = Error.what();
			}
			catch (...)
			{
				OutError = "Could not write file: " + TargetPath + " (unknown error)";
			}
			RemoveWrittenFile(WritePath);
			return false;
		}

		// A write's warnings logged, and its failure as one Error line.
		bool LogWrite(bool bWritten, const std::vector<std::string>& Warnings, const std::string& Error, FFitReport* Report)
		{
			for (const std::string& Warning : Warnings)
			{
				UE_LOG(LogTemp, Warning, TEXT("FitGroomToStaticMesh: %s"), *Utf8ToText(Warning));
			}
			if (!bWritten)
			{
				LogFitFailure(Report, Utf8ToText(Error));
			}
			return bWritten;
		}

		// The engine's groom import shows colours only when there is one per point: say so before the user
		// looks for them in the editor.
		void WarnIfColoursLostInEngine(const GroomData& Groom)
		{
			const size_t Colours = Groom.groomColors.size() / 3;
			const size_t Points = Groom.positions.size() / 3;
			if (Colours > 0 && Colours != Points)
			{
				UE_LOG(LogTemp, Warning,
				       TEXT("FitGroomToStaticMesh: the groom has %lld colours for %lld points, and the engine's groom import keeps colours only with one per point: the fitted groom will show none in the editor. Prepare the groom first (PrepareGroom, or velmora prepare) to give each point its strand's colour."),
				       static_cast<long long>(Colours), static_cast<long long>(Points));
			}
		}

		// Says once what the inside test had to mend in the mesh: the user's mesh is not what it seems.
		void LogMeshRepairs(const UStaticMeshComponent* TheComp, const FMeshQuery& Query)
		{
			const FMeshQueryStats& Stats = Query.GetStats();
			if (Stats.TrianglesFlipped > 0 || Stats.DuplicatesDropped > 0 || Stats.ReversedDropped > 0 || Stats.SharedFacesDropped > 0 || Stats.OpenParts > 0)
			{
				UE_LOG(LogTemp, Display, TEXT("FitGroomToStaticMesh: for the repairs, %s holds %s"), *TheComp->GetPathName(), *Stats.ToString());
			}
		}
	}

	namespace
	{
		// The report's figures over some strands, counted by one thread.
		struct FMeasureCounts
		{
			int64 RootsOnSurface = 0;
			int64 RootsOffSurface = 0;
			int64 PointsInside = 0;
			int64 StrandsInside = 0;
			// Points that are not finite (measured as inside nothing), and the first strand that has one, or -1.
			int64 PointsNotFinite = 0;
			int64 FirstStrandNotFinite = -1;

			void AddNotFinite(int64 Points, int64 Strand)
			{
				PointsNotFinite += Points;
				if (Points > 0 && (FirstStrandNotFinite < 0 || Strand < FirstStrandNotFinite))
				{
					FirstStrandNotFinite = Strand;
				}
			}
		};

		// The report's figures, added up from any number of threads, each adding its counts once.
		struct FMeasureTally
		{
			explicit FMeasureTally(int32 NumCurves)
			    : RootDistances(static_cast<size_t>(NumCurves), std::numeric_limits<double>::quiet_NaN())
			{
			}

			// One per strand, each written by the thread that measures the strand.
			std::vector<double> RootDistances;
			FMeasureCounts Counts;
			std::mutex Lock;

			void Add(const FMeasureCounts& More)
			{
				const std::lock_guard<std::mutex> Guard(Lock);
				Counts.RootsOnSurface += More.RootsOnSurface;
				Counts.RootsOffSurface += More.RootsOffSurface;
				Counts.PointsInside += More.PointsInside;
				Counts.StrandsInside += More.StrandsInside;
				Counts.AddNotFinite(More.PointsNotFinite, More.FirstStrandNotFinite);
			}

			void Finish(int32 NumCurves, int64 Points, double Tolerance, FFitReport& OutReport)
			{
				OutReport.bMeasured = true;
				OutReport.Strands = NumCurves;
				OutReport.Points = Points;
				OutReport.SurfaceTolerance = Tolerance;
				OutReport.RootsOnSurface = Counts.RootsOnSurface;
				OutReport.RootsOffSurface = Counts.RootsOffSurface;
				OutReport.RootDistance = Summarise(MoveTemp(RootDistances));
				OutReport.PointsInside = Counts.PointsInside;
				OutReport.StrandsInside = Counts.StrandsInside;
				OutReport.PointsNotFinite = Counts.PointsNotFinite;
			}
		};

		// The points of a strand that are not finite.
		int64 CountNotFinite(const GroomData& Groom, int64 Root, int32 Count)
		{
			int64 NotFinite = 0;
			for (int64 Index = Root; Index < Root + Count; ++Index)
			{
				NotFinite += IsFinitePoint(ReadTriple(Groom.positions, Index)) ? 0 : 1;
			}
			return NotFinite;
		}

		// How one strand, placed at Placement, lies on the mesh: its root's distance from the surface and
		// its points inside. InsideFlags, when given, says for each point from FirstFlagged on whether it is
		// inside as the repairs left it: those points are not tested again. RootOnSurface, when given, is the
		// surface point (a trace's hit, or the nearest point) the root was put on. bKnownFinite: every point
		// was checked finite. A point that is not finite lies inside nothing, and a root that is not finite
		// is neither on the surface nor off it; such points are counted.
		void MeasureStrand(const GroomData& Groom, const FMeshQuery& Query, const FVector& Placement, double Tolerance, int32 Curve, int64 Root, int32 Count,
		                   const uint8* InsideFlags, int64 FirstFlagged, const FVector* RootOnSurface, bool bKnownFinite, std::vector<double>& RootDistances,
		                   FMeasureCounts& Counts)
		{
			if (!bKnownFinite)
			{
				Counts.AddNotFinite(CountNotFinite(Groom, Root, Count), Curve);
			}
			const FVector RootPoint = Placement + ReadTriple(Groom.positions, Root);
			bool bRootOnSurface = false;
			// A root that is not finite has no distance from the surface (and the inside test passes it by).
			if (IsFinitePoint(RootPoint))
			{
				FVector Nearest, Normal;
				double Distance = TNumericLimits<double>::Max();
				// A root put on a surface point is measured from it, single precision's rounding being all that
				// lies between them: the surface is no farther, and where that is within the tolerance, no
				// nearer by more than the tolerance either. Any other root, or one that rounding took further,
				// is searched for; most lie on the surface, where a search that looks no further than the
				// tolerance is the quicker.
				if (RootOnSurface)
				{
					Distance = (RootPoint - *RootOnSurface).Size();
				}
				if (Distance > Tolerance)
				{
					const double NearSearch = FMath::Max(Tolerance, 1e-6) * 2.0;
					if (!Query.NearestPoint(RootPoint, Nearest, Normal, NearSearch) && !Query.NearestPoint(RootPoint, Nearest, Normal))
					{
						return;
					}
					Distance = (RootPoint - Nearest).Size();
				}
				RootDistances[static_cast<size_t>(Curve)] = Distance;
				bRootOnSurface = Distance <= Tolerance;
				++(bRootOnSurface ? Counts.RootsOnSurface : Counts.RootsOffSurface);
			}

			// Which points are inside: as the repairs left them, or else found for the strand in one pass. A root
			// on the surface is not tested: it counts as outside whatever the test says, and on the surface the
			// test is at its dearest (a winding number, where the crossings cannot be told).
			thread_local std::vector<uint8> Found;
			if (!InsideFlags)
			{
				const int64 FirstTested = bRootOnSurface ? Root + 1 : Root;
				Found.resize(static_cast<size_t>(Count));
				Query.FindInside(Groom.positions.data() + 3 * static_cast<size_t>(FirstTested), static_cast<int32>(Root + Count - FirstTested), Placement, Found.data());
				InsideFlags = Found.data();
				FirstFlagged = FirstTested;
			}
			int64 Inside = 0;
			for (int64 Index = Root; Index < Root + Count; ++Index)
			{
				// A point on the surface is on it, not in it, whichever way rounding tips the test.
				if (Index == Root && bRootOnSurface)
				{
					continue;
				}
				if (Index >= FirstFlagged ? !InsideFlags[Index - FirstFlagged] : !Query.IsInside(Placement + ReadTriple(Groom.positions, Index)))
				{
					continue;
				}
				const FVector Point = Placement + ReadTriple(Groom.positions, Index);
				FVector Nearest, Normal;
				if (Index != Root && Query.NearestPoint(Point, Nearest, Normal, Tolerance * 2.0 + 1e-12) && (Point - Nearest).Size() <= Tolerance)
				{
					continue;
				}
				++Inside;
			}
			Counts.PointsInside += Inside;
			Counts.StrandsInside += Inside > 0 ? 1 : 0;
		}
	}

	namespace
	{
		// What the repairs did, counted by each worker over its strands and added up once.
		struct FStrandCounts
		{
			int64 MissesSnapped = 0;
			int64 StrandsOriented = 0;
			int64 PointsResolved = 0;
			int64 PointsUnresolved = 0;
			// Points left inside, by why.
			int64 UnresolvedBy[static_cast<size_t>(EResolveResult::UnresolvedBadOffset) + 1] = {};
			// How the repairs changed the strands' shape.
			int64 StrandsTurnedOver30 = 0;
			int64 StrandsTurnedOver60 = 0;
			double SegmentChangeMax = 0.0;
			int64 SegmentsChangedOver1Percent = 0;
			bool bAllFinite = true;
			// Points the source gave that are not finite: kept as they are, and counted.
			FMeasureCounts NotFinite;
			// Room for a strand's inside flags.
			std::vector<uint8> Inside;
			FMeasureCounts Measured;

			void AddTo(FStrandCounts& Totals) const
			{
				static std::mutex Lock;
				const std::lock_guard<std::mutex> Guard(Lock);
				Totals.MissesSnapped += MissesSnapped;
				Totals.StrandsOriented += StrandsOriented;
				Totals.PointsResolved += PointsResolved;
				Totals.PointsUnresolved += PointsUnresolved;
				for (size_t Reason = 0; Reason < std::size(UnresolvedBy); ++Reason)
				{
					Totals.UnresolvedBy[Reason] += UnresolvedBy[Reason];
				}
				Totals.StrandsTurnedOver30 += StrandsTurnedOver30;
				Totals.StrandsTurnedOver60 += StrandsTurnedOver60;
				Totals.SegmentChangeMax = FMath::Max(Totals.SegmentChangeMax, SegmentChangeMax);
				Totals.SegmentsChangedOver1Percent += SegmentsChangedOver1Percent;
				Totals.bAllFinite &= bAllFinite;
				Totals.NotFinite.AddNotFinite(NotFinite.PointsNotFinite, NotFinite.FirstStrandNotFinite);
			}
		};
	}

	namespace
	{
		// A share of a turn, as a matrix: the way from no turn to the whole, normalised (cheaper than an
		// angle's sine and cosine per segment, and as smooth).
		struct FTurnMatrix
		{
			double XX, XY, XZ, YX, YY, YZ, ZX, ZY, ZZ;

			FVector Rotate(const FVector& D) const
			{
				return FVector(XX * D.X + XY * D.Y + XZ * D.Z, YX * D.X + YY * D.Y + YZ * D.Z, ZX * D.X + ZY * D.Y + ZZ * D.Z);
			}
		};

		FTurnMatrix ShareOfTurn(const FQuat& Q, double Share)
		{
			double X = Share * Q.X, Y = Share * Q.Y, Z = Share * Q.Z, W = (1.0 - Share) + Share * Q.W;
			const double Scale = 1.0 / std::sqrt(X * X + Y * Y + Z * Z + W * W);
			X *= Scale;
			Y *= Scale;
			Z *= Scale;
			W *= Scale;
			return FTurnMatrix{1.0 - 2.0 * (Y * Y + Z * Z), 2.0 * (X * Y - Z * W), 2.0 * (X * Z + Y * W), 2.0 * (X * Y + Z * W), 1.0 - 2.0 * (X * X + Z * Z),
			                   2.0 * (Y * Z - X * W), 2.0 * (X * Z - Y * W), 2.0 * (Y * Z + X * W), 1.0 - 2.0 * (X * X + Y * Y)};
		}
	}

	namespace
	{
		// Lays the point after From at Length from it, outside the mesh: towards where the resolve put the
		// point (when it could), else turned from Candidate's way towards the outside at From a third at a
		// time, else on along LastWay. False when none of these is outside.
		bool PlaceOutside(const FMeshQuery& Query, const FVector& From, double Length, const FVector& Candidate, const FVector* Resolved, const FVector& LastWay,
		                  FVector& OutPoint)
		{
			const auto Try = [&](const FVector& Way)
			{
				const FVector Unit = Way.GetSafeNormal(0.0);
				if (Unit.IsZero())
				{
					return false;
				}
				const FVector Placed = From + Unit * Length;
				if (Query.IsInside(Placed))
				{
					return false;
				}
				OutPoint = Placed;
				return true;
			};
			if (!(Length > 0.0))
			{
				OutPoint = From;
				return !Query.IsInside(From);
			}
			const FVector Way = (Candidate - From) / Length;
			if (Resolved)
			{
				// Towards the resolved point, then turned on past it as far again and twice as far: a point just
				// inside mostly needs no more, and no search of the surface.
				const FVector Out = (*Resolved - From).GetSafeNormal(0.0);
				if (Try(Out) || (!Out.IsZero() && (Try(Out * 2.0 - Way) || Try(Out * 3.0 - Way * 2.0))))
				{
					return true;
				}
			}
			// The surface is no further from From than Candidate, which is inside while From is not: the search
			// need not look beyond.
			FVector Nearest, Normal;
			if (Query.NearestPoint(From, Nearest, Normal, Length * (1.0 + 1e-9) + 1e-12))
			{
				for (const double Share : {1.0 / 3.0, 2.0 / 3.0, 1.0})
				{
					if (Try(Way * (1.0 - Share) + Normal * Share))
					{
						return true;
					}
				}
			}
			return Try(LastWay);
		}

		// Brings a strand's points out of the mesh root to tip, from FirstChecked on. Inside holds whether
		// each was found inside and gets whether it still is. A point after another is brought out at its
		// segment's length from it, and the segments beyond turn with that segment, so the rest of the strand
		// keeps its shape (and folds back on nothing); they are tested again where they land.
		void FollowOutOfMesh(GroomData& Groom, const FMeshQuery& Query, const FVector& ActorLocation, double Offset, int32 Root, int32 FirstChecked, int32 Count,
		                     int32 Hint, uint8* Inside, FStrandCounts& Counts, bool& bFinite)
		{
			// The point before as it was and where it is now; none before the root or after a point that is
			// not finite.
			bool bHasLast = FirstChecked > Root;
			FVector LastOld = bHasLast ? ActorLocation + ReadTriple(Groom.positions, FirstChecked - 1) : FVector::ZeroVector;
			FVector LastNew = LastOld;
			FVector LastWay = FVector::ZeroVector;
			// Until a point moves, the points are where the inside flags found them.
			bool bMoved = false;
			FQuat Turn = FQuat::Identity;
			for (int32 Point = FirstChecked; Point < Root + Count; ++Point)
			{
				uint8& bInside = Inside[Point - FirstChecked];
				const FVector Old = ActorLocation + ReadTriple(Groom.positions, Point);
				if (!IsFinitePoint(Old))
				{
					bInside = 0;
					bHasLast = false;
					bMoved = false;
					Turn = FQuat::Identity;
					continue;
				}
				FVector New = Old;
				bool bStillInside = bInside != 0;
				if (bMoved)
				{
					New = LastNew + Turn.RotateVector(Old - LastOld);
					bStillInside = Query.IsInside(New);
				}
				if (bStillInside)
				{
					FVector Resolved;
					EResolveResult Result = Query.ResolveInsidePoint(New, Offset, Resolved, &Hint);
					if (!bHasLast)
					{
						if (Result == EResolveResult::Resolved)
						{
							New = Resolved;
							bStillInside = false;
						}
					}
					else
					{
						FVector Placed;
						if (PlaceOutside(Query, LastNew, (Old - LastOld).Size(), New, Result == EResolveResult::Resolved ? &Resolved : nullptr, LastWay, Placed))
						{
							const FVector Was = (New - LastNew).GetSafeNormal(0.0);
							const FVector Is = (Placed - LastNew).GetSafeNormal(0.0);
							if (!Was.IsZero() && !Is.IsZero())
							{
								Turn = FQuat::FindBetweenNormals(Was, Is) * Turn;
							}
							New = Placed;
							bStillInside = false;
						}
						else if (!IsUnresolved(Result))
						{
							Result = EResolveResult::UnresolvedSegmentLength;
						}
					}
					if (bStillInside)
					{
						++Counts.PointsUnresolved;
						++Counts.UnresolvedBy[static_cast<size_t>(Result)];
					}
					else
					{
						++Counts.PointsResolved;
					}
				}
				bInside = bStillInside ? 1 : 0;
				if (New != Old)
				{
					bFinite &= WriteTriple(Groom.positions, Point, New - ActorLocation);
					bMoved = true;
				}
				if (bHasLast)
				{
					LastWay = (New - LastNew).GetSafeNormal(0.0);
				}
				LastOld = Old;
				LastNew = New;
				bHasLast = true;
			}
		}

		// How far a strand's root-to-tip direction turned, in degrees; NaN where either has none.
		double ChordTurn(const FVector& Was, const FVector& Is)
		{
			if (!IsFinitePoint(Was) || !IsFinitePoint(Is) || Was.IsZero() || Is.IsZero())
			{
				return std::numeric_limits<double>::quiet_NaN();
			}
			// From the sine and the cosine both: exact for small turns, where the cosine alone is not.
			return FMath::RadiansToDegrees(std::atan2((Was ^ Is).Size(), Was | Is));
		}

		// Lifts a strand whose root lies on the surface out of the mesh by turning it about its root, the
		// smallest turn that leaves no point inside: a hair brought out pivots at its follicle and keeps its
		// style, where pushing each point out on its own wraps the strand round the head, each push turning
		// all the points beyond. Every segment keeps its length, as only their directions turn. Two ways are
		// tried, the strand turned whole, and the turn full at the root and fading out past its last point
		// inside (the run beyond keeping its direction), and the one that turns the root-to-tip direction
		// less kept. Inside holds whether each point from Root + 1 on is inside. OutLaid gets the strand's
		// points so laid and OutTurn how far its root-to-tip direction turned; false, when no turn takes every
		// point out.
		bool LiftOutOfMesh(const GroomData& Groom, const FMeshQuery& Query, const FVector& ActorLocation, FVector RootNormal, double Offset, int32 Root, int32 Count,
		                   const uint8* Inside, bool bOtherWays, std::vector<FVector>& OutLaid, double& OutTurn)
		{
			thread_local std::vector<FVector> Points, Placed;
			thread_local std::vector<double> Along;
			thread_local std::vector<float> Stored;
			thread_local std::vector<uint8> Found;
			Points.resize(static_cast<size_t>(Count));
			Along.resize(static_cast<size_t>(Count));
			FVector InsideSum = FVector::ZeroVector;
			int32 NumInside = 0;
			int32 FirstInside = 0;
			int32 LastInside = 0;
			for (int32 Index = 0; Index < Count; ++Index)
			{
				Points[static_cast<size_t>(Index)] = ReadTriple(Groom.positions, Root + Index);
				if (!IsFinitePoint(Points[static_cast<size_t>(Index)]))
				{
					return false;
				}
				Along[static_cast<size_t>(Index)] = Index == 0 ? 0.0 : Along[static_cast<size_t>(Index - 1)] + (Points[static_cast<size_t>(Index)] - Points[static_cast<size_t>(Index - 1)]).Size();
				if (Index > 0 && Inside[Index - 1])
				{
					InsideSum += Points[static_cast<size_t>(Index)] - Points[0];
					++NumInside;
					FirstInside = FirstInside > 0 ? FirstInside : Index;
					LastInside = Index;
				}
			}
			if (NumInside == 0)
			{
				return false;
			}
			const FVector RootPoint = ActorLocation + Points[0];
			if (RootNormal.IsZero())
			{
				FVector Nearest;
				Query.NearestPoint(RootPoint, Nearest, RootNormal);
				if (RootNormal.IsZero())
				{
					return false;
				}
			}
			// The turn that swings the points inside towards the surface's normal at the root, or failing that
			// (a strand grown straight in), the whole strand, or any way off the normal.
			const FVector Chord = Points.back() - Points[0];
			FVector Axis = (InsideSum ^ RootNormal).GetSafeNormal(1e-12);
			const FVector ChordAxis = (Chord ^ RootNormal).GetSafeNormal(1e-12);
			if (Axis.IsZero())
			{
				Axis = ChordAxis;
			}
			if (Axis.IsZero())
			{
				Axis = (FMath::Abs(RootNormal.X) < 0.9 ? FVector(1, 0, 0) : FVector(0, 1, 0)) ^ RootNormal;
				Axis = Axis.GetSafeNormal();
			}
			const double Length = Along.back();

			// How the turn is shared along the strand: whole; full at the root and fading out by Falloff; or none
			// at the root, growing from BendFrom to whole at BendTo (the strand bent where it meets the surface).
			struct FShape
			{
				double Falloff = 0.0;
				double BendFrom = 0.0;
				double BendTo = 0.0;

				bool IsWhole() const
				{
					return !(Falloff > 0.0) && !(BendTo > 0.0);
				}

				double ShareAt(double FromRoot) const
				{
					const double Out = Falloff > 0.0 ? OrientWeight(FromRoot, Falloff) : 1.0;
					return BendTo > 0.0 ? Out * (1.0 - OrientWeight(FromRoot - BendFrom, BendTo - BendFrom)) : Out;
				}
			};
			// The strand turned by Angle about the root, each segment by its share of the turn.
			const auto Lay = [&](double Angle, const FShape& Shape)
			{
				const FQuat Q(Axis, Angle);
				const FTurnMatrix Full = ShareOfTurn(Q, 1.0);
				Placed.resize(static_cast<size_t>(Count));
				Placed[0] = Points[0];
				for (int32 Index = 1; Index < Count; ++Index)
				{
					const FVector D = Points[static_cast<size_t>(Index)] - Points[static_cast<size_t>(Index - 1)];
					const FTurnMatrix Turn = Shape.IsWhole() ? Full : ShareOfTurn(Q, Shape.ShareAt(Along[static_cast<size_t>(Index - 1)]));
					Placed[static_cast<size_t>(Index)] = Placed[static_cast<size_t>(Index - 1)] + Turn.Rotate(D);
				}
			};
			// The search watches the points found inside, a few, and tests the whole strand only at the angle
			// they give; a point that turning takes in is watched from then on.
			thread_local std::vector<int32> Watched;
			Watched.clear();
			for (int32 Index = 1; Index < Count; ++Index)
			{
				if (Inside[Index - 1])
				{
					// The first point inside and the last: nearest the root, the first needs the steepest turn
					// for its depth, and the last swings furthest.
					if (Watched.size() == 2)
					{
						Watched.back() = Index;
					}
					else
					{
						Watched.push_back(Index);
					}
				}
			}
			// Whether the watched points, or all past the root, are out as laid, stored as the groom stores them.
			const auto Clear = [&](bool bAll)
			{
				Stored.clear();
				const auto Store = [&](int32 Index)
				{
					const FVector& P = Placed[static_cast<size_t>(Index)];
					Stored.insert(Stored.end(), {static_cast<float>(P.X), static_cast<float>(P.Y), static_cast<float>(P.Z)});
				};
				if (!bAll)
				{
					for (const int32 Index : Watched)
					{
						Store(Index);
					}
					Found.resize(Watched.size());
					return Query.FindInside(Stored.data(), static_cast<int32>(Watched.size()), ActorLocation, Found.data()) == 0;
				}
				for (int32 Index = 1; Index < Count; ++Index)
				{
					Store(Index);
				}
				Found.resize(static_cast<size_t>(Count));
				if (Query.FindInside(Stored.data(), Count - 1, ActorLocation, Found.data()) == 0)
				{
					return true;
				}
				for (int32 Index = 1; Index < Count; ++Index)
				{
					if (Found[static_cast<size_t>(Index - 1)] && std::find(Watched.begin(), Watched.end(), Index) == Watched.end())
					{
						Watched.push_back(Index);
					}
				}
				return false;
			};
			// The smallest angle that clears, found coarse to fine; a negative angle where none does.
			const auto SmallestClearing = [&](const FShape& Shape)
			{
				static constexpr double Steps[] = {2.0, 5.0, 10.0, 20.0, 35.0, 50.0, 65.0, 80.0, 100.0, 120.0, 150.0, 180.0};
				double Low = 0.0;
				// Each round watches more points; a strand turning into the mesh elsewhere takes a few.
				for (int32 Round = 0; Round < 4; ++Round)
				{
					double High = -1.0;
					for (const double Step : Steps)
					{
						const double Angle = FMath::DegreesToRadians(Step);
						if (Angle <= Low)
						{
							continue;
						}
						Lay(Angle, Shape);
						if (Clear(false))
						{
							High = Angle;
							break;
						}
						Low = Angle;
					}
					if (High < 0.0)
					{
						return High;
					}
					// To three quarters of a degree, about the stand-off added below on a strand of usual length: each
					// step tests points at the surface, where the inside test is at its dearest.
					while (High - Low > FMath::DegreesToRadians(0.75))
					{
						const double Middle = 0.5 * (Low + High);
						Lay(Middle, Shape);
						(Clear(false) ? High : Low) = Middle;
					}
					// A little further, so the points brought out stand off the surface rather than graze it.
					const double Margin = FMath::Min(Offset / FMath::Max(Length, 1e-9), 0.5 * (High - Low) + FMath::DegreesToRadians(2.0));
					Lay(High + Margin, Shape);
					if (Clear(true))
					{
						return High + Margin;
					}
					Lay(High, Shape);
					if (Clear(true))
					{
						return High;
					}
					Low = High;
				}
				return -1.0;
			};

			constexpr double SmallLift = 10.0;
			double BestTurn = std::numeric_limits<double>::infinity();
			bool bFound = false;
			// The strand turned whole; fading out past its last point inside (where that is short of the tip: else
			// all but the whole turn); and, where it leaves the root outside, bent over the segments before its
			// first point inside, the run from the root keeping its way.
			std::vector<FShape> Shapes(1);
			const double FadeOut = 1.5 * Along[static_cast<size_t>(LastInside)];
			if (FadeOut < Length)
			{
				Shapes.push_back(FShape{FadeOut, 0.0, 0.0});
			}
			if (FirstInside >= 2)
			{
				Shapes.push_back(FShape{0.0, Along[static_cast<size_t>(FMath::Max(0, FirstInside - 3))], Along[static_cast<size_t>(FirstInside - 1)]});
			}
			// Swung towards the normal, or with bOtherWays (where that cleared nothing: a thin part of the mesh
			// in the way) the other ways round: back, and with or against the strand's own root-to-tip direction.
			const FVector Axes[] = {Axis, -Axis, ChordAxis, -ChordAxis};
			for (int32 Way = bOtherWays ? 1 : 0; Way < (bOtherWays ? 4 : 1) && !bFound; ++Way)
			{
				if (Axes[Way].IsZero())
				{
					continue;
				}
				Axis = Axes[Way];
				for (const FShape& Shape : Shapes)
				{
					// A small turn of the whole strand is kept as it is: bending would change little.
					if (!Shape.IsWhole() && bFound && BestTurn <= SmallLift)
					{
						break;
					}
					const double Angle = SmallestClearing(Shape);
					if (Angle >= 0.0)
					{
						Lay(Angle, Shape);
						const double Turn = ChordTurn(Chord, Placed.back() - Placed[0]);
						if (!bFound || Turn < BestTurn)
						{
							OutLaid = Placed;
							BestTurn = Turn;
							bFound = true;
						}
					}
				}
			}
			OutTurn = BestTurn;
			return bFound;
		}

		// The counts of a point-by-point resolve tried aside, once it is kept.
		void AddResolveCounts(const FStrandCounts& From, FStrandCounts& To)
		{
			To.PointsResolved += From.PointsResolved;
			To.PointsUnresolved += From.PointsUnresolved;
			for (size_t Reason = 0; Reason < std::size(From.UnresolvedBy); ++Reason)
			{
				To.UnresolvedBy[Reason] += From.UnresolvedBy[Reason];
			}
		}

		// Brings a strand's points out of the mesh, as FollowOutOfMesh, but a strand rooted on the surface
		// (bRooted) is lifted about its root first. Where that turns it far, or cannot clear it, the strand is
		// also brought out point by point, which can bend it round the head for less, and the way that leaves
		// fewer points inside, then turns the strand less, is kept; where neither clears it, the other ways of
		// turning it are tried.
		void BringOutOfMesh(GroomData& Groom, const FMeshQuery& Query, const FVector& ActorLocation, double Offset, int32 Root, int32 FirstChecked, int32 Count,
		                    int32 Hint, bool bRooted, const FVector& RootNormal, uint8* Inside, FStrandCounts& Counts, bool& bFinite)
		{
			// A turn the report would not count against the strand.
			constexpr double SmallTurn = 30.0;
			thread_local std::vector<FVector> Lifted;
			double LiftTurn = 0.0;
			bool bLifted = bRooted && LiftOutOfMesh(Groom, Query, ActorLocation, RootNormal, Offset, Root, Count, Inside, false, Lifted, LiftTurn);
			const auto KeepLifted = [&]()
			{
				for (int32 Index = 1; Index < Count; ++Index)
				{
					bFinite &= WriteTriple(Groom.positions, Root + Index, Lifted[static_cast<size_t>(Index)]);
					Counts.PointsResolved += Inside[Index - 1];
					Inside[Index - 1] = 0;
				}
			};
			if (bLifted && !(LiftTurn > SmallTurn))
			{
				KeepLifted();
				return;
			}
			if (!bRooted)
			{
				FollowOutOfMesh(Groom, Query, ActorLocation, Offset, Root, FirstChecked, Count, Hint, Inside, Counts, bFinite);
				return;
			}
			// Point by point too, the points as they were kept aside.
			const size_t First = 3 * static_cast<size_t>(Root);
			const size_t NumFlags = static_cast<size_t>(Root + Count - FirstChecked);
			thread_local std::vector<float> Before, Followed;
			thread_local std::vector<uint8> InsideBefore, InsideFollowed;
			Before.assign(Groom.positions.begin() + First, Groom.positions.begin() + First + 3 * static_cast<size_t>(Count));
			InsideBefore.assign(Inside, Inside + NumFlags);
			const auto Restore = [&](const std::vector<float>& Points, const std::vector<uint8>& Flags)
			{
				std::copy(Points.begin(), Points.end(), Groom.positions.begin() + static_cast<std::ptrdiff_t>(First));
				std::copy(Flags.begin(), Flags.end(), Inside);
			};
			FStrandCounts Following;
			bool bFollowedFinite = true;
			FollowOutOfMesh(Groom, Query, ActorLocation, Offset, Root, FirstChecked, Count, Hint, Inside, Following, bFollowedFinite);
			if (!bLifted && Following.PointsUnresolved > 0)
			{
				Followed.assign(Groom.positions.begin() + First, Groom.positions.begin() + First + 3 * static_cast<size_t>(Count));
				InsideFollowed.assign(Inside, Inside + NumFlags);
				Restore(Before, InsideBefore);
				bLifted = LiftOutOfMesh(Groom, Query, ActorLocation, RootNormal, Offset, Root, Count, Inside, true, Lifted, LiftTurn);
				if (bLifted)
				{
					KeepLifted();
					return;
				}
				Restore(Followed, InsideFollowed);
			}
			if (!bLifted)
			{
				bFinite &= bFollowedFinite;
				AddResolveCounts(Following, Counts);
				return;
			}
			const FVector Was(Before[Before.size() - 3] - Before[0], Before[Before.size() - 2] - Before[1], Before[Before.size() - 1] - Before[2]);
			const double FollowTurn = ChordTurn(Was, ReadTriple(Groom.positions, Root + Count - 1) - ReadTriple(Groom.positions, Root));
			if (Following.PointsUnresolved == 0 && bFollowedFinite && FollowTurn < LiftTurn)
			{
				AddResolveCounts(Following, Counts);
				return;
			}
			Restore(Before, InsideBefore);
			KeepLifted();
		}

		// Compares a strand with its points as the plain fit leaves them (Plain, up to one move for all):
		// the turn of its root-to-tip direction in degrees, NaN where either has no direction, and its
		// segments' change of length into Counts.
		double MeasureShape(const GroomData& Groom, int32 Root, int32 Count, const std::vector<FVector>& Plain, FStrandCounts& Counts)
		{
			if (Count < 2)
			{
				return std::numeric_limits<double>::quiet_NaN();
			}
			// Squared lengths' ratios, each segment's change worked out only for the strand's extremes.
			FVector Last = ReadTriple(Groom.positions, Root);
			double Least = 1.0, Most = 1.0;
			for (int32 Index = 1; Index < Count; ++Index)
			{
				const FVector Now = ReadTriple(Groom.positions, Root + Index);
				const double Before = (Plain[static_cast<size_t>(Index)] - Plain[static_cast<size_t>(Index - 1)]).SizeSquared();
				if (std::isfinite(Before) && Before > 0.0)
				{
					const double Ratio = (Now - Last).SizeSquared() / Before;
					if (std::isfinite(Ratio))
					{
						Least = FMath::Min(Least, Ratio);
						Most = FMath::Max(Most, Ratio);
						// Longer than 1.01 times, or shorter than 0.99 times, the length.
						Counts.SegmentsChangedOver1Percent += Ratio > 1.0201 || Ratio < 0.9801 ? 1 : 0;
					}
				}
				Last = Now;
			}
			Counts.SegmentChangeMax = FMath::Max(Counts.SegmentChangeMax, FMath::Max(std::sqrt(Most) - 1.0, 1.0 - std::sqrt(Least)));
			const double Turn = ChordTurn(Plain[static_cast<size_t>(Count - 1)] - Plain[0], Last - ReadTriple(Groom.positions, Root));
			Counts.StrandsTurnedOver30 += Turn > 30.0 ? 1 : 0;
			Counts.StrandsTurnedOver60 += Turn > 60.0 ? 1 : 0;
			return Turn;
		}

		// The value below which Share of the values lie (the lower one, so it is always a value); 0 for none.
		double Quantile(std::vector<double> Values, double Share)
		{
			DropNaN(Values);
			if (Values.empty())
			{
				return 0.0;
			}
			const size_t Rank = FMath::Min(Values.size(), static_cast<size_t>(FMath::Max(1.0, std::ceil(Share * static_cast<double>(Values.size()))))) - 1;
			std::nth_element(Values.begin(), Values.begin() + static_cast<std::ptrdiff_t>(Rank), Values.end());
			return Values[Rank];
		}
	}

	namespace
	{
		// The shape figures of Report from each strand's turn (NaN where none was measured) and the counts.
		void FillShapeFigures(const std::vector<double>& Turns, const FStrandCounts& Totals, FFitReport& Report)
		{
			Report.bShapeMeasured = true;
			Report.TurnP99 = Quantile(Turns, 0.99);
			Report.TurnedStrands.Reset();
			for (size_t Curve = 0; Curve < Turns.size(); ++Curve)
			{
				if (Turns[Curve] > 30.0)
				{
					Report.TurnedStrands.Add(static_cast<int32>(Curve));
				}
			}
			const FDistanceSummary Turn = Summarise(Turns);
			Report.StrandsShaped = Turn.Count;
			Report.TurnMedian = Turn.Median;
			Report.TurnMax = Turn.Max;
			Report.StrandsTurnedOver30 = Totals.StrandsTurnedOver30;
			Report.StrandsTurnedOver60 = Totals.StrandsTurnedOver60;
			Report.SegmentChangeMax = Totals.SegmentChangeMax;
			Report.SegmentsChangedOver1Percent = Totals.SegmentsChangedOver1Percent;
		}
	}

	std::string TextToUtf8(const FString& Text)
	{
		const FTCHARToUTF8 Converted(*Text);
		return std::string(Converted.Get(), Converted.Length());
	}

	FString Utf8ToText(const std::string& Utf8)
	{
		return FString(UTF8_TO_TCHAR(Utf8.c_str()));
	}

	int32 DebugLineDraw(int32 RandomValue)
	{
		const float Fraction = static_cast<float>(RandomValue & 0x7FFF) / 32767.0f;
		return FMath::Min(static_cast<int32>(Fraction * 101.0f), 100);
	}

	FVector Normalize(const FVector& V)
	{
		const double SquareSum = V.X * V.X + V.Y * V.Y + V.Z * V.Z;
		if (SquareSum > static_cast<double>(1e-8f))
		{
			const double Scale = 1.0 / FMath::Sqrt(SquareSum);
			return FVector(V.X * Scale, V.Y * Scale, V.Z * Scale);
		}
		return V;
	}

	void SurfaceNormalSegment(const GroomData& Groom, int32 CurveIndex, int32 RootIndex, const FVector& Origin, FVector& OutStart, FVector& OutEnd)
	{
		const FVector Normal = Normalize(ReadTriple(Groom.surfaceNormals, CurveIndex));
		const FVector Placed = Origin + ReadTriple(Groom.positions, RootIndex);
		OutStart = Placed - (Normal * SurfaceNormalReach);
		OutEnd = Placed + (Normal * SurfaceNormalReach);
	}

	void SphericalSegment(const GroomData& Groom, int32 RootIndex, const FVector& Origin, FVector& OutStart, FVector& OutEnd)
	{
		const FVector Direction = Normalize(ReadTriple(Groom.positions, RootIndex));
		OutStart = Origin;
		OutEnd = Origin + (Direction * 20.0);
	}

	bool MoveStrand(GroomData& Groom, int32 RootIndex, int32 PointCount, const FVector& Hit, const FVector& ActorLocation, int32* OutKeptNotFinite)
	{
		const FVector Delta = ReadTriple(Groom.positions, RootIndex) - (Hit - ActorLocation);
		const FVector Offset = Delta * -1.0;
		float* Values = Groom.positions.data() + 3 * static_cast<size_t>(RootIndex);
		float* const End = Values + 3 * static_cast<size_t>(PointCount);
		uint32 Became = 0;
		int32 Kept = 0;
		for (; Values < End; Values += 3)
		{
			const uint32 Before = NotFiniteBits(Values[0]) | NotFiniteBits(Values[1]) | NotFiniteBits(Values[2]);
			Values[0] = static_cast<float>(static_cast<double>(Values[0]) + Offset.X);
			Values[1] = static_cast<float>(static_cast<double>(Values[1]) + Offset.Y);
			Values[2] = static_cast<float>(static_cast<double>(Values[2]) + Offset.Z);
			Became |= (NotFiniteBits(Values[0]) | NotFiniteBits(Values[1]) | NotFiniteBits(Values[2])) & ~Before;
			Kept += static_cast<int32>(Before);
		}
		if (OutKeptNotFinite)
		{
			*OutKeptNotFinite = Kept;
		}
		return Became == 0;
	}

	double OrientWeight(double Along, double Falloff)
	{
		if (!(Falloff > 0.0))
		{
			return 1.0;
		}
		const double T = FMath::Clamp(Along / Falloff, 0.0, 1.0);
		// Smooth at both ends, so the strand bends without a kink where the turn starts or ends.
		return 1.0 - T * T * (3.0 - 2.0 * T);
	}

	bool MoveAndOrientStrand(GroomData& Groom, int32 RootIndex, int32 PointCount, const FVector& Hit, const FVector& ActorLocation, const FVector& GroomNormal,
	                         const FVector& SurfaceNormal, int32* OutKeptNotFinite, double Falloff)
	{
		if (OutKeptNotFinite)
		{
			*OutKeptNotFinite = 0;
		}
		if (PointCount <= 0)
		{
			return true;
		}
		// The turn, and a share of it for each segment.
		const FQuat Q = FQuat::FindBetweenNormals(GroomNormal, SurfaceNormal);
		const FTurnMatrix Full = ShareOfTurn(Q, 1.0);
		// The root lands where MoveStrand puts it; each other point follows the last finite point before it,
		// its segment from there turned by its share of the turn.
		float* Values = Groom.positions.data() + 3 * static_cast<size_t>(RootIndex);
		const uint32 RootBefore = NotFiniteBits(Values[0]) | NotFiniteBits(Values[1]) | NotFiniteBits(Values[2]);
		const FVector OldRoot(Values[0], Values[1], Values[2]);
		const FVector Offset = (Hit - ActorLocation) - OldRoot;
		FVector NewRoot(OldRoot.X + Offset.X, OldRoot.Y + Offset.Y, OldRoot.Z + Offset.Z);
		Values[0] = static_cast<float>(NewRoot.X);
		Values[1] = static_cast<float>(NewRoot.Y);
		Values[2] = static_cast<float>(NewRoot.Z);
		// A point that was not finite stays so; the turn must not make one of the others so.
		uint32 Became = (NotFiniteBits(Values[0]) | NotFiniteBits(Values[1]) | NotFiniteBits(Values[2])) & ~RootBefore;
		int32 Kept = static_cast<int32>(RootBefore);
		// Rigid, each point turned about the root as stored; with a falloff, laid on from the point before.
		FVector LastOld = OldRoot;
		FVector LastNew = Falloff > 0.0 ? NewRoot : FVector(Values[0], Values[1], Values[2]);
		double Along = 0.0;
		// Past the falloff the segments keep their direction: the rest of the strand only moves, by Tail.
		bool bPastFalloff = false;
		FVector Tail = FVector::ZeroVector;
		float* const End = Values + 3 * static_cast<size_t>(PointCount);
		for (Values += 3; Values < End; Values += 3)
		{
			const uint32 Before = NotFiniteBits(Values[0]) | NotFiniteBits(Values[1]) | NotFiniteBits(Values[2]);
			const FVector Old(Values[0], Values[1], Values[2]);
			const FVector D = Old - LastOld;
			FVector New = Old + Tail;
			if (!bPastFalloff)
			{
				const FTurnMatrix Turn = Falloff > 0.0 ? ShareOfTurn(Q, OrientWeight(Along, Falloff)) : Full;
				New = FVector(LastNew.X + (Turn.XX * D.X + Turn.XY * D.Y + Turn.XZ * D.Z), LastNew.Y + (Turn.YX * D.X + Turn.YY * D.Y + Turn.YZ * D.Z),
				              LastNew.Z + (Turn.ZX * D.X + Turn.ZY * D.Y + Turn.ZZ * D.Z));
			}
			Values[0] = static_cast<float>(New.X);
			Values[1] = static_cast<float>(New.Y);
			Values[2] = static_cast<float>(New.Z);
			Became |= (NotFiniteBits(Values[0]) | NotFiniteBits(Values[1]) | NotFiniteBits(Values[2])) & ~(Before | RootBefore);
			Kept += static_cast<int32>(Before);
			if (Falloff > 0.0 && Before == 0 && RootBefore == 0 && !bPastFalloff)
			{
				Along += D.Size();
				LastOld = Old;
				LastNew = New;
				bPastFalloff = Along >= Falloff;
				Tail = New - Old;
			}
		}
		if (OutKeptNotFinite)
		{
			*OutKeptNotFinite = Kept;
		}
		return Became == 0;
	}

	std::shared_ptr<const FMeshQuery> GetMeshQuery(const UStaticMeshComponent* TheComp, FString& OutError)
	{
		if (!TheComp)
		{
			OutError = TEXT("there is no mesh component");
			return nullptr;
		}
		UStaticMesh* Mesh = TheComp->GetStaticMesh();
		if (!Mesh)
		{
			OutError = TEXT("the component has no static mesh");
			return nullptr;
		}
		// The triangles a complex trace hits, in the order a hit's face index counts them. The engine checks
		// that the mesh has render data before it gives them (a mesh emptied or never built has none), so it
		// is asked whether it has any first, as its own cooker asks.
		FTriMeshCollisionData Collision;
		if (!Mesh->ContainsPhysicsTriMeshData(false) || !Mesh->GetPhysicsTriMeshData(&Collision, false) || Collision.Indices.Num() == 0)
		{
			OutError = FString::Printf(TEXT("the static mesh %s has no triangles"), *Mesh->GetName());
			return nullptr;
		}
		const FTransform& ToWorld = TheComp->GetComponentTransform();
		TArray<FVector> Vertices;
		Vertices.SetNumUninitialized(Collision.Vertices.Num());
		constexpr int32 VertexBatch = 16384;
		ParallelFor(FMath::DivideAndRoundUp(Collision.Vertices.Num(), VertexBatch),
		            [&](int32 Batch)
		            {
			            for (int32 Vertex = Batch * VertexBatch; Vertex < FMath::Min(Collision.Vertices.Num(), (Batch + 1) * VertexBatch); ++Vertex)
			            {
				            Vertices[Vertex] = ToWorld.TransformPosition(FVector(Collision.Vertices[Vertex]));
			            }
		            });
		TArray<int32> Indices;
		Indices.SetNumUninitialized(3 * Collision.Indices.Num());
		int32* Corner = Indices.GetData();
		for (const FTriIndices& Triangle : Collision.Indices)
		{
			*Corner++ = Triangle.v0;
			*Corner++ = Triangle.v1;
			*Corner++ = Triangle.v2;
		}
		const uint64 Fingerprint = MixArray(MixArray(0, Vertices.GetData(), Vertices.Num()), Indices.GetData(), Indices.Num());

		const std::lock_guard<std::mutex> Lock(MeshQueryCacheLock);
		for (size_t Entry = 0; Entry < MeshQueryCache.size(); ++Entry)
		{
			if (MeshQueryCache[Entry].Fingerprint == Fingerprint)
			{
				std::rotate(MeshQueryCache.begin(), MeshQueryCache.begin() + static_cast<std::ptrdiff_t>(Entry), MeshQueryCache.begin() + static_cast<std::ptrdiff_t>(Entry) + 1);
				return MeshQueryCache.front().Query;
			}
		}
		std::shared_ptr<const FMeshQuery> Query = FMeshQuery::Build(MoveTemp(Vertices), MoveTemp(Indices), OutError);
		if (!Query)
		{
			OutError = FString::Printf(TEXT("%s: %s"), *Mesh->GetName(), *OutError);
			return nullptr;
		}
		MeshQueryCache.insert(MeshQueryCache.begin(), FCachedMeshQuery{Fingerprint, Query});
		if (MeshQueryCache.size() > MeshQueryCacheSize)
		{
			MeshQueryCache.pop_back();
		}
		return Query;
	}

	bool FitRecord(GroomData& Groom, UStaticMeshComponent* TheComp, const FVector& Origin, const FVector& ActorLocation, const FFitOptions& Options,
	               const FMeshQuery* Query, FFitReport* OutReport, bool bMeasure)
	{
		// The walk reads every root and writes every point the counts cover, so they must fit the points.
		FString Error;
		const int64 NumCovered = CoveredPoints(Groom, Error);
		if (NumCovered < 0)
		{
			LogFitFailure(OutReport, FString::Printf(TEXT("FitGroomToStaticMesh: %s; the groom was not fitted or written"), *Error));
			return false;
		}
		if (NumCovered > std::numeric_limits<int32>::max() || Groom.vertexCounts.size() > static_cast<size_t>(std::numeric_limits<int32>::max()))
		{
			LogFitFailure(OutReport, FString::Printf(TEXT("FitGroomToStaticMesh: the groom holds %lld points, more than a fit can index; the groom was not fitted or written"),
			                                         static_cast<long long>(NumCovered)));
			return false;
		}
		if (Options.bResolvePenetration && !(std::isfinite(Options.PenetrationOffset) && Options.PenetrationOffset >= 0.0))
		{
			LogFitFailure(OutReport, FString::Printf(TEXT("FitGroomToStaticMesh: the penetration offset %f is not a finite distance; the groom was not fitted or written"),
			                                         Options.PenetrationOffset));
			return false;
		}
		if (Options.bOrientToSurface && !(std::isfinite(Options.OrientFalloff) && Options.OrientFalloff >= 0.0))
		{
			LogFitFailure(OutReport, FString::Printf(TEXT("FitGroomToStaticMesh: the orientation falloff %f is not a finite length; the groom was not fitted or written"),
			                                         Options.OrientFalloff));
			return false;
		}
		// The repairs and the report need the mesh's surface, made once for the whole walk.
		std::shared_ptr<const FMeshQuery> OwnQuery;
		if ((Options.AnyRepair() || (bMeasure && OutReport)) && !Query)
		{
			OwnQuery = GetMeshQuery(TheComp, Error);
			if (!OwnQuery && Options.AnyRepair())
			{
				LogFitFailure(OutReport, FString::Printf(TEXT("FitGroomToStaticMesh: the fit cannot be repaired (%s); the groom was not fitted or written"), *Error));
				return false;
			}
			Query = OwnQuery.get();
		}
		// Measured in the same pass as the fit, where the repairs have looked at the points already.
		const bool bMeasureHere = bMeasure && OutReport && Query;
		if (Options.bResolvePenetration && Options.PenetrationOffset > Query->GetBounds().GetSize().Size())
		{
			LogFitFailure(OutReport, FString::Printf(TEXT("FitGroomToStaticMesh: the penetration offset %g is larger than the mesh, which is %g across; the groom was not fitted or written"),
			                                         Options.PenetrationOffset, Query->GetBounds().GetSize().Size()));
			return false;
		}
		if (Options.AnyRepair())
		{
			LogMeshRepairs(TheComp, *Query);
		}

		const bool bSurfaceNormal = Groom.surfaceNormals.size() / 3 == Groom.vertexCounts.size();
		if (bSurfaceNormal)
		{
			UE_LOG(LogTemp, Error, TEXT("Using surface normal projection to fit groom"));
		}
		else
		{
			UE_LOG(LogTemp, Error, TEXT("Using shperical projection to fit groom"));
		}

		const int32 NumCurves = static_cast<int32>(Groom.vertexCounts.size());
		if (NumCurves > 0)
		{
			WarnIfTracesCannotHit(TheComp);
		}
		const std::vector<int64> First = FirstPoints(Groom);
		FCollisionQueryParams Params(FitTraceTag(), true, nullptr);
		// The hit triangle's normal is what the strands turn to, and where the search for a way out starts.
		Params.bReturnFaceIndex = Options.bOrientToSurface || Options.bResolvePenetration;

		struct FStrandTrace
		{
			FVector Start = FVector::ZeroVector;
			FVector Hit = FVector::ZeroVector;
			int32 Face = INDEX_NONE;
			bool bHit = false;
		};
		std::vector<FStrandTrace> Traces;
		std::vector<double> Displacements;
		// Each strand's turn against the plain fit, where a repair may change the strands' shape.
		const bool bMeasureShape = OutReport && (Options.bOrientToSurface || Options.bResolvePenetration);
		std::vector<double> Turns;
		if (OutReport)
		{
			Displacements.assign(static_cast<size_t>(NumCurves), std::numeric_limits<double>::quiet_NaN());
		}
		if (bMeasureShape)
		{
			Turns.assign(static_cast<size_t>(NumCurves), std::numeric_limits<double>::quiet_NaN());
		}
		FStrandCounts Totals;
		FMeasureTally Tally(bMeasureHere ? NumCurves : 0);
		int64 Hits = 0, Misses = 0, Traced = 0;
		TArray<int32> MissedStrands;

		// Moves one traced strand onto its hit, then the repairs and the measurement, all in one pass over its
		// points.
		const auto FitStrand = [&](int32 Curve, const FStrandTrace& Trace, const FVector& HitNormal, FStrandCounts& Counts)
		{
			const int32 Count = Groom.vertexCounts[static_cast<size_t>(Curve)];
			if (Count == 0)
			{
				return;
			}
			const int32 Root = static_cast<int32>(First[static_cast<size_t>(Curve)]);
			const FVector OldRoot = ReadTriple(Groom.positions, Root);
			// The strand as the plain fit leaves it (up to one move for all), taken only when a repair is about
			// to change its shape: the others keep the plain fit's shape exactly.
			thread_local std::vector<FVector> Plain;
			bool bPlainTaken = false;
			const auto TakePlain = [&]()
			{
				if (bMeasureShape && !bPlainTaken)
				{
					Plain.resize(static_cast<size_t>(Count));
					for (int32 Index = 0; Index < Count; ++Index)
					{
						Plain[static_cast<size_t>(Index)] = ReadTriple(Groom.positions, Root + Index);
					}
					bPlainTaken = true;
				}
			};
			bool bFinite = true;
			// Points the source gave that are not finite: they are kept as they are, moved with the strand.
			int32 KeptNotFinite = 0;
			bool bMoved = Trace.bHit;
			FVector Hit = Trace.Hit;
			FVector RootNormal = HitNormal;
			int32 RootTriangle = Trace.bHit && Options.bResolvePenetration ? Query->FaceHint(Trace.Face) : INDEX_NONE;
			FVector SurfaceNormal = FVector::ZeroVector;
			// A trace that stopped on a face inside another shell (where shells overlap) left the root inside
			// the mesh: it goes out to the nearest surface that leads out, the strand with it.
			if (Trace.bHit && Options.bResolvePenetration && Query->IsBuried(Trace.Face))
			{
				FVector Out, Nearest;
				int32 Given = INDEX_NONE;
				if (Query->ResolveInsidePoint(Trace.Hit, 0.0, Out) == EResolveResult::Resolved && Query->NearestPoint(Out, Nearest, RootNormal, TNumericLimits<double>::Max(), &Given))
				{
					Hit = Out;
					RootTriangle = Query->FaceHint(Given);
					++Counts.PointsResolved;
				}
			}
			if (!Trace.bHit && Options.bSnapMissesToNearest && Query->NearestPoint(Origin + OldRoot, Hit, SurfaceNormal))
			{
				// The root as the groom places it in the world, as for the trace.
				bMoved = true;
				++Counts.MissesSnapped;
			}
			if (bMoved)
			{
				bool bOriented = false;
				if (Options.bOrientToSurface)
				{
					if (Trace.bHit)
					{
						SurfaceNormal = RootNormal;
						FVector Nearest;
						if (SurfaceNormal.IsZero())
						{
							Query->NearestPoint(Hit, Nearest, SurfaceNormal);
						}
					}
					const FVector GroomNormal = (bSurfaceNormal ? ReadTriple(Groom.surfaceNormals, Curve) : OldRoot).GetSafeNormal();
					if (!GroomNormal.IsZero() && !SurfaceNormal.IsZero())
					{
						TakePlain();
						bFinite &= MoveAndOrientStrand(Groom, Root, Count, Hit, ActorLocation, GroomNormal, SurfaceNormal, &KeptNotFinite, Options.OrientFalloff);
						bOriented = true;
						++Counts.StrandsOriented;
					}
				}
				if (!bOriented)
				{
					bFinite &= MoveStrand(Groom, Root, Count, Hit, ActorLocation, &KeptNotFinite);
				}
			}
			else
			{
				KeptNotFinite = static_cast<int32>(CountNotFinite(Groom, Root, Count));
			}
			Counts.NotFinite.AddNotFinite(KeptNotFinite, Curve);
			// A moved strand's root is on the surface, where it belongs.
			const int32 FirstChecked = bMoved ? Root + 1 : Root;
			if (Options.bResolvePenetration)
			{
				Counts.Inside.resize(static_cast<size_t>(Count));
				const int32 NumInside = Query->FindInside(Groom.positions.data() + 3 * static_cast<size_t>(FirstChecked), Root + Count - FirstChecked, ActorLocation, Counts.Inside.data());
				// Most strands have no point inside. A point brought out is no longer inside, for the measurement.
				if (NumInside > 0)
				{
					TakePlain();
					BringOutOfMesh(Groom, *Query, ActorLocation, Options.PenetrationOffset, Root, FirstChecked, Count, RootTriangle, bMoved, Trace.bHit ? RootNormal : SurfaceNormal,
					               Counts.Inside.data(), Counts, bFinite);
				}
			}
			Counts.bAllFinite &= bFinite;
			if (OutReport)
			{
				Displacements[static_cast<size_t>(Curve)] = (ReadTriple(Groom.positions, Root) - OldRoot).Size();
			}
			if (bMeasureShape)
			{
				Turns[static_cast<size_t>(Curve)] = bPlainTaken ? MeasureShape(Groom, Root, Count, Plain, Counts) : (Count >= 2 ? 0.0 : std::numeric_limits<double>::quiet_NaN());
			}
			if (bMeasureHere)
			{
				MeasureStrand(Groom, *Query, ActorLocation, DefaultSurfaceTolerance, Curve, Root, Count, Options.bResolvePenetration ? Counts.Inside.data() : nullptr,
				              FirstChecked, bMoved ? &Hit : nullptr, bFinite && KeptNotFinite == 0, Tally.RootDistances, Counts.Measured);
			}
		};

		// Strands go in blocks: the traces and the moves of a block run on every core, what the user sees of
		// each trace follows in strand order, and the progress bar moves once per block.
		constexpr int32 BlockSize = 8192;
		// Strands a worker takes at a time, its counts added to the totals once.
		constexpr int32 ChunkSize = 64;
		FScopedSlowTask SlowTask(static_cast<float>(NumCurves), FText::FromString(TEXT("Fitting groom")));
		SlowTask.MakeDialog();
		for (int32 BlockStart = 0; BlockStart < NumCurves; BlockStart += BlockSize)
		{
			const int32 BlockCount = FMath::Min(BlockSize, NumCurves - BlockStart);
			SlowTask.EnterProgressFrame(static_cast<float>(BlockCount));
			Traces.assign(static_cast<size_t>(BlockCount), FStrandTrace());
			ParallelFor(BlockCount,
			            [&](int32 InBlock)
			            {
				            const int32 Curve = BlockStart + InBlock;
				            if (Groom.vertexCounts[static_cast<size_t>(Curve)] == 0)
				            {
					            // No root to trace.
					            return;
				            }
				            FStrandTrace& Trace = Traces[static_cast<size_t>(InBlock)];
				            const int32 Root = static_cast<int32>(First[static_cast<size_t>(Curve)]);
				            FVector End;
				            if (bSurfaceNormal)
				            {
					            SurfaceNormalSegment(Groom, Curve, Root, Origin, Trace.Start, End);
				            }
				            else
				            {
					            SphericalSegment(Groom, Root, Origin, Trace.Start, End);
				            }
				            FHitResult HitResult;
				            Trace.bHit = TraceSegment(TheComp, Trace.Start, End, Params, HitResult);
				            if (Trace.bHit)
				            {
					            Trace.Hit = HitResult.ImpactPoint;
					            Trace.Face = HitResult.FaceIndex;
				            }
			            });
			for (int32 InBlock = 0; InBlock < BlockCount; ++InBlock)
			{
				if (Groom.vertexCounts[static_cast<size_t>(BlockStart + InBlock)] == 0)
				{
					continue;
				}
				const FStrandTrace& Trace = Traces[static_cast<size_t>(InBlock)];
				ShowTrace(TheComp, Trace.Start, Trace.bHit, Trace.Hit);
				++Traced;
				++(Trace.bHit ? Hits : Misses);
				if (!Trace.bHit && OutReport)
				{
					MissedStrands.Add(BlockStart + InBlock);
				}
			}
			ParallelFor(FMath::DivideAndRoundUp(BlockCount, ChunkSize),
			            [&](int32 Chunk)
			            {
				            FStrandCounts Counts;
				            const int32 ChunkStart = Chunk * ChunkSize;
				            const int32 ChunkEnd = FMath::Min(ChunkStart + ChunkSize, BlockCount);
				            // The hit triangles' normals, gathered first: their loads wait on memory together, not
				            // one after another.
				            FVector HitNormals[ChunkSize];
				            for (int32 InBlock = ChunkStart; InBlock < ChunkEnd; ++InBlock)
				            {
					            const FStrandTrace& Trace = Traces[static_cast<size_t>(InBlock)];
					            HitNormals[InBlock - ChunkStart] = (Options.bOrientToSurface || Options.bResolvePenetration) && Trace.bHit ? Query->TriangleNormal(Trace.Face) : FVector::ZeroVector;
				            }
				            for (int32 InBlock = ChunkStart; InBlock < ChunkEnd; ++InBlock)
				            {
					            FitStrand(BlockStart + InBlock, Traces[static_cast<size_t>(InBlock)], HitNormals[InBlock - ChunkStart], Counts);
				            }
				            Counts.AddTo(Totals);
				            Tally.Add(Counts.Measured);
			            });
		}

		if (!Totals.bAllFinite)
		{
			LogFitFailure(OutReport, TEXT("FitGroomToStaticMesh: the fit would place points where single precision cannot hold them; the groom was not written"));
			return false;
		}
		if (Totals.NotFinite.PointsNotFinite > 0)
		{
			UE_LOG(LogTemp, Warning, TEXT("FitGroomToStaticMesh: %lld points of the groom are not finite numbers (the first in strand %lld); they are kept as they are"),
			       static_cast<long long>(Totals.NotFinite.PointsNotFinite), static_cast<long long>(Totals.NotFinite.FirstStrandNotFinite));
		}
		FString UnresolvedReasons;
		for (size_t Reason = 0; Reason < std::size(Totals.UnresolvedBy); ++Reason)
		{
			if (Totals.UnresolvedBy[Reason] > 0)
			{
				UnresolvedReasons += FString::Printf(TEXT("%s%lld %s"), UnresolvedReasons.IsEmpty() ? TEXT("") : TEXT(", "), static_cast<long long>(Totals.UnresolvedBy[Reason]),
				                                     LexToString(static_cast<EResolveResult>(Reason)));
			}
		}
		if (Totals.PointsUnresolved > 0)
		{
			UE_LOG(LogTemp, Warning, TEXT("FitGroomToStaticMesh: %lld points are still inside the mesh (%s)"), static_cast<long long>(Totals.PointsUnresolved),
			       *UnresolvedReasons);
		}
		if (OutReport)
		{
			FFitReport& Report = *OutReport;
			Report.bAfterFit = true;
			Report.Projection = bSurfaceNormal ? EProjection::SurfaceNormal : EProjection::Spherical;
			Report.Strands = NumCurves;
			Report.Points = NumCovered;
			Report.Traced = Traced;
			Report.Hits = Hits;
			Report.Misses = Misses;
			Report.MissedStrands = MoveTemp(MissedStrands);
			Report.MissesSnapped = Totals.MissesSnapped;
			Report.StrandsOriented = Totals.StrandsOriented;
			Report.PointsResolved = Totals.PointsResolved;
			Report.PointsUnresolved = Totals.PointsUnresolved;
			Report.UnresolvedReasons = UnresolvedReasons;
			Report.Displacement = Summarise(MoveTemp(Displacements));
			if (bMeasureShape)
			{
				FillShapeFigures(Turns, Totals, Report);
			}
			if (bMeasureHere)
			{
				Tally.Finish(NumCurves, NumCovered, DefaultSurfaceTolerance, Report);
			}
			Report.PointsNotFinite = Totals.NotFinite.PointsNotFinite;
		}
		return true;
	}

	bool MeasureShapeAgainst(const GroomData& Groom, const GroomData& Reference, FFitReport& OutReport, FString& OutError)
	{
		FString CountsError;
		if (Groom.vertexCounts != Reference.vertexCounts || Groom.positions.size() != Reference.positions.size() ||
		    CoveredPoints(Groom, CountsError) < 0)
		{
			OutError = CountsError.IsEmpty() ? FString(TEXT("the two grooms do not hold the same strands of the same points")) : CountsError;
			return false;
		}
		std::vector<double> Turns(Groom.vertexCounts.size(), std::numeric_limits<double>::quiet_NaN());
		FStrandCounts Totals;
		std::vector<FVector> Plain;
		int64 Root = 0;
		for (size_t Curve = 0; Curve < Groom.vertexCounts.size(); ++Curve)
		{
			const int32 Count = Groom.vertexCounts[Curve];
			Plain.resize(static_cast<size_t>(Count));
			for (int32 Index = 0; Index < Count; ++Index)
			{
				Plain[static_cast<size_t>(Index)] = ReadTriple(Reference.positions, Root + Index);
			}
			Turns[Curve] = MeasureShape(Groom, static_cast<int32>(Root), Count, Plain, Totals);
			Root += Count;
		}
		FillShapeFigures(Turns, Totals, OutReport);
		return true;
	}

	bool MeasureGroom(const GroomData& Groom, const FMeshQuery& Query, const FVector& Placement, double SurfaceTolerance, FFitReport& OutReport, FString& OutError)
	{
		const int64 Covered = CoveredPoints(Groom, OutError);
		if (Covered < 0)
		{
			return false;
		}
		if (!IsFinitePoint(Placement) || !std::isfinite(SurfaceTolerance) || SurfaceTolerance < 0.0)
		{
			OutError = TEXT("the placement or the surface tolerance is not a finite number");
			return false;
		}
		if (Groom.vertexCounts.size() > static_cast<size_t>(std::numeric_limits<int32>::max()))
		{
			OutError = TEXT("the groom has more strands than can be measured");
			return false;
		}

		const int32 NumCurves = static_cast<int32>(Groom.vertexCounts.size());
		const std::vector<int64> First = FirstPoints(Groom);
		FMeasureTally Tally(NumCurves);
		constexpr int32 ChunkSize = 64;
		ParallelFor(FMath::DivideAndRoundUp(NumCurves, ChunkSize),
		            [&](int32 Chunk)
		            {
			            FMeasureCounts Counts;
			            for (int32 Curve = Chunk * ChunkSize; Curve < FMath::Min(NumCurves, (Chunk + 1) * ChunkSize); ++Curve)
			            {
				            const int32 Count = Groom.vertexCounts[static_cast<size_t>(Curve)];
				            if (Count > 0)
				            {
					            MeasureStrand(Groom, Query, Placement, SurfaceTolerance, Curve, First[static_cast<size_t>(Curve)], Count, nullptr, 0, nullptr, false,
					                          Tally.RootDistances, Counts);
				            }
			            }
			            Tally.Add(Counts);
		            });
		Tally.Finish(NumCurves, Covered, SurfaceTolerance, OutReport);
		return true;
	}

	bool ReadGroomForFit(const FString& SourcePath, const FString& TargetPath, GroomData& OutGroom, FString* OutReadReason, std::vector<FGroomParam>* OutCarried)
	{
		bool bReadFailed = false;
		std::string ReadReason;
		const std::string Path = TextToUtf8(SourcePath);
		std::vector<std::string> Skipped;
		OutGroom = ReadGroom(Path, bReadFailed, PlanGroomRead(Path), &ReadReason, OutCarried, &Skipped);
		for (const std::string& Line : Skipped)
		{
			UE_LOG(LogTemp, Warning, TEXT("FitGroomToStaticMesh: %s of %s is not carried into the fitted groom"), *Utf8ToText(Line), *SourcePath);
		}
		if (bReadFailed)
		{
			if (OutReadReason)
			{
				*OutReadReason = Utf8ToText(ReadReason);
			}
			// A half-read record must not become a groom file, nor replace one.
			UE_LOG(LogTemp, Error, TEXT("FitGroomToStaticMesh: could not read %s; %s was not written"), *SourcePath, *TargetPath);
			OutGroom = GroomData();
			if (OutCarried)
			{
				OutCarried->clear();
			}
			return false;
		}
		return true;
	}

	bool FitAndWriteGroom(AActor* Source, UStaticMeshComponent* TheComp, const FVector& Origin, GroomData& Groom, const FString& TargetPath,
	                      const FFitOptions& Options, const FFitFileSettings& Settings, FFitReport& OutReport, const std::vector<FGroomParam>& Carried)
	{
		OutReport = FFitReport();
		OutReport.bGroomRead = true;
		// The repairs cannot do without the mesh's surface; a report can, and is then left out.
		std::shared_ptr<const FMeshQuery> Query;
		if (Options.AnyRepair() || Settings.bMeasure)
		{
			FString Error;
			Query = GetMeshQuery(TheComp, Error);
			if (!Query && Options.AnyRepair())
			{
				LogFitFailure(&OutReport, FString::Printf(TEXT("FitGroomToStaticMesh: the fit cannot be repaired (%s); %s was not written"), *Error, *TargetPath));
				return false;
			}
			if (!Query)
			{
				UE_LOG(LogTemp, Warning, TEXT("FitGroomToStaticMesh: the fitted groom cannot be measured (%s)"), *Error);
			}
		}
		if (!FitRecord(Groom, TheComp, Origin, Source->GetActorLocation(), Options, Query.get(), &OutReport, Settings.bMeasure && Query))
		{
			return false;
		}
		const std::string Target = TextToUtf8(TargetPath);
		bool bWritten = false;
		if (Settings.bReplaceWhenWhole)
		{
			bWritten = WriteRecordReplacing(Target, Groom, &OutReport, Carried);
		}
		else
		{
			std::vector<std::string> Warnings;
			std::string Error;
			bWritten = LogWrite(WriteRecordAt(Target, Target, Groom, Carried, Warnings, Error), Warnings, Error, &OutReport);
		}
		if (bWritten)
		{
			WarnIfColoursLostInEngine(Groom);
		}
		return bWritten;
	}

	bool FitGroomFile(AActor* Source, UStaticMeshComponent* TheComp, const FVector& Origin, const FString& SourcePath, const FString& TargetPath,
	                  const FFitOptions& Options, const FFitFileSettings& Settings, FFitReport& OutReport)
	{
		OutReport = FFitReport();
		if (!Source)
		{
			LogFitFailure(&OutReport, TEXT("FitGroomToStaticMesh: source is null; no groom was read or written"));
			return false;
		}
		if (!TheComp)
		{
			LogFitFailure(&OutReport, TEXT("FitGroomToStaticMesh: TheComp is null; no groom was read or written"));
			return false;
		}
		GroomData Groom;
		std::vector<FGroomParam> Carried;
		if (!ReadGroomForFit(SourcePath, TargetPath, Groom, &OutReport.FailureReason, &Carried))
		{
			return false;
		}
		return FitAndWriteGroom(Source, TheComp, Origin, Groom, TargetPath, Options, Settings, OutReport, Carried);
	}

	bool ReportGroomFile(const UStaticMeshComponent* TheComp, const FVector& Placement, const FString& GroomPath, FFitReport& OutReport)
	{
		OutReport = FFitReport();
		FString Error;
		const std::shared_ptr<const FMeshQuery> Query = GetMeshQuery(TheComp, Error);
		if (!Query)
		{
			LogFitFailure(&OutReport, FString::Printf(TEXT("ReportGroomFile: the mesh cannot be measured: %s"), *Error));
			return false;
		}
		bool bReadFailed = false;
		std::string ReadReason;
		const GroomData Groom = ReadGroom(TextToUtf8(GroomPath), bReadFailed, &ReadReason);
		if (bReadFailed)
		{
			UE_LOG(LogTemp, Error, TEXT("ReportGroomFile: could not read %s"), *GroomPath);
			OutReport.FailureReason = Utf8ToText(ReadReason);
			return false;
		}
		if (!MeasureGroom(Groom, *Query, Placement, DefaultSurfaceTolerance, OutReport, Error))
		{
			OutReport = FFitReport();
			LogFitFailure(&OutReport, FString::Printf(TEXT("ReportGroomFile: %s cannot be measured: %s"), *GroomPath, *Error));
			return false;
		}
		return true;
	}

	bool WriteGroomReplacing(const std::string& TargetPath, const GroomData& Groom, const std::vector<FGroomParam>& Carried, std::vector<std::string>& OutWarnings,
	                         std::string& OutError)
	{
		const std::filesystem::path Final = ResolveLinks(FitFileSystemPath(TargetPath));
		std::error_code StatusError;
		const std::filesystem::file_status Earlier = std::filesystem::status(Final, StatusError);
		const bool bEarlier = std::filesystem::is_regular_file(Earlier);
		std::filesystem::path Temporary;
		int TemporaryError = 0;
		const bool bBeside = MakeTemporaryBeside(Final, Temporary, TemporaryError);
		if (!bBeside && TemporaryError != EACCES && TemporaryError != EPERM)
		{
			OutError = "Could not open file: " + TargetPath + " (" + std::generic_category().message(TemporaryError) + ")";
			return false;
		}
		if (!bBeside && bEarlier)
		{
			// A folder that takes no new file may still hold a file that can be written.
			OutWarnings.push_back("no temporary file can be made beside " + TargetPath + " (" + std::generic_category().message(TemporaryError) +
			                      "), so it is written in place: if the write fails, the earlier file is lost");
		}
		if (!WriteRecordAt(FileSystemPathToUtf8(bBeside ? Temporary : Final), TargetPath, Groom, Carried, OutWarnings, OutError))
		{
			return false;
		}
		if (!bBeside)
		{
			return true;
		}
		std::error_code Error;
		if (bEarlier)
		{
			std::filesystem::permissions(Temporary, Earlier.permissions(), std::filesystem::perm_options::replace, Error);
		}
		std::filesystem::rename(Temporary, Final, Error);
		if (Error)
		{
			RemoveWrittenFile(FileSystemPathToUtf8(Temporary));
			OutError = "Could not write file: " + TargetPath + " (" + Error.message() + ")";
			return false;
		}
		return true;
	}

	bool WriteRecordReplacing(const std::string& TargetPath, const GroomData& Groom, FFitReport* OutReport, const std::vector<FGroomParam>& Carried)
	{
		std::vector<std::string> Warnings;
		std::string Error;
		const bool bWritten = WriteGroomReplacing(TargetPath, Groom, Carried, Warnings, Error);
		return LogWrite(bWritten, Warnings, Error, OutReport);
	}
}

FVector ComponentTrace(const FVector& Start, const FVector& End, UStaticMeshComponent* Component, bool* bOutHit)
{
	if (bOutHit)
	{
		*bOutHit = false;
	}
	if (!Component)
	{
		UE_LOG(LogTemp, Error, TEXT("ComponentTrace: no component to trace against"));
		return FVector(0, 0, 0);
	}
	FHitResult Hit(ForceInit);
	const FCollisionQueryParams Params(GroomFitting::FitTraceTag(), true, nullptr);
	const bool bHit = Component->LineTraceComponent(Hit, Start, End, Params);
	GroomFitting::ShowTrace(Component, Start, bHit, Hit.ImpactPoint);
	if (bOutHit)
	{
		*bOutHit = bHit;
	}
	return bHit ? FVector(Hit.ImpactPoint) : FVector(0, 0, 0);
}
