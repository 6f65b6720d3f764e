#include "MeshQuery.h"

#include "Distance/DistPoint3Triangle3.h"
#include "DynamicMesh/DynamicMesh3.h"
#include "DynamicMesh/DynamicMeshAABBTree3.h"
#include "Spatial/FastWinding.h"

#include <cmath>
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

		bool IsFiniteVector(const FVector& V)
		{
			return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z);
		}

		// The tree and the winding numbers of the whole mesh, built at once.
		class FWindingMeshQuery final : public FMeshQuery
		{
		public:
			FWindingMeshQuery()
			    : Winding(&Tree, false)
			{
			}

			bool Init(const TArray<FVector>& Vertices, const TArray<int32>& Indices, FString& OutError)
			{
				FVector Min(TNumericLimits<double>::Max()), Max(TNumericLimits<double>::Lowest());
				for (const FVector& Vertex : Vertices)
				{
					if (!IsFiniteVector(Vertex))
					{
						OutError = TEXT("a vertex of the mesh is not finite");
						return false;
					}
					Mesh.AppendVertex(Vertex);
					Min = Min.ComponentMin(Vertex);
					Max = Max.ComponentMax(Vertex);
				}
				Size = Vertices.Num() > 0 ? (Max - Min).Size() : 0.0;
				const int32 NumGiven = Indices.Num() / 3;
				TriangleIDs.assign(static_cast<size_t>(NumGiven), FDynamicMesh3::InvalidID);
				std::vector<int32> AreaTriangles;
				double SignedVolume = 0.0;
				for (int32 Triangle = 0; Triangle < NumGiven; ++Triangle)
				{
					FIndex3i Corners(Indices[3 * Triangle], Indices[3 * Triangle + 1], Indices[3 * Triangle + 2]);
					for (int32 Corner = 0; Corner < 3; ++Corner)
					{
						if (Corners[Corner] < 0 || Corners[Corner] >= Vertices.Num())
						{
							OutError = FString::Printf(TEXT("triangle %d of the mesh names a vertex it does not have"), Triangle);
							return false;
						}
					}
					const FVector V0 = Vertices[Corners.A], V1 = Vertices[Corners.B], V2 = Vertices[Corners.C];
					const FVector Normal = (V2 - V0) ^ (V1 - V0);
					if (Normal.IsZero())
					{
						continue;
					}
					int TriangleID = Mesh.AppendTriangle(Corners);
					if (TriangleID < 0)
					{
						for (int32 Corner = 0; Corner < 3; ++Corner)
						{
							Corners[Corner] = Mesh.AppendVertex(Mesh.GetVertex(Corners[Corner]));
						}
						TriangleID = Mesh.AppendTriangle(Corners);
					}
					TriangleIDs[static_cast<size_t>(Triangle)] = TriangleID;
					SignedVolume += V0 | Normal;
					AreaTriangles.push_back(TriangleID);
				}
				if (AreaTriangles.empty())
				{
					OutError = NumGiven == 0 ? FString(TEXT("the mesh has no triangles")) : FString(TEXT("the mesh has no triangle with an area"));
					return false;
				}
				Orientation = SignedVolume < 0.0 ? -1.0 : 1.0;
				Stats.Triangles = NumGiven;
				TArray<int32> TriangleList(AreaTriangles.data(), static_cast<int32>(AreaTriangles.size()));
				Tree.SetMesh(&Mesh, false);
				Tree.Build(TriangleList);
				Winding.Build(true);
				return true;
			}

			virtual int32 NumTriangles() const override { return static_cast<int32>(TriangleIDs.size()); }
			virtual double GetSize() const override { return Size; }
			virtual const FMeshQueryStats& GetStats() const override { return Stats; }

			virtual FVector TriangleNormal(int32 Triangle) const override
			{
				if (Triangle < 0 || Triangle >= NumTriangles() || TriangleIDs[static_cast<size_t>(Triangle)] < 0)
				{
					return FVector::ZeroVector;
				}
				return Mesh.GetTriNormal(TriangleIDs[static_cast<size_t>(Triangle)]) * Orientation;
			}

			virtual bool NearestPoint(const FVector& Point, FVector& OutNearest, FVector& OutNormal, double MaxDistance, int32* OutTriangle) const override
			{
				if (!IsFiniteVector(Point))
				{
					return false;
				}
				double DistSqr = 0.0;
				const int TriangleID = Tree.FindNearestTriangle(Point, DistSqr, UE::Geometry::IMeshSpatial::FQueryOptions(MaxDistance));
				if (TriangleID == FDynamicMesh3::InvalidID)
				{
					return false;
				}
				FVector V0, V1, V2;
				Mesh.GetTriVertices(TriangleID, V0, V1, V2);
				FDistPoint3Triangle3d Distance(Point, UE::Geometry::FTriangle3d(V0, V1, V2));
				Distance.GetSquared();
				OutNearest = Distance.ClosestTrianglePoint;
				OutNormal = Mesh.GetTriNormal(TriangleID) * Orientation;
				if (OutTriangle)
				{
					*OutTriangle = INDEX_NONE;
					for (size_t Given = 0; Given < TriangleIDs.size(); ++Given)
					{
						if (TriangleIDs[Given] == TriangleID)
						{
							*OutTriangle = static_cast<int32>(Given);
							break;
						}
					}
				}
				return true;
			}

			virtual bool IsInside(const FVector& Point) const override
			{
				return IsFiniteVector(Point) && Winding.FastWindingNumber(Point) * Orientation > 0.5;
			}

			virtual EResolveResult ResolvePoint(const FVector& Point, double Offset, FVector& OutPoint) const override
			{
				if (!IsInside(Point))
				{
					return EResolveResult::Outside;
				}
				FVector Current = Point;
				for (int32 Attempt = 0; Attempt < 4; ++Attempt)
				{
					FVector Nearest, Normal;
					if (!NearestPoint(Current, Nearest, Normal, TNumericLimits<double>::Max(), nullptr))
					{
						break;
					}
					Current = Nearest + Normal * Offset;
					if (!IsInside(Current))
					{
						OutPoint = Current;
						return EResolveResult::Resolved;
					}
				}
				return EResolveResult::Unresolved;
			}

		private:
			FDynamicMesh3 Mesh;
			FDynamicMeshAABBTree3 Tree;
			TFastWindingTree<FDynamicMesh3> Winding;
			std::vector<int32> TriangleIDs;
			double Orientation = 1.0;
			double Size = 0.0;
			FMeshQueryStats Stats;
		};
	}

	std::shared_ptr<const FMeshQuery> FMeshQuery::Build(TArray<FVector> Vertices, TArray<int32> Indices, FString& OutError)
	{
		auto Query = std::make_shared<FWindingMeshQuery>();
		if (!Query->Init(Vertices, Indices, OutError))
		{
			return nullptr;
		}
		return Query;
	}
}
