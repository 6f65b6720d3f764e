#pragma once

#include "FitRun.h"
#include "Picture.h"

#include <string>

// The demo's picture: the head three times, with the groom as exported, after the plain fit and after
// the fit with its repairs, and the report's figures under each.
namespace VelmoraCli
{
	FPictureScene MakeDemoPictureScene(const Host::FMeshData& Head, const GroomData& Source, const GroomData& Plain, const GroomData& Fitted,
	                                   const FFitReport& PlainReport, const FFitReport& Report);

	// Draws it and writes it as PNG to Path exactly. False with "cannot write 'Path': reason".
	bool WriteDemoPicture(const std::string& Path, const Host::FMeshData& Head, const GroomData& Source, const GroomData& Plain, const GroomData& Fitted,
	                      const FFitReport& PlainReport, const FFitReport& Report, std::string& OutError);
}
