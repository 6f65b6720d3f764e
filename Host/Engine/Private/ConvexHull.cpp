#include "ConvexHull.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace UE::Host
{
	namespace
	{
		bool IsFinite(const FVector& V)
		{
			return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z);
		}

		// Meeting a shape at the start, the normal faces back along the segment.
		void StartPenetrating(const FVector& Start, const FVector& End, FShapeHit& OutHit)
		{
			OutHit.Time = 0.0;
			OutHit.Normal = -(End - Start).GetSafeNormal();
			OutHit.bStartPenetrating = true;
		}
	}

	bool TraceSphere(const FVector& Center, double Radius, const FVector& Start, const FVector& End, FShapeHit& OutHit)
	{
		if (!(Radius > 0.0))
		{
			return false;
		}
		const FVector Delta = End - Start;
		const FVector FromCenter = Start - Center;
		const double C = FromCenter.SizeSquared() - Radius * Radius;
		if (C <= 0.0)
		{
			StartPenetrating(Start, End, OutHit);
			return true;
		}
		const double A = Delta.SizeSquared();
		const double B = FromCenter | Delta;
		const double Discriminant = B * B - A * C;
		if (!(A > 0.0) || Discriminant < 0.0 || B >= 0.0)
		{
			return false;
		}
		const double Time = (-B - std::sqrt(Discriminant)) / A;
		if (Time < 0.0 || Time > 1.0)
		{
			return false;
		}
		OutHit.Time = Time;
		OutHit.Normal = (FromCenter + Delta * Time).GetSafeNormal();
		OutHit.bStartPenetrating = false;
		return true;
	}

	bool TraceBox(const FVector& HalfExtent, const FVector& Start, const FVector& End, FShapeHit& OutHit)
	{
		if (!(HalfExtent.X >= 0.0 && HalfExtent.Y >= 0.0 && HalfExtent.Z >= 0.0))
		{
			return false;
		}
		if (FMath::Abs(Start.X) <= HalfExtent.X && FMath::Abs(Start.Y) <= HalfExtent.Y && FMath::Abs(Start.Z) <= HalfExtent.Z)
		{
			StartPenetrating(Start, End, OutHit);
			return true;
		}
		const FVector Delta = End - Start;
		double Enter = 0.0, Exit = 1.0;
		int32 EnterAxis = INDEX_NONE;
		for (int32 Axis = 0; Axis < 3; ++Axis)
		{
			if (Delta[Axis] == 0.0)
			{
				if (FMath::Abs(Start[Axis]) > HalfExtent[Axis])
				{
					return false;
				}
				continue;
			}
			double Near = (-HalfExtent[Axis] - Start[Axis]) / Delta[Axis];
			double Far = (HalfExtent[Axis] - Start[Axis]) / Delta[Axis];
			if (Near > Far)
			{
				std::swap(Near, Far);
			}
			if (Near > Enter)
			{
				Enter = Near;
				EnterAxis = Axis;
			}
			Exit = FMath::Min(Exit, Far);
			if (Enter > Exit)
			{
				return false;
			}
		}
		if (EnterAxis == INDEX_NONE)
		{
			return false;
		}
		OutHit.Time = Enter;
		OutHit.Normal = FVector::ZeroVector;
		OutHit.Normal[EnterAxis] = Delta[EnterAxis] > 0.0 ? -1.0 : 1.0;
		OutHit.bStartPenetrating = false;
		return true;
	}

	bool FConvexHull::Build(const TArray<FVector>& InPoints)
	{
		Planes.clear();
		std::vector<FVector> Points;
		for (const FVector& Point : InPoints)
		{
			if (IsFinite(Point) && std::find(Points.begin(), Points.end(), Point) == Points.end())
			{
				Points.push_back(Point);
			}
		}
		if (Points.size() < 4)
		{
			return false;
		}
		double Extent = 0.0;
		for (const FVector& Point : Points)
		{
			Extent = FMath::Max(Extent, FMath::Max(FMath::Abs(Point.X), FMath::Max(FMath::Abs(Point.Y), FMath::Abs(Point.Z))));
		}
		// Points closer than this to a face's plane are on it.
		const double Epsilon = 1e-9 * FMath::Max(Extent, 1e-30);

		// A first tetrahedron of four points well apart.
		const auto Farthest = [&Points](auto Distance)
		{
			size_t Best = 0;
			double BestDistance = -1.0;
			for (size_t Index = 0; Index < Points.size(); ++Index)
			{
				const double D = Distance(Points[Index]);
				if (D > BestDistance)
				{
					BestDistance = D;
					Best = Index;
				}
			}
			return std::make_pair(Best, BestDistance);
		};
		const size_t I0 = Farthest([](const FVector& P)
		                           { return -P.X; })
		                      .first;
		const auto [I1, D1] = Farthest([&](const FVector& P)
		                               { return (P - Points[I0]).Size(); });
		if (D1 <= Epsilon)
		{
			return false;
		}
		const FVector Axis = (Points[I1] - Points[I0]) / D1;
		const auto [I2, D2] = Farthest([&](const FVector& P)
		                               { return ((P - Points[I0]) ^ Axis).Size(); });
		if (D2 <= Epsilon)
		{
			return false;
		}
		const FVector BaseNormal = ((Points[I1] - Points[I0]) ^ (Points[I2] - Points[I0])).GetSafeNormal();
		const auto [I3, D3] = Farthest([&](const FVector& P)
		                               { return FMath::Abs((P - Points[I0]) | BaseNormal); });
		if (D3 <= Epsilon)
		{
			return false;
		}

		struct FFace
		{
			int32 Corners[3];
			FVector Normal;
			double Offset = 0.0;
			bool bAlive = true;
		};
		std::vector<FFace> Faces;
		// The face holding each directed edge (From, To), corners counter-clockwise seen from outside.
		std::unordered_map<uint64, size_t> EdgeFaces;
		const auto EdgeKey = [](int32 From, int32 To)
		{
			return (static_cast<uint64>(static_cast<uint32>(From)) << 32) | static_cast<uint32>(To);
		};
		const FVector Inside = (Points[I0] + Points[I1] + Points[I2] + Points[I3]) * 0.25;
		const auto AddFace = [&](int32 A, int32 B, int32 C)
		{
			FFace Face;
			Face.Normal = ((Points[B] - Points[A]) ^ (Points[C] - Points[A])).GetSafeNormal();
			if (((Inside - Points[A]) | Face.Normal) > 0.0)
			{
				std::swap(B, C);
				Face.Normal = -Face.Normal;
			}
			Face.Corners[0] = A;
			Face.Corners[1] = B;
			Face.Corners[2] = C;
			Face.Offset = Face.Normal | Points[A];
			for (int32 Corner = 0; Corner < 3; ++Corner)
			{
				EdgeFaces[EdgeKey(Face.Corners[Corner], Face.Corners[(Corner + 1) % 3])] = Faces.size();
			}
			Faces.push_back(Face);
		};
		const int32 T[4] = {static_cast<int32>(I0), static_cast<int32>(I1), static_cast<int32>(I2), static_cast<int32>(I3)};
		AddFace(T[0], T[1], T[2]);
		AddFace(T[0], T[1], T[3]);
		AddFace(T[0], T[2], T[3]);
		AddFace(T[1], T[2], T[3]);

		// Each further point outside the hull replaces the faces it sees by a cone from their rim to it.
		for (size_t Index = 0; Index < Points.size(); ++Index)
		{
			const int32 Point = static_cast<int32>(Index);
			if (std::find(std::begin(T), std::end(T), Point) != std::end(T))
			{
				continue;
			}
			std::vector<size_t> Visible;
			for (size_t Face = 0; Face < Faces.size(); ++Face)
			{
				if (Faces[Face].bAlive && ((Faces[Face].Normal | Points[Index]) - Faces[Face].Offset) > Epsilon)
				{
					Visible.push_back(Face);
				}
			}
			if (Visible.empty())
			{
				continue;
			}
			for (const size_t Face : Visible)
			{
				Faces[Face].bAlive = false;
			}
			std::vector<std::pair<int32, int32>> Rim;
			for (const size_t Face : Visible)
			{
				for (int32 Corner = 0; Corner < 3; ++Corner)
				{
					const int32 From = Faces[Face].Corners[Corner];
					const int32 To = Faces[Face].Corners[(Corner + 1) % 3];
					const auto Twin = EdgeFaces.find(EdgeKey(To, From));
					if (Twin != EdgeFaces.end() && Faces[Twin->second].bAlive)
					{
						Rim.emplace_back(From, To);
					}
				}
			}
			for (const size_t Face : Visible)
			{
				for (int32 Corner = 0; Corner < 3; ++Corner)
				{
					EdgeFaces.erase(EdgeKey(Faces[Face].Corners[Corner], Faces[Face].Corners[(Corner + 1) % 3]));
				}
			}
			for (const auto& [From, To] : Rim)
			{
				FFace Face;
				Face.Corners[0] = From;
				Face.Corners[1] = To;
				Face.Corners[2] = Point;
				Face.Normal = ((Points[To] - Points[From]) ^ (Points[Index] - Points[From])).GetSafeNormal();
				Face.Offset = Face.Normal | Points[From];
				for (int32 Corner = 0; Corner < 3; ++Corner)
				{
					EdgeFaces[EdgeKey(Face.Corners[Corner], Face.Corners[(Corner + 1) % 3])] = Faces.size();
				}
				Faces.push_back(Face);
			}
		}

		for (const FFace& Face : Faces)
		{
			if (Face.bAlive && !Face.Normal.IsZero())
			{
				Planes.push_back(FFacePlane{Face.Normal, Face.Offset});
			}
		}
		return !Planes.empty();
	}

	bool FConvexHull::Trace(const FVector& Start, const FVector& End, FShapeHit& OutHit) const
	{
		if (Planes.empty())
		{
			return false;
		}
		const FVector Delta = End - Start;
		double Enter = 0.0, Exit = 1.0;
		const FFacePlane* Entered = nullptr;
		bool bStartInside = true;
		for (const FFacePlane& Plane : Planes)
		{
			const double Distance = (Plane.Normal | Start) - Plane.Offset;
			const double Approach = Plane.Normal | Delta;
			if (Distance > 0.0)
			{
				bStartInside = false;
			}
			if (Approach == 0.0)
			{
				if (Distance > 0.0)
				{
					return false;
				}
				continue;
			}
			const double Time = -Distance / Approach;
			if (Approach < 0.0)
			{
				if (Time > Enter)
				{
					Enter = Time;
					Entered = &Plane;
				}
			}
			else
			{
				Exit = FMath::Min(Exit, Time);
			}
			if (Enter > Exit)
			{
				return false;
			}
		}
		if (bStartInside)
		{
			StartPenetrating(Start, End, OutHit);
			return true;
		}
		if (!Entered)
		{
			return false;
		}
		OutHit.Time = Enter;
		OutHit.Normal = Entered->Normal;
		OutHit.bStartPenetrating = false;
		return true;
	}
}
