#pragma once

#include "CoreMinimal.h"
#include "Host/MeshBuilders.h"
#include "alembicIO.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Pictures of grooms on a mesh, drawn with Cairo: views in rows, grooms in columns, each view framed
// from the bounds of everything drawn so a groom far from its mesh still shows, with text above, under
// and in the panels. The mesh is drawn as a shaded silhouette; strands are antialiased lines in their
// own colours, those behind the mesh's middle faded and drawn under it.
namespace VelmoraCli
{
	struct FPictureColor
	{
		double R = 0, G = 0, B = 0;
		double A = 1;
	};

	namespace PictureColors
	{
		constexpr FPictureColor Paper{0.965, 0.953, 0.933};
		constexpr FPictureColor Ink{0.157, 0.157, 0.180};
		constexpr FPictureColor Faint{0.470, 0.463, 0.440};
		constexpr FPictureColor Skin{0.839, 0.769, 0.706};
		constexpr FPictureColor Miss{0.863, 0.118, 0.118};
		constexpr FPictureColor Inside{0.118, 0.353, 0.824};
		// Strands that were inside, as the repairs left them.
		constexpr FPictureColor Repaired{0.180, 0.545, 0.341};
		// Strands the repairs turned most.
		constexpr FPictureColor Turned{0.780, 0.180, 0.620};
		constexpr FPictureColor Root{0.098, 0.078, 0.071};
		// Strands of a groom without a colour per strand or per point.
		constexpr FPictureColor Hair{0.353, 0.235, 0.157};
	}

	// Said on every picture: the views draw the world's coordinates as the engine does, left-handed, so a
	// right-handed tool shows the same file mirrored.
	inline constexpr const char* HandednessNote = "drawn left-handed, as the engine shows it: Blender and Maya show these coordinates mirrored";

	struct FPictureText
	{
		std::string Text;
		FPictureColor Color = PictureColors::Ink;
	};

	// Which way a row of panels looks: from Eye (a direction from the scene towards the camera), with Up
	// upwards on the page.
	struct FPictureView
	{
		FVector Eye = FVector(1, 0, 0);
		FVector Up = FVector(0, 0, 1);
		std::string Label;
	};

	struct FPictureGroom
	{
		const GroomData* Groom = nullptr;
		// World position of a point: the point plus Offset.
		FVector Offset = FVector::ZeroVector;
		// Per strand, whether to draw it; empty: a sample of some MaxStrands strands, so the mesh shows
		// through. Strands in AlwaysShown are drawn either way.
		std::vector<bool> Shown;
		std::vector<bool> AlwaysShown;
		int32 MaxStrands = 2000;
		// Every strand in this colour instead of its own.
		std::optional<FPictureColor> Color;
		bool bRootDots = true;
	};

	struct FPictureColumn
	{
		std::string Caption;
		std::vector<FPictureGroom> Grooms;
		// World points ringed in RingColor, over everything.
		std::vector<FVector> Rings;
		FPictureColor RingColor = PictureColors::Miss;
		// Lines at the top left of the column's first panel, and under its last.
		std::vector<FPictureText> Notes;
		std::vector<FPictureText> Figures;
	};

	struct FPictureScene
	{
		std::string Title;
		// Lines under the title, at the left; the legend's lines at the right.
		std::vector<FPictureText> Subtitle;
		std::vector<FPictureText> Legend;
		// Optional: world position of a vertex is MeshTransform applied to it.
		const Host::FMeshData* Mesh = nullptr;
		FTransform MeshTransform = FTransform::Identity;
		FPictureColor MeshColor = PictureColors::Skin;
		std::vector<FPictureView> Views;
		std::vector<FPictureColumn> Columns;
		// Side of each square panel, in pixels.
		int32 PanelSize = 440;
	};

	// Text made fit for drawing: bytes that are not UTF-8 (a path may hold any) become U+FFFD, control
	// characters a space.
	std::string DrawableText(const std::string& Text);

	// One line of text as laid out on the page: drawn from (X, Baseline); the box it takes is
	// [X, X + Width] x [Top, Bottom].
	struct FPictureTextBox
	{
		std::string Text;
		FPictureColor Color = PictureColors::Ink;
		double Size = 14;
		bool bBold = false;
		double X = 0, Baseline = 0;
		double Width = 0, Top = 0, Bottom = 0;
	};

	// Where everything goes: the page's size, the panels' top, and every line of text, wrapped so that
	// none overlaps another or leaves the page (text inside a panel stays in it).
	struct FPictureLayout
	{
		int32 Width = 0;
		int32 Height = 0;
		int32 Panel = 0;
		double PanelsTop = 0;
		std::vector<FPictureTextBox> Texts;
	};

	FPictureLayout LayOutPicture(const FPictureScene& Scene);

	// A drawn picture in memory: Width x Height pixels, 0xRRGGBB, row after row.
	struct FPicturePixels
	{
		int32 Width = 0;
		int32 Height = 0;
		std::vector<uint32_t> Pixels;

		uint32_t At(int32 X, int32 Y) const { return Pixels[static_cast<size_t>(Y) * Width + X]; }
	};

	// Draws Scene. False with a one-line reason when it cannot (too big a picture, out of memory).
	bool DrawPicture(const FPictureScene& Scene, FPicturePixels& OutPixels, std::string& OutError);

	// Draws Scene and writes it as PNG to Path, exactly there: callers that replace a file stage it
	// (FStagedOutput) and hand the staging path. False with "cannot write 'Path': reason".
	bool WritePicturePng(const std::string& Path, const FPictureScene& Scene, std::string& OutError);

	// Reads a PNG back (for tests and checks). False with a reason.
	bool ReadPicturePng(const std::string& Path, FPicturePixels& OutPixels, std::string& OutError);
}
