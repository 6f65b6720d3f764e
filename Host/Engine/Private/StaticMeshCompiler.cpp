#include "StaticMeshCompiler.h"

#include "Engine/StaticMesh.h"

#include <algorithm>

FStaticMeshCompilingManager& FStaticMeshCompilingManager::Get()
{
	// Never destroyed: meshes still compiling at exit forget themselves whenever they go.
	static FStaticMeshCompilingManager* const Manager = new FStaticMeshCompilingManager();
	return *Manager;
}

void FStaticMeshCompilingManager::FinishCompilation(TArrayView<UStaticMesh* const> InStaticMeshes)
{
	for (UStaticMesh* const StaticMesh : InStaticMeshes)
	{
		if (StaticMesh)
		{
			StaticMesh->FinishPendingBuild();
		}
	}
}

void FStaticMeshCompilingManager::FinishAllCompilation()
{
	const std::vector<UStaticMesh*> All = Compiling;
	FinishCompilation(TArrayView<UStaticMesh* const>(All.data(), static_cast<int32>(All.size())));
}

void FStaticMeshCompilingManager::Add(UStaticMesh* StaticMesh)
{
	if (std::find(Compiling.begin(), Compiling.end(), StaticMesh) == Compiling.end())
	{
		Compiling.push_back(StaticMesh);
	}
}

void FStaticMeshCompilingManager::Forget(UStaticMesh* StaticMesh)
{
	Compiling.erase(std::remove(Compiling.begin(), Compiling.end(), StaticMesh), Compiling.end());
}
