#include "DemoPicture.h"
#include "FitPicture.h"
#include "ErrorText.h"

#include "MeshQuery.h"

#include "Components/StaticMeshComponent.h"
#include "GameFramework/Actor.h"
#include "Host/World.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace VelmoraCli
{
	namespace
	{
		bool SameStrand(const GroomData& A, const GroomData& B, size_t First, int32_t Count)
		{
			for (size_t Index = 3 * First; Index < 3 * (First + Count); ++Index)
			{
				if (A.positions[Index] != B.positions[Index])
				{
					return false;
				}
			}
			return true;
		}

		// Per strand, whether the plain fit left a point of it inside the head (a root on the surface is
		// on it, not in it).
		std::vector<bool> StrandsInside(const Host::FMeshData& Head, const GroomData& Groom)
		{
			std::vector<bool> Result(Groom.vertexCounts.size(), false);
			UWorld* World = Host::NewWorld();
			UStaticMeshComponent* Component = Host::AddStaticMeshComponent(Host::SpawnActorWithoutRoot(World), Host::NewStaticMesh(Head));
			FString Error;
			const std::shared_ptr<const GroomFitting::FMeshQuery> Query = GroomFitting::GetMeshQuery(Component, Error);
			if (!Query)
			{
				return Result;
			}
			int64 First = 0;
			for (size_t Strand = 0; Strand < Groom.vertexCounts.size(); ++Strand)
			{
				const int32_t Count = std::max(0, Groom.vertexCounts[Strand]);
				for (int64 Point = First + 1; Point < First + Count && 3 * static_cast<size_t>(Point) + 2 < Groom.positions.size(); ++Point)
				{
					const FVector Position(Groom.positions[3 * Point], Groom.positions[3 * Point + 1], Groom.positions[3 * Point + 2]);
					FVector Nearest, Normal;
					if (Query->IsInside(Position) && Query->NearestPoint(Position, Nearest, Normal) && (Position - Nearest).Size() > GroomFitting::DefaultSurfaceTolerance)
					{
						Result[Strand] = true;
						break;
					}
				}
				First += Count;
			}
			return Result;
		}

		std::string Figure(const char* Format, long long A, long long B = 0)
		{
			char Line[256];
			std::snprintf(Line, sizeof(Line), Format, A, B);
			return Line;
		}
	}

	FPictureScene MakeDemoPictureScene(const Host::FMeshData& Head, const GroomData& Source, const GroomData& Plain, const GroomData& Fitted,
	                                   const FFitReport& PlainReport, const FFitReport& Report)
	{
		FPictureScene Scene;
		Scene.Title = "velmora: a groom fitted onto a head, plain and with repairs";
		Scene.Mesh = &Head;
		Scene.PanelSize = 420;
		// Nearly in profile, where a root off the scalp shows against the sky.
		Scene.Views.push_back(FPictureView{FVector(0.3, -1.0, 0.15), FVector(0, 0, 1), "nearly from -Y, Z up"});
		Scene.Subtitle.push_back({Counted(Report.Strands, "strand") + ", " + Counted(Report.Points, "point") + ", " + Report.Mode + " projection", PictureColors::Faint});
		Scene.Subtitle.push_back({"repairs: --on-miss nearest --orient --resolve-penetration", PictureColors::Faint});
		Scene.Subtitle.push_back({HandednessNote, PictureColors::Faint});

		// A sample of the strands, so the scalp shows through and the roots can be seen on it or off it;
		// the strands the plain fit missed always, and some of those it left inside the head.
		const size_t NumStrands = Source.vertexCounts.size();
		const size_t Stride = std::max<size_t>(1, NumStrands / 1500);
		std::vector<bool> Shown(NumStrands), Missed(NumStrands), Marked(NumStrands);
		for (size_t Strand = 0; Strand < NumStrands; Strand += Stride)
		{
			Shown[Strand] = true;
		}
		std::vector<FVector> MissedRoots;
		const std::vector<bool> Inside = StrandsInside(Head, Plain);
		const bool bComparable = Source.vertexCounts == Plain.vertexCounts && Source.positions.size() == Plain.positions.size();
		size_t First = 0;
		for (size_t Strand = 0; bComparable && Strand < NumStrands; ++Strand)
		{
			const int32_t Count = Source.vertexCounts[Strand];
			if (Count < 0 || 3 * (First + Count) > Source.positions.size())
			{
				break;
			}
			if (Count > 0 && SameStrand(Source, Plain, First, Count))
			{
				MissedRoots.emplace_back(Source.positions[3 * First], Source.positions[3 * First + 1], Source.positions[3 * First + 2]);
				Missed[Strand] = true;
			}
			// Fewer than all, or they would hide the head.
			if (Inside[Strand] && Strand % std::max<size_t>(1, Stride / 3) == 0)
			{
				Marked[Strand] = true;
			}
			First += static_cast<size_t>(Count);
		}
		if (Stride > 1)
		{
			Scene.Legend.push_back({"1 in " + std::to_string(Stride) + " strands shown, roots dotted", PictureColors::Faint});
		}
		if (!MissedRoots.empty())
		{
			Scene.Legend.push_back({"\xe2\x97\x8b  missed by the plain fit", PictureColors::Miss});
		}
		if (std::count(Marked.begin(), Marked.end(), true) > 0)
		{
			Scene.Legend.push_back({"\xe2\x80\x94  left inside the head by the plain fit", PictureColors::Inside});
			Scene.Legend.push_back({"\xe2\x80\x94  the same strands after the repairs", PictureColors::Repaired});
		}

		const GroomData* Grooms[3] = {&Source, &Plain, &Fitted};
		const GroomFitting::FFitReport* Figures[3] = {&PlainReport.Before, &PlainReport.Quality, &Report.Quality};
		const char* Captions[3] = {"as exported", "plain fit", "with repairs"};
		for (int Side = 0; Side < 3; ++Side)
		{
			FPictureColumn Column;
			Column.Caption = Captions[Side];
			FPictureGroom Groom;
			Groom.Groom = Grooms[Side];
			Groom.Shown = Shown;
			Groom.AlwaysShown = Missed;
			for (size_t Strand = 0; Side > 0 && Strand < NumStrands; ++Strand)
			{
				Groom.Shown[Strand] = Groom.Shown[Strand] && !Marked[Strand];
			}
			Column.Grooms.push_back(Groom);
			if (Side > 0)
			{
				FPictureGroom InsideGroom;
				InsideGroom.Groom = Grooms[Side];
				InsideGroom.Shown = Marked;
				// After the repairs they are no longer inside (the figures say whether any point is): not blue.
				InsideGroom.Color = Side == 2 ? PictureColors::Repaired : PictureColors::Inside;
				Column.Grooms.push_back(InsideGroom);
			}
			if (Side == 2)
			{
				MarkTurnedStrands(Fitted, FVector::ZeroVector, Report.Quality, Column, Scene);
			}
			if (Side < 2)
			{
				Column.Rings = MissedRoots;
			}
			const GroomFitting::FFitReport& Quality = *Figures[Side];
			if (Quality.bMeasured)
			{
				Column.Figures.push_back({Figure("roots off the scalp: %lld", Quality.RootsOffSurface), Quality.RootsOffSurface > 0 ? PictureColors::Miss : PictureColors::Faint});
				Column.Figures.push_back({"points inside: " + std::to_string(static_cast<long long>(Quality.PointsInside)) + " (" + Counted(Quality.StrandsInside, "strand") + ")", Quality.PointsInside > 0 ? PictureColors::Inside : PictureColors::Faint});
			}
			if (Side == 2 && Quality.bShapeMeasured)
			{
				Column.Figures.push_back({"turned over 30 degrees: " + Counted(Quality.StrandsTurnedOver30, "strand"),
				                          Quality.StrandsTurnedOver30 > 0 ? PictureColors::Turned : PictureColors::Faint});
				Column.Figures.push_back({"segments changed over 1%: " + std::to_string(static_cast<long long>(Quality.SegmentsChangedOver1Percent)),
				                          Quality.SegmentsChangedOver1Percent > 0 ? PictureColors::Miss : PictureColors::Faint});
			}
			if (Side > 0 && Quality.bAfterFit)
			{
				Column.Notes.push_back({Figure("misses: %lld", Quality.Misses) + (Quality.MissesSnapped > 0 ? ", snapped" : ""), Quality.Misses > Quality.MissesSnapped ? PictureColors::Miss : PictureColors::Faint});
			}
			Scene.Columns.push_back(std::move(Column));
		}
		return Scene;
	}

	bool WriteDemoPicture(const std::string& Path, const Host::FMeshData& Head, const GroomData& Source, const GroomData& Plain, const GroomData& Fitted,
	                      const FFitReport& PlainReport, const FFitReport& Report, std::string& OutError)
	{
		return WritePicturePng(Path, MakeDemoPictureScene(Head, Source, Plain, Fitted, PlainReport, Report), OutError);
	}
}
