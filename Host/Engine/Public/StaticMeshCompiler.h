#pragma once

#include "CoreMinimal.h"
#include "Containers/ArrayView.h"

#include <vector>

class UStaticMesh;

#if WITH_EDITOR

// Tracks the static meshes whose asynchronous build has not finished, and finishes them on request.
class FStaticMeshCompilingManager
{
public:
	static FStaticMeshCompilingManager& Get();

	// Blocks until the listed meshes are built; returns at once for those that are not compiling.
	void FinishCompilation(TArrayView<UStaticMesh* const> InStaticMeshes);
	// Blocks until every static mesh is built.
	void FinishAllCompilation();

private:
	friend class UStaticMesh;

	void Add(UStaticMesh* StaticMesh);
	void Forget(UStaticMesh* StaticMesh);

	std::vector<UStaticMesh*> Compiling;
};

#endif
