#include "CliPath.h"
#include "Commands.h"
#include "GroomJson.h"
#include "GroomPrepare.h"
#include "JsonWriter.h"
#include "MeshParts.h"
#include "SafeText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace VelmoraCli
{
	const char* const InspectUsage =
	    "usage: velmora inspect GROOM.abc [--json]\n"
	    "       velmora inspect MESH [--json]\n"
	    "\n"
	    "Reads a groom the way the fit does and shows what it holds: strands, points, points per strand,\n"
	    "the widths, colours and normals and whether they are per strand or per point, the bounding box,\n"
	    "the projection a fit would choose, and every message the reader gave.\n"
	    "Then every object of the file, in order: for each curves object its strands, points, curve type,\n"
	    "basis and wrap, samples, every attribute (normals, widths, uvs, velocities and each arbitrary\n"
	    "param, with type, extent, scope and count), the transforms above it and its bounds with them\n"
	    "applied; other objects by kind. It says which object the fit reads (the first curves object, its\n"
	    "first sample, as stored) and what the fit leaves out, and when 'velmora prepare' would bring that in.\n"
	    "Last, what the editor's groom import (UE 5.5) makes of the file: its colours, widths, root UVs and\n"
	    "guides kept or dropped, and any array it would read past, which crashes the editor.\n"
	    "With --json, prints the whole record and the messages as JSON, the objects under \"objects\" and\n"
	    "what the editor's import makes of them under \"engineImport\".\n"
	    "An HDF5 archive (the older Alembic container) is refused: re-export it as Ogawa.\n"
	    "Given a mesh file (any name not ending in .abc), lists its parts as 'velmora fit --mesh-part' names\n"
	    "them: the nodes with their meshes, triangle counts and world bounds.\n"
	    "\n"
	    "example: velmora inspect groom.abc\n"
	    "example: velmora inspect avatar.glb\n";

	namespace
	{
		std::string DescribeCount(size_t Count, size_t Strands, size_t Points)
		{
			if (Count == 0)
			{
				return "none";
			}
			if (Count == Strands && Count == Points)
			{
				return "per strand and per point";
			}
			if (Count == Strands)
			{
				return "per strand";
			}
			if (Count == Points)
			{
				return "per point";
			}
			if (Count == 1)
			{
				return "one for the whole groom";
			}
			return "matches neither the strands nor the points";
		}

		void PrintTriples(const char* Name, const std::vector<float>& Values, size_t Strands, size_t Points)
		{
			const size_t Count = Values.size() / 3;
			std::printf("  %-15s %zu (%s)%s\n", Name, Count, DescribeCount(Count, Strands, Points).c_str(),
			            Values.size() % 3 != 0 ? ", plus a partial triple" : "");
		}
	}

	namespace
	{
		void PrintGroom(const std::string& Path, const GroomData& Groom, const FReadMessages& Messages)
		{
			const size_t Strands = Groom.vertexCounts.size();
			const size_t Points = Groom.positions.size() / 3;
			int64_t CountSum = 0;
			int32_t MinCount = std::numeric_limits<int32_t>::max();
			int32_t MaxCount = std::numeric_limits<int32_t>::min();
			for (const int32_t Count : Groom.vertexCounts)
			{
				CountSum += Count;
				MinCount = std::min(MinCount, Count);
				MaxCount = std::max(MaxCount, Count);
			}

			std::printf("%s\n", Path.c_str());
			std::printf("  %-15s %zu\n", "strands", Strands);
			std::printf("  %-15s %zu%s\n", "points", Points, Groom.positions.size() % 3 != 0 ? ", plus a partial triple" : "");
			if (Strands > 0)
			{
				std::printf("  %-15s min %d, max %d\n", "points/strand", MinCount, MaxCount);
			}
			if (CountSum != static_cast<int64_t>(Points) || MinCount < 0)
			{
				std::printf("  %-15s the strand counts add up to %lld points, but the file holds %zu\n", "warning",
				            static_cast<long long>(CountSum), Points);
			}
			std::printf("  %-15s %zu (%s)\n", "widths", Groom.widths.size(), DescribeCount(Groom.widths.size(), Strands, Points).c_str());
			PrintTriples("groom_color", Groom.groomColors, Strands, Points);
			PrintTriples("surface_normal", Groom.surfaceNormals, Strands, Points);
			if (Points > 0)
			{
				// Points with a non-finite coordinate have no place in a box; they are counted instead.
				float Min[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
				float Max[3] = {-Min[0], -Min[1], -Min[2]};
				size_t NonFinite = 0;
				for (size_t Point = 0; Point < Points; ++Point)
				{
					const float* P = &Groom.positions[Point * 3];
					if (!std::isfinite(P[0]) || !std::isfinite(P[1]) || !std::isfinite(P[2]))
					{
						++NonFinite;
						continue;
					}
					for (int Axis = 0; Axis < 3; ++Axis)
					{
						Min[Axis] = std::min(Min[Axis], P[Axis]);
						Max[Axis] = std::max(Max[Axis], P[Axis]);
					}
				}
				if (NonFinite == Points)
				{
					std::printf("  %-15s none: no point is finite\n", "bounds");
				}
				else
				{
					std::printf("  %-15s (%g, %g, %g) to (%g, %g, %g)", "bounds", Min[0], Min[1], Min[2], Max[0], Max[1], Max[2]);
					if (NonFinite > 0)
					{
						std::printf("; %zu of the points are not finite and left out", NonFinite);
					}
					std::printf("\n");
				}
			}
			// Nothing to project without strands.
			const bool bSurfaceNormal = Groom.surfaceNormals.size() / 3 == Strands;
			if (Strands > 0)
			{
				std::printf("  %-15s %s\n", "fit projection", bSurfaceNormal ? "surface normal (one normal per strand)" : "spherical (normals do not match the strands)");
			}
			if (Messages.Log.empty() && Messages.Stderr.empty())
			{
				std::printf("  %-15s none\n", "messages");
			}
			else
			{
				std::printf("  messages:\n");
				for (const std::string& Line : Messages.Log)
				{
					std::printf("    LogTemp: Warning: %s\n", SafeText::Escaped(Line).c_str());
				}
				for (const std::string& Line : Messages.Stderr)
				{
					std::printf("    stderr: %s\n", SafeText::Escaped(Line).c_str());
				}
			}
		}

		struct FInspectRequest
		{
			std::string Path;
			bool bJson = false;
		};

		EParsed ParseInspect(const std::vector<std::string>& Args, FInspectRequest& Out, std::string& OutError)
		{
			std::vector<std::string> Files;
			const EParsed Parsed = ParseArguments(Args, {FlagOption({"--json"}, Out.bJson)}, Files, OutError);
			if (Parsed != EParsed::Run)
			{
				return Parsed;
			}
			if (Files.size() != 1)
			{
				OutError = Files.empty() ? "expects GROOM.abc" : "one groom file at a time";
				return EParsed::Bad;
			}
			Out.Path = Files[0];
			return EParsed::Run;
		}

		// A curves object's attribute, for a glance: "N  normals, float32_t x3 (normal), uniform scope, 4053 values".
		std::string DescribeAttribute(const GroomPrepare::FSurveyedAttribute& Attribute)
		{
			std::string Text = Attribute.Role + ", " + (Attribute.Type.empty() ? std::string("unknown type") : Attribute.Type) + " x" + std::to_string(Attribute.Extent);
			if (!Attribute.Interpretation.empty())
			{
				Text += " (" + Attribute.Interpretation + ")";
			}
			Text += ", " + (Attribute.Scope.empty() ? std::string("no") : Attribute.Scope) + " scope";
			if (Attribute.bScalar)
			{
				Text += ", one value";
			}
			else
			{
				Text += ", " + std::to_string(Attribute.Count) + (Attribute.bIndexed ? " indices" : " values");
			}
			return Text;
		}

		bool IsCurves(const GroomPrepare::FSurveyedObject& Object)
		{
			return Object.Kind == "Curve";
		}

		// The attributes the fit reads of its curves object: the schema's widths and two params of its own.
		bool FitReadsAttribute(const GroomPrepare::FSurveyedAttribute& Attribute)
		{
			return Attribute.Role == "widths" || (Attribute.Role == "arbitrary" && (Attribute.Name == "groom_color" || Attribute.Name == "surface_normal"));
		}

		// What the fit leaves out of a file and whether 'velmora prepare' would bring it in.
		struct FFitView
		{
			// The indices of the curves objects the fit passes over.
			std::vector<int32_t> OtherCurves;
			int32_t TransformCount = 0;
			std::vector<std::string> Transforms;
			std::vector<std::string> Attributes;
			int64_t LaterSamples = 0;
			std::vector<std::string> PrepareWould;
		};

		FFitView ViewOfFit(const GroomPrepare::FGroomSurvey& Survey)
		{
			FFitView View;
			bool bDccNormals = false, bPluginNormals = false, bDccColours = false, bPluginColours = false, bTransformed = false;
			size_t CurvesObjects = 0;
			for (size_t Index = 0; Index < Survey.Objects.size(); ++Index)
			{
				const GroomPrepare::FSurveyedObject& Object = Survey.Objects[Index];
				if (!IsCurves(Object))
				{
					continue;
				}
				++CurvesObjects;
				bTransformed = bTransformed || !Object.bIdentityTransform;
				for (const GroomPrepare::FSurveyedAttribute& Attribute : Object.Attributes)
				{
					const bool bParam = Attribute.Role == "arbitrary";
					bDccNormals = bDccNormals || Attribute.Role == "normals";
					bPluginNormals = bPluginNormals || (bParam && Attribute.Name == "surface_normal");
					bDccColours = bDccColours || (bParam && (Attribute.Name == "Cd" || Attribute.Name == "color" || Attribute.Name == "Cs"));
					bPluginColours = bPluginColours || (bParam && Attribute.Name == "groom_color");
				}
				if (static_cast<int32_t>(Index) != Survey.FitReadsIndex)
				{
					View.OtherCurves.push_back(static_cast<int32_t>(Index));
					continue;
				}
				if (!Object.bIdentityTransform)
				{
					View.TransformCount = Object.TransformCount;
					View.Transforms = Object.Transforms;
				}
				View.LaterSamples = Object.Samples > 1 ? Object.Samples - 1 : 0;
				for (const GroomPrepare::FSurveyedAttribute& Attribute : Object.Attributes)
				{
					if (!FitReadsAttribute(Attribute))
					{
						View.Attributes.push_back(Attribute.Name);
					}
				}
			}
			if (CurvesObjects > 1)
			{
				View.PrepareWould.push_back("merge the " + std::to_string(CurvesObjects) + " curves objects");
			}
			if (bTransformed)
			{
				View.PrepareWould.push_back("apply the transforms");
			}
			if (bDccNormals && !bPluginNormals)
			{
				View.PrepareWould.push_back("take N as surface_normal");
			}
			if (bDccColours && !bPluginColours)
			{
				View.PrepareWould.push_back("take the colour as groom_color");
			}
			return View;
		}

		std::string Counted(int64_t Count, const char* Noun)
		{
			return std::to_string(Count) + " " + Noun + (Count == 1 ? "" : "s");
		}

		// "A", "A and B", "A, B and C"; past MaxListed items, the first of them and "and N more", so a
		// line never grows with what a file holds.
		constexpr size_t MaxListed = 8;

		std::string JoinedList(const std::vector<std::string>& Items)
		{
			const size_t Listed = std::min(Items.size(), MaxListed);
			std::string Text;
			for (size_t Index = 0; Index < Listed; ++Index)
			{
				const bool bLast = Index + 1 == Items.size();
				Text += (Index == 0 ? "" : bLast ? " and "
				                                 : ", ") +
				        Items[Index];
			}
			if (Listed < Items.size())
			{
				Text += " and " + std::to_string(Items.size() - Listed) + " more";
			}
			return Text;
		}

		// Names from the file, escaped for one line each.
		std::vector<std::string> EscapedAll(const std::vector<std::string>& Items)
		{
			std::vector<std::string> Escaped;
			for (size_t Index = 0; Index < Items.size() && Index <= MaxListed; ++Index)
			{
				Escaped.push_back(SafeText::Escaped(Items[Index]));
			}
			Escaped.resize(Items.size());
			return Escaped;
		}

		// An object named elsewhere than its own line: its path when short, else its number in the listing.
		std::string ObjectRef(const GroomPrepare::FGroomSurvey& Survey, int32_t Index)
		{
			const std::string& Path = Survey.Objects[static_cast<size_t>(Index)].Path;
			return Path.size() <= SafeText::MaxWholePath ? SafeText::Escaped(Path) : "#" + std::to_string(Index);
		}

		// An object on its own line: its path when short, else its parent's number and its name, so a deep
		// file's listing holds each name once.
		std::string ListedPath(const GroomPrepare::FGroomSurvey& Survey, size_t Index)
		{
			const GroomPrepare::FSurveyedObject& Object = Survey.Objects[Index];
			if (Object.Path.size() <= SafeText::MaxWholePath || Object.Parent < 0)
			{
				return SafeText::Escaped(Object.Path);
			}
			return "#" + std::to_string(Object.Parent) + SafeText::Escaped(std::string_view(Object.Path).substr(Object.Path.rfind('/')));
		}

		// The transforms above an object, the nearest named (the survey names those that fit in a little
		// room) and the rest counted; "" when none is named.
		std::string TransformList(int32_t Count, const std::vector<std::string>& Named)
		{
			if (Named.empty())
			{
				return std::string();
			}
			std::string Text = static_cast<size_t>(Count) > Named.size() ? std::to_string(Count - static_cast<int32_t>(Named.size())) + " more above" : std::string();
			for (const std::string& Path : Named)
			{
				Text += (Text.empty() ? "" : ", ") + SafeText::Escaped(Path);
			}
			return Text;
		}

		void PrintSurvey(const std::string& Path, const GroomPrepare::FGroomSurvey& Survey)
		{
			const bool bLongPaths = std::any_of(Survey.Objects.begin(), Survey.Objects.end(), [](const GroomPrepare::FSurveyedObject& Object)
			                                    { return Object.Path.size() > SafeText::MaxWholePath; });
			std::printf("objects         %zu, in the file's order, read at time %g%s\n", Survey.Objects.size(), Survey.Time,
			            bLongPaths ? "; a long path is shown as #N/name, the path of object #N and the name" : "");
			for (size_t Index = 0; Index < Survey.Objects.size(); ++Index)
			{
				const GroomPrepare::FSurveyedObject& Object = Survey.Objects[Index];
				std::printf("  #%zu %s  %s", Index, ListedPath(Survey, Index).c_str(), SafeText::Escaped(Object.Kind).c_str());
				if (Object.Samples > 0)
				{
					std::printf(", %lld sample%s", static_cast<long long>(Object.Samples), Object.Samples == 1 ? "" : "s");
				}
				std::printf("%s\n", static_cast<int32_t>(Index) == Survey.FitReadsIndex ? "  <- the fit reads this one" : "");
				if (!IsCurves(Object))
				{
					continue;
				}
				const std::string Basis = Object.Basis.empty() || Object.Basis == "no basis" ? std::string() : ", " + Object.Basis + " basis";
				std::printf("    %-15s %s, %s; %s, %s%s\n", "curves", Counted(Object.Strands, "strand").c_str(), Counted(Object.Points, "point").c_str(),
				            Object.CurveType.c_str(), Object.Wrap.c_str(), Basis.c_str());
				if (Object.TransformCount == 0)
				{
					std::printf("    %-15s none\n", "transforms");
				}
				else
				{
					const std::string Named = TransformList(Object.TransformCount, Object.Transforms);
					std::printf("    %-15s %d above it%s%s\n", "transforms", Object.TransformCount, Named.empty() ? "" : (" (" + Named + ")").c_str(),
					            Object.bIdentityTransform ? ", together the identity" : "");
				}
				if (Object.bHasWorldBounds)
				{
					std::printf("    %-15s (%.4g, %.4g, %.4g) to (%.4g, %.4g, %.4g)\n", "world bounds", Object.WorldBoundsMin[0], Object.WorldBoundsMin[1],
					            Object.WorldBoundsMin[2], Object.WorldBoundsMax[0], Object.WorldBoundsMax[1], Object.WorldBoundsMax[2]);
				}
				if (Object.Attributes.empty())
				{
					std::printf("    %-15s none\n", "attributes");
				}
				for (const GroomPrepare::FSurveyedAttribute& Attribute : Object.Attributes)
				{
					std::printf("    %-15s %s\n", SafeText::Escaped(Attribute.Name).c_str(), SafeText::Escaped(DescribeAttribute(Attribute)).c_str());
				}
			}
			if (Survey.FitReadsIndex < 0)
			{
				std::printf("fit reads       nothing: the file holds no curves object\n");
				return;
			}
			const FFitView View = ViewOfFit(Survey);
			std::printf("fit reads       %s: its first sample, as stored; of its attributes only widths, groom_color and surface_normal\n",
			            ObjectRef(Survey, Survey.FitReadsIndex).c_str());
			std::vector<std::string> Ignored;
			if (!View.OtherCurves.empty())
			{
				std::vector<std::string> Others;
				for (size_t Other = 0; Other < View.OtherCurves.size() && Other <= MaxListed; ++Other)
				{
					Others.push_back(ObjectRef(Survey, View.OtherCurves[Other]));
				}
				Others.resize(View.OtherCurves.size());
				Ignored.push_back((View.OtherCurves.size() == 1 ? "the curves object " : "the curves objects ") + JoinedList(Others));
			}
			if (View.TransformCount > 0)
			{
				const std::string Named = TransformList(View.TransformCount, View.Transforms);
				Ignored.push_back(Named.empty() ? "the " + std::to_string(View.TransformCount) + " transforms above it" : "the transforms above it (" + Named + ")");
			}
			if (View.LaterSamples > 0)
			{
				Ignored.push_back("its " + std::to_string(View.LaterSamples) + " later sample" + (View.LaterSamples == 1 ? "" : "s"));
			}
			if (!View.Attributes.empty())
			{
				Ignored.push_back("its " + JoinedList(EscapedAll(View.Attributes)));
			}
			std::string IgnoredText;
			for (const std::string& Part : Ignored)
			{
				IgnoredText += (IgnoredText.empty() ? "" : "; ") + Part;
			}
			std::printf("fit ignores     %s\n", Ignored.empty() ? "nothing" : IgnoredText.c_str());
			if (!View.PrepareWould.empty())
			{
				std::printf("to bring it in  velmora prepare %s PREPARED.abc\n"
				            "                would %s (add --up y --scale 100 for a Y-up groom in metres, the default of Blender and Houdini; --up y alone for Maya's centimetres)\n",
				            SafeText::Escaped(Path).c_str(), JoinedList(View.PrepareWould).c_str());
			}
		}

		// What the editor's groom import (UE 5.5) keeps and drops of one curves object. It merges every
		// curves object, reads a width or a "groom_*" param by its scope without checking its count, and
		// crashes reading past one (an empty one included).
		struct FEngineImportVerdict
		{
			// "kept", "dropped" or "none", and how or why.
			std::string Colours;
			std::string ColoursDetail;
			// "per point", "per strand", "one", "default" (no widths: 0.01 for every point) or, at a scope
			// the import has no rule for, that scope.
			std::string Widths;
			// "groom_root_uv", "uv" or "none", and how.
			std::string RootUVs;
			std::string RootUVsDetail;
			bool bGuides = false;
			// Each array the import would read past.
			std::vector<std::string> ReadsPast;
		};

		FEngineImportVerdict JudgeEngineImport(const GroomPrepare::FSurveyedObject& Object)
		{
			FEngineImportVerdict Verdict{"none", "", "default", "none", "", false, {}};
			const auto ReadPast = [&](const GroomPrepare::FSurveyedAttribute& Attribute, int64_t Read, const char* Per)
			{
				if (Attribute.Count < Read)
				{
					Verdict.ReadsPast.push_back(Attribute.Name + ": " + std::to_string(Attribute.Count) + " values at " + Attribute.Scope + " scope, read as " + Per + " for " +
					                            Counted(Object.Strands, "strand") + " of " + Counted(Object.Points, "point"));
				}
			};
			const int64_t OneForAll = Object.Strands > 0 ? 1 : 0;
			for (const GroomPrepare::FSurveyedAttribute& Attribute : Object.Attributes)
			{
				if (Attribute.bScalar)
				{
					continue;
				}
				if (Attribute.Role == "widths")
				{
					// The scope alone decides how many are read.
					if (Attribute.Scope == "vertex")
					{
						Verdict.Widths = "per point";
						ReadPast(Attribute, Object.Points, "one per point");
					}
					else if (Attribute.Scope == "uniform")
					{
						Verdict.Widths = "per strand";
						ReadPast(Attribute, Object.Strands, "one per strand");
					}
					else if (Attribute.Scope == "constant")
					{
						Verdict.Widths = "one";
						ReadPast(Attribute, OneForAll, "one for all");
					}
					else
					{
						Verdict.Widths = Attribute.Scope;
					}
				}
				else if (Attribute.Role == "uvs" && Verdict.RootUVs == "none")
				{
					const bool bFirstPoints = Attribute.Scope == "vertex";
					Verdict.RootUVs = "uv";
					Verdict.RootUVsDetail = bFirstPoints ? "each strand's first point" : "one per strand";
					ReadPast(Attribute, bFirstPoints ? Object.Points : Object.Strands, bFirstPoints ? "one per point" : "one per strand");
				}
				else if (Attribute.Role == "arbitrary" && Attribute.Name.rfind("groom_", 0) == 0)
				{
					// Uniform or constant scope, or a value per strand: a strand attribute; any other is read per point.
					const bool bPerStrand = Attribute.Scope == "uniform" || Attribute.Scope == "constant" || Attribute.Count == Object.Strands;
					const bool bOneForAll = Attribute.Scope == "constant" && Attribute.Count != Object.Strands;
					ReadPast(Attribute, bOneForAll ? OneForAll : bPerStrand ? Object.Strands
					                                                        : Object.Points,
					         bOneForAll ? "one for all" : bPerStrand ? "one per strand"
					                                                 : "one per point");
					if (Attribute.Name == "groom_color")
					{
						const bool bThreeFloats = Attribute.Type == "float32_t" && Attribute.Extent == 3;
						Verdict.Colours = !bPerStrand && bThreeFloats ? "kept" : "dropped";
						Verdict.ColoursDetail = bPerStrand     ? "read per strand, and the engine colours only per point"
						                        : bThreeFloats ? "one per point"
						                                       : Attribute.Type + " x" + std::to_string(Attribute.Extent) + ", and the engine takes only three floats";
					}
					else if (Attribute.Name == "groom_root_uv" && bPerStrand)
					{
						// Read after the schema's uv, it wins.
						Verdict.RootUVs = "groom_root_uv";
						Verdict.RootUVsDetail = "one per strand";
					}
					Verdict.bGuides = Verdict.bGuides || Attribute.Name == "groom_guide";
				}
			}
			return Verdict;
		}

		// The first polymesh of the file, -1 when none: the editor's groom import takes no file that holds one.
		int32_t FirstPolyMesh(const GroomPrepare::FGroomSurvey& Survey)
		{
			for (size_t Index = 0; Index < Survey.Objects.size(); ++Index)
			{
				if (Survey.Objects[Index].Kind == "PolyMesh")
				{
					return static_cast<int32_t>(Index);
				}
			}
			return -1;
		}

		void PrintEngineImport(const GroomPrepare::FGroomSurvey& Survey)
		{
			const int32_t PolyMesh = FirstPolyMesh(Survey);
			if (PolyMesh >= 0 || Survey.FitReadsIndex < 0)
			{
				std::printf("engine import   not a groom to the editor's import (UE 5.5): the file holds %s\n",
				            PolyMesh < 0 ? "no curves object" : ("a polymesh (" + ObjectRef(Survey, PolyMesh) + "); velmora prepare writes its curves alone").c_str());
				return;
			}
			for (size_t Index = 0; Index < Survey.Objects.size(); ++Index)
			{
				const GroomPrepare::FSurveyedObject& Object = Survey.Objects[Index];
				if (!IsCurves(Object))
				{
					continue;
				}
				const FEngineImportVerdict Verdict = JudgeEngineImport(Object);
				std::printf("engine import   what the editor's groom import (UE 5.5) makes of %s\n", ObjectRef(Survey, static_cast<int32_t>(Index)).c_str());
				std::printf("  %-13s %s\n", "colours",
				            Verdict.Colours == "none" ? "none (the engine reads only groom_color)"
				                                      : SafeText::Escaped(Verdict.Colours + (Verdict.Colours == "kept" ? ", " : ": ") + Verdict.ColoursDetail).c_str());
				const std::string Widths = Verdict.Widths == "default" ? "none: the engine gives every point 0.01"
				                           : Verdict.Widths == "one"   ? "kept, one for the whole groom"
				                           : Verdict.Widths == "per point" || Verdict.Widths == "per strand"
				                               ? "kept, one " + Verdict.Widths
				                               : "at " + Verdict.Widths + " scope, for which the engine has no known rule";
				std::printf("  %-13s %s\n", "widths", SafeText::Escaped(Widths).c_str());
				std::printf("  %-13s %s\n", "root UVs", Verdict.RootUVs == "none" ? "none" : ("from " + Verdict.RootUVs + ", " + Verdict.RootUVsDetail).c_str());
				std::printf("  %-13s %s\n", "guides", Verdict.bGuides ? "from groom_guide" : "none: the engine makes its own");
				for (const std::string& Line : Verdict.ReadsPast)
				{
					std::printf("  %-13s %s\n", "reads past", SafeText::Escaped(Line).c_str());
				}
				if (!Verdict.ReadsPast.empty())
				{
					std::printf("  %-13s the editor would crash importing this file\n", "crash");
				}
			}
		}

		// The longest path the JSON gives whole; a longer one is null, and the object's "name" and
		// "parent" rebuild it, so a deep file's JSON holds each name once.
		constexpr size_t MaxJsonPath = 4096;

		void WriteJsonPath(FJsonWriter& Writer, const std::string& Path)
		{
			if (Path.size() <= MaxJsonPath)
			{
				Writer.String(Path);
			}
			else
			{
				Writer.Null();
			}
		}

		void WriteEngineImportJson(FJsonWriter& Writer, const GroomPrepare::FGroomSurvey* Survey)
		{
			Writer.Key("engineImport");
			if (!Survey)
			{
				Writer.Null();
				return;
			}
			const int32_t PolyMesh = FirstPolyMesh(*Survey);
			Writer.BeginObject();
			Writer.Key("groom");
			Writer.Bool(PolyMesh < 0 && Survey->FitReadsIndex >= 0);
			Writer.Key("polyMesh");
			WriteJsonPath(Writer, PolyMesh < 0 ? std::string() : Survey->Objects[static_cast<size_t>(PolyMesh)].Path);
			bool bCrashes = false;
			Writer.Key("objects");
			Writer.BeginArray();
			for (const GroomPrepare::FSurveyedObject& Object : Survey->Objects)
			{
				if (!IsCurves(Object) || PolyMesh >= 0)
				{
					continue;
				}
				const FEngineImportVerdict Verdict = JudgeEngineImport(Object);
				bCrashes = bCrashes || !Verdict.ReadsPast.empty();
				Writer.BeginObject();
				Writer.Key("path");
				WriteJsonPath(Writer, Object.Path);
				Writer.Key("colours");
				Writer.String(Verdict.Colours);
				Writer.Key("coloursDetail");
				Writer.String(Verdict.ColoursDetail);
				Writer.Key("widths");
				Writer.String(Verdict.Widths);
				Writer.Key("rootUVs");
				Writer.String(Verdict.RootUVs);
				Writer.Key("guides");
				Writer.Bool(Verdict.bGuides);
				Writer.Key("readsPast");
				Writer.Strings(Verdict.ReadsPast);
				Writer.EndObject();
			}
			Writer.EndArray();
			Writer.Key("crashes");
			Writer.Bool(bCrashes);
			Writer.EndObject();
		}

		void WriteSurveyJson(FJsonWriter& Writer, const GroomPrepare::FGroomSurvey* Survey)
		{
			Writer.Key("objects");
			if (!Survey)
			{
				Writer.Null();
				return;
			}
			const auto Triple = [&Writer](const double(&Value)[3])
			{
				Writer.BeginArray();
				for (const double Axis : Value)
				{
					Writer.Number(Axis);
				}
				Writer.EndArray();
			};
			Writer.BeginArray();
			for (size_t Index = 0; Index < Survey->Objects.size(); ++Index)
			{
				const GroomPrepare::FSurveyedObject& Object = Survey->Objects[Index];
				Writer.BeginObject();
				Writer.Key("path");
				WriteJsonPath(Writer, Object.Path);
				Writer.Key("name");
				Writer.String(Object.Path.substr(Object.Path.rfind('/') + 1));
				Writer.Key("parent");
				if (Object.Parent < 0)
				{
					Writer.Null();
				}
				else
				{
					Writer.Integer(Object.Parent);
				}
				Writer.Key("kind");
				Writer.String(Object.Kind);
				Writer.Key("samples");
				Writer.Integer(Object.Samples);
				if (IsCurves(Object))
				{
					Writer.Key("fitReads");
					Writer.Bool(static_cast<int32_t>(Index) == Survey->FitReadsIndex);
					Writer.Key("strands");
					Writer.Integer(Object.Strands);
					Writer.Key("points");
					Writer.Integer(Object.Points);
					Writer.Key("curveType");
					Writer.String(Object.CurveType);
					Writer.Key("basis");
					Writer.String(Object.Basis);
					Writer.Key("wrap");
					Writer.String(Object.Wrap);
					Writer.Key("worldBounds");
					if (Object.bHasWorldBounds)
					{
						Writer.BeginArray();
						Triple(Object.WorldBoundsMin);
						Triple(Object.WorldBoundsMax);
						Writer.EndArray();
					}
					else
					{
						Writer.Null();
					}
				}
				Writer.Key("transformCount");
				Writer.Integer(Object.TransformCount);
				// The nearest only, as many as the survey names; "transformCount" counts them all.
				Writer.Key("transforms");
				Writer.Strings(Object.Transforms);
				Writer.Key("identityTransform");
				Writer.Bool(Object.bIdentityTransform);
				if (IsCurves(Object))
				{
					Writer.Key("attributes");
					Writer.BeginArray();
					for (const GroomPrepare::FSurveyedAttribute& Attribute : Object.Attributes)
					{
						Writer.BeginObject();
						Writer.Key("name");
						Writer.String(Attribute.Name);
						Writer.Key("role");
						Writer.String(Attribute.Role);
						Writer.Key("type");
						Writer.String(Attribute.Type);
						Writer.Key("extent");
						Writer.Integer(Attribute.Extent);
						Writer.Key("interpretation");
						Writer.String(Attribute.Interpretation);
						Writer.Key("scope");
						Writer.String(Attribute.Scope);
						Writer.Key("indexed");
						Writer.Bool(Attribute.bIndexed);
						Writer.Key("scalar");
						Writer.Bool(Attribute.bScalar);
						Writer.Key("count");
						Writer.Integer(Attribute.Count);
						Writer.EndObject();
					}
					Writer.EndArray();
				}
				Writer.EndObject();
			}
			Writer.EndArray();
		}

		// An Alembic groom: the record as the fit reads it, then every object of the file. A groom the
		// reader could not read whole is still shown, with what the reader said; the command then ends with
		// status 1 and that reason. An HDF5 archive is named as such and shows nothing.
		bool InspectGroom(const FInspectRequest& Request, std::string& OutError)
		{
			const std::string& Path = Request.Path;
			GroomPrepare::FGroomSurvey Survey;
			bool bSurveyed = false;
			std::string SurveyReason;
			{
				const FPluginPath PluginGroom(Path, EPluginPathKind::Existing);
				bSurveyed = GroomPrepare::SurveyGroomFile(PluginGroom.GetUtf8(), Survey);
				if (!bSurveyed)
				{
					// The survey's reason begins with the path it was given.
					const std::string Prefix = PluginGroom.GetUtf8() + ": ";
					SurveyReason = Survey.Error.compare(0, Prefix.size(), Prefix) == 0 ? Survey.Error.substr(Prefix.size()) : PluginGroom.ToUser(Survey.Error);
				}
			}
			if (!bSurveyed && SurveyReason.rfind("an HDF5 Alembic archive", 0) == 0)
			{
				OutError = "cannot read groom '" + Path + "': " + SurveyReason;
				return false;
			}

			FReadMessages Messages;
			bool bReadFailed = false;
			const GroomData Groom = ReadGroomCollecting(Path, Messages, bReadFailed);
			if (bReadFailed)
			{
				OutError = "cannot read groom '" + Path + "' whole";
			}
			else if (!bSurveyed)
			{
				OutError = "cannot list the objects of '" + Path + "': " + SurveyReason;
			}
			if (Request.bJson)
			{
				std::fputs(GroomToJson(Groom, Messages, [&](FJsonWriter& Writer)
				                       {
					                       WriteSurveyJson(Writer, bSurveyed ? &Survey : nullptr);
					                       WriteEngineImportJson(Writer, bSurveyed ? &Survey : nullptr);
					                       if (!OutError.empty())
					                       {
						                       Writer.Key("error");
						                       Writer.String(OutError);
					                       } })
				               .c_str(),
				           stdout);
				// The record carries the reason: the command prints no second object.
				NoteJsonPrinted();
				return !bReadFailed && bSurveyed;
			}
			PrintGroom(Path, Groom, Messages);
			if (bSurveyed)
			{
				PrintSurvey(Path, Survey);
				PrintEngineImport(Survey);
			}
			else
			{
				std::printf("objects         cannot be listed: %s\n", SafeText::Escaped(SurveyReason).c_str());
			}
			return !bReadFailed && bSurveyed;
		}

		bool Inspect(const FInspectRequest& Request, std::string& OutError)
		{
			if (IsMeshFileName(Request.Path))
			{
				return InspectMeshParts(Request.Path, Request.bJson, OutError);
			}
			return InspectGroom(Request, OutError);
		}
	}

	int RunInspect(const std::vector<std::string>& Args)
	{
		return RunCommand("inspect", Args, ParseInspect, Inspect);
	}
}
