#include "Interfaces/IPluginManager.h"

#include "Host/Plugins.h"

#include "Containers/StringConv.h"

#include <vector>

namespace
{
	class FHostPlugin final : public IPlugin
	{
	public:
		FHostPlugin(const FString& InName, bool bInEnabled)
		    : Name(InName), bEnabled(bInEnabled) {}

		virtual const FString& GetName() const override { return Name; }
		virtual bool IsEnabled() const override { return bEnabled; }
		virtual bool CanContainContent() const override { return true; }

	private:
		FString Name;
		bool bEnabled;
	};

	class FHostPluginManager final : public IPluginManager
	{
	public:
		FHostPluginManager() { Set({{FString(TEXT("velmora")), true}}); }

		virtual TSharedPtr<IPlugin> FindPlugin(const FStringView Name) override
		{
			const FString Wanted(Name);
			for (const TSharedRef<IPlugin>& Plugin : Plugins)
			{
				if (Plugin->GetName() == Wanted)
				{
					return Plugin;
				}
			}
			return nullptr;
		}

		virtual TSharedPtr<IPlugin> FindPlugin(const ANSICHAR* Name) override
		{
			const FString Wide(UTF8_TO_TCHAR(Name));
			return FindPlugin(FStringView(*Wide, Wide.Len()));
		}

		virtual TSharedPtr<IPlugin> FindEnabledPlugin(const FStringView Name) override
		{
			TSharedPtr<IPlugin> Plugin = FindPlugin(Name);
			return Plugin.IsValid() && Plugin->IsEnabled() ? Plugin : TSharedPtr<IPlugin>();
		}

		void Set(const std::vector<Host::FPluginState>& States)
		{
			Plugins.clear();
			for (const Host::FPluginState& State : States)
			{
				Plugins.push_back(MakeShared<FHostPlugin>(State.Name, State.bEnabled));
			}
		}

	private:
		std::vector<TSharedRef<IPlugin>> Plugins;
	};

	FHostPluginManager& GetHostPluginManager()
	{
		static FHostPluginManager Manager;
		return Manager;
	}
}

IPluginManager& IPluginManager::Get()
{
	return GetHostPluginManager();
}

void Host::SetPlugins(const std::vector<FPluginState>& Plugins)
{
	GetHostPluginManager().Set(Plugins);
}
