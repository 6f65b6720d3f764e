#include "UObject/UObjectGlobals.h"
#include "Templates/Casts.h"
#include "UObject/ObjectPtr.h"
#include "Host/Objects.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

namespace
{
	class UTestAsset : public UObject
	{
		DECLARE_HOST_CLASS(UTestAsset, UObject)

	public:
		int32 Payload = 0;
	};

	class UTestDerivedAsset : public UTestAsset
	{
		DECLARE_HOST_CLASS(UTestDerivedAsset, UTestAsset)
	};
}

TEST(Objects, NewObjectNamesFlagsAndPaths)
{
	UPackage* Package = CreatePackage(TEXT("/Game/Tests/ObjectPaths"));
	EXPECT_EQ(CreatePackage(TEXT("/Game/Tests/ObjectPaths")), Package);
	UTestAsset* Asset = NewObject<UTestAsset>(Package, FName(TEXT("Asset")), RF_Public | RF_Standalone);
	EXPECT_EQ(Asset->GetFlags(), 3);
	EXPECT_EQ(Asset->GetPackage(), Package);
	EXPECT_EQ(std::string(TCHAR_TO_UTF8(*Asset->GetPathName())), "/Game/Tests/ObjectPaths.Asset");
	EXPECT_EQ(FindObject<UTestAsset>(Package, TEXT("Asset")), Asset);
	EXPECT_EQ(std::string(TCHAR_TO_UTF8(*UTestAsset::StaticClass()->GetName())), "TestAsset");
}

TEST(Objects, CastFollowsTheClassHierarchy)
{
	UObject* Derived = NewObject<UTestDerivedAsset>();
	UObject* Base = NewObject<UTestAsset>();
	EXPECT_NE(Cast<UTestAsset>(Derived), nullptr);
	EXPECT_EQ(Cast<UTestDerivedAsset>(Base), nullptr);
	EXPECT_EQ(Cast<UTestAsset>(static_cast<UObject*>(nullptr)), nullptr);
	EXPECT_EQ(Cast<UPackage>(Base), nullptr);
}

TEST(Objects, ReusingANameRebuildsTheObjectInPlace)
{
	UPackage* Package = CreatePackage(TEXT("/Game/Tests/Replace"));
	UTestAsset* First = NewObject<UTestAsset>(Package, FName(TEXT("Same")));
	First->Payload = 7;
	const int32 Before = Host::GetNumObjects();
	UTestAsset* Second = NewObject<UTestAsset>(Package, FName(TEXT("Same")), RF_Public);
	EXPECT_EQ(First, Second);
	EXPECT_EQ(Host::GetNumObjects(), Before);
	// Built afresh: constructor state, the new flags, still findable.
	EXPECT_EQ(Second->Payload, 0);
	EXPECT_EQ(Second->GetFlags(), RF_Public);
	EXPECT_TRUE(IsValid(Second));
	EXPECT_EQ(FindObject<UTestAsset>(Package, TEXT("Same")), Second);
}

TEST(Objects, AGarbageObjectOfAnotherClassGivesUpItsName)
{
	UPackage* Package = CreatePackage(TEXT("/Game/Tests/ReplaceOther"));
	UTestAsset* Old = NewObject<UTestAsset>(Package, FName(TEXT("Name")));
	Old->MarkAsGarbage();
	UTestDerivedAsset* New = NewObject<UTestDerivedAsset>(Package, FName(TEXT("Name")));
	EXPECT_NE(static_cast<UObject*>(New), static_cast<UObject*>(Old));
	EXPECT_EQ(FindObject<UObject>(Package, TEXT("Name")), New);
}

TEST(ObjectsDeathTest, AnotherClassUnderALiveObjectsNameIsFatal)
{
	UPackage* Package = CreatePackage(TEXT("/Game/Tests/ReplaceFatal"));
	NewObject<UTestAsset>(Package, FName(TEXT("Name")));
	EXPECT_DEATH(NewObject<UTestDerivedAsset>(Package, FName(TEXT("Name"))), "same fully qualified name");
}

TEST(Objects, MarkPackageDirtyRefusesTheTransientPackage)
{
	UPackage* Package = CreatePackage(TEXT("/Game/Tests/Dirty"));
	UTestAsset* Asset = NewObject<UTestAsset>(Package, FName(TEXT("A")));
	EXPECT_FALSE(Package->IsDirty());
	EXPECT_TRUE(Asset->MarkPackageDirty());
	EXPECT_TRUE(Package->IsDirty());
	EXPECT_FALSE(NewObject<UTestAsset>()->MarkPackageDirty());
}

namespace
{
	template<typename T>
	void TakesAnyPointer(T*);

	// Whether `auto* Value = <an expression of type T>;` compiles: deduction sees no conversions.
	template<typename T>
	constexpr bool DeducesAsPointer = requires
	{
		TakesAnyPointer(std::declval<T>());
	};
}

static_assert(std::is_convertible_v<TObjectPtr<UObject>, UObject*>, "an object handle converts to a raw pointer");
static_assert(!DeducesAsPointer<TObjectPtr<UObject>>, "an object handle is not a pointer: auto* does not take it");
static_assert(DeducesAsPointer<UObject*>);

TEST(Objects, ObjectHandlesCompareAndCastAsTheirPointers)
{
	UTestAsset* Asset = NewObject<UTestDerivedAsset>();
	const TObjectPtr<UTestAsset> Handle = Asset;
	const TObjectPtr<UTestAsset> Empty;
	EXPECT_TRUE(Handle == Asset);
	EXPECT_TRUE(Asset == Handle);
	EXPECT_TRUE(Handle != NewObject<UTestAsset>());
	EXPECT_TRUE(Empty == nullptr);
	EXPECT_FALSE(Empty);
	EXPECT_TRUE(Handle);
	EXPECT_TRUE(Handle == TObjectPtr<UObject>(Asset));
	EXPECT_EQ(Handle.Get(), Asset);
	EXPECT_EQ(Handle->Payload, 0);
	EXPECT_EQ(Cast<UTestDerivedAsset>(Handle), Asset);
	EXPECT_EQ(Cast<UTestDerivedAsset>(TObjectPtr<UTestAsset>(NewObject<UTestAsset>())), nullptr);
	UObject* Raw = Handle;
	EXPECT_EQ(Raw, Asset);
}
