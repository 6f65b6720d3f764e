#include "Picture.h"

#include <cairo.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <numeric>

namespace VelmoraCli
{
	namespace
	{
		constexpr double Margin = 20.0;
		constexpr double TitleSize = 20.0;
		constexpr double TextSize = 14.0;
		constexpr double LineHeight = 19.0;
		// Cairo keeps coordinates in 24.8 fixed point: anything projected farther than this from the page
		// is left out rather than wrapped.
		constexpr double FarthestPixel = 1.0e6;
		// Past this a groom's bounds say nothing useful about where to look.
		constexpr double FarthestWorld = 1.0e30;
		constexpr int32 MostHeaderLines = 14;
		constexpr int32 MostFigureLines = 14;
		constexpr int32 MostNoteLines = 8;

		struct FSurfaceDeleter
		{
			void operator()(cairo_surface_t* Surface) const { cairo_surface_destroy(Surface); }
		};
		struct FContextDeleter
		{
			void operator()(cairo_t* Context) const { cairo_destroy(Context); }
		};
		using FSurfacePtr = std::unique_ptr<cairo_surface_t, FSurfaceDeleter>;
		using FContextPtr = std::unique_ptr<cairo_t, FContextDeleter>;

		FVector Unit(const FVector& V)
		{
			const double Length = std::sqrt(V | V);
			return Length > 1e-12 && std::isfinite(Length) ? V * (1.0 / Length) : FVector::ZeroVector;
		}

		bool IsFinite(const FVector& V)
		{
			return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z);
		}

		double Channel(double Value)
		{
			return std::isfinite(Value) ? std::clamp(Value, 0.0, 1.0) : 0.0;
		}

		void SetColor(cairo_t* Context, const FPictureColor& Color, double AlphaScale = 1.0)
		{
			cairo_set_source_rgba(Context, Channel(Color.R), Channel(Color.G), Channel(Color.B), Channel(Color.A) * AlphaScale);
		}

		// An orthographic camera: page position of a world point, and its depth (larger is farther).
		struct FCamera
		{
			FVector Right, Up, Forward;
			double CentreRight = 0, CentreUp = 0;
			double Scale = 1;
			double PageX = 0, PageY = 0;

			FCamera(const FPictureView& View)
			{
				Forward = Unit(View.Eye * -1.0);
				if (Forward == FVector::ZeroVector)
				{
					Forward = FVector(-1, 0, 0);
				}
				Up = Unit(View.Up - Forward * (View.Up | Forward));
				if (Up == FVector::ZeroVector)
				{
					// Looking along Up: take any square to it.
					Up = Unit(FVector(0, 0, 1) - Forward * Forward.Z);
					if (Up == FVector::ZeroVector)
					{
						Up = Unit(FVector(0, 1, 0) - Forward * Forward.Y);
					}
				}
				Right = Up ^ Forward;
			}

			bool Project(const FVector& Point, double& OutX, double& OutY) const
			{
				OutX = PageX + ((Point | Right) - CentreRight) * Scale;
				OutY = PageY - ((Point | Up) - CentreUp) * Scale;
				return std::abs(OutX) < FarthestPixel && std::abs(OutY) < FarthestPixel;
			}

			double Depth(const FVector& Point) const { return Point | Forward; }
		};

		// Where every groom's strands start, as far as the counts and the positions agree.
		struct FStrandIndex
		{
			std::vector<size_t> First;
			size_t Count() const { return First.empty() ? 0 : First.size() - 1; }
		};

		FStrandIndex IndexStrands(const GroomData& Groom)
		{
			FStrandIndex Index;
			const size_t NumPoints = Groom.positions.size() / 3;
			Index.First.reserve(Groom.vertexCounts.size() + 1);
			Index.First.push_back(0);
			for (const int32_t Count : Groom.vertexCounts)
			{
				if (Count < 0 || static_cast<size_t>(Count) > NumPoints - Index.First.back())
				{
					break;
				}
				Index.First.push_back(Index.First.back() + static_cast<size_t>(Count));
			}
			return Index;
		}

		FVector PointOf(const GroomData& Groom, size_t Point, const FVector& Offset)
		{
			return FVector(Groom.positions[3 * Point], Groom.positions[3 * Point + 1], Groom.positions[3 * Point + 2]) + Offset;
		}

		struct FPreparedGroom
		{
			const FPictureGroom* Source = nullptr;
			FStrandIndex Strands;
			std::vector<size_t> Drawn;
		};

		FPreparedGroom PrepareGroom(const FPictureGroom& Groom)
		{
			FPreparedGroom Prepared;
			Prepared.Source = &Groom;
			if (!Groom.Groom)
			{
				return Prepared;
			}
			Prepared.Strands = IndexStrands(*Groom.Groom);
			const size_t Count = Prepared.Strands.Count();
			const size_t Stride = std::max<size_t>(1, (Count + std::max(1, Groom.MaxStrands) - 1) / std::max(1, Groom.MaxStrands));
			for (size_t Strand = 0; Strand < Count; ++Strand)
			{
				const bool bShown = Groom.Shown.empty() ? Strand % Stride == 0 : Strand < Groom.Shown.size() && Groom.Shown[Strand];
				if (bShown || (Strand < Groom.AlwaysShown.size() && Groom.AlwaysShown[Strand]))
				{
					Prepared.Drawn.push_back(Strand);
				}
			}
			return Prepared;
		}

		FPictureColor StrandColor(const FPictureGroom& Groom, size_t Strand, size_t Root, size_t NumStrands)
		{
			if (Groom.Color)
			{
				return *Groom.Color;
			}
			const std::vector<float>& Colors = Groom.Groom->groomColors;
			size_t At = std::numeric_limits<size_t>::max();
			if (Colors.size() == 3 * NumStrands)
			{
				At = Strand;
			}
			else if (Colors.size() == Groom.Groom->positions.size())
			{
				At = Root;
			}
			if (At == std::numeric_limits<size_t>::max() || !std::isfinite(Colors[3 * At]) || !std::isfinite(Colors[3 * At + 1]) || !std::isfinite(Colors[3 * At + 2]))
			{
				return PictureColors::Hair;
			}
			return FPictureColor{Colors[3 * At], Colors[3 * At + 1], Colors[3 * At + 2], 1.0};
		}

		// The extent of everything drawn along Axis: the mesh, the grooms' points and the rings.
		void Extent(const FPictureScene& Scene, const std::vector<FVector>& MeshPoints, const FVector& Axis, double& OutMin, double& OutMax)
		{
			OutMin = std::numeric_limits<double>::infinity();
			OutMax = -std::numeric_limits<double>::infinity();
			const auto Add = [&](const FVector& Point)
			{
				const double Value = Point | Axis;
				if (std::isfinite(Value))
				{
					OutMin = std::min(OutMin, Value);
					OutMax = std::max(OutMax, Value);
				}
			};
			for (const FVector& Point : MeshPoints)
			{
				Add(Point);
			}
			for (const FPictureColumn& Column : Scene.Columns)
			{
				for (const FPictureGroom& Groom : Column.Grooms)
				{
					if (!Groom.Groom)
					{
						continue;
					}
					const size_t NumPoints = Groom.Groom->positions.size() / 3;
					for (size_t Point = 0; Point < NumPoints; ++Point)
					{
						Add(PointOf(*Groom.Groom, Point, Groom.Offset));
					}
				}
				for (const FVector& Ring : Column.Rings)
				{
					Add(Ring);
				}
			}
		}

		// The part of the mesh a picture frames: what lies near the grooms (a whole character would leave
		// its hair a speck), or all of it when nothing else is drawn or none of it is near (a groom far
		// from its mesh then shows beside it).
		std::vector<FVector> MeshNearGrooms(const FPictureScene& Scene, const std::vector<FVector>& MeshPoints)
		{
			FBox Grooms(ForceInit);
			const auto Add = [&](const FVector& Point)
			{
				if (IsFinite(Point) && std::abs(Point.GetMax()) < FarthestWorld && std::abs(Point.GetMin()) < FarthestWorld)
				{
					Grooms += Point;
				}
			};
			for (const FPictureColumn& Column : Scene.Columns)
			{
				for (const FPictureGroom& Groom : Column.Grooms)
				{
					const size_t NumPoints = Groom.Groom ? Groom.Groom->positions.size() / 3 : 0;
					for (size_t Point = 0; Point < NumPoints; ++Point)
					{
						Add(PointOf(*Groom.Groom, Point, Groom.Offset));
					}
				}
				for (const FVector& Ring : Column.Rings)
				{
					Add(Ring);
				}
			}
			if (!Grooms.IsValid || MeshPoints.empty())
			{
				return MeshPoints;
			}
			const FBox Near = Grooms.ExpandBy(std::max(Grooms.GetSize().GetMax() * 0.35, 1e-3));
			std::vector<FVector> Result;
			std::copy_if(MeshPoints.begin(), MeshPoints.end(), std::back_inserter(Result), [&](const FVector& Point)
			             { return Near.IsInsideOrOn(Point); });
			return Result.empty() ? MeshPoints : Result;
		}

		// Centre and scale of a view so that everything drawn fits its panel with a little room around.
		void Frame(const FPictureScene& Scene, const std::vector<FVector>& MeshPoints, FCamera& Camera)
		{
			double MinRight, MaxRight, MinUp, MaxUp;
			Extent(Scene, MeshPoints, Camera.Right, MinRight, MaxRight);
			Extent(Scene, MeshPoints, Camera.Up, MinUp, MaxUp);
			if (!(MinRight <= MaxRight) || !(MinUp <= MaxUp))
			{
				MinRight = MaxRight = MinUp = MaxUp = 0.0;
			}
			Camera.CentreRight = MinRight * 0.5 + MaxRight * 0.5;
			Camera.CentreUp = MinUp * 0.5 + MaxUp * 0.5;
			double Span = std::max(MaxRight - MinRight, MaxUp - MinUp) * 1.18;
			// A single point, or a flat line seen edge on: some room around it, relative to where it is so
			// the scale stays representable far from the origin.
			const double Floor = std::max({1.0, std::abs(Camera.CentreRight) * 1e-6, std::abs(Camera.CentreUp) * 1e-6});
			if (!std::isfinite(Span) || Span < Floor)
			{
				Span = std::isfinite(Span) ? Floor : std::numeric_limits<double>::max();
			}
			Camera.Scale = Scene.PanelSize / Span;
		}

		void SelectFont(cairo_t* Context, double Size, bool bBold)
		{
			cairo_select_font_face(Context, "sans-serif", CAIRO_FONT_SLANT_NORMAL, bBold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
			cairo_set_font_size(Context, Size);
		}

		void DrawTextBox(cairo_t* Context, const FPictureTextBox& Box)
		{
			SelectFont(Context, Box.Size, Box.bBold);
			SetColor(Context, Box.Color);
			cairo_move_to(Context, Box.X, Box.Baseline);
			cairo_show_text(Context, Box.Text.c_str());
		}

		// The mesh as one view sees it, on a transparent panel: a silhouette, the union of every triangle
		// (antialiased at its edge), then the triangles shaded by a key light from behind the camera, far
		// ones first.
		FSurfacePtr DrawMeshLayer(const FPictureScene& Scene, const std::vector<FVector>& MeshPoints, const FCamera& Camera)
		{
			FSurfacePtr Layer(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Scene.PanelSize, Scene.PanelSize));
			if (!Scene.Mesh || cairo_surface_status(Layer.get()) != CAIRO_STATUS_SUCCESS)
			{
				return Layer;
			}
			FContextPtr Context(cairo_create(Layer.get()));
			cairo_t* const Cr = Context.get();
			const Host::FMeshData& Mesh = *Scene.Mesh;
			std::vector<double> X(MeshPoints.size()), Y(MeshPoints.size());
			std::vector<uint8_t> bOnPage(MeshPoints.size());
			for (size_t Vertex = 0; Vertex < MeshPoints.size(); ++Vertex)
			{
				bOnPage[Vertex] = IsFinite(MeshPoints[Vertex]) && Camera.Project(MeshPoints[Vertex], X[Vertex], Y[Vertex]);
			}
			struct FFace
			{
				uint32 Corners[3];
				double Depth;
				float Shade;
			};
			std::vector<FFace> Faces;
			Faces.reserve(static_cast<size_t>(Mesh.NumTriangles()));
			const FVector Light = Unit(Camera.Forward * -1.0 + Camera.Up * 0.6 - Camera.Right * 0.5);
			for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
			{
				FFace Face;
				bool bDrawn = true;
				for (int32 Corner = 0; Corner < 3; ++Corner)
				{
					Face.Corners[Corner] = Mesh.Indices[3 * Triangle + Corner];
					bDrawn = bDrawn && Face.Corners[Corner] < MeshPoints.size() && bOnPage[Face.Corners[Corner]];
				}
				if (!bDrawn)
				{
					continue;
				}
				const FVector& A = MeshPoints[Face.Corners[0]];
				const FVector& B = MeshPoints[Face.Corners[1]];
				const FVector& C = MeshPoints[Face.Corners[2]];
				FVector Normal = Unit((B - A) ^ (C - A));
				// Double-sided: the side facing the camera is lit.
				if ((Normal | Camera.Forward) > 0)
				{
					Normal = Normal * -1.0;
				}
				Face.Shade = static_cast<float>(0.45 + 0.55 * std::max(0.0, Normal | Light));
				Face.Depth = Camera.Depth(A) + Camera.Depth(B) + Camera.Depth(C);
				Faces.push_back(Face);
				// Every triangle wound the same way on the page, so the nonzero rule gives their union.
				const uint32 First = Face.Corners[0];
				uint32 Second = Face.Corners[1], Third = Face.Corners[2];
				if ((X[Second] - X[First]) * (Y[Third] - Y[First]) - (X[Third] - X[First]) * (Y[Second] - Y[First]) < 0)
				{
					std::swap(Second, Third);
				}
				cairo_move_to(Cr, X[First], Y[First]);
				cairo_line_to(Cr, X[Second], Y[Second]);
				cairo_line_to(Cr, X[Third], Y[Third]);
				cairo_close_path(Cr);
			}
			cairo_set_fill_rule(Cr, CAIRO_FILL_RULE_WINDING);
			SetColor(Cr, FPictureColor{Scene.MeshColor.R * 0.72, Scene.MeshColor.G * 0.72, Scene.MeshColor.B * 0.72, 1.0});
			cairo_fill(Cr);

			// Inside the silhouette, unsmoothed triangles meet without seams; its edge keeps the smooth fill.
			std::sort(Faces.begin(), Faces.end(), [](const FFace& A, const FFace& B)
			          { return A.Depth > B.Depth; });
			cairo_set_antialias(Cr, CAIRO_ANTIALIAS_NONE);
			for (const FFace& Face : Faces)
			{
				cairo_move_to(Cr, X[Face.Corners[0]], Y[Face.Corners[0]]);
				cairo_line_to(Cr, X[Face.Corners[1]], Y[Face.Corners[1]]);
				cairo_line_to(Cr, X[Face.Corners[2]], Y[Face.Corners[2]]);
				cairo_close_path(Cr);
				cairo_set_source_rgb(Cr, Channel(Scene.MeshColor.R * Face.Shade), Channel(Scene.MeshColor.G * Face.Shade), Channel(Scene.MeshColor.B * Face.Shade));
				cairo_fill(Cr);
			}
			return Layer;
		}

		enum class ELayer
		{
			Behind,
			Front,
		};

		// The drawn strands of a groom whose points lie on Layer's side of Middle (the mesh's middle depth),
		// in runs of consecutive points; a strand's root dot goes with its root.
		void DrawStrands(cairo_t* Cr, const FPreparedGroom& Prepared, const FCamera& Camera, double Middle, ELayer Layer)
		{
			const FPictureGroom& Groom = *Prepared.Source;
			if (!Groom.Groom)
			{
				return;
			}
			const double Fade = Layer == ELayer::Behind ? 0.3 : 1.0;
			const auto OnLayer = [&](const FVector& Point)
			{ return (Camera.Depth(Point) > Middle) == (Layer == ELayer::Behind); };
			cairo_set_line_width(Cr, 1.1);
			cairo_set_line_cap(Cr, CAIRO_LINE_CAP_BUTT);
			cairo_set_line_join(Cr, CAIRO_LINE_JOIN_BEVEL);
			for (const size_t Strand : Prepared.Drawn)
			{
				const size_t First = Prepared.Strands.First[Strand];
				const size_t End = Prepared.Strands.First[Strand + 1];
				// A segment goes on the layer of either end, so a strand crossing the middle stays whole.
				bool bAny = false;
				bool bPenAtPrevious = false;
				bool bPreviousValid = false, bPreviousOn = false;
				double PreviousX = 0, PreviousY = 0;
				for (size_t Point = First; Point < End; ++Point)
				{
					const FVector Position = PointOf(*Groom.Groom, Point, Groom.Offset);
					double X = 0, Y = 0;
					const bool bValid = IsFinite(Position) && Camera.Project(Position, X, Y);
					const bool bOn = bValid && OnLayer(Position);
					if (bValid && bPreviousValid && (bOn || bPreviousOn))
					{
						if (!bPenAtPrevious)
						{
							cairo_move_to(Cr, PreviousX, PreviousY);
						}
						cairo_line_to(Cr, X, Y);
						bPenAtPrevious = true;
						bAny = true;
					}
					else
					{
						bPenAtPrevious = false;
					}
					bPreviousValid = bValid;
					bPreviousOn = bOn;
					PreviousX = X;
					PreviousY = Y;
				}
				if (bAny)
				{
					SetColor(Cr, StrandColor(Groom, Strand, First, Prepared.Strands.Count()), Fade);
					cairo_stroke(Cr);
				}
				cairo_new_path(Cr);
			}
			if (!Groom.bRootDots)
			{
				return;
			}
			// Enough dots to see where roots sit, not so many they hide the mesh; those always shown keep theirs.
			const size_t DotStride = std::max<size_t>(1, Prepared.Drawn.size() / 600);
			SetColor(Cr, Groom.Color ? *Groom.Color : PictureColors::Root, Fade);
			for (size_t Drawn = 0; Drawn < Prepared.Drawn.size(); ++Drawn)
			{
				const size_t Strand = Prepared.Drawn[Drawn];
				const size_t First = Prepared.Strands.First[Strand];
				const bool bAlways = Strand < Groom.AlwaysShown.size() && Groom.AlwaysShown[Strand];
				if (First == Prepared.Strands.First[Strand + 1] || (Drawn % DotStride != 0 && !bAlways))
				{
					continue;
				}
				const FVector Root = PointOf(*Groom.Groom, First, Groom.Offset);
				double X, Y;
				if (IsFinite(Root) && OnLayer(Root) && Camera.Project(Root, X, Y))
				{
					cairo_new_sub_path(Cr);
					cairo_arc(Cr, X, Y, 1.3, 0, 2 * M_PI);
				}
			}
			cairo_fill(Cr);
		}

		struct FPngSink
		{
			FILE* File = nullptr;
			int Errno = 0;
		};

		cairo_status_t WritePngBytes(void* Closure, const unsigned char* Data, unsigned int Length)
		{
			FPngSink& Sink = *static_cast<FPngSink*>(Closure);
			if (std::fwrite(Data, 1, Length, Sink.File) != Length)
			{
				Sink.Errno = errno;
				return CAIRO_STATUS_WRITE_ERROR;
			}
			return CAIRO_STATUS_SUCCESS;
		}

		bool DrawSurface(const FPictureScene& Scene, FSurfacePtr& OutSurface, std::string& OutError);
	}

	std::string DrawableText(const std::string& Text)
	{
		std::string Result;
		Result.reserve(Text.size());
		const auto Byte = [&](size_t At)
		{ return static_cast<unsigned char>(Text[At]); };
		for (size_t At = 0; At < Text.size();)
		{
			const unsigned char Lead = Byte(At);
			size_t Length = 0;
			uint32_t CodePoint = 0;
			if (Lead < 0x80)
			{
				Result += Lead < 0x20 || Lead == 0x7f ? ' ' : static_cast<char>(Lead);
				++At;
				continue;
			}
			if (Lead >= 0xc2 && Lead <= 0xdf)
			{
				Length = 2;
				CodePoint = Lead & 0x1f;
			}
			else if (Lead >= 0xe0 && Lead <= 0xef)
			{
				Length = 3;
				CodePoint = Lead & 0x0f;
			}
			else if (Lead >= 0xf0 && Lead <= 0xf4)
			{
				Length = 4;
				CodePoint = Lead & 0x07;
			}
			bool bValid = Length > 0 && At + Length <= Text.size();
			for (size_t Next = 1; bValid && Next < Length; ++Next)
			{
				bValid = (Byte(At + Next) & 0xc0) == 0x80;
				CodePoint = (CodePoint << 6) | (Byte(At + Next) & 0x3f);
			}
			// No overlong forms, surrogates or code points past U+10FFFF.
			bValid = bValid && !(Length == 3 && CodePoint < 0x800) && !(Length == 4 && (CodePoint < 0x10000 || CodePoint > 0x10ffff)) && !(CodePoint >= 0xd800 && CodePoint <= 0xdfff);
			if (bValid)
			{
				Result.append(Text, At, Length);
				At += Length;
			}
			else
			{
				Result += "\xef\xbf\xbd";
				++At;
			}
		}
		return Result;
	}

	namespace
	{
		// Cairo's own metrics for the fonts the picture draws with, on a scratch surface.
		class FTextMeasure
		{
		public:
			FTextMeasure()
			    : Surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1)), Context(cairo_create(Surface.get()))
			{
			}

			double Width(const std::string& Text, double Size, bool bBold)
			{
				SelectFont(Context.get(), Size, bBold);
				cairo_text_extents_t Extents;
				cairo_text_extents(Context.get(), Text.c_str(), &Extents);
				return Extents.x_advance;
			}

			void Heights(double Size, bool bBold, double& OutAscent, double& OutDescent)
			{
				SelectFont(Context.get(), Size, bBold);
				cairo_font_extents_t Extents;
				cairo_font_extents(Context.get(), &Extents);
				OutAscent = Extents.ascent;
				OutDescent = Extents.descent;
			}

		private:
			FSurfacePtr Surface;
			FContextPtr Context;
		};

		// Bytes up to the end of the UTF-8 sequence starting at At (drawable text is valid UTF-8).
		size_t NextCodePoint(const std::string& Text, size_t At)
		{
			++At;
			while (At < Text.size() && (static_cast<unsigned char>(Text[At]) & 0xc0) == 0x80)
			{
				++At;
			}
			return At;
		}

		// The widest a line may be, by its number among the lines laid out together.
		using FLineWidths = std::function<double(size_t)>;

		std::vector<std::string> Wrap(FTextMeasure& Measure, const std::string& Text, double Size, bool bBold, const FLineWidths& Widths, size_t FirstLine, int32 MostLines);

		// Drawable text broken into at most MostLines lines no wider than MaxWidth: after spaces and path
		// separators where it can be, between characters where one word alone is wider.
		std::vector<std::string> Wrap(FTextMeasure& Measure, const std::string& Text, double Size, bool bBold, double MaxWidth, int32 MostLines)
		{
			return Wrap(
			    Measure, Text, Size, bBold, [MaxWidth](size_t)
			    { return MaxWidth; },
			    0, MostLines);
		}

		// The same with a width for each line; the first is line number FirstLine.
		std::vector<std::string> Wrap(FTextMeasure& Measure, const std::string& Text, double Size, bool bBold, const FLineWidths& Widths, size_t FirstLine, int32 MostLines)
		{
			const std::string Drawable = DrawableText(Text);
			std::vector<std::string> Lines;
			std::string Line;
			const auto Push = [&](std::string Done)
			{
				while (!Done.empty() && Done.back() == ' ')
				{
					Done.pop_back();
				}
				Lines.push_back(std::move(Done));
			};
			for (size_t At = 0; At < Drawable.size() && static_cast<int32>(Lines.size()) < MostLines;)
			{
				const size_t Break = Drawable.find_first_of(" /\\", At);
				const size_t End = Break == std::string::npos ? Drawable.size() : Break + 1;
				std::string Piece = Drawable.substr(At, End - At);
				At = End;
				if (Measure.Width(Line + Piece, Size, bBold) <= Widths(FirstLine + Lines.size()))
				{
					Line += Piece;
					continue;
				}
				if (!Line.empty())
				{
					Push(std::move(Line));
					Line.clear();
				}
				// The longest run of whole characters that fits, one character at least.
				while (Measure.Width(Piece, Size, bBold) > Widths(FirstLine + Lines.size()) && static_cast<int32>(Lines.size()) < MostLines)
				{
					size_t Fits = NextCodePoint(Piece, 0);
					for (size_t Next = NextCodePoint(Piece, Fits); Fits < Piece.size() && Measure.Width(Piece.substr(0, Next), Size, bBold) <= Widths(FirstLine + Lines.size()); Next = NextCodePoint(Piece, Next))
					{
						Fits = Next;
					}
					Push(Piece.substr(0, Fits));
					Piece.erase(0, Fits);
				}
				Line = Piece;
			}
			if ((!Line.empty() || Lines.empty()) && static_cast<int32>(Lines.size()) < MostLines)
			{
				Push(std::move(Line));
			}
			return Lines;
		}

		// Adds the lines of one text to the layout, the first baseline at Baseline, each Step below the last;
		// Right > 0 sets them flush right against it, Centre > 0 centres them on it. Returns the widest.
		struct FTextPlacement
		{
			double X = 0;
			double Right = 0;
			double Centre = 0;
			double Baseline = 0;
			double Step = LineHeight;
		};

		double AddLines(FTextMeasure& Measure, const std::vector<std::string>& Lines, const FPictureColor& Color, double Size, bool bBold,
		                const FTextPlacement& Placement, FPictureLayout& Layout)
		{
			double Ascent = 0, Descent = 0, Widest = 0;
			Measure.Heights(Size, bBold, Ascent, Descent);
			for (size_t Line = 0; Line < Lines.size(); ++Line)
			{
				if (Lines[Line].empty())
				{
					continue;
				}
				FPictureTextBox Box;
				Box.Text = Lines[Line];
				Box.Color = Color;
				Box.Size = Size;
				Box.bBold = bBold;
				Box.Width = Measure.Width(Box.Text, Size, bBold);
				Box.X = Placement.Right > 0 ? Placement.Right - Box.Width : Placement.Centre > 0 ? Placement.Centre - Box.Width / 2
				                                                                                 : Placement.X;
				Box.Baseline = Placement.Baseline + Line * Placement.Step;
				Box.Top = Box.Baseline - Ascent;
				Box.Bottom = Box.Baseline + Descent;
				Widest = std::max(Widest, Box.Width);
				Layout.Texts.push_back(std::move(Box));
			}
			return Widest;
		}

		// The lines of a list of texts, each wrapped, at most MostLines in all.
		struct FWrappedText
		{
			std::vector<std::string> Lines;
			std::vector<FPictureColor> Colors;
			double Widest = 0;
		};

		FWrappedText WrapAll(FTextMeasure& Measure, const std::vector<FPictureText>& Texts, double Size, const FLineWidths& Widths, int32 MostLines)
		{
			FWrappedText Wrapped;
			for (const FPictureText& Text : Texts)
			{
				const int32 Room = MostLines - static_cast<int32>(Wrapped.Lines.size());
				for (std::string& Line : Wrap(Measure, Text.Text, Size, false, Widths, Wrapped.Lines.size(), std::max(0, Room)))
				{
					Wrapped.Widest = std::max(Wrapped.Widest, Measure.Width(Line, Size, false));
					Wrapped.Lines.push_back(std::move(Line));
					Wrapped.Colors.push_back(Text.Color);
				}
			}
			return Wrapped;
		}

		FWrappedText WrapAll(FTextMeasure& Measure, const std::vector<FPictureText>& Texts, double Size, double MaxWidth, int32 MostLines)
		{
			return WrapAll(
			    Measure, Texts, Size, [MaxWidth](size_t)
			    { return MaxWidth; },
			    MostLines);
		}

		void AddWrapped(FTextMeasure& Measure, const FWrappedText& Wrapped, double Size, FTextPlacement Placement, FPictureLayout& Layout)
		{
			for (size_t Line = 0; Line < Wrapped.Lines.size(); ++Line)
			{
				AddLines(Measure, {Wrapped.Lines[Line]}, Wrapped.Colors[Line], Size, false, Placement, Layout);
				Placement.Baseline += Placement.Step;
			}
		}

		int32 NumColumnsOf(const FPictureScene& Scene)
		{
			return static_cast<int32>(std::min<size_t>(Scene.Columns.size(), 16));
		}

		int32 NumRowsOf(const FPictureScene& Scene)
		{
			return static_cast<int32>(std::min<size_t>(Scene.Views.size(), 16));
		}

		// The title, and under it the subtitle at the left beside the legend at the right. Returns the
		// header's height.
		double LayOutHeader(FTextMeasure& Measure, const FPictureScene& Scene, FPictureLayout& Layout)
		{
			const double Page = Layout.Width - 2 * Margin;
			FTextPlacement Title;
			Title.X = Margin;
			Title.Baseline = Margin + TitleSize - 4;
			Title.Step = TitleSize + 6;
			const std::vector<std::string> TitleLines = Wrap(Measure, Scene.Title, TitleSize, true, Page, 3);
			AddLines(Measure, TitleLines, PictureColors::Ink, TitleSize, true, Title, Layout);
			const double Top = Margin + TitleLines.size() * Title.Step + 2;

			// The legend as wide as its widest line, up to half the page; the subtitle takes the rest.
			const FWrappedText Legend = WrapAll(Measure, Scene.Legend, TextSize, Page * 0.5, MostHeaderLines);
			// Beside the legend's lines the subtitle's are narrower; below them, as wide as the page.
			const double Gap = Legend.Widest + 24;
			const size_t Beside = Legend.Lines.size();
			const FWrappedText Subtitle = WrapAll(
			    Measure, Scene.Subtitle, TextSize, [&](size_t Line)
			    { return Page - 2 - (Line < Beside ? Gap : 0.0); },
			    MostHeaderLines);
			FTextPlacement Lines;
			Lines.Baseline = Top + LineHeight - 5;
			Lines.X = Margin + 2;
			AddWrapped(Measure, Subtitle, TextSize, Lines, Layout);
			Lines.Right = Layout.Width - Margin;
			AddWrapped(Measure, Legend, TextSize, Lines, Layout);
			return Top + std::max(Subtitle.Lines.size(), Legend.Lines.size()) * LineHeight + 8;
		}

		// In every panel the view's label at the top right; in the first row the column's notes at the
		// top left, beside the label.
		void LayOutPanels(FTextMeasure& Measure, const FPictureScene& Scene, FPictureLayout& Layout)
		{
			const double Panel = Layout.Panel;
			for (int32 Row = 0; Row < NumRowsOf(Scene); ++Row)
			{
				const double Top = Layout.PanelsTop + Row * Panel;
				for (int32 Column = 0; Column < NumColumnsOf(Scene); ++Column)
				{
					const double Left = Column * Panel;
					FTextPlacement Label;
					Label.Right = Left + Panel - 10;
					Label.Baseline = Top + 22;
					Label.Step = LineHeight - 2;
					const double LabelWidth = AddLines(Measure, Wrap(Measure, Scene.Views[Row].Label, TextSize - 1, false, Panel * 0.5 - 10, 3),
					                                   PictureColors::Faint, TextSize - 1, false, Label, Layout);
					if (Row > 0)
					{
						continue;
					}
					const double NotesWidth = Panel - 24 - (LabelWidth > 0 ? LabelWidth + 12 : 0);
					FTextPlacement Notes;
					Notes.X = Left + 12;
					Notes.Baseline = Top + 22;
					AddWrapped(Measure, WrapAll(Measure, Scene.Columns[Column].Notes, TextSize, NotesWidth, MostNoteLines), TextSize, Notes, Layout);
				}
			}
		}

		// Under each column its caption, centred, and its figures. Returns the footer's height.
		double LayOutFooter(FTextMeasure& Measure, const FPictureScene& Scene, double Bottom, FPictureLayout& Layout)
		{
			const double Panel = Layout.Panel;
			size_t MostLines = 1;
			for (int32 Column = 0; Column < NumColumnsOf(Scene); ++Column)
			{
				const FPictureColumn& Content = Scene.Columns[Column];
				FTextPlacement Caption;
				Caption.Centre = Column * Panel + Panel / 2;
				Caption.Baseline = Bottom + 10 + LineHeight - 4;
				const std::vector<std::string> CaptionLines = Wrap(Measure, Content.Caption, TextSize + 1, true, Panel - 20, 3);
				AddLines(Measure, CaptionLines, PictureColors::Ink, TextSize + 1, true, Caption, Layout);
				FTextPlacement Figures;
				Figures.X = Column * Panel + 20;
				Figures.Baseline = Caption.Baseline + CaptionLines.size() * LineHeight;
				const FWrappedText Wrapped = WrapAll(Measure, Content.Figures, TextSize, Panel - 30, MostFigureLines);
				AddWrapped(Measure, Wrapped, TextSize, Figures, Layout);
				MostLines = std::max(MostLines, CaptionLines.size() + Wrapped.Lines.size());
			}
			return 10 + MostLines * LineHeight + 12;
		}
	}

	FPictureLayout LayOutPicture(const FPictureScene& Scene)
	{
		FTextMeasure Measure;
		FPictureLayout Layout;
		Layout.Panel = std::clamp(Scene.PanelSize, 16, 4096);
		Layout.Width = std::max(NumColumnsOf(Scene), 2) * Layout.Panel;
		Layout.PanelsTop = LayOutHeader(Measure, Scene, Layout);
		LayOutPanels(Measure, Scene, Layout);
		const double Bottom = Layout.PanelsTop + NumRowsOf(Scene) * Layout.Panel;
		Layout.Height = static_cast<int32>(std::ceil(Bottom + LayOutFooter(Measure, Scene, Bottom, Layout)));
		return Layout;
	}

	namespace
	{
		bool DrawSurface(const FPictureScene& Scene, FSurfacePtr& OutSurface, std::string& OutError)
		{
			const FPictureLayout Layout = LayOutPicture(Scene);
			const int32 Panel = Layout.Panel;
			const int32 NumColumns = NumColumnsOf(Scene);
			const int32 NumRows = NumRowsOf(Scene);
			const int32 Width = Layout.Width;
			const int32 Height = Layout.Height;
			const double Header = Layout.PanelsTop;

			FSurfacePtr Surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, Width, Height));
			if (cairo_surface_status(Surface.get()) != CAIRO_STATUS_SUCCESS)
			{
				OutError = std::string("cannot make a picture of ") + std::to_string(Width) + " x " + std::to_string(Height) + " pixels: " + cairo_status_to_string(cairo_surface_status(Surface.get()));
				return false;
			}
			FPictureScene Sized = Scene;
			Sized.PanelSize = Panel;
			FContextPtr Context(cairo_create(Surface.get()));
			cairo_t* const Cr = Context.get();
			SetColor(Cr, PictureColors::Paper);
			cairo_paint(Cr);

			// The mesh in world space, once, and the part of it the views frame.
			std::vector<FVector> MeshPoints;
			if (Scene.Mesh)
			{
				MeshPoints.reserve(Scene.Mesh->Positions.Num());
				for (const FVector3f& Position : Scene.Mesh->Positions)
				{
					MeshPoints.push_back(Scene.MeshTransform.TransformPosition(FVector(Position.X, Position.Y, Position.Z)));
				}
			}
			const std::vector<FVector> Framed = MeshNearGrooms(Scene, MeshPoints);
			std::vector<std::vector<FPreparedGroom>> Prepared(NumColumns);
			for (int32 Column = 0; Column < NumColumns; ++Column)
			{
				for (const FPictureGroom& Groom : Scene.Columns[Column].Grooms)
				{
					Prepared[Column].push_back(PrepareGroom(Groom));
				}
			}

			for (int32 Row = 0; Row < NumRows; ++Row)
			{
				FCamera Camera(Scene.Views[Row]);
				Frame(Sized, Framed, Camera);
				Camera.PageX = Camera.PageY = Panel * 0.5;
				// Strands behind the framed mesh's middle go under it.
				double Nearest = std::numeric_limits<double>::infinity(), Farthest = -Nearest;
				for (const FVector& Point : Framed)
				{
					const double Depth = Camera.Depth(Point);
					if (std::isfinite(Depth))
					{
						Nearest = std::min(Nearest, Depth);
						Farthest = std::max(Farthest, Depth);
					}
				}
				const double Middle = Nearest <= Farthest ? Nearest * 0.5 + Farthest * 0.5 : std::numeric_limits<double>::infinity();
				const FSurfacePtr MeshLayer = DrawMeshLayer(Sized, MeshPoints, Camera);

				const double Top = Header + Row * Panel;
				for (int32 Column = 0; Column < NumColumns; ++Column)
				{
					const FPictureColumn& Content = Scene.Columns[Column];
					const double Left = Column * Panel;
					cairo_save(Cr);
					cairo_rectangle(Cr, Left, Top, Panel, Panel);
					cairo_clip(Cr);
					cairo_translate(Cr, Left, Top);
					for (const FPreparedGroom& Groom : Prepared[Column])
					{
						DrawStrands(Cr, Groom, Camera, Middle, ELayer::Behind);
					}
					cairo_set_source_surface(Cr, MeshLayer.get(), 0, 0);
					cairo_paint(Cr);
					for (const FPreparedGroom& Groom : Prepared[Column])
					{
						DrawStrands(Cr, Groom, Camera, Middle, ELayer::Front);
					}
					SetColor(Cr, Content.RingColor);
					cairo_set_line_width(Cr, 1.6);
					for (const FVector& Ring : Content.Rings)
					{
						double X, Y;
						if (IsFinite(Ring) && Camera.Project(Ring, X, Y))
						{
							cairo_new_sub_path(Cr);
							cairo_arc(Cr, X, Y, 7.0, 0, 2 * M_PI);
						}
					}
					cairo_stroke(Cr);
					cairo_restore(Cr);
				}
			}

			// Rules between the panels, then every text over everything.
			const double Bottom = Header + NumRows * Panel;
			cairo_set_source_rgb(Cr, 0.82, 0.81, 0.78);
			cairo_set_line_width(Cr, 1.0);
			for (int32 Column = 1; Column < NumColumns; ++Column)
			{
				cairo_move_to(Cr, Column * Panel + 0.5, Header);
				cairo_line_to(Cr, Column * Panel + 0.5, Bottom);
			}
			for (int32 Row = 1; Row < NumRows; ++Row)
			{
				cairo_move_to(Cr, 0, Header + Row * Panel + 0.5);
				cairo_line_to(Cr, NumColumns * Panel, Header + Row * Panel + 0.5);
			}
			cairo_stroke(Cr);
			for (const FPictureTextBox& Box : Layout.Texts)
			{
				DrawTextBox(Cr, Box);
			}

			if (cairo_status(Cr) != CAIRO_STATUS_SUCCESS)
			{
				OutError = std::string("cannot draw the picture: ") + cairo_status_to_string(cairo_status(Cr));
				return false;
			}
			cairo_surface_flush(Surface.get());
			OutSurface = std::move(Surface);
			return true;
		}

		bool CopyPixels(cairo_surface_t* Surface, FPicturePixels& OutPixels)
		{
			cairo_surface_flush(Surface);
			const unsigned char* Data = cairo_image_surface_get_data(Surface);
			if (!Data)
			{
				return false;
			}
			OutPixels.Width = cairo_image_surface_get_width(Surface);
			OutPixels.Height = cairo_image_surface_get_height(Surface);
			const int Stride = cairo_image_surface_get_stride(Surface);
			OutPixels.Pixels.resize(static_cast<size_t>(OutPixels.Width) * OutPixels.Height);
			for (int32 Y = 0; Y < OutPixels.Height; ++Y)
			{
				const uint32_t* Row = reinterpret_cast<const uint32_t*>(Data + static_cast<size_t>(Y) * Stride);
				for (int32 X = 0; X < OutPixels.Width; ++X)
				{
					OutPixels.Pixels[static_cast<size_t>(Y) * OutPixels.Width + X] = Row[X] & 0xffffffu;
				}
			}
			return true;
		}
	}

	bool DrawPicture(const FPictureScene& Scene, FPicturePixels& OutPixels, std::string& OutError)
	{
		FSurfacePtr Surface;
		if (!DrawSurface(Scene, Surface, OutError))
		{
			return false;
		}
		if (!CopyPixels(Surface.get(), OutPixels))
		{
			OutError = "cannot read the drawn picture";
			return false;
		}
		return true;
	}

	bool WritePicturePng(const std::string& Path, const FPictureScene& Scene, std::string& OutError)
	{
		FSurfacePtr Surface;
		if (!DrawSurface(Scene, Surface, OutError))
		{
			OutError = "cannot write '" + Path + "': " + OutError;
			return false;
		}
		FPngSink Sink;
		Sink.File = std::fopen(Path.c_str(), "wb");
		if (!Sink.File)
		{
			OutError = "cannot write '" + Path + "': " + std::strerror(errno);
			return false;
		}
		const cairo_status_t Status = cairo_surface_write_to_png_stream(Surface.get(), &WritePngBytes, &Sink);
		// Buffered bytes meet a full disk only when flushed.
		const int FlushResult = std::fflush(Sink.File);
		const int FlushErrno = errno;
		const int CloseResult = std::fclose(Sink.File);
		const int CloseErrno = errno;
		if (Status != CAIRO_STATUS_SUCCESS || FlushResult != 0 || CloseResult != 0)
		{
			const int Reason = Sink.Errno != 0 ? Sink.Errno : FlushResult != 0 ? FlushErrno
			                                              : CloseResult != 0   ? CloseErrno
			                                                                   : 0;
			OutError = "cannot write '" + Path + "': " + (Reason != 0 ? std::strerror(Reason) : cairo_status_to_string(Status));
			return false;
		}
		return true;
	}

	bool ReadPicturePng(const std::string& Path, FPicturePixels& OutPixels, std::string& OutError)
	{
		FSurfacePtr Surface(cairo_image_surface_create_from_png(Path.c_str()));
		if (cairo_surface_status(Surface.get()) != CAIRO_STATUS_SUCCESS)
		{
			OutError = "cannot read '" + Path + "' as PNG: " + cairo_status_to_string(cairo_surface_status(Surface.get()));
			return false;
		}
		if (!CopyPixels(Surface.get(), OutPixels))
		{
			OutError = "cannot read '" + Path + "' as PNG";
			return false;
		}
		return true;
	}
}
