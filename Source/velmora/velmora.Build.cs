using UnrealBuildTool;

public class velmora : ModuleRules
{
	public velmora(ReadOnlyTargetRules Target) : base(Target)
	{
		PCHUsage = PCHUsageMode.UseExplicitOrSharedPCHs;

		// The groom file code calls Alembic, which reports failures by throwing; the plugin catches them.
		bEnableExceptions = true;

		// The plugin uses C++20 (std::u8string for UTF-8 paths, <bit>); the engine compiles a module as C++17
		// in projects whose build settings predate V4 unless the module asks.
		CppStandard = CppStandardVersion.Cpp20;

		PublicDependencyModuleNames.AddRange(new string[]
		{
			"Core",
			"CoreUObject",
			"Engine",
		});

		PrivateDependencyModuleNames.AddRange(new string[]
		{
			"MeshDescription",
			"StaticMeshDescription",
			"Slate",
			"SlateCore",
			"InputCore",
			"UnrealEd",
			"LevelEditor",
			"EditorSubsystem",
			"Blutility",
			"UMG",
			"UMGEditor",
			"EditorScriptingUtilities",
			"Projects",
			"AssetRegistry",
			"RenderCore",
			"RHI",
			"PhysicsCore",
			// Nearest points and inside tests for the fit's repairs and its report.
			"GeometryCore",
			"MeshConversion",
			"AlembicLib",
			"Imath",
		});
	}
}
