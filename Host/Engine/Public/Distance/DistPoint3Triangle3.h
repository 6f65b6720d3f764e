#pragma once

#include "CoreMinimal.h"
#include "TriangleTypes.h"

#include <cmath>
#include <limits>

namespace UE::Geometry
{
	// Exact unsigned distance from a point to a solid triangle, by classifying the point's projection
	// into the regions of the triangle's (s, t) parameter plane. The closest point and its barycentric
	// coordinates (1 - s - t, s, t) are valid after Get or GetSquared.
	template<typename Real>
	class TDistPoint3Triangle3
	{
	public:
		UE::Math::TVector<Real> Point;
		TTriangle3<Real> Triangle;

		UE::Math::TVector<Real> TriangleBaryCoords;
		UE::Math::TVector<Real> ClosestTrianglePoint;

		TDistPoint3Triangle3(const UE::Math::TVector<Real>& PointIn, const TTriangle3<Real>& TriangleIn)
		    : Point(PointIn), Triangle(TriangleIn)
		{
		}

		Real Get() { return std::sqrt(GetSquared()); }

		Real GetSquared()
		{
			using FVec = UE::Math::TVector<Real>;
			const FVec Diff = Triangle.V[0] - Point;
			const FVec Edge0 = Triangle.V[1] - Triangle.V[0];
			const FVec Edge1 = Triangle.V[2] - Triangle.V[0];
			const Real A00 = Edge0.SizeSquared();
			const Real A01 = Edge0 | Edge1;
			const Real A11 = Edge1.SizeSquared();
			const Real B0 = Diff | Edge0;
			const Real B1 = Diff | Edge1;
			const Real Det = std::abs(A00 * A11 - A01 * A01);
			Real S = A01 * B1 - A11 * B0;
			Real T = A01 * B0 - A00 * B1;

			// Clamps the parameter of the edge from the corner with squared length A and projection B.
			const auto OnEdge = [](Real A, Real B)
			{
				if (B >= 0)
				{
					return Real(0);
				}
				return -B >= A ? Real(1) : -B / A;
			};

			if (Det <= std::numeric_limits<Real>::min() || !(A00 > 0) || !(A11 > 0))
			{
				// No area: the nearest point lies on one of the three edges.
				DegenerateClosest(S, T);
			}
			else if (S + T <= Det)
			{
				if (S < 0)
				{
					if (T < 0)
					{
						if (B0 < 0)
						{
							T = 0;
							S = OnEdge(A00, B0);
						}
						else
						{
							S = 0;
							T = OnEdge(A11, B1);
						}
					}
					else
					{
						S = 0;
						T = OnEdge(A11, B1);
					}
				}
				else if (T < 0)
				{
					T = 0;
					S = OnEdge(A00, B0);
				}
				else
				{
					const Real InvDet = Real(1) / Det;
					S *= InvDet;
					T *= InvDet;
				}
			}
			else
			{
				if (S < 0)
				{
					const Real Tmp0 = A01 + B0;
					const Real Tmp1 = A11 + B1;
					if (Tmp1 > Tmp0)
					{
						const Real Numer = Tmp1 - Tmp0;
						const Real Denom = A00 - 2 * A01 + A11;
						S = Numer >= Denom ? Real(1) : Numer / Denom;
						T = 1 - S;
					}
					else
					{
						S = 0;
						T = Tmp1 <= 0 ? Real(1) : (B1 >= 0 ? Real(0) : -B1 / A11);
					}
				}
				else if (T < 0)
				{
					const Real Tmp0 = A01 + B1;
					const Real Tmp1 = A00 + B0;
					if (Tmp1 > Tmp0)
					{
						const Real Numer = Tmp1 - Tmp0;
						const Real Denom = A00 - 2 * A01 + A11;
						T = Numer >= Denom ? Real(1) : Numer / Denom;
						S = 1 - T;
					}
					else
					{
						T = 0;
						S = Tmp1 <= 0 ? Real(1) : (B0 >= 0 ? Real(0) : -B0 / A00);
					}
				}
				else
				{
					const Real Numer = A11 + B1 - A01 - B0;
					if (Numer <= 0)
					{
						S = 0;
						T = 1;
					}
					else
					{
						const Real Denom = A00 - 2 * A01 + A11;
						S = Numer >= Denom ? Real(1) : Numer / Denom;
						T = 1 - S;
					}
				}
			}

			TriangleBaryCoords = FVec(1 - S - T, S, T);
			ClosestTrianglePoint = Triangle.V[0] + Edge0 * S + Edge1 * T;
			return (ClosestTrianglePoint - Point).SizeSquared();
		}

	private:
		// The parameters of the nearest point on the edges of a triangle without area.
		void DegenerateClosest(Real& OutS, Real& OutT) const
		{
			using FVec = UE::Math::TVector<Real>;
			Real BestDistSqr = std::numeric_limits<Real>::max();
			for (int32 Edge = 0; Edge < 3; ++Edge)
			{
				const FVec& From = Triangle.V[Edge];
				const FVec& To = Triangle.V[(Edge + 1) % 3];
				const FVec Dir = To - From;
				const Real LengthSqr = Dir.SizeSquared();
				const Real Along = LengthSqr > 0 ? FMath::Clamp(((Point - From) | Dir) / LengthSqr, Real(0), Real(1)) : Real(0);
				const Real DistSqr = (From + Dir * Along - Point).SizeSquared();
				if (DistSqr < BestDistSqr)
				{
					BestDistSqr = DistSqr;
					// Corner weights (w0, w1, w2) of the point, then (s, t) = (w1, w2).
					Real W[3] = {0, 0, 0};
					W[Edge] = 1 - Along;
					W[(Edge + 1) % 3] = Along;
					OutS = W[1];
					OutT = W[2];
				}
			}
		}
	};

	typedef TDistPoint3Triangle3<float> FDistPoint3Triangle3f;
	typedef TDistPoint3Triangle3<double> FDistPoint3Triangle3d;
}
