using UnrealBuildTool;

public class velmora : ModuleRules
{
	public velmora(ReadOnlyTargetRules Target) : base(Target)
	{
		PCHUsage = PCHUsageMode.UseExplicitOrSharedPCHs;

		// The groom file code calls Alembic, which reports failures by throwing; the plugin catches them.
		bEnableExceptions = true;

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
