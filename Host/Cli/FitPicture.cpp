#include "FitPicture.h"
#include "ErrorText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace VelmoraCli
{
	namespace
	{
		std::string Count(int64 Value)
		{
			return std::to_string(static_cast<long long>(Value));
		}

		FBox WorldBounds(const FFitPicture& Fit)
		{
			FBox Bounds(ForceInit);
			const auto Add = [&](const FVector& Point)
			{
				if (std::isfinite(Point.X) && std::isfinite(Point.Y) && std::isfinite(Point.Z))
				{
					Bounds += Point;
				}
			};
			if (Fit.Mesh)
			{
				for (const FVector3f& Position : Fit.Mesh->Positions)
				{
					Add(Fit.MeshTransform.TransformPosition(FVector(Position.X, Position.Y, Position.Z)));
				}
			}
			if (!Bounds.IsValid && Fit.Before)
			{
				for (size_t Point = 0; 3 * Point + 2 < Fit.Before->positions.size(); ++Point)
				{
					Add(FVector(Fit.Before->positions[3 * Point], Fit.Before->positions[3 * Point + 1], Fit.Before->positions[3 * Point + 2]) + Fit.BeforeOffset);
				}
			}
			return Bounds;
		}

		void AddQuality(const GroomFitting::FFitReport& Quality, std::vector<FPictureText>& OutFigures)
		{
			if (!Quality.bMeasured)
			{
				return;
			}
			char Line[256];
			std::snprintf(Line, sizeof(Line), "roots off the surface: %lld of %lld", static_cast<long long>(Quality.RootsOffSurface),
			              static_cast<long long>(Quality.RootsOnSurface + Quality.RootsOffSurface));
			OutFigures.push_back({Line, Quality.RootsOffSurface > 0 ? PictureColors::Miss : PictureColors::Faint});
			OutFigures.push_back({"points inside the mesh: " + Count(Quality.PointsInside) + " (" + Counted(Quality.StrandsInside, "strand") + ")", Quality.PointsInside > 0 ? PictureColors::Inside : PictureColors::Faint});
			std::snprintf(Line, sizeof(Line), "roots from the surface: median %.4g, max %.4g", Quality.RootDistance.Median, Quality.RootDistance.Max);
			OutFigures.push_back({Line, PictureColors::Faint});
			if (Quality.bAfterFit)
			{
				std::snprintf(Line, sizeof(Line), "roots moved: median %.4g, max %.4g", Quality.Displacement.Median, Quality.Displacement.Max);
				OutFigures.push_back({Line, PictureColors::Faint});
			}
		}
	}

	FFitPicture MakeFitPicture(const FFitRequest& Request, const Host::FMeshData& Mesh, const GroomData& Before, const GroomData* After, const FFitReport& Report)
	{
		FFitPicture Fit;
		Fit.GroomName = Request.GroomPath;
		Fit.MeshName = Request.MeshPath;
		Fit.Mesh = &Mesh;
		Fit.MeshTransform = FTransform(Request.MeshRotation, Request.MeshLocation, Request.MeshScale);
		Fit.Before = &Before;
		Fit.BeforeOffset = Request.Origin;
		Fit.After = After;
		Fit.AfterOffset = Request.ActorLocation;
		Fit.Report = &Report;
		return Fit;
	}

	void MarkTurnedStrands(const GroomData& Fitted, const FVector& Offset, const GroomFitting::FFitReport& Quality, FPictureColumn& Column, FPictureScene& Scene)
	{
		FPictureGroom Turned;
		Turned.Groom = &Fitted;
		Turned.Offset = Offset;
		Turned.Shown.assign(Fitted.vertexCounts.size(), false);
		bool bAny = false;
		for (const int32 Strand : Quality.TurnedStrands)
		{
			if (Strand >= 0 && static_cast<size_t>(Strand) < Turned.Shown.size())
			{
				Turned.Shown[static_cast<size_t>(Strand)] = bAny = true;
			}
		}
		if (!bAny)
		{
			return;
		}
		Turned.Color = PictureColors::Turned;
		Turned.bRootDots = false;
		Column.Grooms.push_back(std::move(Turned));
		Scene.Legend.push_back({"\xe2\x80\x94  turned over 30 degrees by the repairs", PictureColors::Turned});
	}

	std::vector<FPictureView> ChooseFrontAndSideViews(const FBox& Bounds)
	{
		// Labelled by the world's axes only: which side of a head faces where depends on the file and the
		// mesh's rotation, which the picture cannot know.
		const FVector Size = Bounds.IsValid ? Bounds.GetSize() : FVector::ZeroVector;
		if (Size.Y > 1.2 * Size.Z)
		{
			return {FPictureView{FVector(0, 0, 1), FVector(0, 1, 0), "from +Z, Y up"}, FPictureView{FVector(1, 0, 0), FVector(0, 1, 0), "from +X, Y up"}};
		}
		return {FPictureView{FVector(1, 0, 0), FVector(0, 0, 1), "from +X, Z up"}, FPictureView{FVector(0, -1, 0), FVector(0, 0, 1), "from -Y, Z up"}};
	}

	FPictureScene MakeFitPictureScene(const FFitPicture& Fit)
	{
		FPictureScene Scene;
		Scene.Title = "velmora fit: " + Fit.GroomName + " onto " + Fit.MeshName;
		Scene.Mesh = Fit.Mesh;
		Scene.MeshTransform = Fit.MeshTransform;
		Scene.Views = ChooseFrontAndSideViews(WorldBounds(Fit));
		Scene.PanelSize = 420;

		const FFitReport Empty;
		const FFitReport& Report = Fit.Report ? *Fit.Report : Empty;
		const std::string Projection = Report.Strands > 0 && !Report.Mode.empty() ? ", " + Report.Mode + " projection" : std::string();
		Scene.Subtitle.push_back({Counted(Report.Strands, "strand") + ", " + Counted(Report.Points, "point") + Projection + "; mesh of " +
		                              Counted(Fit.Mesh ? Fit.Mesh->NumTriangles() : 0, "triangle"),
		                          PictureColors::Faint});
		const int64 Unsnapped = Report.Misses - Report.Quality.MissesSnapped;
		std::string Hits = "hits " + Count(Report.Hits) + ", misses " + Count(Report.Misses);
		if (Report.Misses > 0)
		{
			Hits += Unsnapped > 0 ? " (left where they were)" : " (snapped to the nearest surface point)";
		}
		Scene.Subtitle.push_back({Hits, Report.Hits == 0 || Unsnapped > 0 ? PictureColors::Miss : PictureColors::Faint});
		Scene.Subtitle.push_back({HandednessNote, PictureColors::Faint});

		FPictureColumn Before;
		Before.Caption = "before the fit";
		FPictureGroom BeforeGroom;
		BeforeGroom.Groom = Fit.Before;
		BeforeGroom.Offset = Fit.BeforeOffset;
		AddQuality(Report.Before, Before.Figures);

		FPictureColumn After;
		After.Caption = Fit.After ? "after the fit" : "after the fit: nothing written";
		FPictureGroom AfterGroom;
		AfterGroom.Groom = Fit.After;
		AfterGroom.Offset = Fit.AfterOffset;
		AddQuality(Report.Quality, After.Figures);
		if (Report.Quality.bAfterFit && Report.Quality.PointsUnresolved > 0)
		{
			After.Figures.push_back({Count(Report.Quality.PointsUnresolved) + " points left inside by the repairs", PictureColors::Inside});
		}
		if (Report.Quality.bAfterFit && Report.Quality.bShapeMeasured)
		{
			const GroomFitting::FFitReport& Quality = Report.Quality;
			After.Figures.push_back({"turned over 30 degrees: " + Counted(Quality.StrandsTurnedOver30, "strand"),
			                         Quality.StrandsTurnedOver30 > 0 ? PictureColors::Turned : PictureColors::Faint});
			After.Figures.push_back({"segments changed over 1%: " + Count(Quality.SegmentsChangedOver1Percent),
			                         Quality.SegmentsChangedOver1Percent > 0 ? PictureColors::Miss : PictureColors::Faint});
		}

		// Strands the fit's traces missed, left where they were (no repair snapped any): drawn and ringed,
		// while few enough to see. The fit names them; a strand that hit and barely moved is not one.
		const TArray<int32>& Missed = Report.Quality.MissedStrands;
		const size_t NumStrands = Fit.Before ? Fit.Before->vertexCounts.size() : 0;
		const bool bMissesKnown = Unsnapped > 0 && Report.Quality.MissesSnapped == 0 && Missed.Num() == Report.Misses &&
		                          std::all_of(Missed.begin(), Missed.end(), [&](int32 Strand)
		                                      { return Strand >= 0 && static_cast<size_t>(Strand) < NumStrands; });
		if (Fit.Before && Fit.After && bMissesKnown)
		{
			const std::vector<size_t> Unmoved(Missed.begin(), Missed.end());
			if (!Unmoved.empty() && Unmoved.size() <= 300)
			{
				BeforeGroom.AlwaysShown.assign(Fit.Before->vertexCounts.size(), false);
				for (const size_t Strand : Unmoved)
				{
					BeforeGroom.AlwaysShown[Strand] = true;
				}
				AfterGroom.AlwaysShown = BeforeGroom.AlwaysShown;
				size_t First = 0, Strand = 0;
				for (const size_t Missed : Unmoved)
				{
					for (; Strand < Missed; ++Strand)
					{
						First += static_cast<size_t>(Fit.Before->vertexCounts[Strand]);
					}
					const FVector Root = FVector(Fit.Before->positions[3 * First], Fit.Before->positions[3 * First + 1], Fit.Before->positions[3 * First + 2]) + Fit.BeforeOffset;
					Before.Rings.push_back(Root);
					After.Rings.push_back(Root);
				}
				Scene.Legend.push_back({"\xe2\x97\x8b  missed by the fit, left where it was", PictureColors::Miss});
			}
		}
		if (Fit.Before)
		{
			const size_t Strands = Fit.Before->vertexCounts.size();
			const size_t Stride = std::max<size_t>(1, (Strands + BeforeGroom.MaxStrands - 1) / BeforeGroom.MaxStrands);
			if (Stride > 1)
			{
				Scene.Legend.push_back({"1 in " + std::to_string(Stride) + " strands shown, roots dotted", PictureColors::Faint});
			}
			Before.Grooms.push_back(std::move(BeforeGroom));
		}
		if (Fit.After)
		{
			After.Grooms.push_back(std::move(AfterGroom));
			MarkTurnedStrands(*Fit.After, Fit.AfterOffset, Report.Quality, After, Scene);
		}
		Scene.Columns.push_back(std::move(Before));
		Scene.Columns.push_back(std::move(After));
		return Scene;
	}

	bool WriteFitPicture(const std::string& Path, const FFitPicture& Fit, std::string& OutError)
	{
		return WritePicturePng(Path, MakeFitPictureScene(Fit), OutError);
	}
}
