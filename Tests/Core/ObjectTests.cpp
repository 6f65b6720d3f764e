#include "UObject/UObjectGlobals.h"
#include "Templates/Casts.h"

#include <gtest/gtest.h>

namespace
{
	class UTestAsset : public UObject
	{
		DECLARE_HOST_CLASS(UTestAsset, UObject)
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

TEST(Objects, ReusingANameReplacesTheOldObject)
{
	UPackage* Package = CreatePackage(TEXT("/Game/Tests/Replace"));
	UTestAsset* First = NewObject<UTestAsset>(Package, FName(TEXT("Same")));
	UTestAsset* Second = NewObject<UTestAsset>(Package, FName(TEXT("Same")));
	EXPECT_NE(First, Second);
	EXPECT_FALSE(IsValid(First));
	EXPECT_TRUE(IsValid(Second));
	EXPECT_EQ(FindObject<UTestAsset>(Package, TEXT("Same")), Second);
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
