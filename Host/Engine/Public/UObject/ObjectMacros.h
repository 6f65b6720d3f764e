#pragma once

#include "CoreTypes.h"

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

constexpr EObjectFlags operator|(EObjectFlags A, EObjectFlags B)
{
	return static_cast<EObjectFlags>(static_cast<uint32>(A) | static_cast<uint32>(B));
}
constexpr EObjectFlags operator&(EObjectFlags A, EObjectFlags B)
{
	return static_cast<EObjectFlags>(static_cast<uint32>(A) & static_cast<uint32>(B));
}
constexpr EObjectFlags operator~(EObjectFlags A)
{
	return static_cast<EObjectFlags>(~static_cast<uint32>(A));
}
inline EObjectFlags& operator|=(EObjectFlags& A, EObjectFlags B)
{
	return A = A | B;
}

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
#define DECLARE_HOST_CLASS(TClass, TSuperClass)                                                            \
public:                                                                                                    \
	using Super = TSuperClass;                                                                             \
	using ThisClass = TClass;                                                                              \
	static UClass* StaticClass()                                                                           \
	{                                                                                                      \
		static UClass Class(TEXT(#TClass), TSuperClass::StaticClass(), &::UE::Host::ConstructObject<TClass>); \
		return &Class;                                                                                     \
	}                                                                                                      \
                                                                                                           \
private:
