#include "Misc/PackageName.h"

#include "Host/PackageName.h"

#include <mutex>
#include <vector>

namespace
{
	struct FMountPoint
	{
		FString RootPath;
		FString ContentPath;
	};

	struct FMountPoints
	{
		std::mutex Mutex;
		std::vector<FMountPoint> Points{
		    {TEXT("/Engine/"), TEXT("Engine/Content/")},
		    {TEXT("/Game/"), TEXT("Content/")},
		    {TEXT("/velmora/"), TEXT("Plugins/velmora/Content/")},
		};

		static FMountPoints& Get()
		{
			static FMountPoints MountPoints;
			return MountPoints;
		}
	};
}

bool FPackageName::TryConvertLongPackageNameToFilename(const FString& InLongPackageName, FString& OutFilename, const FString& InExtension)
{
	// "/Game" names the root itself, as "/Game/" does.
	const FString Name = InLongPackageName.EndsWith(TEXT("/")) ? InLongPackageName : InLongPackageName + TEXT("/");
	FMountPoints& MountPoints = FMountPoints::Get();
	std::lock_guard Lock(MountPoints.Mutex);
	for (const FMountPoint& Point : MountPoints.Points)
	{
		if (Name.StartsWith(Point.RootPath, ESearchCase::IgnoreCase))
		{
			OutFilename = Point.ContentPath + InLongPackageName.Mid(Point.RootPath.Len()) + InExtension;
			return true;
		}
	}
	return false;
}

bool FPackageName::TryConvertLongPackageNameToFilename(FStringView InLongPackageName, FString& OutFilename, FStringView InExtension)
{
	return TryConvertLongPackageNameToFilename(FString(InLongPackageName), OutFilename, FString(InExtension));
}

FString FPackageName::GetShortName(const FString& LongName)
{
	int32 LastSlash = INDEX_NONE;
	return LongName.FindLastChar(TEXT('/'), LastSlash) ? LongName.Mid(LastSlash + 1) : LongName;
}

FString FPackageName::GetLongPackagePath(const FString& InLongPackageName)
{
	int32 LastSlash = INDEX_NONE;
	return InLongPackageName.FindLastChar(TEXT('/'), LastSlash) ? InLongPackageName.Left(LastSlash) : InLongPackageName;
}

namespace Host
{
	void MountContentRoot(const FString& RootPath, const FString& ContentPath)
	{
		check(RootPath.StartsWith(TEXT("/")) && RootPath.EndsWith(TEXT("/")) && RootPath.Len() > 2);
		FMountPoints& MountPoints = FMountPoints::Get();
		std::lock_guard Lock(MountPoints.Mutex);
		for (FMountPoint& Point : MountPoints.Points)
		{
			if (Point.RootPath == RootPath)
			{
				Point.ContentPath = ContentPath;
				return;
			}
		}
		MountPoints.Points.push_back({RootPath, ContentPath});
	}

	void UnmountContentRoot(const FString& RootPath)
	{
		FMountPoints& MountPoints = FMountPoints::Get();
		std::lock_guard Lock(MountPoints.Mutex);
		std::erase_if(MountPoints.Points, [&RootPath](const FMountPoint& Point)
		              { return Point.RootPath == RootPath; });
	}

	FString GetContentRootPath(const FString& RootPath)
	{
		FMountPoints& MountPoints = FMountPoints::Get();
		std::lock_guard Lock(MountPoints.Mutex);
		for (const FMountPoint& Point : MountPoints.Points)
		{
			if (Point.RootPath == RootPath)
			{
				return Point.ContentPath;
			}
		}
		return FString();
	}

	FScopedContentRoot::FScopedContentRoot(const FString& InRootPath, const FString& ContentPath)
	    : RootPath(InRootPath), PreviousContentPath(GetContentRootPath(InRootPath))
	{
		if (ContentPath.IsEmpty())
		{
			UnmountContentRoot(RootPath);
		}
		else
		{
			MountContentRoot(RootPath, ContentPath);
		}
	}

	FScopedContentRoot::~FScopedContentRoot()
	{
		if (PreviousContentPath.IsEmpty())
		{
			UnmountContentRoot(RootPath);
		}
		else
		{
			MountContentRoot(RootPath, PreviousContentPath);
		}
	}
}
