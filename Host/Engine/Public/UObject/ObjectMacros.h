#pragma once

#include "CoreTypes.h"
#include "Misc/EnumClassFlags.h"

// Object flags, a plain enum as in the engine so that RF_Public | RF_Standalone reads as it does there.
enum EObjectFlags
{
	RF_NoFlags = 0x00000000,
	RF_Public = 0x00000001,
	RF_Standalone = 0x00000002,
	RF_MarkAsNative = 0x00000004,
	RF_Transactional = 0x00000008,
	RF_ClassDefaultObject = 0x00000010,
	RF_ArchetypeObject = 0x00000020,
	RF_Transient = 0x00000040,
	RF_MarkAsRootSet = 0x00000080,
};
ENUM_CLASS_FLAGS(EObjectFlags)

// Reflection markup. The host's header tool reads these declarations; to the compiler they are empty.
#define UCLASS(...)
#define UFUNCTION(...)
#define UPROPERTY(...)
#define USTRUCT(...)
#define UENUM(...)
#define UMETA(...)
#define UPARAM(...)
#define UINTERFACE(...)

// GENERATED_BODY() expands to what the generated header defined for this file and line.
#define BODY_MACRO_COMBINE_INNER(A, B, C, D) A##B##C##D
#define BODY_MACRO_COMBINE(A, B, C, D) BODY_MACRO_COMBINE_INNER(A, B, C, D)
#define GENERATED_BODY(...) BODY_MACRO_COMBINE(CURRENT_FILE_ID, _, __LINE__, _GENERATED_BODY);
#define GENERATED_UCLASS_BODY(...) BODY_MACRO_COMBINE(CURRENT_FILE_ID, _, __LINE__, _GENERATED_BODY_LEGACY);

// The engine's own classes in the host are declared with this instead of generated code.
#define DECLARE_HOST_CLASS(TClass, TSuperClass)                                                               \
public:                                                                                                       \
	using Super = TSuperClass;                                                                                \
	using ThisClass = TClass;                                                                                 \
	static UClass* StaticClass()                                                                              \
	{                                                                                                         \
		static UClass Class(TEXT(#TClass), TSuperClass::StaticClass(), &::UE::Host::ConstructObject<TClass>); \
		return &Class;                                                                                        \
	}                                                                                                         \
                                                                                                              \
private:

// Flags of a reflected class.
enum EClassFlags : uint32
{
	CLASS_None = 0x00000000u,
	CLASS_Abstract = 0x00000001u,
	CLASS_DefaultConfig = 0x00000002u,
	CLASS_Config = 0x00000004u,
	CLASS_Transient = 0x00000008u,
	CLASS_MatchedSerializers = 0x00000020u,
	CLASS_Native = 0x00000080u,
	CLASS_NotPlaceable = 0x00000200u,
	CLASS_EditInlineNew = 0x00001000u,
	CLASS_Interface = 0x00004000u,
	CLASS_Const = 0x00010000u,
	CLASS_MinimalAPI = 0x00080000u,
	CLASS_RequiredAPI = 0x00100000u,
	CLASS_DefaultToInstanced = 0x00200000u,
	CLASS_Hidden = 0x01000000u,
	CLASS_Deprecated = 0x02000000u,
	CLASS_Intrinsic = 0x10000000u,
	CLASS_Constructed = 0x20000000u,
};
ENUM_CLASS_FLAGS(EClassFlags)

// Flags of a reflected property or function parameter.
enum EPropertyFlags : uint64
{
	CPF_None = 0,
	CPF_Edit = 0x0000000000000001,
	CPF_ConstParm = 0x0000000000000002,
	CPF_BlueprintVisible = 0x0000000000000004,
	CPF_ExportObject = 0x0000000000000008,
	CPF_BlueprintReadOnly = 0x0000000000000010,
	CPF_Parm = 0x0000000000000080,
	CPF_OutParm = 0x0000000000000100,
	CPF_ZeroConstructor = 0x0000000000000200,
	CPF_ReturnParm = 0x0000000000000400,
	CPF_Transient = 0x0000000000002000,
	CPF_Config = 0x0000000000004000,
	CPF_InstancedReference = 0x0000000000080000,
	CPF_ReferenceParm = 0x0000000008000000,
	CPF_IsPlainOldData = 0x0000000040000000,
	CPF_ContainsInstancedReference = 0x0000008000000000,
	CPF_NativeAccessSpecifierPublic = 0x0010000000000000,
	CPF_NativeAccessSpecifierProtected = 0x0020000000000000,
	CPF_NativeAccessSpecifierPrivate = 0x0040000000000000,
};
ENUM_CLASS_FLAGS(EPropertyFlags)
