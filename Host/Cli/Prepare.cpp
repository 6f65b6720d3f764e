#include "CliPath.h"
#include "SafeText.h"
#include "Commands.h"
#include "ErrorText.h"
#include "JsonWriter.h"
#include "Options.h"
#include "StagedOutput.h"
#include "StreamCapture.h"

#include "Host/Log.h"
#include "velmoraFitBPLibrary.h"

#include <cstdint>
#include <cstdio>
#include <limits>

namespace VelmoraCli
{
	const char* const PrepareUsage =
	    "usage: velmora prepare IN.abc OUT.abc [options]\n"
	    "       velmora prepare IN.abc -o OUT.abc [options]\n"
	    "\n"
	    "Turns a groom as Blender, Houdini or Maya write it into a groom the fit reads, with the same\n"
	    "UvelmoraFitBPLibrary::PrepareGroom a Blueprint calls in the editor: every curves object merged in\n"
	    "the order the file holds them, each placed by every transform above it, colours taken from\n"
	    "groom_color, else Cd, color or Cs, normals from surface_normal, else the curves' own N (turned\n"
	    "with the transform), widths kept. It prints what it did and what the plugin's groom cannot hold\n"
	    "(a periodic curve is kept as an open one; knots, orders, uvs and velocities are dropped).\n"
	    "'velmora inspect IN.abc' shows what the file holds first.\n"
	    "\n"
	    "options:\n"
	    "  --object PATH            take only the curves objects at or below PATH (\"/Head/Curves\");\n"
	    "                           repeat it for several; a name may be given escaped, as inspect shows it\n"
	    "  --frame N                the sample to read, counted in the samples of the most sampled curves\n"
	    "                           object (default 0, the first)\n"
	    "  --up y|z                 the groom's up axis: y turns it Z-up, (x, y, z) -> (x, -z, y), as the\n"
	    "                           engine's groom import does with Rotation X = -90 (import the prepared\n"
	    "                           groom with Rotation 0); z (the default) keeps it\n"
	    "  --scale S                multiply every point and width by S after the transforms: 100 for a\n"
	    "                           groom in metres (the engine works in centimetres); default 1\n"
	    "  --center                 then move the centre of the groom's bounds to the origin\n"
	    "  --translate X,Y,Z        then add X,Y,Z to every point (after --up, --scale and --center), to\n"
	    "                           stand the groom where its head is\n"
	    "  -o, --output OUT.abc     the output file (instead of the second argument)\n"
	    "  -v, --verbose            also print the plugin's own log lines, as the editor's log shows them\n"
	    "  --json                   print the summary as JSON on stdout\n"
	    "  -q, --quiet              print nothing but errors\n"
	    "\n"
	    "The output appears only when whole; what cannot be made sound (an HDF5 archive, no curves object,\n"
	    "a frame out of range, a transform that is singular) is refused with one line and exit status 1.\n"
	    "OUT.abc must be a regular file or not exist yet, and not be IN.abc under any name.\n"
	    "\n"
	    "examples: velmora prepare houdini_groom.abc groom.abc\n"
	    "          velmora prepare blender_groom.abc groom.abc --up y --scale 100\n"
	    "          velmora prepare groom.abc placed.abc --center --translate 0,0,165\n";

	namespace
	{
		struct FPrepareRequest
		{
			std::string SourcePath;
			std::string OutputPath;
			std::vector<std::string> Objects;
			int32_t Frame = 0;
			bool bYUp = false;
			double Scale = 1.0;
			bool bCenter = false;
			FVector Translation = FVector::ZeroVector;
			bool bVerbose = false;
			bool bJson = false;
			bool bQuiet = false;
		};

		EParsed ParsePrepare(const std::vector<std::string>& Args, FPrepareRequest& Out, std::string& OutError)
		{
			const std::vector<FOption> Options = {
			    {{"--object"}, EValue::Required, "an object's path", [&Out](const FOptionValue& Value, std::string&)
			     {
				     Out.Objects.push_back(Value.Text);
				     return true;
			     }},
			    {{"--frame"}, EValue::Required, "a sample number", [&Out](const FOptionValue& Value, std::string& OutReason)
			     {
				     uint64_t Frame = 0;
				     if (!ParseWholeNumber("--frame", Value.Text, "a sample number", 0, std::numeric_limits<int32_t>::max(), Frame, OutReason))
				     {
					     return false;
				     }
				     Out.Frame = static_cast<int32_t>(Frame);
				     return true;
			     }},
			    {{"--up"}, EValue::Required, "y or z", [&Out](const FOptionValue& Value, std::string& OutReason)
			     {
				     if (Value.Text != "y" && Value.Text != "z" && Value.Text != "Y" && Value.Text != "Z")
				     {
					     OutReason = "--up expects y or z, not '" + Value.Text + "'";
					     return false;
				     }
				     Out.bYUp = Value.Text == "y" || Value.Text == "Y";
				     return true;
			     }},
			    {{"--scale"}, EValue::Required, "a positive number", [&Out](const FOptionValue& Value, std::string& OutReason)
			     {
				     double Scale = 0;
				     // A scale the groom's floats cannot hold (or that takes every point to zero) is no unit.
				     if (!ParseNumber(Value.Text, Scale) || !(Scale > 0) || Scale > std::numeric_limits<float>::max() || Scale < std::numeric_limits<float>::min())
				     {
					     OutReason = "--scale expects a positive number, not '" + Value.Text + "'";
					     return false;
				     }
				     Out.Scale = Scale;
				     return true;
			     }},
			    FlagOption({"--center"}, Out.bCenter),
			    {{"--translate"}, EValue::Vector, "X,Y,Z", [&Out](const FOptionValue& Value, std::string& OutReason)
			     {
				     if (!CheckFloatVector(Value.Name, Value.Vector, false, OutReason))
				     {
					     return false;
				     }
				     Out.Translation = Value.Vector;
				     return true;
			     }},
			    FileOption({"-o", "--output"}, Out.OutputPath),
			    FlagOption({"-v", "--verbose"}, Out.bVerbose),
			    FlagOption({"--json"}, Out.bJson),
			    FlagOption({"-q", "--quiet"}, Out.bQuiet),
			};
			std::vector<std::string> Files;
			const EParsed Parsed = ParseArguments(Args, Options, Files, OutError);
			if (Parsed != EParsed::Run)
			{
				return Parsed;
			}
			if (Files.size() == 2 && Out.OutputPath.empty())
			{
				Out.OutputPath = Files[1];
				Files.pop_back();
			}
			if (Files.size() != 1 || Out.OutputPath.empty())
			{
				OutError = Files.size() > 1 ? "too many files" : "expects IN.abc OUT.abc";
				return EParsed::Bad;
			}
			Out.SourcePath = Files[0];
			return EParsed::Run;
		}

		void ReplaceAll(std::string& Text, const std::string& From, const std::string& To)
		{
			if (From.empty())
			{
				return;
			}
			for (size_t At = Text.find(From); At != std::string::npos; At = Text.find(From, At + To.size()))
			{
				Text.replace(At, From.size(), To);
			}
		}

		std::string ToUtf8(const FString& Text)
		{
			return std::string(TCHAR_TO_UTF8(*Text));
		}

		std::vector<std::string> ToLines(const TArray<FString>& Lines, const std::function<std::string(std::string)>& Rename)
		{
			std::vector<std::string> Result;
			for (const FString& Line : Lines)
			{
				Result.push_back(Rename(ToUtf8(Line)));
			}
			return Result;
		}

		void Triple(FJsonWriter& Writer, const FVector& Value)
		{
			Writer.BeginArray();
			Writer.Number(Value.X);
			Writer.Number(Value.Y);
			Writer.Number(Value.Z);
			Writer.EndArray();
		}

		void StringArray(FJsonWriter& Writer, const char* Key, const std::vector<std::string>& Values)
		{
			Writer.Key(Key);
			Writer.Strings(Values);
		}

		// What the node made, with every path as the user gave it.
		struct FPrepareSummary
		{
			FvelmoraPrepareReport Report;
			std::vector<std::string> Objects;
			std::vector<std::string> Done;
			std::vector<std::string> Dropped;
			// Whatever else was logged or printed while the node ran.
			std::vector<std::string> Log;
		};

		std::string SummaryToJson(const FPrepareRequest& Request, const FPrepareSummary& Summary)
		{
			const FvelmoraPrepareReport& Report = Summary.Report;
			FJsonWriter Writer;
			Writer.BeginObject();
			Writer.Key("source");
			Writer.String(Request.SourcePath);
			Writer.Key("output");
			Writer.String(Request.OutputPath);
			Writer.Key("strands");
			Writer.Integer(Report.Strands);
			Writer.Key("points");
			Writer.Integer(Report.Points);
			Writer.Key("colours");
			Writer.Integer(Report.Colours);
			Writer.Key("normals");
			Writer.Integer(Report.Normals);
			Writer.Key("widths");
			Writer.Integer(Report.Widths);
			Writer.Key("rootUVs");
			Writer.Integer(Report.RootUVs);
			Writer.Key("frame");
			Writer.Integer(Request.Frame);
			Writer.Key("time");
			Writer.Number(Report.Time);
			Writer.Key("upAxis");
			Writer.String(Request.bYUp ? "y" : "z");
			Writer.Key("scale");
			Writer.Number(Request.Scale);
			Writer.Key("moved");
			Triple(Writer, Summary.Report.Moved);
			StringArray(Writer, "objects", Summary.Objects);
			Writer.Key("bounds");
			Writer.BeginArray();
			Triple(Writer, Report.BoundsMin);
			Triple(Writer, Report.BoundsMax);
			Writer.EndArray();
			StringArray(Writer, "done", Summary.Done);
			StringArray(Writer, "dropped", Summary.Dropped);
			StringArray(Writer, "log", Summary.Log);
			Writer.EndObject();
			return Writer.Finish();
		}

		void PrintSummary(const FPrepareRequest& Request, const FPrepareSummary& Summary)
		{
			const FvelmoraPrepareReport& Report = Summary.Report;
			// The plugin's lines are for its log (the summary says what was done); every line may name
			// objects of the file: each is shown escaped, on one line.
			for (const std::string& Line : Request.bVerbose ? Summary.Log : std::vector<std::string>())
			{
				std::printf("%s\n", SafeText::Escaped(Line).c_str());
			}
			std::printf("prepared %s -> %s\n", Request.SourcePath.c_str(), Request.OutputPath.c_str());
			std::printf("groom    %s, %s, %s, %s, %s, %s\n", Counted(Report.Strands, "strand").c_str(), Counted(Report.Points, "point").c_str(),
			            Counted(Report.Colours, "colour").c_str(), Counted(Report.Normals, "normal").c_str(), Counted(Report.Widths, "width").c_str(),
			            Counted(Report.RootUVs, "root uv").c_str());
			std::printf("read     sample %d (time %g) of %zu curves object%s\n", Request.Frame, Report.Time, Summary.Objects.size(), Summary.Objects.size() == 1 ? "" : "s");
			std::printf("bounds   (%g, %g, %g) to (%g, %g, %g)\n", Report.BoundsMin.X, Report.BoundsMin.Y, Report.BoundsMin.Z, Report.BoundsMax.X, Report.BoundsMax.Y,
			            Report.BoundsMax.Z);
			std::printf("done:\n");
			for (const std::string& Line : Summary.Done)
			{
				std::printf("  %s\n", SafeText::Escaped(Line).c_str());
			}
			if (Summary.Dropped.empty())
			{
				std::printf("dropped: nothing\n");
				return;
			}
			std::printf("dropped (the plugin's groom cannot hold these):\n");
			for (const std::string& Line : Summary.Dropped)
			{
				std::printf("  %s\n", SafeText::Escaped(Line).c_str());
			}
		}

		bool Prepare(const FPrepareRequest& Request, std::string& OutError)
		{
			const std::vector<FInputFile> Inputs = {{Request.SourcePath, "groom"}};
			if (!CheckOutputsAgainstInputs({{Request.OutputPath, "output"}}, Inputs, OutError) || !FStagedOutput::CheckTarget(Request.OutputPath, Inputs, OutError))
			{
				return false;
			}
			// The node writes beside the target it is given and renames into it, so it is given a name in
			// a staging folder of its own, never an unnamed file.
			FStagedOutput Output(Request.OutputPath, EStagedName::ShortInFolder);
			if (!Output.Prepare(OutError, Inputs))
			{
				return false;
			}
			const FPluginPath PluginSource(Request.SourcePath, EPluginPathKind::Existing);
			const FPluginPath PluginOutput(Output.GetStagingPath(), EPluginPathKind::ToMake);
			// What the node says names the paths it was given; the user knows the files by their own names.
			const auto Rename = [&](std::string Line)
			{
				ReplaceAll(Line, PluginOutput.GetUtf8(), Request.OutputPath);
				return Output.NameTarget(PluginSource.ToUser(Line));
			};

			FvelmoraPrepareOptions Options;
			for (const std::string& Object : Request.Objects)
			{
				Options.ObjectPaths.Add(FString(UTF8_TO_TCHAR(Object.c_str())));
			}
			Options.Frame = Request.Frame;
			Options.bYUp = Request.bYUp;
			Options.Scale = Request.Scale;
			Options.bCenter = Request.bCenter;
			Options.Translation = Request.Translation;

			FPrepareSummary Summary;
			std::string Failure;
			{
				Host::FScopedLogCapture Capture;
				FScopedStreamCapture Streams;
				try
				{
					Summary.Report = UvelmoraFitBPLibrary::PrepareGroom(PluginSource.Get(), PluginOutput.Get(), Options);
				}
				catch (const std::exception& Error)
				{
					Failure = LastLineOf(Error.what());
				}
				std::string Out, Err;
				Streams.Finish(Out, Err);
				// Held back: on failure the node's Error line repeats Report.Error, which is the command's one
				// line; on success what was logged or printed comes with the summary.
				for (const Host::FLogLine& Line : Capture.GetLines())
				{
					std::string Text = Host::FormatLogLine(Line);
					while (!Text.empty() && Text.back() == '\n')
					{
						Text.pop_back();
					}
					Summary.Log.push_back(Rename(Text));
				}
				for (const std::string* Stream : {&Out, &Err})
				{
					size_t Start = 0;
					while (Start < Stream->size())
					{
						const size_t End = Stream->find('\n', Start);
						const std::string Line = Stream->substr(Start, End == std::string::npos ? std::string::npos : End - Start);
						if (!Line.empty())
						{
							Summary.Log.push_back(Rename(Line));
						}
						Start = End == std::string::npos ? Stream->size() : End + 1;
					}
				}
			}
			if (!Failure.empty())
			{
				OutError = "cannot write '" + Request.OutputPath + "': " + Rename(Failure);
				return false;
			}
			const FvelmoraPrepareReport& Report = Summary.Report;
			if (!Report.bSucceeded)
			{
				const std::string Error = ToUtf8(Report.Error);
				OutError = Rename(Error.find('\n') == std::string::npos ? Error : LastLineOf(Error));
				if (OutError.empty())
				{
					OutError = "nothing was written to '" + Request.OutputPath + "'";
				}
				return false;
			}
			if (!Output.Commit(OutError))
			{
				return false;
			}
			for (const FString& Object : Report.ObjectsMerged)
			{
				Summary.Objects.push_back(ToUtf8(Object));
			}
			Summary.Done = ToLines(Report.Done, Rename);
			Summary.Dropped = ToLines(Report.Dropped, Rename);
			if (Request.bJson)
			{
				std::fputs(SummaryToJson(Request, Summary).c_str(), stdout);
			}
			else if (!Request.bQuiet)
			{
				PrintSummary(Request, Summary);
			}
			return true;
		}
	}

	int RunPrepare(const std::vector<std::string>& Args)
	{
		return RunCommand("prepare", Args, ParsePrepare, Prepare);
	}
}
