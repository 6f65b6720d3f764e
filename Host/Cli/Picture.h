#pragma once

#include "CoreMinimal.h"
#include "Host/MeshBuilders.h"
#include "alembicIO.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A small software rasteriser for the demo's picture: a shaded mesh, strands in their colours, marks
// and text, written as PNG.
namespace VelmoraCli
{
	struct FColor8
	{
		uint8_t R = 0, G = 0, B = 0;
	};

	class FPicture
	{
	public:
		FPicture(int32 Width, int32 Height, FColor8 Background);

		int32 GetWidth() const { return Width; }
		int32 GetHeight() const { return Height; }
		FColor8 GetPixel(int32 X, int32 Y) const { return Pixels[Index(X, Y)]; }

		void FillRect(int32 X, int32 Y, int32 W, int32 H, FColor8 Color);
		// Upper-case letters, digits and a little punctuation in a 5x7 font, Scale pixels per dot.
		void DrawText(int32 X, int32 Y, const std::string& Text, int32 Scale, FColor8 Color);
		static int32 TextWidth(const std::string& Text, int32 Scale) { return static_cast<int32>(Text.size()) * 6 * Scale; }

		bool SavePng(const std::string& Path, std::string& OutError) const;

	private:
		friend class FView;
		size_t Index(int32 X, int32 Y) const { return static_cast<size_t>(Y) * Width + X; }

		int32 Width;
		int32 Height;
		std::vector<FColor8> Pixels;
	};

	// An orthographic view into one rectangle of a picture, with its own depth buffer.
	class FView
	{
	public:
		// Looks from direction Eye (from the scene towards the camera) at Centre, Span world units across.
		FView(FPicture& Picture, int32 Left, int32 Top, int32 Size, const FVector& Eye, const FVector& Centre, double Span);

		void DrawMesh(const Host::FMeshData& Mesh, FColor8 Color);
		// The strands marked in Shown (all when it is empty) in their colours, each root marked with a dot.
		void DrawGroom(const GroomData& Groom, const std::vector<bool>& Shown, FColor8 RootColor);
		// The same, every strand in StrandColor.
		void DrawGroom(const GroomData& Groom, const std::vector<bool>& Shown, FColor8 RootColor, FColor8 StrandColor);
		// A ring around a world point, over everything.
		void DrawRing(const FVector& Point, double Radius, FColor8 Color);

	private:
		void DrawGroom(const GroomData& Groom, const std::vector<bool>& Shown, FColor8 RootColor, const std::optional<FColor8>& StrandColor);
		bool Project(const FVector& Point, double& OutX, double& OutY, double& OutDepth) const;
		void Plot(int32 X, int32 Y, double Depth, FColor8 Color);

		FPicture& Picture;
		int32 Left, Top, Size;
		FVector Right, Up, Forward, Centre;
		double Scale;
		std::vector<double> Depth;
	};
}
