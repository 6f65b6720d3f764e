#pragma once

#include "CoreMinimal.h"
#include "FitRun.h"
#include "Picture.h"

#include <string>

// The picture of one fit: the groom before and after on the mesh, seen from the front and from the
// side, with the fit's figures; what `velmora fit --picture` writes.
namespace VelmoraCli
{
	struct FFitPicture
	{
		// Shown in the title, as given (any bytes).
		std::string GroomName;
		std::string MeshName;
		// The mesh as the fit placed it: world position of a vertex is MeshTransform applied to it.
		const Host::FMeshData* Mesh = nullptr;
		FTransform MeshTransform = FTransform::Identity;
		// The groom as read, placed at the fit's origin, and as fitted, relative to the actor. After may
		// be null (a fit that wrote nothing): the picture then shows the groom before the fit only.
		const GroomData* Before = nullptr;
		FVector BeforeOffset = FVector::ZeroVector;
		const GroomData* After = nullptr;
		FVector AfterOffset = FVector::ZeroVector;
		// The fit's figures: strands, hits, misses, the projection and, when measured, the report.
		const FFitReport* Report = nullptr;
	};

	// The picture of the fit Request describes: the mesh placed as the fit placed it, Before (the groom as
	// read) at the origin, After (the fitted record, or null when nothing was written) relative to the actor.
	// The result points at its arguments.
	FFitPicture MakeFitPicture(const FFitRequest& Request, const Host::FMeshData& Mesh, const GroomData& Before, const GroomData* After, const FFitReport& Report);

	// Front and side views for a scene whose mesh (or, without one, whose groom) spans Bounds: the
	// engine's Z up, facing +X; a file whose mesh stands clearly taller along Y than along Z is taken as
	// Y up, facing +Z.
	std::vector<FPictureView> ChooseFrontAndSideViews(const FBox& Bounds);

	// Marks in Column the strands of Fitted the repairs turned most (Quality.TurnedStrands, drawn over the
	// rest in their own colour), with a legend line in Scene; nothing when there are none.
	void MarkTurnedStrands(const GroomData& Fitted, const FVector& Offset, const GroomFitting::FFitReport& Quality, FPictureColumn& Column, FPictureScene& Scene);

	// The scene of Fit, for drawing or checking.
	FPictureScene MakeFitPictureScene(const FFitPicture& Fit);

	// Draws Fit and writes it as PNG to Path exactly (a staging path: see WritePicturePng). False with
	// "cannot write 'Path': reason".
	bool WriteFitPicture(const std::string& Path, const FFitPicture& Fit, std::string& OutError);
}
