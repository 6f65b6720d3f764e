#pragma once

#include "Math/Vector.h"
#include "alembicIO.h"

#include <initializer_list>
#include <vector>

namespace VelmoraTest
{
	// A groom from its strands' points and, flat, whatever normal floats the test wants.
	inline GroomData MakeGroom(std::initializer_list<std::initializer_list<FVector3f>> Strands, std::vector<float> Normals = {})
	{
		GroomData Groom;
		for (const auto& Strand : Strands)
		{
			Groom.vertexCounts.push_back(static_cast<int32_t>(Strand.size()));
			for (const FVector3f& Point : Strand)
			{
				Groom.positions.insert(Groom.positions.end(), {Point.X, Point.Y, Point.Z});
			}
		}
		Groom.surfaceNormals = std::move(Normals);
		return Groom;
	}
}
