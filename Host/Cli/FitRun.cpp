#include "FitRun.h"

#include "CliPath.h"

#include "MeshQuery.h"
#include "QualityReport.h"
#include "StagedOutput.h"
#include "StreamCapture.h"
#include "ErrorText.h"
#include "alembicIO.h"

#include "Components/StaticMeshComponent.h"
#include "GameFramework/Actor.h"
#include "Host/Log.h"
#include "Host/World.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace VelmoraCli
{
	namespace
	{
		using FClock = std::chrono::steady_clock;

		double SecondsBetween(FClock::time_point From, FClock::time_point To)
		{
			return std::chrono::duration<double>(To - From).count();
		}

		void AddFolded(std::vector<std::string>& Lines, std::vector<int64>& Repeats, const std::string& Line)
		{
			if (!Lines.empty() && Lines.back() == Line)
			{
				++Repeats.back();
				return;
			}
			Lines.push_back(Line);
			Repeats.push_back(1);
		}

		void AddStreamLines(std::vector<std::string>& Lines, std::vector<int64>& Repeats, const std::string& Text, const std::function<std::string(std::string)>& Rename)
		{
			std::istringstream Stream(Text);
			std::string Line;
			while (std::getline(Stream, Line))
			{
				Line = Rename(Line);
				if (!Line.empty())
				{
					AddFolded(Lines, Repeats, Line);
				}
			}
		}

		void ReplaceAll(std::string& Text, const std::string& From, const std::string& To)
		{
			for (size_t At = From.empty() ? std::string::npos : Text.find(From); At != std::string::npos; At = Text.find(From, At + To.size()))
			{
				Text.replace(At, From.size(), To);
			}
		}

		// The groom must be a file; whether it reads, and holds strands, the fit finds out.
		bool CheckGroomFile(const std::string& Path, std::string& OutError)
		{
			std::error_code Error;
			if (!std::filesystem::exists(Path, Error))
			{
				OutError = "groom '" + Path + "' does not exist";
				return false;
			}
			if (!std::filesystem::is_regular_file(Path, Error))
			{
				OutError = "groom '" + Path + "' is not a file";
				return false;
			}
			return true;
		}
	}

	FBox GroomWorldBounds(const GroomData& Groom, const FVector& Placement)
	{
		// In single precision, where the points are: adding the placement afterwards keeps the order, and
		// the pass costs little beside the fit.
		constexpr float Huge = std::numeric_limits<float>::infinity();
		float MinX = Huge, MinY = Huge, MinZ = Huge, MaxX = -Huge, MaxY = -Huge, MaxZ = -Huge;
		bool bAny = false;
		const float* Values = Groom.positions.data();
		const float* const End = Values + Groom.positions.size() / 3 * 3;
		for (; Values < End; Values += 3)
		{
			const float X = Values[0], Y = Values[1], Z = Values[2];
			if (std::isfinite(X) && std::isfinite(Y) && std::isfinite(Z))
			{
				MinX = std::min(MinX, X);
				MinY = std::min(MinY, Y);
				MinZ = std::min(MinZ, Z);
				MaxX = std::max(MaxX, X);
				MaxY = std::max(MaxY, Y);
				MaxZ = std::max(MaxZ, Z);
				bAny = true;
			}
		}
		return bAny ? FBox(FVector(MinX, MinY, MinZ) + Placement, FVector(MaxX, MaxY, MaxZ) + Placement) : FBox(ForceInit);
	}

	FBox MeshWorldBounds(const Host::FMeshData& Mesh, const FTransform& Transform)
	{
		FBox Bounds(ForceInit);
		for (const FVector3f& Position : Mesh.Positions)
		{
			const FVector P = Transform.TransformPosition(FVector(Position.X, Position.Y, Position.Z));
			if (std::isfinite(P.X) && std::isfinite(P.Y) && std::isfinite(P.Z))
			{
				Bounds += P;
			}
		}
		return Bounds;
	}

	std::string DescribeBox(const FBox& Box)
	{
		if (!Box.IsValid)
		{
			return "(none)";
		}
		char Text[256];
		std::snprintf(Text, sizeof(Text), "(%.4g, %.4g, %.4g)-(%.4g, %.4g, %.4g)", Box.Min.X, Box.Min.Y, Box.Min.Z, Box.Max.X, Box.Max.Y, Box.Max.Z);
		return Text;
	}

	nlohmann::json BoxToJson(const FBox& Box)
	{
		if (!Box.IsValid)
		{
			return nullptr;
		}
		return {{"min", {Box.Min.X, Box.Min.Y, Box.Min.Z}}, {"max", {Box.Max.X, Box.Max.Y, Box.Max.Z}}};
	}

	nlohmann::json FFitReport::ToJson() const
	{
		nlohmann::json Json = {
		    {"strands", Strands},
		    {"points", Points},
		    {"meshTriangles", MeshTriangles},
		    {"meshSkinned", bMeshSkinned},
		    {"mode", Mode},
		    {"hits", Hits},
		    {"misses", Misses},
		    {"seconds", {{"mesh", MeshSeconds}, {"read", ReadSeconds}, {"trace", TraceSeconds}, {"write", WriteSeconds}, {"total", TotalSeconds}}},
		    {"bounds", {{"groom", BoxToJson(GroomBounds)}, {"mesh", BoxToJson(MeshBounds)}}},
		    {"warnings", Warnings},
		    {"log", Log},
		};
		if (Quality.bMeasured)
		{
			Json["report"] = QualityToJson(Quality);
		}
		if (Before.bMeasured)
		{
			Json["before"] = QualityToJson(Before);
		}
		return Json;
	}

	std::string FFitReport::Describe() const
	{
		const std::string Bounds = (GroomBounds.IsValid ? "groom at " + DescribeBox(GroomBounds) + "\n" : std::string()) +
		                           (MeshBounds.IsValid ? "mesh at  " + DescribeBox(MeshBounds) + "\n" : std::string());
		char Text[2048];
		std::snprintf(Text, sizeof(Text),
		              "strands  %lld\n"
		              "points   %lld\n"
		              "mesh     %lld triangles%s\n"
		              "%s"
		              "mode     %s projection\n"
		              "hits     %lld\n"
		              "misses   %lld%s\n"
		              "time     mesh %.3f s, read %.3f s, trace %.3f s, write %.3f s, total %.3f s\n",
		              static_cast<long long>(Strands), static_cast<long long>(Points), static_cast<long long>(MeshTriangles),
		              bMeshSkinned ? " (skinned: placed at rest)" : "", Bounds.c_str(), Mode.c_str(),
		              static_cast<long long>(Hits), static_cast<long long>(Misses),
		              Misses == 0 ? "" : Quality.MissesSnapped == Misses ? " (snapped to the nearest surface point)"
		                                                                 : " (left where they were)",
		              MeshSeconds,
		              ReadSeconds, TraceSeconds, WriteSeconds, TotalSeconds);
		return Text + (Quality.bMeasured ? DescribeQuality(Quality) : std::string());
	}

	void ReadGroomAhead(const std::string& GroomPath, FGroomReadAhead& Ahead)
	{
		const FClock::time_point Start = FClock::now();
		if (!CheckGroomFile(GroomPath, Ahead.FileError))
		{
			return;
		}
		const FPluginPath PluginGroom(GroomPath, EPluginPathKind::Existing);
		const auto Rename = [&](const std::string& Line)
		{ return PluginGroom.ToUser(Line); };
		Host::FScopedLogCapture Capture;
		FScopedStreamCapture Streams;
		// The target is named only in the message of a groom that cannot be read, which the command words itself.
		FString ReadReason;
		Ahead.bRead = GroomFitting::ReadGroomForFit(PluginGroom.Get(), FString(), Ahead.Groom, &ReadReason, &Ahead.Carried);
		std::string Out, Err;
		Streams.Finish(Out, Err);
		std::vector<int64> Repeats;
		for (const Host::FLogLine& Line : Capture.GetLines())
		{
			// The fit's own line about an unreadable groom: the command says so in its words.
			if (!Ahead.bRead && Line.Verbosity == ELogVerbosity::Error)
			{
				continue;
			}
			std::string Text = Rename(Host::FormatLogLine(Line));
			while (!Text.empty() && Text.back() == '\n')
			{
				Text.pop_back();
			}
			AddFolded(Ahead.Lines, Repeats, Text);
		}
		AddStreamLines(Ahead.Lines, Repeats, Out, Rename);
		AddStreamLines(Ahead.Lines, Repeats, Err, Rename);
		for (size_t Index = 0; Index < Ahead.Lines.size(); ++Index)
		{
			if (Repeats[Index] > 1)
			{
				Ahead.Lines[Index] += " (x" + std::to_string(Repeats[Index]) + ")";
			}
		}
		if (!Ahead.bRead)
		{
			// The last line of the reader's message names the cause.
			Ahead.ReadReason = Rename(LastLineOf(TCHAR_TO_UTF8(*ReadReason)));
		}
		Ahead.Seconds = SecondsBetween(Start, FClock::now());
	}

	namespace
	{
		// Whether there is a groom to fit and a mesh to fit it on. False with the reason.
		bool CheckFitInputs(const FFitRequest& Request, const Host::FMeshData& MeshData, const FGroomReadAhead* Ahead, std::string& OutError)
		{
			if (Ahead && !Ahead->FileError.empty())
			{
				OutError = Ahead->FileError;
				return false;
			}
			if (!Ahead && !CheckGroomFile(Request.GroomPath, OutError))
			{
				return false;
			}
			if (Ahead && !Ahead->bRead)
			{
				OutError = "cannot read groom '" + Request.GroomPath + "'" + (Ahead->ReadReason.empty() ? std::string() : ": " + Ahead->ReadReason);
				return false;
			}
			if (MeshData.NumTriangles() == 0)
			{
				OutError = "the mesh has no triangles";
				return false;
			}
			return true;
		}

		double FarthestCoordinate(const FBox& Box)
		{
			double Farthest = 0;
			for (int32 Axis = 0; Axis < 3; ++Axis)
			{
				Farthest = std::max({Farthest, std::abs(Box.Min[Axis]), std::abs(Box.Max[Axis])});
			}
			return Farthest;
		}

		// A placement the engine cannot trace, or whose fitted points a float cannot hold: refused before
		// any work, whichever repairs run.
		bool CheckPlacement(const FFitRequest& Request, const FFitReport& Report, std::string& OutError)
		{
			constexpr double Bound = GroomFitting::FMeshQuery::MaxCoordinate;
			const std::string Beyond = ", beyond " + std::to_string(static_cast<uint64_t>(Bound)) + " from the origin, outside any world the engine traces";
			if (Report.MeshBounds.IsValid && !(FarthestCoordinate(Report.MeshBounds) <= Bound))
			{
				OutError = "the mesh as placed lies at " + DescribeBox(Report.MeshBounds) + Beyond + " (see --mesh-location and --mesh-scale)";
				return false;
			}
			if (Report.GroomBounds.IsValid && !(FarthestCoordinate(Report.GroomBounds) <= Bound))
			{
				OutError = "the groom as placed lies at " + DescribeBox(Report.GroomBounds) + Beyond + " (see --origin)";
				return false;
			}
			if (!(FarthestCoordinate(FBox(Request.ActorLocation, Request.ActorLocation)) <= Bound))
			{
				OutError = "the actor location lies" + Beyond + " (see --actor-location)";
				return false;
			}
			if (!Report.GroomBounds.IsValid)
			{
				return true;
			}
			// The fitted points are floats relative to the actor: far from it, a float's step swallows the
			// strands' shape (at 1e10 it is 1024 units).
			const FBox Stored(Report.GroomBounds.Min - Request.ActorLocation, Report.GroomBounds.Max - Request.ActorLocation);
			const FVector Size = Report.GroomBounds.Max - Report.GroomBounds.Min;
			const double GroomSize = std::max({Size.X, Size.Y, Size.Z});
			const double Step = FarthestCoordinate(Stored) * std::numeric_limits<float>::epsilon();
			if (GroomSize > 0 && Step > GroomSize / 1000)
			{
				char Text[256];
				std::snprintf(Text, sizeof(Text),
				              "the fitted groom would be stored %.4g from the actor location, where a float's step (%.3g) is more than a thousandth of the "
				              "groom's size (%.4g): its strands would lose their shape (see --actor-location)",
				              FarthestCoordinate(Stored), Step, GroomSize);
				OutError = Text;
				return false;
			}
			return true;
		}

		// One run of the plugin's fit: whether it wrote, what the groom writer threw, when its stages began
		// and ended, and what it printed.
		struct FPluginFit
		{
			bool bFitted = false;
			std::string WriteFailure;
			FClock::time_point FitStart, FitEnd;
			bool bTaskSeen = false;
			FClock::time_point TaskBegin, TaskEnd;
		};

		using FRename = std::function<std::string(std::string)>;

		// Runs what the Blueprint nodes run, writing the staged file at PluginOutput, with its log and
		// printed lines folded into Report.Log.
		FPluginFit RunPluginFit(const FFitRequest& Request, AActor* Source, UStaticMeshComponent* Component, const FPluginPath& PluginGroom,
		                        const FPluginPath& PluginOutput, FGroomReadAhead* Ahead, const FRename& Rename, FFitReport& Report)
		{
			FPluginFit Run;
			std::vector<std::string> Lines;
			std::vector<int64> Repeats;
			{
				Host::FScopedLogCapture Capture;
				FScopedStreamCapture Streams;
				FProgressDisplay Progress(Streams.GetTerminal(), Request.Progress);
				Run.FitStart = FClock::now();
				try
				{
					// The command stages its own output, so the fit writes the staged file itself.
					GroomFitting::FFitFileSettings Settings;
					Settings.bMeasure = Request.bMeasure;
					Settings.bReplaceWhenWhole = false;
					Run.bFitted = Ahead ? GroomFitting::FitAndWriteGroom(Source, Component, Request.Origin, Ahead->Groom, PluginOutput.Get(), Request.Options,
					                                                     Settings, Report.Quality, Ahead->Carried)
					                    : GroomFitting::FitGroomFile(Source, Component, Request.Origin, PluginGroom.Get(), PluginOutput.Get(), Request.Options,
					                                                 Settings, Report.Quality);
				}
				catch (const std::exception& Error)
				{
					Run.WriteFailure = Error.what();
				}
				catch (...)
				{
					Run.WriteFailure = "unknown error";
				}
				Run.FitEnd = FClock::now();
				Run.bTaskSeen = Progress.HasTaskBegun();
				Run.TaskBegin = Progress.GetTaskBegin();
				Run.TaskEnd = Progress.GetTaskEnd();

				std::string Out, Err;
				Streams.Finish(Out, Err);
				for (const Host::FLogLine& Line : Capture.GetLines())
				{
					std::string Text = Rename(Host::FormatLogLine(Line));
					while (!Text.empty() && Text.back() == '\n')
					{
						Text.pop_back();
					}
					AddFolded(Lines, Repeats, Text);
				}
				AddStreamLines(Lines, Repeats, Out, Rename);
				AddStreamLines(Lines, Repeats, Err, Rename);
			}
			if (Ahead)
			{
				Report.Log = Ahead->Lines;
			}
			for (size_t Index = 0; Index < Lines.size(); ++Index)
			{
				Report.Log.push_back(Repeats[Index] > 1 ? Lines[Index] + " (x" + std::to_string(Repeats[Index]) + ")" : Lines[Index]);
			}
			return Run;
		}

		// The summary's figures and the time of each stage; the read, trace and write stages are told apart
		// by the fit's progress task.
		void FillFigures(const FPluginFit& Run, const FGroomReadAhead* Ahead, FFitReport& Report)
		{
			const GroomFitting::FFitReport& Fit = Report.Quality;
			Report.Strands = Fit.Strands;
			Report.Points = Fit.Points;
			Report.Traced = Fit.Traced;
			Report.Hits = Fit.Hits;
			Report.Misses = Fit.Misses;
			Report.Mode = Fit.Projection == GroomFitting::EProjection::SurfaceNormal ? "surface normal" : "spherical";
			if (Ahead)
			{
				Report.ReadSeconds = Ahead->Seconds;
				Report.TraceSeconds = SecondsBetween(Run.FitStart, Run.bTaskSeen ? Run.TaskEnd : Run.FitEnd);
				Report.WriteSeconds = Run.bTaskSeen ? SecondsBetween(Run.TaskEnd, Run.FitEnd) : 0.0;
			}
			else if (Run.bTaskSeen)
			{
				Report.ReadSeconds = SecondsBetween(Run.FitStart, Run.TaskBegin);
				Report.TraceSeconds = SecondsBetween(Run.TaskBegin, Run.TaskEnd);
				Report.WriteSeconds = SecondsBetween(Run.TaskEnd, Run.FitEnd);
			}
			else
			{
				Report.TraceSeconds = SecondsBetween(Run.FitStart, Run.FitEnd);
			}
		}

		// Why a fit that ran left nothing to commit, or true when it left a groom.
		bool CheckFitResult(const FFitRequest& Request, const FPluginFit& Run, const GroomFitting::FFitReport& Fit, const FRename& Rename, std::string& OutError)
		{
			if (!Run.WriteFailure.empty())
			{
				OutError = "cannot write '" + Request.OutputPath + "': " + Rename(Run.WriteFailure);
				return false;
			}
			if (!Run.bFitted)
			{
				// The fit keeps its reason with the report: the reader's message when the groom could not be read.
				const std::string Reason = TCHAR_TO_UTF8(*Fit.FailureReason);
				if (!Fit.bGroomRead && !Reason.empty())
				{
					OutError = "cannot read groom '" + Request.GroomPath + "': " + Rename(LastLineOf(Reason));
					return false;
				}
				OutError = "no groom written to '" + Request.OutputPath + "': " + (Reason.empty() ? std::string("the fit wrote nothing") : Rename(Reason));
				return false;
			}
			if (Fit.Strands == 0)
			{
				OutError = "groom '" + Request.GroomPath + "' holds no strands";
				return false;
			}
			return true;
		}

		// Traces ran, none met the mesh and no repair placed a root: the groom would be written as it was
		// read, which is no fit at all.
		bool MetNothing(const GroomFitting::FFitReport& Fit)
		{
			return Fit.Traced > 0 && Fit.Hits == 0 && Fit.MissesSnapped == 0;
		}
	}

	bool RunFitOnMesh(const FFitRequest& Request, const Host::FMeshData& MeshData, FFitReport& Report, std::string& OutError, FGroomReadAhead* Ahead,
	                  FStagedOutput* Staged)
	{
		const FClock::time_point Start = FClock::now();
		if (!CheckFitInputs(Request, MeshData, Ahead, OutError))
		{
			return false;
		}
		Report.MeshTriangles = MeshData.NumTriangles();
		if (!Report.MeshBounds.IsValid)
		{
			Report.MeshBounds = MeshWorldBounds(MeshData, FTransform(Request.MeshRotation, Request.MeshLocation, Request.MeshScale));
		}
		if (!Report.GroomBounds.IsValid && Ahead)
		{
			Report.GroomBounds = GroomWorldBounds(Ahead->Groom, Request.Origin);
		}
		if (!CheckPlacement(Request, Report, OutError))
		{
			return false;
		}

		std::vector<FInputFile> Inputs = {{Request.GroomPath, "groom"}};
		if (!Request.MeshPath.empty())
		{
			Inputs.push_back({Request.MeshPath, "mesh"});
		}
		std::optional<FStagedOutput> OwnOutput;
		if (!Staged)
		{
			OwnOutput.emplace(Request.OutputPath);
			if (!OwnOutput->Prepare(OutError, Inputs))
			{
				return false;
			}
		}
		FStagedOutput& Output = Staged ? *Staged : *OwnOutput;
		const FPluginPath PluginGroom(Request.GroomPath, EPluginPathKind::Existing);
		const FPluginPath PluginOutput(Output.GetStagingPath(), EPluginPathKind::ToMake);
		// What the fit prints names the paths it was given; the user knows the files by their own names.
		const FRename Rename = [&](std::string Line)
		{
			ReplaceAll(Line, PluginOutput.GetUtf8(), Request.OutputPath);
			return Output.NameTarget(PluginGroom.ToUser(Line));
		};

		UWorld* World = Host::NewWorld();
		AActor* Source = Host::SpawnActor(World, Request.ActorLocation);
		AActor* MeshActor = Host::SpawnActorWithoutRoot(World);
		UStaticMesh* Mesh = Host::NewStaticMesh(MeshData, Request.CollisionSides);
		UStaticMeshComponent* Component =
		    Host::AddStaticMeshComponent(MeshActor, Mesh, FTransform(Request.MeshRotation, Request.MeshLocation, Request.MeshScale));
		if (Request.bMeasureBefore)
		{
			Host::FScopedLogCapture Quiet;
			FScopedStreamCapture QuietStreams;
			GroomFitting::ReportGroomFile(Component, Request.Origin, PluginGroom.Get(), Report.Before);
			std::string Ignored;
			QuietStreams.Finish(Ignored, Ignored);
		}

		const FPluginFit Run = RunPluginFit(Request, Source, Component, PluginGroom, PluginOutput, Ahead, Rename, Report);
		FillFigures(Run, Ahead, Report);
		if (!CheckFitResult(Request, Run, Report.Quality, Rename, OutError))
		{
			return false;
		}
		Report.bFitRan = true;
		if (MetNothing(Report.Quality))
		{
			// The staged groom goes with Output, uncommitted.
			Report.bNothingHit = true;
			OutError = "no strand's trace met the mesh (" + std::to_string(static_cast<long long>(Report.Traced)) + " traced, 0 hits), nothing written: groom at " +
			           DescribeBox(Report.GroomBounds) + " as placed for the fit, mesh at " + DescribeBox(Report.MeshBounds);
			return false;
		}
		if (!Staged && !Output.Commit(OutError))
		{
			return false;
		}
		Report.TotalSeconds = Report.MeshSeconds + SecondsBetween(Start, FClock::now());
		return true;
	}
}
