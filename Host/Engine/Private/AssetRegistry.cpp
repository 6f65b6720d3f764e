#include "AssetRegistry/IAssetRegistry.h"

#include "Host/AssetRegistry.h"

#include <mutex>

namespace
{
	// The host's registry indexes nothing on disk; it records what it is told was created.
	class FHostAssetRegistry final : public IAssetRegistry
	{
	public:
		virtual void AssetCreated(UObject* NewAsset) override
		{
			std::lock_guard Lock(Mutex);
			Created.Add(NewAsset);
		}

		std::mutex Mutex;
		TArray<UObject*> Created;
	};

	FHostAssetRegistry& GetHostAssetRegistry()
	{
		static FHostAssetRegistry Registry;
		return Registry;
	}
}

IAssetRegistry* IAssetRegistry::Get()
{
	return &GetHostAssetRegistry();
}

IAssetRegistry& IAssetRegistry::GetChecked()
{
	return GetHostAssetRegistry();
}

namespace Host
{
	TArray<UObject*> GetCreatedAssets()
	{
		FHostAssetRegistry& Registry = GetHostAssetRegistry();
		std::lock_guard Lock(Registry.Mutex);
		return Registry.Created;
	}

	void ClearCreatedAssets()
	{
		FHostAssetRegistry& Registry = GetHostAssetRegistry();
		std::lock_guard Lock(Registry.Mutex);
		Registry.Created.Reset();
	}
}
