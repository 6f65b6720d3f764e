#pragma once

#include "CoreTypes.h"
#include "Misc/EnumClassFlags.h"
#include "Containers/Array.h"

class UObject;
class FFrame;

// Flags of a reflected function.
enum EFunctionFlags : uint32
{
	FUNC_None = 0x00000000,
	FUNC_Final = 0x00000001,
	FUNC_RequiredAPI = 0x00000002,
	FUNC_BlueprintAuthorityOnly = 0x00000004,
	FUNC_BlueprintCosmetic = 0x00000008,
	FUNC_Net = 0x00000040,
	FUNC_NetReliable = 0x00000080,
	FUNC_NetRequest = 0x00000100,
	FUNC_Exec = 0x00000200,
	FUNC_Native = 0x00000400,
	FUNC_Event = 0x00000800,
	FUNC_NetResponse = 0x00001000,
	FUNC_Static = 0x00002000,
	FUNC_NetMulticast = 0x00004000,
	FUNC_UbergraphFunction = 0x00008000,
	FUNC_MulticastDelegate = 0x00010000,
	FUNC_Public = 0x00020000,
	FUNC_Private = 0x00040000,
	FUNC_Protected = 0x00080000,
	FUNC_Delegate = 0x00100000,
	FUNC_NetServer = 0x00200000,
	FUNC_HasOutParms = 0x00400000,
	FUNC_HasDefaults = 0x00800000,
	FUNC_NetClient = 0x01000000,
	FUNC_DLLImport = 0x02000000,
	FUNC_BlueprintCallable = 0x04000000,
	FUNC_BlueprintEvent = 0x08000000,
	FUNC_BlueprintPure = 0x10000000,
	FUNC_EditorOnly = 0x20000000,
	FUNC_Const = 0x40000000,
	FUNC_NetValidate = 0x80000000,
};
ENUM_CLASS_FLAGS(EFunctionFlags)

// The result slot of a native entry point: where a function's return value is written.
#define RESULT_PARAM Z_Param__Result
#define RESULT_DECL void* const RESULT_PARAM

// A native entry point: reads its arguments from the frame, calls the C++ function, writes the result.
typedef void (*FNativeFuncPtr)(UObject* Context, FFrame& TheStack, RESULT_DECL);

// The script frames running on this thread, outermost first.
class FBlueprintContextTracker
{
public:
	static FBlueprintContextTracker& Get();

	const TArray<const FFrame*>& GetCurrentScriptStack() const { return ScriptStack; }
	void EnterScriptFrame(const FFrame& Frame) { ScriptStack.Add(&Frame); }
	void ExitScriptFrame() { ScriptStack.Pop(); }

private:
	TArray<const FFrame*> ScriptStack;
};
