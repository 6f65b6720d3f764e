#include "MeshQuery.h"

#include "Async/ParallelFor.h"
#include "Distance/DistPoint3Triangle3.h"
#include "DynamicMesh/DynamicMesh3.h"
#include "DynamicMesh/DynamicMeshAABBTree3.h"
#include "MeshInsideGrid.h"
#include "Spatial/FastWinding.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

namespace GroomFitting
{
	namespace
	{
		using UE::Geometry::FDistPoint3Triangle3d;
		using UE::Geometry::FDynamicMesh3;
		using UE::Geometry::FDynamicMeshAABBTree3;
		using UE::Geometry::FIndex3i;
		using UE::Geometry::TFastWindingTree;

		// Nearest triangles tried for a point that must be brought out.
		constexpr int32 ResolveCandidates = 16;

		bool IsFiniteVector(const FVector& V)
		{
			return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z);
		}

		// Corners at the same place are one vertex; -0 and 0 are one place.
		class FVertexWelder
		{
		public:
			explicit FVertexWelder(int32 ExpectedVertices)
			{
				size_t Size = 16;
				while (Size < 2 * static_cast<size_t>(ExpectedVertices))
				{
					Size *= 2;
				}
				Slots.assign(Size, -1);
			}

			int32 Weld(const FVector& Position)
			{
				const FVector Key(Position.X + 0.0, Position.Y + 0.0, Position.Z + 0.0);
				const size_t Mask = Slots.size() - 1;
				for (size_t Slot = Hash(Key) & Mask;; Slot = (Slot + 1) & Mask)
				{
					const int32 Existing = Slots[Slot];
					if (Existing < 0)
					{
						Slots[Slot] = static_cast<int32>(Positions.size());
						Positions.push_back(Key);
						return Slots[Slot];
					}
					const FVector& Other = Positions[static_cast<size_t>(Existing)];
					if (Other.X == Key.X && Other.Y == Key.Y && Other.Z == Key.Z)
					{
						return Existing;
					}
				}
			}

			std::vector<FVector> Positions;

		private:
			static size_t Hash(const FVector& Key)
			{
				uint64 Bits[3];
				std::memcpy(&Bits[0], &Key.X, sizeof(double));
				std::memcpy(&Bits[1], &Key.Y, sizeof(double));
				std::memcpy(&Bits[2], &Key.Z, sizeof(double));
				uint64 Value = Bits[0] * 0x9E3779B97F4A7C15ull;
				Value = (Value ^ (Value >> 29) ^ Bits[1]) * 0xBF58476D1CE4E5B9ull;
				Value = (Value ^ (Value >> 32) ^ Bits[2]) * 0x94D049BB133111EBull;
				return static_cast<size_t>(Value ^ (Value >> 31));
			}

			std::vector<int32> Slots;
		};

		// The bits of a 10-bit value spread to every third bit, for a Morton code.
		uint64 ThirdBits(uint32 Value)
		{
			uint64 Bits = Value & 0x3FFu;
			Bits = (Bits | (Bits << 16)) & 0x30000FFull;
			Bits = (Bits | (Bits << 8)) & 0x300F00Full;
			Bits = (Bits | (Bits << 4)) & 0x30C30C3ull;
			Bits = (Bits | (Bits << 2)) & 0x9249249ull;
			return Bits;
		}

		// Sorts Items stably by their Keys, each below 2^KeyBits, eleven bits a pass.
		template<typename T>
		void SortStablyByKey(std::vector<T>& Items, std::vector<uint64> Keys, int32 KeyBits)
		{
			std::vector<uint64> SortedKeys(Items.size());
			std::vector<T> Sorted(Items.size());
			for (int32 Shift = 0; Shift < KeyBits; Shift += 11)
			{
				size_t Offsets[2048] = {};
				for (const uint64 Key : Keys)
				{
					++Offsets[(Key >> Shift) & 2047];
				}
				size_t Sum = 0;
				for (size_t& Offset : Offsets)
				{
					const size_t Count = Offset;
					Offset = Sum;
					Sum += Count;
				}
				for (size_t Index = 0; Index < Items.size(); ++Index)
				{
					const size_t Slot = Offsets[(Keys[Index] >> Shift) & 2047]++;
					SortedKeys[Slot] = Keys[Index];
					Sorted[Slot] = Items[Index];
				}
				Keys.swap(SortedKeys);
				Items.swap(Sorted);
			}
		}

		// One side of a triangle's edge, for finding the triangles that share it.
		struct FHalfEdge
		{
			uint64 Key;
			int32 Triangle;
			uint8 Corner;
			// Runs from the lower vertex to the higher as the triangle is wound.
			uint8 bForward;
		};
	}

	struct FMeshQuery::FImpl
	{
		FMeshQueryStats Stats;
		FBox Bounds = FBox(ForceInit);
		// Per given triangle, the triangle here that stands for it (INDEX_NONE for one without area).
		std::vector<int32> GivenGeometry;
		// The queries' triangles, oriented: corners wound so that (B - A) x (C - A) faces outward, three per
		// triangle. First the surface of the parts that bound a solid, [0, NumBounding); then the caps that
		// close their holes for inside tests, up to NumSolid; then the surface of flat open parts. The
		// engine's mesh holds them under the same indices.
		std::vector<FVector> Corners;
		int32 NumBounding = 0;
		int32 NumSolid = 0;
		// Per triangle: its outward normal, the triangle it is as given (INDEX_NONE for a cap), whether its
		// part is open, and whether it lies inside another shell (at its centre), so is no way out.
		std::vector<FVector> Normals;
		std::vector<int32> GivenIndex;
		std::vector<uint8> bOpen;
		std::vector<uint8> bBuried;
		bool bAnyBuried = false;
		FDynamicMesh3 Mesh;
		// Over the bounding surface, the flat surface (for nearest points), and the solid (for winding numbers;
		// left empty when the solid is the bounding surface alone).
		FDynamicMeshAABBTree3 Trees[3];
		// Which trees were built: a kind with no triangles has none, and an unbuilt tree must not be asked.
		bool bTreeBuilt[3] = {false, false, false};
		std::unique_ptr<TFastWindingTree<FDynamicMesh3>> SolidWinding;
		FMeshInsideGrid Grid;
		// The least step off the surface that double precision tells from the surface.
		double MinStep = 0.0;
		// Per bounding triangle, its plane and a sphere around it in single precision, about BoundsCentre: half
		// a cache line that tells most triangles from the nearest. Read, they are within NearBoundSlack (per
		// unit of a point's distance from the centre, plus NearBoundFloor) of the true ones.
		struct FNearBound
		{
			float NX, NY, NZ, D;
			float CX, CY, CZ, R;
		};
		std::vector<FNearBound> NearBounds;
		FVector BoundsCentre = FVector(0, 0, 0);
		double NearBoundFloor = 0.0;
		static constexpr double NearBoundSlack = 4e-7;

		bool Build(const TArray<FVector>& Vertices, const TArray<int32>& Indices, FString& OutError);
		// The nearest triangle closer than MaxDistance that Filter accepts (all when null), or -1.
		// Hint, a triangle likely to be near (or INDEX_NONE), is tried first.
		int32 NearestTriangle(const FVector& Point, double MaxDistance, const TFunction<bool(int)>& Filter, FVector& OutNearest, int32 Hint = INDEX_NONE) const;
		bool StepsOut(const FVector& Point) const { return !Grid.IsInside(Point); }
	};

	bool FMeshQuery::FImpl::Build(const TArray<FVector>& Vertices, const TArray<int32>& Indices, FString& OutError)
	{
		if (Indices.Num() % 3 != 0)
		{
			OutError = FString::Printf(TEXT("the triangle list holds %d indices, which is not whole triangles"), Indices.Num());
			return false;
		}
		const int32 NumGiven = Indices.Num() / 3;
		Stats.Triangles = NumGiven;
		if (NumGiven == 0)
		{
			OutError = TEXT("the mesh has no triangles");
			return false;
		}
		if (NumGiven > MaxTriangles)
		{
			OutError = FString::Printf(TEXT("the mesh has %d triangles, more than the %d a query can index"), NumGiven, MaxTriangles);
			return false;
		}
		const int32 NumVertices = Vertices.Num();
		// Welded corners, and the triangles that have three different ones, wound the engine's way round
		// as (A, C, B) so that (C - A) x (B - A) is the normal the engine gives them.
		FVertexWelder Welder(NumVertices);
		std::vector<int32> WeldOf(static_cast<size_t>(NumVertices), -1);
		struct FTopoTriangle
		{
			int32 V[3];
			int32 Given;
			bool bArea;
		};
		std::vector<FTopoTriangle> Topo;
		Topo.reserve(static_cast<size_t>(NumGiven));
		for (int32 Given = 0; Given < NumGiven; ++Given)
		{
			int32 Welded[3];
			for (int32 Corner = 0; Corner < 3; ++Corner)
			{
				// Each index is checked as it comes, each vertex the first time it does.
				const int32 Vertex = Indices[3 * Given + Corner];
				if (Vertex < 0 || Vertex >= NumVertices)
				{
					OutError = FString::Printf(TEXT("triangle %d refers to vertex %d, but the mesh has %d vertices"), Given, Vertex, NumVertices);
					return false;
				}
				int32& Weld = WeldOf[static_cast<size_t>(Vertex)];
				if (Weld < 0)
				{
					const FVector& Position = Vertices[Vertex];
					if (!IsFiniteVector(Position))
					{
						OutError = FString::Printf(TEXT("vertex %d (a corner of triangle %d) is not finite"), Vertex, Given);
						return false;
					}
					if (std::abs(Position.X) > MaxCoordinate || std::abs(Position.Y) > MaxCoordinate || std::abs(Position.Z) > MaxCoordinate)
					{
						OutError = FString::Printf(TEXT("vertex %d (a corner of triangle %d) lies beyond %.0f from the origin, outside any world the engine traces"), Vertex,
						                           Given, MaxCoordinate);
						return false;
					}
					Weld = Welder.Weld(Position);
				}
				Welded[Corner] = Weld;
			}
			if (Welded[0] == Welded[1] || Welded[1] == Welded[2] || Welded[0] == Welded[2])
			{
				++Stats.TrianglesWithoutArea;
				continue;
			}
			FTopoTriangle Triangle;
			Triangle.V[0] = Welded[0];
			Triangle.V[1] = Welded[2];
			Triangle.V[2] = Welded[1];
			Triangle.Given = Given;
			const FVector& A = Welder.Positions[static_cast<size_t>(Welded[0])];
			const FVector& B = Welder.Positions[static_cast<size_t>(Welded[1])];
			const FVector& C = Welder.Positions[static_cast<size_t>(Welded[2])];
			// Three corners in a line (to within rounding of the longest edge) have no side.
			const double LongestSqr = FMath::Max((B - A).SizeSquared(), FMath::Max((C - A).SizeSquared(), (C - B).SizeSquared()));
			const double CrossSqr = ((B - A) ^ (C - A)).SizeSquared();
			Triangle.bArea = CrossSqr > 1e-24 * LongestSqr * LongestSqr;
			Stats.TrianglesWithoutArea += Triangle.bArea ? 0 : 1;
			Topo.push_back(Triangle);
		}

		// Copies: the same three corners as an earlier triangle, in either winding; the earliest stays.
		std::vector<int32> KeptOf(Topo.size());
		// Kept triangles given also the other way round (and never again the same way).
		std::vector<uint8> bGivenBothWays(Topo.size(), 0), bGivenTwice(Topo.size(), 0);
		{
			std::vector<int32> Sorted(3 * Topo.size());
			size_t Size = 16;
			while (Size < 2 * Topo.size())
			{
				Size *= 2;
			}
			std::vector<int32> Slots(Size, -1);
			for (size_t Index = 0; Index < Topo.size(); ++Index)
			{
				int32* Key = &Sorted[3 * Index];
				Key[0] = Topo[Index].V[0];
				Key[1] = Topo[Index].V[1];
				Key[2] = Topo[Index].V[2];
				std::sort(Key, Key + 3);
				uint64 Hash = (static_cast<uint64>(static_cast<uint32>(Key[0])) * 0x9E3779B97F4A7C15ull) ^ static_cast<uint32>(Key[1]);
				Hash = (Hash * 0xBF58476D1CE4E5B9ull) ^ static_cast<uint32>(Key[2]);
				Hash *= 0x94D049BB133111EBull;
				for (size_t Slot = static_cast<size_t>(Hash ^ (Hash >> 31)) & (Size - 1);; Slot = (Slot + 1) & (Size - 1))
				{
					const int32 Existing = Slots[Slot];
					if (Existing < 0)
					{
						Slots[Slot] = static_cast<int32>(Index);
						KeptOf[Index] = static_cast<int32>(Index);
						break;
					}
					const int32* Other = &Sorted[3 * static_cast<size_t>(Existing)];
					if (Other[0] == Key[0] && Other[1] == Key[1] && Other[2] == Key[2])
					{
						KeptOf[Index] = Existing;
						const FTopoTriangle& Original = Topo[static_cast<size_t>(Existing)];
						const FTopoTriangle& Copy = Topo[Index];
						const int32 Shift = Copy.V[0] == Original.V[0] ? 0 : (Copy.V[0] == Original.V[1] ? 1 : 2);
						const bool bSameWinding = Copy.V[1] == Original.V[(Shift + 1) % 3];
						if (Copy.bArea)
						{
							++(bSameWinding ? Stats.DuplicatesDropped : Stats.ReversedDropped);
						}
						(bSameWinding ? bGivenTwice : bGivenBothWays)[static_cast<size_t>(Existing)] = 1;
						break;
					}
				}
			}
		}

		// A face two closed shells share, given once by each, comes both ways round like a double-sided
		// export, but is a wall inside their union: where triangles given both ways meet the rest of the mesh
		// only along edges the rest closes by itself (an even number of its triangles, at least two), both
		// ways go, and the union stays one closed shell. Elsewhere (a whole double-sided shell or card) one
		// way stays.
		std::vector<uint8> bWall(Topo.size(), 0);
		if (Stats.ReversedDropped > 0)
		{
			struct FEdgeUse
			{
				uint64 Key;
				int32 Triangle;
				uint8 bBothWays;
			};
			std::vector<FEdgeUse> Uses;
			for (size_t Index = 0; Index < Topo.size(); ++Index)
			{
				if (KeptOf[Index] == static_cast<int32>(Index) && Topo[Index].bArea)
				{
					const uint8 bBoth = bGivenBothWays[Index] && !bGivenTwice[Index] ? 1 : 0;
					for (int32 Corner = 0; Corner < 3; ++Corner)
					{
						const uint32 From = static_cast<uint32>(Topo[Index].V[Corner]), To = static_cast<uint32>(Topo[Index].V[(Corner + 1) % 3]);
						Uses.push_back(FEdgeUse{(static_cast<uint64>(FMath::Min(From, To)) << 32) | FMath::Max(From, To), static_cast<int32>(Index), bBoth});
					}
				}
			}
			std::sort(Uses.begin(), Uses.end(), [](const FEdgeUse& Left, const FEdgeUse& Right)
			          { return Left.Key < Right.Key; });
			// Regions of triangles given both ways, joined through their shared edges.
			std::vector<int32> Region(Topo.size());
			for (size_t Index = 0; Index < Region.size(); ++Index)
			{
				Region[Index] = static_cast<int32>(Index);
			}
			const auto Find = [&Region](int32 Triangle)
			{
				while (Region[static_cast<size_t>(Triangle)] != Triangle)
				{
					Region[static_cast<size_t>(Triangle)] = Region[static_cast<size_t>(Region[static_cast<size_t>(Triangle)])];
					Triangle = Region[static_cast<size_t>(Triangle)];
				}
				return Triangle;
			};
			for (size_t First = 0, Last = 0; First < Uses.size(); First = Last)
			{
				int32 Joined = -1;
				for (Last = First; Last < Uses.size() && Uses[Last].Key == Uses[First].Key; ++Last)
				{
					if (Uses[Last].bBothWays)
					{
						const int32 Root = Find(Uses[Last].Triangle);
						if (Joined >= 0 && Root != Joined)
						{
							Region[static_cast<size_t>(Root)] = Joined;
						}
						Joined = Joined >= 0 ? Joined : Root;
					}
				}
			}
			// A region is a wall when it has a rim and the rest closes every edge of it.
			std::vector<uint8> bHasRim(Topo.size(), 0), bOpenRim(Topo.size(), 0);
			for (size_t First = 0, Last = 0; First < Uses.size(); First = Last)
			{
				int32 BothWays = 0, Others = 0, Root = -1;
				for (Last = First; Last < Uses.size() && Uses[Last].Key == Uses[First].Key; ++Last)
				{
					if (Uses[Last].bBothWays)
					{
						++BothWays;
						Root = Find(Uses[Last].Triangle);
					}
					else
					{
						++Others;
					}
				}
				if (BothWays == 1)
				{
					bHasRim[static_cast<size_t>(Root)] = 1;
					bOpenRim[static_cast<size_t>(Root)] |= Others < 2 || Others % 2 != 0 ? 1 : 0;
				}
			}
			for (size_t Index = 0; Index < Topo.size(); ++Index)
			{
				const int32 Original = KeptOf[Index];
				if (Topo[static_cast<size_t>(Original)].bArea && bGivenBothWays[static_cast<size_t>(Original)] && !bGivenTwice[static_cast<size_t>(Original)])
				{
					const size_t Root = static_cast<size_t>(Find(Original));
					bWall[Index] = bHasRim[Root] && !bOpenRim[Root] ? 1 : 0;
				}
			}
			for (size_t Index = 0; Index < Topo.size(); ++Index)
			{
				if (bWall[Index] && KeptOf[Index] != static_cast<int32>(Index) && Topo[Index].bArea)
				{
					--Stats.ReversedDropped;
					Stats.SharedFacesDropped += 2;
				}
			}
		}

		// The kept triangles, and the edges they share.
		std::vector<int32> Kept;
		for (size_t Index = 0; Index < Topo.size(); ++Index)
		{
			if (KeptOf[Index] == static_cast<int32>(Index) && !bWall[Index])
			{
				Kept.push_back(static_cast<int32>(Index));
			}
		}
		const size_t NumKept = Kept.size();
		std::vector<FHalfEdge> HalfEdges;
		HalfEdges.reserve(3 * NumKept);
		for (size_t K = 0; K < NumKept; ++K)
		{
			const FTopoTriangle& Triangle = Topo[static_cast<size_t>(Kept[K])];
			for (int32 Corner = 0; Corner < 3; ++Corner)
			{
				const uint32 From = static_cast<uint32>(Triangle.V[Corner]), To = static_cast<uint32>(Triangle.V[(Corner + 1) % 3]);
				const uint64 Key = (static_cast<uint64>(FMath::Min(From, To)) << 32) | FMath::Max(From, To);
				HalfEdges.push_back(FHalfEdge{Key, static_cast<int32>(K), static_cast<uint8>(Corner), static_cast<uint8>(From < To ? 1 : 0)});
			}
		}
		// By edge, and by triangle along each edge as they were made: counted out by the lower vertex, then
		// each vertex's few edges in order of the higher one.
		{
			std::vector<uint32> Ends(Welder.Positions.size() + 1, 0);
			for (const FHalfEdge& Edge : HalfEdges)
			{
				++Ends[static_cast<size_t>(Edge.Key >> 32) + 1];
			}
			for (size_t Vertex = 1; Vertex < Ends.size(); ++Vertex)
			{
				Ends[Vertex] += Ends[Vertex - 1];
			}
			std::vector<FHalfEdge> Sorted(HalfEdges.size());
			for (const FHalfEdge& Edge : HalfEdges)
			{
				Sorted[Ends[static_cast<size_t>(Edge.Key >> 32)]++] = Edge;
			}
			const auto ByKey = [](const FHalfEdge& Left, const FHalfEdge& Right)
			{
				return Left.Key < Right.Key;
			};
			for (size_t Vertex = 0, Begin = 0; Vertex + 1 < Ends.size(); Begin = Ends[Vertex++])
			{
				FHalfEdge* const First = Sorted.data() + Begin;
				FHalfEdge* const Last = Sorted.data() + Ends[Vertex];
				if (Last - First > 16)
				{
					std::stable_sort(First, Last, ByKey);
					continue;
				}
				for (FHalfEdge* Item = First + 1; Item < Last; ++Item)
				{
					const FHalfEdge Moving = *Item;
					FHalfEdge* Hole = Item;
					for (; Hole > First && Moving.Key < (Hole - 1)->Key; --Hole)
					{
						*Hole = *(Hole - 1);
					}
					*Hole = Moving;
				}
			}
			HalfEdges.swap(Sorted);
		}
		// Across an edge two triangles share alone: the neighbour, and whether one must be turned to agree.
		std::vector<int32> Neighbour(3 * NumKept, -1);
		std::vector<uint8> bMustDiffer(3 * NumKept, 0);
		for (size_t First = 0, Last = 0; First < HalfEdges.size(); First = Last)
		{
			for (Last = First + 1; Last < HalfEdges.size() && HalfEdges[Last].Key == HalfEdges[First].Key;)
			{
				++Last;
			}
			if (Last - First == 2)
			{
				const FHalfEdge& A = HalfEdges[First];
				const FHalfEdge& B = HalfEdges[First + 1];
				const uint8 bDiffer = A.bForward == B.bForward ? 1 : 0;
				Neighbour[3 * static_cast<size_t>(A.Triangle) + A.Corner] = B.Triangle;
				Neighbour[3 * static_cast<size_t>(B.Triangle) + B.Corner] = A.Triangle;
				bMustDiffer[3 * static_cast<size_t>(A.Triangle) + A.Corner] = bDiffer;
				bMustDiffer[3 * static_cast<size_t>(B.Triangle) + B.Corner] = bDiffer;
			}
		}

		// Parts, each turned to agree with its first triangle; a part that cannot agree stays open.
		std::vector<int32> Part(NumKept, -1);
		std::vector<uint8> bTurned(NumKept, 0);
		std::vector<uint8> bPartClosed;
		{
			std::vector<int32> Stack;
			for (size_t Seed = 0; Seed < NumKept; ++Seed)
			{
				if (Part[Seed] >= 0)
				{
					continue;
				}
				const int32 PartIndex = static_cast<int32>(bPartClosed.size());
				bPartClosed.push_back(1);
				Part[Seed] = PartIndex;
				Stack.push_back(static_cast<int32>(Seed));
				while (!Stack.empty())
				{
					const size_t Current = static_cast<size_t>(Stack.back());
					Stack.pop_back();
					for (size_t Side = 3 * Current; Side < 3 * Current + 3; ++Side)
					{
						const int32 Next = Neighbour[Side];
						if (Next < 0)
						{
							continue;
						}
						const uint8 bWant = bTurned[Current] ^ bMustDiffer[Side];
						if (Part[static_cast<size_t>(Next)] < 0)
						{
							Part[static_cast<size_t>(Next)] = PartIndex;
							bTurned[static_cast<size_t>(Next)] = bWant;
							Stack.push_back(Next);
						}
						else if (bTurned[static_cast<size_t>(Next)] != bWant)
						{
							bPartClosed[static_cast<size_t>(PartIndex)] = 0;
						}
					}
				}
			}
		}
		const size_t NumParts = bPartClosed.size();
		// Where each part ends: the edges its triangles do not meet as often one way as the other, each
		// running the way the part's triangles run it, as often as they do on balance. A part without any is
		// closed: it bounds a solid.
		struct FBoundaryEdge
		{
			int32 Part;
			int32 From;
			int32 To;
			int32 Count;
		};
		std::vector<FBoundaryEdge> Boundary;
		const auto EdgeWay = [&](const FHalfEdge& Edge)
		{
			return (Edge.bForward ^ bTurned[static_cast<size_t>(Edge.Triangle)]) ? 1 : -1;
		};
		std::vector<std::pair<int32, int32>> PartWays;
		for (size_t First = 0, Last = 0; First < HalfEdges.size(); First = Last)
		{
			for (Last = First + 1; Last < HalfEdges.size() && HalfEdges[Last].Key == HalfEdges[First].Key;)
			{
				++Last;
			}
			if (Last - First == 2 && Part[static_cast<size_t>(HalfEdges[First].Triangle)] == Part[static_cast<size_t>(HalfEdges[First + 1].Triangle)] &&
			    EdgeWay(HalfEdges[First]) != EdgeWay(HalfEdges[First + 1]))
			{
				continue;
			}
			PartWays.clear();
			for (size_t Index = First; Index < Last; ++Index)
			{
				PartWays.emplace_back(Part[static_cast<size_t>(HalfEdges[Index].Triangle)], EdgeWay(HalfEdges[Index]));
			}
			std::sort(PartWays.begin(), PartWays.end());
			const int32 Low = static_cast<int32>(HalfEdges[First].Key >> 32), High = static_cast<int32>(HalfEdges[First].Key & 0xFFFFFFFFu);
			for (size_t Run = 0, RunEnd = 0; Run < PartWays.size(); Run = RunEnd)
			{
				int32 Sum = 0;
				for (RunEnd = Run; RunEnd < PartWays.size() && PartWays[RunEnd].first == PartWays[Run].first; ++RunEnd)
				{
					Sum += PartWays[RunEnd].second;
				}
				if (Sum != 0)
				{
					bPartClosed[static_cast<size_t>(PartWays[Run].first)] = 0;
					Boundary.push_back(Sum > 0 ? FBoundaryEdge{PartWays[Run].first, Low, High, Sum} : FBoundaryEdge{PartWays[Run].first, High, Low, -Sum});
				}
			}
		}

		const auto CornerOf = [&](size_t K, int32 Corner) -> const FVector&
		{
			const FTopoTriangle& Triangle = Topo[static_cast<size_t>(Kept[K])];
			// Turned triangles run (A, B, C) of the engine's (A, C, B).
			const int32 Order[2][3] = {{0, 1, 2}, {0, 2, 1}};
			return Welder.Positions[static_cast<size_t>(Triangle.V[Order[bTurned[K]][Corner]])];
		};

		// Each hole of an open part is closed for inside tests by a fan from the middle of its rim (the
		// length-weighted middle of its edges): the boundary of any set of triangles is a closed chain of
		// edges, so a fan over each connected piece of it closes the part exactly, whatever its shape. A
		// part with a small hole, or a head open at the neck, then bounds a solid like a closed one.
		struct FCap
		{
			int32 Part;
			int32 From;
			int32 To;
			int32 Apex;
		};
		std::vector<FCap> Caps;
		std::vector<FVector> Apexes;
		{
			std::sort(Boundary.begin(), Boundary.end(), [](const FBoundaryEdge& Left, const FBoundaryEdge& Right)
			          { return Left.Part < Right.Part; });
			std::vector<int32> RimVertices, Parent;
			for (size_t First = 0, Last = 0; First < Boundary.size(); First = Last)
			{
				for (Last = First; Last < Boundary.size() && Boundary[Last].Part == Boundary[First].Part;)
				{
					++Last;
				}
				// Pieces of the part's boundary: edges joined at their corners.
				RimVertices.clear();
				for (size_t Index = First; Index < Last; ++Index)
				{
					RimVertices.push_back(Boundary[Index].From);
					RimVertices.push_back(Boundary[Index].To);
				}
				std::sort(RimVertices.begin(), RimVertices.end());
				RimVertices.erase(std::unique(RimVertices.begin(), RimVertices.end()), RimVertices.end());
				Parent.resize(RimVertices.size());
				for (size_t Index = 0; Index < Parent.size(); ++Index)
				{
					Parent[Index] = static_cast<int32>(Index);
				}
				const auto Slot = [&RimVertices](int32 Vertex)
				{
					return static_cast<int32>(std::lower_bound(RimVertices.begin(), RimVertices.end(), Vertex) - RimVertices.begin());
				};
				const auto Root = [&Parent](int32 Index)
				{
					while (Parent[static_cast<size_t>(Index)] != Index)
					{
						Index = Parent[static_cast<size_t>(Index)] = Parent[static_cast<size_t>(Parent[static_cast<size_t>(Index)])];
					}
					return Index;
				};
				for (size_t Index = First; Index < Last; ++Index)
				{
					Parent[static_cast<size_t>(Root(Slot(Boundary[Index].From)))] = Root(Slot(Boundary[Index].To));
				}
				std::vector<FVector> Middle(RimVertices.size(), FVector(0, 0, 0));
				std::vector<double> Length(RimVertices.size(), 0.0);
				for (size_t Index = First; Index < Last; ++Index)
				{
					const FVector& A = Welder.Positions[static_cast<size_t>(Boundary[Index].From)];
					const FVector& B = Welder.Positions[static_cast<size_t>(Boundary[Index].To)];
					const size_t Piece = static_cast<size_t>(Root(Slot(Boundary[Index].From)));
					const double EdgeLength = (B - A).Size() * Boundary[Index].Count;
					Middle[Piece] += (A + B) * (0.5 * EdgeLength);
					Length[Piece] += EdgeLength;
				}
				std::vector<int32> ApexOf(RimVertices.size(), -1);
				for (size_t Index = First; Index < Last; ++Index)
				{
					const size_t Piece = static_cast<size_t>(Root(Slot(Boundary[Index].From)));
					if (ApexOf[Piece] < 0)
					{
						ApexOf[Piece] = static_cast<int32>(Apexes.size());
						Apexes.push_back(Middle[Piece] / Length[Piece]);
					}
					for (int32 Count = 0; Count < Boundary[Index].Count; ++Count)
					{
						// Against the rim: the part runs From -> To, its cap To -> From.
						Caps.push_back(FCap{Boundary[Index].Part, Boundary[Index].To, Boundary[Index].From, ApexOf[Piece]});
					}
				}
			}
		}
		const auto CapCorner = [&](const FCap& Cap, int32 Corner) -> const FVector&
		{
			return Corner == 0 ? Welder.Positions[static_cast<size_t>(Cap.From)] : (Corner == 1 ? Welder.Positions[static_cast<size_t>(Cap.To)] : Apexes[static_cast<size_t>(Cap.Apex)]);
		};

		// Outward: a part whose solid (with its caps) has a negative signed volume is turned as a whole, caps
		// and all. An open part that encloses no volume (a card, a single triangle) bounds nothing: it takes
		// no part in inside tests.
		std::vector<uint8> bPartFlat(NumParts, 0), bPartReversed(NumParts, 0);
		{
			std::vector<FVector> Centre(NumParts, FVector(0, 0, 0));
			std::vector<double> Area(NumParts, 0.0), Volume(NumParts, 0.0);
			for (size_t K = 0; K < NumKept; ++K)
			{
				const FVector &A = CornerOf(K, 0), &B = CornerOf(K, 1), &C = CornerOf(K, 2);
				const double TriangleArea = ((B - A) ^ (C - A)).Size();
				Centre[static_cast<size_t>(Part[K])] += (A + B + C) * TriangleArea;
				Area[static_cast<size_t>(Part[K])] += TriangleArea;
			}
			for (size_t PartIndex = 0; PartIndex < NumParts; ++PartIndex)
			{
				Centre[PartIndex] = Area[PartIndex] > 0.0 ? Centre[PartIndex] / (3.0 * Area[PartIndex]) : Centre[PartIndex];
			}
			const auto AddVolume = [&](size_t PartIndex, const FVector& A, const FVector& B, const FVector& C)
			{
				const FVector& O = Centre[PartIndex];
				Volume[PartIndex] += (A - O) | ((B - O) ^ (C - O));
			};
			for (size_t K = 0; K < NumKept; ++K)
			{
				AddVolume(static_cast<size_t>(Part[K]), CornerOf(K, 0), CornerOf(K, 1), CornerOf(K, 2));
			}
			for (const FCap& Cap : Caps)
			{
				AddVolume(static_cast<size_t>(Cap.Part), CapCorner(Cap, 0), CapCorner(Cap, 1), CapCorner(Cap, 2));
			}
			for (size_t PartIndex = 0; PartIndex < NumParts; ++PartIndex)
			{
				bPartReversed[PartIndex] = Volume[PartIndex] < 0.0 ? 1 : 0;
				bPartFlat[PartIndex] = !bPartClosed[PartIndex] && std::abs(Volume[PartIndex]) <= 1e-6 * std::pow(Area[PartIndex], 1.5) ? 1 : 0;
			}
			for (size_t K = 0; K < NumKept; ++K)
			{
				bTurned[K] ^= bPartReversed[static_cast<size_t>(Part[K])];
			}
			for (FCap& Cap : Caps)
			{
				if (bPartReversed[static_cast<size_t>(Cap.Part)])
				{
					std::swap(Cap.From, Cap.To);
				}
			}
		}

		// The queries' triangles, in the order the inside grid takes them: the surface of parts that bound
		// a solid, their caps, then the flat parts' surface.
		std::vector<int32> GeometryOf(NumKept, -1);
		std::vector<size_t> BoundingOrder, FlatOrder;
		for (size_t K = 0; K < NumKept; ++K)
		{
			if (Topo[static_cast<size_t>(Kept[K])].bArea)
			{
				(bPartFlat[static_cast<size_t>(Part[K])] ? FlatOrder : BoundingOrder).push_back(K);
			}
		}
		if (BoundingOrder.empty() && FlatOrder.empty())
		{
			OutError = TEXT("the mesh has no triangle with an area");
			return false;
		}
		// Near triangles near in memory, so a search through the cells around a point reads few cache lines.
		{
			// The middles are gathered on every core: the corners lie wherever the welder put them.
			std::vector<FVector> Middle(BoundingOrder.size());
			ParallelFor(TEXT("MeshQueryMiddles"), static_cast<int32>(BoundingOrder.size()), 4096, [&](int32 Index)
			            {
				            const size_t K = BoundingOrder[static_cast<size_t>(Index)];
				            Middle[static_cast<size_t>(Index)] = (CornerOf(K, 0) + CornerOf(K, 1) + CornerOf(K, 2)) / 3.0; });
			FBox MiddleBounds(ForceInit);
			for (const FVector& Point : Middle)
			{
				MiddleBounds += Point;
			}
			const FVector Size = MiddleBounds.GetSize().ComponentMax(FVector(1e-300));
			const FVector Scale(1023.0 / Size.X, 1023.0 / Size.Y, 1023.0 / Size.Z);
			const auto Axis = [](double Value)
			{ return static_cast<uint32>(FMath::Clamp(Value, 0.0, 1023.0)); };
			std::vector<uint64> Keys(Middle.size());
			for (size_t Index = 0; Index < Middle.size(); ++Index)
			{
				const FVector Cell = (Middle[Index] - MiddleBounds.Min) * Scale;
				Keys[Index] = ThirdBits(Axis(Cell.X)) | (ThirdBits(Axis(Cell.Y)) << 1) | (ThirdBits(Axis(Cell.Z)) << 2);
			}
			SortStablyByKey(BoundingOrder, std::move(Keys), 30);
		}
		std::vector<uint8> bPartHasArea(NumParts, 0), bPartTurned(NumParts, 0);
		const size_t MostTriangles = BoundingOrder.size() + Caps.size() + FlatOrder.size();
		Corners.reserve(3 * MostTriangles);
		Normals.reserve(MostTriangles);
		GivenIndex.reserve(MostTriangles);
		bOpen.reserve(MostTriangles);
		// Surface triangle K as triangle Slot here: its corners, its normal, the triangle it was given as and
		// whether its part is open. These depend on nothing else made here, so the bounding surface's are made
		// on every core.
		const auto MakeSurface = [&](size_t K, size_t Slot)
		{
			GeometryOf[K] = static_cast<int32>(Slot);
			const FVector &A = CornerOf(K, 0), &B = CornerOf(K, 1), &C = CornerOf(K, 2);
			Corners[3 * Slot] = A;
			Corners[3 * Slot + 1] = B;
			Corners[3 * Slot + 2] = C;
			Normals[Slot] = ((B - A) ^ (C - A)).GetSafeNormal(0.0);
			GivenIndex[Slot] = Topo[static_cast<size_t>(Kept[K])].Given;
			bOpen[Slot] = bPartClosed[static_cast<size_t>(Part[K])] ? 0 : 1;
		};
		// What its part and the whole learn from it.
		const auto CountSurface = [&](size_t K, size_t Slot)
		{
			const size_t PartIndex = static_cast<size_t>(Part[K]);
			bPartHasArea[PartIndex] = 1;
			bPartTurned[PartIndex] |= bTurned[K];
			Stats.TrianglesFlipped += bTurned[K];
			Bounds += Corners[3 * Slot];
			Bounds += Corners[3 * Slot + 1];
			Bounds += Corners[3 * Slot + 2];
		};
		const auto Grow = [&](size_t NumTriangles)
		{
			Corners.resize(3 * NumTriangles);
			Normals.resize(NumTriangles);
			GivenIndex.resize(NumTriangles);
			bOpen.resize(NumTriangles);
		};
		Grow(BoundingOrder.size());
		ParallelFor(TEXT("MeshQuerySurface"), static_cast<int32>(BoundingOrder.size()), 2048, [&](int32 Slot)
		            { MakeSurface(BoundingOrder[static_cast<size_t>(Slot)], static_cast<size_t>(Slot)); });
		for (size_t Slot = 0; Slot < BoundingOrder.size(); ++Slot)
		{
			CountSurface(BoundingOrder[Slot], Slot);
		}
		NumBounding = static_cast<int32>(GivenIndex.size());
		std::vector<const FCap*> CapOrder;
		for (const FCap& Cap : Caps)
		{
			const FVector &A = CapCorner(Cap, 0), &B = CapCorner(Cap, 1), &C = CapCorner(Cap, 2);
			const double LongestSqr = FMath::Max((B - A).SizeSquared(), FMath::Max((C - A).SizeSquared(), (C - B).SizeSquared()));
			if (!bPartFlat[static_cast<size_t>(Cap.Part)] && ((B - A) ^ (C - A)).SizeSquared() > 1e-24 * LongestSqr * LongestSqr)
			{
				CapOrder.push_back(&Cap);
				Corners.insert(Corners.end(), {A, B, C});
				Normals.push_back(FVector(0, 0, 0));
				GivenIndex.push_back(INDEX_NONE);
				bOpen.push_back(1);
			}
		}
		NumSolid = static_cast<int32>(GivenIndex.size());
		const size_t FirstFlat = GivenIndex.size();
		Grow(FirstFlat + FlatOrder.size());
		for (size_t Index = 0; Index < FlatOrder.size(); ++Index)
		{
			MakeSurface(FlatOrder[Index], FirstFlat + Index);
			CountSurface(FlatOrder[Index], FirstFlat + Index);
		}
		for (size_t PartIndex = 0; PartIndex < NumParts; ++PartIndex)
		{
			if (bPartHasArea[PartIndex])
			{
				++Stats.Parts;
				++(bPartClosed[PartIndex] ? Stats.ClosedParts : Stats.OpenParts);
				Stats.FlatParts += bPartFlat[PartIndex];
				Stats.PartsReoriented += bPartTurned[PartIndex];
			}
		}
		{
			std::vector<uint8> bCounted(Apexes.size(), 0);
			for (const FCap* Cap : CapOrder)
			{
				Stats.HolesClosed += bCounted[static_cast<size_t>(Cap->Apex)] ? 0 : 1;
				bCounted[static_cast<size_t>(Cap->Apex)] = 1;
			}
		}
		GivenGeometry.assign(static_cast<size_t>(NumGiven), INDEX_NONE);
		{
			std::vector<int32> KeptSlot(Topo.size(), -1);
			for (size_t K = 0; K < NumKept; ++K)
			{
				KeptSlot[static_cast<size_t>(Kept[K])] = static_cast<int32>(K);
			}
			for (size_t Index = 0; Index < Topo.size(); ++Index)
			{
				const int32 Slot = KeptSlot[static_cast<size_t>(KeptOf[Index])];
				if (Slot < 0)
				{
					// A wall between two shells.
					continue;
				}
				const int32 Geometry = GeometryOf[static_cast<size_t>(Slot)];
				if (Geometry >= 0 && Topo[Index].bArea)
				{
					GivenGeometry[static_cast<size_t>(Topo[Index].Given)] = Geometry;
				}
			}
		}

		// The engine's mesh, its trees and the winding tree are built on another core while the grid sorts
		// the triangles into cells; the grid finishes with the winding tree.
		FInsideGridInput GridInput;
		GridInput.NumTriangles = NumSolid;
		GridInput.Corners = &Corners;
		bool bAppended = true;
		Grid.Build(GridInput, [&]()
		           {
			// The nearest search's bounds first: the grid, beside, takes longer than all of this.
			const FVector Size = Bounds.GetSize();
			double MaxAbs = 0.0;
			for (int32 Axis = 0; Axis < 3; ++Axis)
			{
				MaxAbs = FMath::Max(MaxAbs, FMath::Max(std::abs(Bounds.Min[Axis]), std::abs(Bounds.Max[Axis])));
			}
			MinStep = 1e-9 * Size.GetMax() + 64.0 * DBL_EPSILON * MaxAbs;

			BoundsCentre = Bounds.GetCenter();
			const double HalfDiagonal = 0.5 * Size.Size();
			NearBoundFloor = NearBoundSlack * 4.0 * HalfDiagonal + MinStep;
			NearBounds.resize(static_cast<size_t>(NumBounding));
			for (int32 Triangle = 0; Triangle < NumBounding; ++Triangle)
			{
				const size_t First = 3 * static_cast<size_t>(Triangle);
				const FVector A = Corners[First] - BoundsCentre, B = Corners[First + 1] - BoundsCentre, C = Corners[First + 2] - BoundsCentre;
				const FVector& Normal = Normals[static_cast<size_t>(Triangle)];
				const FVector Middle = (A + B + C) / 3.0;
				const double Radius = std::sqrt(FMath::Max((A - Middle).SizeSquared(), FMath::Max((B - Middle).SizeSquared(), (C - Middle).SizeSquared())));
				NearBounds[static_cast<size_t>(Triangle)] = {static_cast<float>(Normal.X), static_cast<float>(Normal.Y), static_cast<float>(Normal.Z), static_cast<float>(-(Normal | A)),
				                                             static_cast<float>(Middle.X), static_cast<float>(Middle.Y), static_cast<float>(Middle.Z),
				                                             static_cast<float>(Radius * (1.0 + 1e-6))};
			}

			// The engine's mesh, in its winding: (A, C, B) of the outward (A, B, C). Triangles the mesh will not
			// join at an edge (a third on it) get corners of their own.
			for (const FVector& Position : Welder.Positions)
			{
				Mesh.AppendVertex(Position);
			}
			const int32 FirstApex = Mesh.VertexCount();
			for (const FVector& Apex : Apexes)
			{
				Mesh.AppendVertex(Apex);
			}
			const auto Append = [&](FIndex3i Engine, int32 Geometry)
			{
				int ID = Mesh.AppendTriangle(Engine);
				if (ID < 0)
				{
					for (int32 Corner = 0; Corner < 3; ++Corner)
					{
						Engine[Corner] = Mesh.AppendVertex(Mesh.GetVertex(Engine[Corner]));
					}
					ID = Mesh.AppendTriangle(Engine);
				}
				return ID == Geometry;
			};
			for (const size_t K : BoundingOrder)
			{
				const FTopoTriangle& Triangle = Topo[static_cast<size_t>(Kept[K])];
				bAppended = bAppended && Append(bTurned[K] ? FIndex3i(Triangle.V[0], Triangle.V[1], Triangle.V[2]) : FIndex3i(Triangle.V[0], Triangle.V[2], Triangle.V[1]), GeometryOf[K]);
			}
			for (size_t Index = 0; Index < CapOrder.size(); ++Index)
			{
				bAppended = bAppended && Append(FIndex3i(CapOrder[Index]->From, FirstApex + CapOrder[Index]->Apex, CapOrder[Index]->To), NumBounding + static_cast<int32>(Index));
			}
			for (const size_t K : FlatOrder)
			{
				const FTopoTriangle& Triangle = Topo[static_cast<size_t>(Kept[K])];
				bAppended = bAppended && Append(bTurned[K] ? FIndex3i(Triangle.V[0], Triangle.V[1], Triangle.V[2]) : FIndex3i(Triangle.V[0], Triangle.V[2], Triangle.V[1]), GeometryOf[K]);
			}
			if (!bAppended)
			{
				return;
			}

			const int32 TreeRanges[3][2] = {{0, NumBounding}, {NumSolid, static_cast<int32>(GivenIndex.size())}, {0, NumSolid}};
			// Without caps the solid is the bounding surface, whose tree serves the winding numbers too.
			const bool bSolidIsBounding = NumSolid == NumBounding;
			for (int32 Kind = 0; Kind < (bSolidIsBounding ? 2 : 3); ++Kind)
			{
				TArray<int32> List;
				List.Reserve(TreeRanges[Kind][1] - TreeRanges[Kind][0]);
				for (int32 Geometry = TreeRanges[Kind][0]; Geometry < TreeRanges[Kind][1]; ++Geometry)
				{
					List.Add(Geometry);
				}
				if (List.Num() > 0)
				{
					Trees[Kind].SetMesh(&Mesh, false);
					Trees[Kind].Build(List);
					bTreeBuilt[Kind] = true;
				}
			}

			if (NumSolid > 0)
			{
				SolidWinding = std::make_unique<TFastWindingTree<FDynamicMesh3>>(&Trees[bSolidIsBounding ? 0 : 2], true);
			}
			GridInput.Winding = SolidWinding.get(); });
		if (!bAppended)
		{
			OutError = TEXT("the engine's mesh did not take the triangles as given");
			return false;
		}

		// A surface inside another shell (where shells overlap, or a shell within another) is no way out.
		bBuried.assign(GivenIndex.size(), 0);
		if (Stats.ClosedParts > 0 && Stats.Parts > 1)
		{
			int32 FallbacksLeft = 512;
			for (size_t Geometry = 0; Geometry < GivenIndex.size(); ++Geometry)
			{
				if (GivenIndex[Geometry] == INDEX_NONE)
				{
					continue;
				}
				const FVector &A = Corners[3 * Geometry], &B = Corners[3 * Geometry + 1], &C = Corners[3 * Geometry + 2];
				const double Longest = std::sqrt(FMath::Max((B - A).SizeSquared(), FMath::Max((C - A).SizeSquared(), (C - B).SizeSquared())));
				const FVector Probe = (A + B + C) / 3.0 + Normals[Geometry] * (1e-5 * Longest + MinStep);
				bool bDecided = false;
				bool bInside = Grid.IsInsideWithoutFallback(Probe, bDecided);
				// Where the grid cannot tell, the winding trees can, for a bounded number of triangles.
				if (!bDecided && FallbacksLeft > 0)
				{
					--FallbacksLeft;
					bInside = Grid.IsInside(Probe);
					bDecided = true;
				}
				bBuried[Geometry] = bInside && bDecided ? 1 : 0;
				bAnyBuried |= bBuried[Geometry] != 0;
			}
		}
		return true;
	}

	int32 FMeshQuery::FImpl::NearestTriangle(const FVector& Point, double MaxDistance, const TFunction<bool(int)>& Filter, FVector& OutNearest, int32 Hint) const
	{
		int32 Best = -1;
		double BestDistance = MaxDistance;
		FVector BestPoint(0, 0, 0);
		const auto Consider = [&](int32 Triangle)
		{
			const size_t First = 3 * static_cast<size_t>(Triangle);
			FDistPoint3Triangle3d Distance(Point, UE::Geometry::FTriangle3d(Corners[First], Corners[First + 1], Corners[First + 2]));
			const double Found = Distance.Get();
			if (Found < BestDistance)
			{
				Best = Triangle;
				BestDistance = Found;
				BestPoint = Distance.ClosestTrianglePoint;
			}
		};
		// The surface in the cells around the point, ring by ring, until nothing beyond can be nearer (a
		// triangle whose plane or sphere is no nearer than the best so far is passed over); the tree goes on
		// from the best found where that does not settle it.
		bool bSettled = false;
		if (!Filter)
		{
			if (Hint >= 0 && Hint < NumBounding)
			{
				Consider(Hint);
			}
			// Where the point lies about the bounds' centre, and how far its bounds may err there.
			const FVector Local = Point - BoundsCentre;
			const double Slack = NearBoundSlack * (std::abs(Local.X) + std::abs(Local.Y) + std::abs(Local.Z)) + NearBoundFloor;
			// The triangles a ring brings that may be nearer than the best, with a bound below their distance.
			struct FCandidate
			{
				double Below;
				int32 Triangle;
			};
			thread_local std::vector<FCandidate> Candidates;
			Candidates.clear();
			bSettled = Grid.VisitRings(
			    Point, 4, [&]
			    { return BestDistance; },
			    [&](const uint32* Entries, int32 Num, double GapSquared)
			    {
				    // A cell no nearer than the best holds nothing nearer.
				    if (GapSquared * (1.0 - 1e-9) >= BestDistance * BestDistance)
				    {
					    return;
				    }
				    for (int32 Entry = 0; Entry < Num; ++Entry)
				    {
					    const int32 Triangle = static_cast<int32>(Entries[Entry] >> 1);
					    // Caps are not surface.
					    if (Triangle < NumBounding)
					    {
						    const FNearBound& Near = NearBounds[static_cast<size_t>(Triangle)];
						    const double Plane = std::abs(Near.NX * Local.X + Near.NY * Local.Y + Near.NZ * Local.Z + Near.D) - Slack;
						    if (Plane < BestDistance)
						    {
							    const double DX = Local.X - Near.CX, DY = Local.Y - Near.CY, DZ = Local.Z - Near.CZ;
							    const double Below = FMath::Max(Plane, std::sqrt(DX * DX + DY * DY + DZ * DZ) - Near.R - Slack);
							    if (Below < BestDistance)
							    {
								    Candidates.push_back({Below, Triangle});
							    }
						    }
					    }
				    }
			    },
			    [&](int32 Ring, double Clearance)
			    {
				    // Nearest bound first. For a point near the surface the first triangle taken is usually the
				    // nearest, and its distance passes the rest by.
				    while (!Candidates.empty())
				    {
					    size_t Lowest = 0;
					    for (size_t Index = 1; Index < Candidates.size(); ++Index)
					    {
						    Lowest = Candidates[Index].Below < Candidates[Lowest].Below ? Index : Lowest;
					    }
					    if (!(Candidates[Lowest].Below < BestDistance))
					    {
						    Candidates.clear();
						    break;
					    }
					    const int32 Triangle = Candidates[Lowest].Triangle;
					    if (Triangle != Best)
					    {
						    Consider(Triangle);
					    }
					    // What the best now passes by, and the triangle taken, in any copy a cell gave.
					    Candidates.erase(std::remove_if(Candidates.begin(), Candidates.end(), [&](const FCandidate& Other)
					                                    { return !(Other.Below < BestDistance) || Other.Triangle == Triangle; }),
					                     Candidates.end());
				    }
				    // Far from the surface the tree does better.
				    return BestDistance <= Clearance ? 1 : (Best < 0 && Ring >= 1 ? -1 : 0);
			    });
		}
		// Just beyond the best: a tree keeps only what is strictly nearer. Caps are not surface; flat parts
		// are in no cell's list.
		for (int32 Kind = bSettled ? 1 : 0; Kind < 2; ++Kind)
		{
			const FDynamicMeshAABBTree3& Tree = Trees[Kind];
			if (!bTreeBuilt[Kind] || !Tree.IsValid(false))
			{
				continue;
			}
			const double Reach = Best >= 0 ? BestDistance * (1.0 + 1e-9) + MinStep : MaxDistance;
			double DistSqr = 0.0;
			const int Found = Tree.FindNearestTriangle(Point, DistSqr, UE::Geometry::IMeshSpatial::FQueryOptions(Reach, Filter));
			if (Found >= 0 && Found != Best)
			{
				Consider(Found);
			}
		}
		if (Best >= 0)
		{
			OutNearest = BestPoint;
		}
		return Best;
	}

	FString FMeshQueryStats::ToString() const
	{
		FString Text = FString::Printf(TEXT("%d triangles in %d part%s"), Triangles, Parts, Parts == 1 ? TEXT("") : TEXT("s"));
		if (OpenParts == 0)
		{
			Text += Parts == 1 ? TEXT(" (closed)") : TEXT(" (all closed)");
		}
		else if (ClosedParts == 0 && FlatParts == 0)
		{
			Text += Parts == 1 ? TEXT(" (open)") : TEXT(" (all open)");
		}
		else if (FlatParts == 0)
		{
			Text += FString::Printf(TEXT(" (%d closed, %d open)"), ClosedParts, OpenParts);
		}
		else
		{
			Text += FString::Printf(TEXT(" (%d closed, %d open of which %d flat)"), ClosedParts, OpenParts, FlatParts);
		}
		if (PartsReoriented > 0)
		{
			Text += FString::Printf(TEXT("; %d triangle%s turned to face outward in %d part%s"), TrianglesFlipped, TrianglesFlipped == 1 ? TEXT("") : TEXT("s"),
			                        PartsReoriented, PartsReoriented == 1 ? TEXT("") : TEXT("s"));
		}
		if (ReversedDropped > 0)
		{
			Text += FString::Printf(TEXT("; %d reversed cop%s dropped"), ReversedDropped, ReversedDropped == 1 ? TEXT("y") : TEXT("ies"));
		}
		if (SharedFacesDropped > 0)
		{
			Text += FString::Printf(TEXT("; %d triangles of faces shared by two shells dropped"), SharedFacesDropped);
		}
		if (DuplicatesDropped > 0)
		{
			Text += FString::Printf(TEXT("; %d duplicate%s dropped"), DuplicatesDropped, DuplicatesDropped == 1 ? TEXT("") : TEXT("s"));
		}
		if (HolesClosed > 0)
		{
			Text += FString::Printf(TEXT("; %d hole%s closed for inside tests"), HolesClosed, HolesClosed == 1 ? TEXT("") : TEXT("s"));
		}
		if (TrianglesWithoutArea > 0)
		{
			Text += FString::Printf(TEXT("; %d without area ignored"), TrianglesWithoutArea);
		}
		return Text;
	}

	const TCHAR* LexToString(EResolveResult Result)
	{
		switch (Result)
		{
			case EResolveResult::Outside:
				return TEXT("outside");
			case EResolveResult::Resolved:
				return TEXT("resolved");
			case EResolveResult::UnresolvedEnclosed:
				return TEXT("enclosed by another shell");
			case EResolveResult::UnresolvedOpenMesh:
				return TEXT("the mesh is open there");
			case EResolveResult::UnresolvedNoExit:
				return TEXT("no way out within reach");
			case EResolveResult::UnresolvedSegmentLength:
				return TEXT("no way out at the strand's segment length");
			case EResolveResult::UnresolvedBadOffset:
				return TEXT("the offset is not a finite number of at least zero");
		}
		return TEXT("unknown");
	}

	FMeshQuery::FMeshQuery(std::unique_ptr<FImpl> InImpl)
	    : Impl(std::move(InImpl))
	{
	}

	FMeshQuery::~FMeshQuery() = default;

	std::shared_ptr<const FMeshQuery> FMeshQuery::Build(TArray<FVector> Vertices, TArray<int32> Indices, FString& OutError)
	{
		std::unique_ptr<FImpl> Impl(new FImpl());
		if (!Impl->Build(Vertices, Indices, OutError))
		{
			return nullptr;
		}
		return std::shared_ptr<const FMeshQuery>(new FMeshQuery(std::move(Impl)));
	}

	int32 FMeshQuery::NumTriangles() const
	{
		return Impl->Stats.Triangles;
	}

	FBox FMeshQuery::GetBounds() const
	{
		return Impl->Bounds;
	}

	FVector FMeshQuery::TriangleNormal(int32 Triangle) const
	{
		const int32 Geometry = FaceHint(Triangle);
		return Geometry >= 0 ? Impl->Normals[static_cast<size_t>(Geometry)] : FVector(0, 0, 0);
	}

	int32 FMeshQuery::FaceHint(int32 Face) const
	{
		return Face >= 0 && Face < Impl->Stats.Triangles ? Impl->GivenGeometry[static_cast<size_t>(Face)] : INDEX_NONE;
	}

	bool FMeshQuery::IsBuried(int32 Face) const
	{
		const int32 Geometry = FaceHint(Face);
		return Geometry != INDEX_NONE && Impl->bBuried[static_cast<size_t>(Geometry)] != 0;
	}

	bool FMeshQuery::NearestPoint(const FVector& Point, FVector& OutNearest, FVector& OutNormal, double MaxDistance, int32* OutTriangle) const
	{
		if (!IsFiniteVector(Point) || !(MaxDistance > 0.0))
		{
			return false;
		}
		FVector Nearest;
		const int32 Found = Impl->NearestTriangle(Point, MaxDistance, nullptr, Nearest);
		if (Found < 0)
		{
			return false;
		}
		OutNearest = Nearest;
		OutNormal = Impl->Normals[static_cast<size_t>(Found)];
		if (OutTriangle)
		{
			*OutTriangle = Impl->GivenIndex[static_cast<size_t>(Found)];
		}
		return true;
	}

	bool FMeshQuery::IsInside(const FVector& Point) const
	{
		return Impl->Grid.IsInside(Point);
	}

	int32 FMeshQuery::FindInside(const float* Points, int32 Count, const FVector& Placement, uint8* OutInside) const
	{
		return Impl->Grid.FindInside(Points, Count, Placement, OutInside);
	}

	EResolveResult FMeshQuery::ResolvePoint(const FVector& Point, double Offset, FVector& OutPoint) const
	{
		OutPoint = Point;
		if (!IsInside(Point))
		{
			return EResolveResult::Outside;
		}
		return ResolveInsidePoint(Point, Offset, OutPoint);
	}

	EResolveResult FMeshQuery::ResolveInsidePoint(const FVector& Point, double Offset, FVector& OutPoint, int32* InOutHint) const
	{
		OutPoint = Point;
		if (!std::isfinite(Offset) || Offset < 0.0)
		{
			return EResolveResult::UnresolvedBadOffset;
		}
		const FImpl& Data = *Impl;
		const double Step = FMath::Max(Offset, Data.MinStep);
		int32 Tried[ResolveCandidates];
		int32 NumTried = 0;
		// Made only when a triangle has to be passed over: most points leave by the first.
		TFunction<bool(int)> Filter;
		for (; NumTried < ResolveCandidates; ++NumTried)
		{
			if (!Filter && (NumTried > 0 || Data.bAnyBuried))
			{
				Filter = [&](int Triangle)
				{
					return !Data.bBuried[static_cast<size_t>(Triangle)] && std::find(Tried, Tried + NumTried, Triangle) == Tried + NumTried;
				};
			}
			FVector Nearest;
			const int32 Triangle = Data.NearestTriangle(Point, TNumericLimits<double>::Max(), Filter, Nearest, InOutHint ? *InOutHint : INDEX_NONE);
			if (Triangle < 0)
			{
				break;
			}
			if (InOutHint)
			{
				*InOutHint = Triangle;
			}
			// Along the triangle's normal. At the nearest point of all, which may lie on an edge or a corner
			// of a crease, the way on from the point is as much an outward normal there, and leaves the
			// crease down its middle.
			const FVector& Normal = Data.Normals[static_cast<size_t>(Triangle)];
			FVector Candidate = Nearest + Normal * Step;
			if (Data.StepsOut(Candidate))
			{
				OutPoint = Candidate;
				return EResolveResult::Resolved;
			}
			const FVector Way = (Nearest - Point).GetSafeNormal(0.0);
			if (NumTried == 0 && (Way | Normal) > 0.0)
			{
				Candidate = Nearest + Way * Step;
				if (Data.StepsOut(Candidate))
				{
					OutPoint = Candidate;
					return EResolveResult::Resolved;
				}
			}
			// Where shells cross, the nearest point of a triangle can lie in the other shell while its middle,
			// not buried, does not.
			const size_t First = 3 * static_cast<size_t>(Triangle);
			Candidate = (Data.Corners[First] + Data.Corners[First + 1] + Data.Corners[First + 2]) / 3.0 + Normal * Step;
			if (Data.StepsOut(Candidate))
			{
				OutPoint = Candidate;
				return EResolveResult::Resolved;
			}
			Tried[NumTried] = Triangle;
		}
		FVector Nearest;
		const int32 Closest = Data.NearestTriangle(Point, TNumericLimits<double>::Max(), nullptr, Nearest);
		if (Closest >= 0 && Data.bBuried[static_cast<size_t>(Closest)])
		{
			return EResolveResult::UnresolvedEnclosed;
		}
		if (Closest >= 0 && Data.bOpen[static_cast<size_t>(Closest)])
		{
			return EResolveResult::UnresolvedOpenMesh;
		}
		return EResolveResult::UnresolvedNoExit;
	}

	const FMeshQueryStats& FMeshQuery::GetStats() const
	{
		return Impl->Stats;
	}

	SIZE_T FMeshQuery::GetAllocatedSize() const
	{
		const FImpl& Data = *Impl;
		return Data.GivenGeometry.capacity() * sizeof(int32) + Data.Corners.capacity() * sizeof(FVector) + Data.Normals.capacity() * sizeof(FVector) +
		       Data.NearBounds.capacity() * sizeof(FImpl::FNearBound) +
		       Data.GivenIndex.capacity() * sizeof(int32) + Data.bOpen.capacity() + Data.bBuried.capacity() +
		       Data.Grid.GetAllocatedSize();
	}
}
