#include "DemoScene.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace VelmoraCli
{
	namespace
	{
		FVector ToVector(const FVector3f& V)
		{
			return FVector(V.X, V.Y, V.Z);
		}

		FVector Normalized(const FVector& V)
		{
			const double Length = std::sqrt(V.X * V.X + V.Y * V.Y + V.Z * V.Z);
			return Length > 1e-12 ? FVector(V.X / Length, V.Y / Length, V.Z / Length) : FVector(0, 0, 1);
		}

		FVector Cross(const FVector& A, const FVector& B)
		{
			return FVector(A.Y * B.Z - A.Z * B.Y, A.Z * B.X - A.X * B.Z, A.X * B.Y - A.Y * B.X);
		}

		double Dot(const FVector& A, const FVector& B)
		{
			return A.X * B.X + A.Y * B.Y + A.Z * B.Z;
		}

		// Next, or where it would stand Clearance off the head (as measured from the head's centre), the
		// segment to it a little longer.
		FVector OverHead(const FVector& Next, double Clearance)
		{
			const double Distance = std::sqrt(Dot(Next, Next));
			const double Floor = Host::HeadRadius(Next) + Clearance;
			return Distance >= Floor || Distance <= 0.0 ? Next : Next * (Floor / Distance);
		}

		// The hairline: low at the nape, above the ears at the sides, high on the forehead.
		bool IsScalp(const FVector& Direction)
		{
			return Direction.Z > 0.15 + 0.5 * Direction.X;
		}
	}

	Host::FMeshData BuildDemoHead()
	{
		return Host::BuildHead(20000);
	}

	GroomData BuildDemoGroom(const Host::FMeshData& Head, const FDemoGroomOptions& Options)
	{
		// Scalp triangles, picked by area so strands spread evenly.
		struct FScalpTriangle
		{
			FVector A, B, C, Normal;
		};
		std::vector<FScalpTriangle> Scalp;
		std::vector<double> CumulativeArea;
		double TotalArea = 0;
		for (int32 Triangle = 0; Triangle < Head.NumTriangles(); ++Triangle)
		{
			const FVector A = ToVector(Head.Positions[Head.Indices[3 * Triangle]]);
			const FVector B = ToVector(Head.Positions[Head.Indices[3 * Triangle + 1]]);
			const FVector C = ToVector(Head.Positions[Head.Indices[3 * Triangle + 2]]);
			const FVector Centre = (A + B + C) * (1.0 / 3.0);
			if (!IsScalp(Normalized(Centre)))
			{
				continue;
			}
			const FVector Area2 = Cross(B - A, C - A);
			const double Area = 0.5 * std::sqrt(Dot(Area2, Area2));
			if (Area <= 0)
			{
				continue;
			}
			FVector Normal = Normalized(Area2);
			if (Dot(Normal, Centre) < 0)
			{
				Normal = Normal * -1.0;
			}
			Scalp.push_back({A, B, C, Normal});
			TotalArea += Area;
			CumulativeArea.push_back(TotalArea);
		}

		GroomData Groom;
		const int32 Strands = std::max(0, Options.Strands);
		const int32 Points = std::max(2, Options.PointsPerStrand);
		if (Scalp.empty() || Strands == 0)
		{
			return Groom;
		}
		Groom.vertexCounts.assign(static_cast<size_t>(Strands), Points);
		Groom.positions.reserve(static_cast<size_t>(Strands) * Points * 3);
		Groom.widths.reserve(static_cast<size_t>(Strands) * Points);
		Groom.groomColors.reserve(static_cast<size_t>(Strands) * Points * 3);
		Groom.surfaceNormals.reserve(static_cast<size_t>(Strands) * 3);

		std::mt19937 Random(Options.Seed);
		std::uniform_real_distribution<double> Unit(0.0, 1.0);
		const auto Between = [&](double Low, double High)
		{ return Low + (High - Low) * Unit(Random); };

		// A few hair colours: dark brown, chestnut, auburn, with the odd fair strand.
		const FVector Palette[] = {FVector(0.23, 0.13, 0.07), FVector(0.42, 0.22, 0.10), FVector(0.55, 0.25, 0.09), FVector(0.80, 0.62, 0.38)};
		const double PaletteWeights[] = {0.35, 0.35, 0.25, 0.05};
		std::discrete_distribution<int> PickColour(std::begin(PaletteWeights), std::end(PaletteWeights));

		for (int32 Strand = 0; Strand < Strands; ++Strand)
		{
			const double Pick = Unit(Random) * TotalArea;
			const size_t Index = std::min(Scalp.size() - 1, static_cast<size_t>(std::lower_bound(CumulativeArea.begin(), CumulativeArea.end(), Pick) - CumulativeArea.begin()));
			const FScalpTriangle& T = Scalp[Index];
			double U = Unit(Random), V = Unit(Random);
			if (U + V > 1.0)
			{
				U = 1.0 - U;
				V = 1.0 - V;
			}
			const FVector Root = T.A + (T.B - T.A) * U + (T.C - T.A) * V;
			const bool bStray = Unit(Random) < Options.StrayShare;
			const double Lift = bStray ? Between(7.0, 9.0) : Between(1.0, 3.5);
			const FVector Exported = Root + T.Normal * Lift;

			// Hair leaves the scalp along the normal, then falls back and down, over the head: a point the fall
			// would take nearer the head than the root stands off it is lifted back out. A strand falling
			// through the head would come back out of it as a hairpin, which no groom holds.
			const double Length = Between(5.0, 9.0);
			const double Step = Length / (Points - 1);
			const FVector Fall = Normalized(FVector(-0.45, 0.0, -1.0));
			const double Curl = Between(0.0, 6.2832);
			const FVector Side = Normalized(Cross(T.Normal, FVector(0, 0, 1)));
			FVector Point = Exported;
			for (int32 K = 0; K < Points; ++K)
			{
				Groom.positions.push_back(static_cast<float>(Point.X));
				Groom.positions.push_back(static_cast<float>(Point.Y));
				Groom.positions.push_back(static_cast<float>(Point.Z));
				Groom.widths.push_back(static_cast<float>(0.08 * (1.0 - 0.7 * K / (Points - 1.0))));
				const double Along = static_cast<double>(K) / (Points - 1);
				const FVector Direction = Normalized(T.Normal * (1.0 - Along) + Fall * (1.6 * Along) + Side * (0.25 * std::sin(Curl + 3.0 * Along)));
				Point = OverHead(Point + Direction * Step, Lift);
			}

			// The strand's colour on each of its points: the engine's groom import shows colours only so.
			const double Shade = Between(0.8, 1.2);
			const FVector Colour = Palette[PickColour(Random)] * Shade;
			for (int32 K = 0; K < Points; ++K)
			{
				Groom.groomColors.push_back(static_cast<float>(std::min(1.0, Colour.X)));
				Groom.groomColors.push_back(static_cast<float>(std::min(1.0, Colour.Y)));
				Groom.groomColors.push_back(static_cast<float>(std::min(1.0, Colour.Z)));
			}
			Groom.surfaceNormals.push_back(static_cast<float>(T.Normal.X));
			Groom.surfaceNormals.push_back(static_cast<float>(T.Normal.Y));
			Groom.surfaceNormals.push_back(static_cast<float>(T.Normal.Z));
		}
		return Groom;
	}
}
