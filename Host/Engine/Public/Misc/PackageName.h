#pragma once

#include "CoreMinimal.h"

// Long package names ("/Game/Generated/MyStaticMesh") and the content roots they are mounted under.
class FPackageName
{
public:
	// The file a package is stored in: the content folder its root is mounted at, then the rest of the
	// name and the extension. False when no mounted root holds the name.
	static bool TryConvertLongPackageNameToFilename(const FString& InLongPackageName, FString& OutFilename,
	                                                const FString& InExtension = TEXT(""));
	static bool TryConvertLongPackageNameToFilename(FStringView InLongPackageName, FString& OutFilename,
	                                                FStringView InExtension = {});

	// The text after the last '/': "/Game/A/B" gives "B".
	static FString GetShortName(const FString& LongName);
	static FString GetShortName(const TCHAR* LongName) { return GetShortName(FString(LongName)); }
	// The text before the last '/': "/Game/A/B" gives "/Game/A".
	static FString GetLongPackagePath(const FString& InLongPackageName);
};
