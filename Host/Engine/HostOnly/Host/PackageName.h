#pragma once

#include "CoreMinimal.h"

// Host-only control of the content roots that long package names resolve against. "/Engine/",
// "/Game/" and "/velmora/" are mounted from the start, at "Engine/Content/", "Content/" and
// "Plugins/velmora/Content/" under the working folder.
namespace Host
{
	// Mounts RootPath ("/Name/") at ContentPath (a folder ending in '/'), replacing a mount of that root.
	void MountContentRoot(const FString& RootPath, const FString& ContentPath);
	void UnmountContentRoot(const FString& RootPath);
	// The folder a root is mounted at, or empty.
	FString GetContentRootPath(const FString& RootPath);

	// Mounts a root for as long as it lives, then puts back what was there before.
	class FScopedContentRoot
	{
	public:
		// An empty ContentPath unmounts the root for the scope.
		FScopedContentRoot(const FString& InRootPath, const FString& ContentPath);
		~FScopedContentRoot();
		FScopedContentRoot(const FScopedContentRoot&) = delete;
		FScopedContentRoot& operator=(const FScopedContentRoot&) = delete;

	private:
		FString RootPath;
		FString PreviousContentPath;
	};
}
