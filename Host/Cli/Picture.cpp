#include "Picture.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csetjmp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

namespace VelmoraCli
{
	namespace
	{
		struct FGlyph
		{
			char Character;
			uint8_t Rows[7];
		};

		// Five dots a row, the leftmost in bit 4.
		constexpr FGlyph Font[] = {
		    {'A', {14, 17, 17, 31, 17, 17, 17}},
		    {'B', {30, 17, 17, 30, 17, 17, 30}},
		    {'C', {14, 17, 16, 16, 16, 17, 14}},
		    {'D', {30, 17, 17, 17, 17, 17, 30}},
		    {'E', {31, 16, 16, 30, 16, 16, 31}},
		    {'F', {31, 16, 16, 30, 16, 16, 16}},
		    {'G', {14, 17, 16, 23, 17, 17, 15}},
		    {'H', {17, 17, 17, 31, 17, 17, 17}},
		    {'I', {14, 4, 4, 4, 4, 4, 14}},
		    {'J', {7, 2, 2, 2, 2, 18, 12}},
		    {'K', {17, 18, 20, 24, 20, 18, 17}},
		    {'L', {16, 16, 16, 16, 16, 16, 31}},
		    {'M', {17, 27, 21, 21, 17, 17, 17}},
		    {'N', {17, 17, 25, 21, 19, 17, 17}},
		    {'O', {14, 17, 17, 17, 17, 17, 14}},
		    {'P', {30, 17, 17, 30, 16, 16, 16}},
		    {'Q', {14, 17, 17, 17, 21, 18, 13}},
		    {'R', {30, 17, 17, 30, 20, 18, 17}},
		    {'S', {15, 16, 16, 14, 1, 1, 30}},
		    {'T', {31, 4, 4, 4, 4, 4, 4}},
		    {'U', {17, 17, 17, 17, 17, 17, 14}},
		    {'V', {17, 17, 17, 17, 17, 10, 4}},
		    {'W', {17, 17, 17, 21, 21, 21, 10}},
		    {'X', {17, 17, 10, 4, 10, 17, 17}},
		    {'Y', {17, 17, 10, 4, 4, 4, 4}},
		    {'Z', {31, 1, 2, 4, 8, 16, 31}},
		    {'0', {14, 17, 19, 21, 25, 17, 14}},
		    {'1', {4, 12, 4, 4, 4, 4, 14}},
		    {'2', {14, 17, 1, 2, 4, 8, 31}},
		    {'3', {31, 2, 4, 2, 1, 17, 14}},
		    {'4', {2, 6, 10, 18, 31, 2, 2}},
		    {'5', {31, 16, 30, 1, 1, 17, 14}},
		    {'6', {6, 8, 16, 30, 17, 17, 14}},
		    {'7', {31, 1, 2, 4, 8, 8, 8}},
		    {'8', {14, 17, 17, 14, 17, 17, 14}},
		    {'9', {14, 17, 17, 15, 1, 2, 12}},
		    {':', {0, 12, 12, 0, 12, 12, 0}},
		    {',', {0, 0, 0, 0, 12, 4, 8}},
		    {'.', {0, 0, 0, 0, 0, 12, 12}},
		    {'-', {0, 0, 0, 31, 0, 0, 0}},
		    {'(', {2, 4, 8, 8, 8, 4, 2}},
		    {')', {8, 4, 2, 2, 2, 4, 8}},
		    {'/', {0, 1, 2, 4, 8, 16, 0}},
		    {'>', {8, 4, 2, 1, 2, 4, 8}},
		    {'%', {24, 25, 2, 4, 8, 19, 3}},
		    {'=', {0, 0, 31, 0, 31, 0, 0}},
		    {'+', {0, 4, 4, 31, 4, 4, 0}},
		};

		const FGlyph* FindGlyph(char Character)
		{
			const char Upper = static_cast<char>(std::toupper(static_cast<unsigned char>(Character)));
			for (const FGlyph& Glyph : Font)
			{
				if (Glyph.Character == Upper)
				{
					return &Glyph;
				}
			}
			return nullptr;
		}

		double Dot(const FVector& A, const FVector& B)
		{
			return A.X * B.X + A.Y * B.Y + A.Z * B.Z;
		}

		FVector Cross(const FVector& A, const FVector& B)
		{
			return FVector(A.Y * B.Z - A.Z * B.Y, A.Z * B.X - A.X * B.Z, A.X * B.Y - A.Y * B.X);
		}

		FVector Normalized(const FVector& V)
		{
			const double Length = std::sqrt(Dot(V, V));
			return Length > 1e-12 ? V * (1.0 / Length) : V;
		}

		uint8_t ToByte(double Value)
		{
			return static_cast<uint8_t>(std::clamp(std::lround(Value * 255.0), 0L, 255L));
		}
	}

	FPicture::FPicture(int32 InWidth, int32 InHeight, FColor8 Background)
	    : Width(std::max(1, InWidth)), Height(std::max(1, InHeight)), Pixels(static_cast<size_t>(Width) * Height, Background)
	{
	}

	void FPicture::FillRect(int32 X, int32 Y, int32 W, int32 H, FColor8 Color)
	{
		for (int32 Row = std::max(0, Y); Row < std::min(Height, Y + H); ++Row)
		{
			for (int32 Column = std::max(0, X); Column < std::min(Width, X + W); ++Column)
			{
				Pixels[Index(Column, Row)] = Color;
			}
		}
	}

	void FPicture::DrawText(int32 X, int32 Y, const std::string& Text, int32 Scale, FColor8 Color)
	{
		for (size_t Character = 0; Character < Text.size(); ++Character)
		{
			const FGlyph* Glyph = FindGlyph(Text[Character]);
			if (!Glyph)
			{
				continue;
			}
			const int32 OriginX = X + static_cast<int32>(Character) * 6 * Scale;
			for (int32 Row = 0; Row < 7; ++Row)
			{
				for (int32 Column = 0; Column < 5; ++Column)
				{
					if (Glyph->Rows[Row] & (1 << (4 - Column)))
					{
						FillRect(OriginX + Column * Scale, Y + Row * Scale, Scale, Scale, Color);
					}
				}
			}
		}
	}

	bool FPicture::SavePng(const std::string& Path, std::string& OutError) const
	{
		FILE* File = std::fopen(Path.c_str(), "wb");
		if (!File)
		{
			OutError = "cannot write '" + Path + "': " + std::strerror(errno);
			return false;
		}
		// libpng would print its complaint and give no reason; keep the system's instead.
		static thread_local int WriteErrno = 0;
		WriteErrno = 0;
		const png_error_ptr OnError = [](png_structp Failed, png_const_charp)
		{
			WriteErrno = errno;
			png_longjmp(Failed, 1);
		};
		const png_error_ptr OnWarning = [](png_structp, png_const_charp) {};
		png_structp Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
		png_infop Info = Png ? png_create_info_struct(Png) : nullptr;
		if (!Png || !Info)
		{
			png_destroy_write_struct(&Png, nullptr);
			std::fclose(File);
			OutError = "cannot write '" + Path + "': out of memory";
			return false;
		}
		std::vector<png_bytep> Rows(static_cast<size_t>(Height));
		if (setjmp(png_jmpbuf(Png)))
		{
			png_destroy_write_struct(&Png, &Info);
			std::fclose(File);
			OutError = "cannot write '" + Path + "': " + (WriteErrno != 0 ? std::strerror(WriteErrno) : "the PNG library failed");
			return false;
		}
		png_init_io(Png, File);
		png_set_IHDR(Png, Info, Width, Height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
		png_set_compression_level(Png, 9);
		for (int32 Row = 0; Row < Height; ++Row)
		{
			Rows[Row] = reinterpret_cast<png_bytep>(const_cast<FColor8*>(&Pixels[Index(0, Row)]));
		}
		png_set_rows(Png, Info, Rows.data());
		png_write_png(Png, Info, PNG_TRANSFORM_IDENTITY, nullptr);
		png_destroy_write_struct(&Png, &Info);
		if (std::fclose(File) != 0)
		{
			OutError = "cannot write '" + Path + "': " + std::strerror(errno);
			return false;
		}
		return true;
	}

	FView::FView(FPicture& InPicture, int32 InLeft, int32 InTop, int32 InSize, const FVector& Eye, const FVector& InCentre, double Span)
	    : Picture(InPicture), Left(InLeft), Top(InTop), Size(InSize), Centre(InCentre), Scale(InSize / Span), Depth(static_cast<size_t>(InSize) * InSize, std::numeric_limits<double>::infinity())
	{
		Forward = Normalized(Eye * -1.0);
		Up = Normalized(FVector(0, 0, 1) - Forward * Dot(FVector(0, 0, 1), Forward));
		Right = Cross(Up, Forward);
	}

	bool FView::Project(const FVector& Point, double& OutX, double& OutY, double& OutDepth) const
	{
		const FVector Relative = Point - Centre;
		OutX = Size * 0.5 + Dot(Relative, Right) * Scale;
		OutY = Size * 0.5 - Dot(Relative, Up) * Scale;
		OutDepth = Dot(Relative, Forward);
		return std::isfinite(OutX) && std::isfinite(OutY) && std::isfinite(OutDepth);
	}

	void FView::Plot(int32 X, int32 Y, double PointDepth, FColor8 Color)
	{
		if (X < 0 || Y < 0 || X >= Size || Y >= Size)
		{
			return;
		}
		double& Stored = Depth[static_cast<size_t>(Y) * Size + X];
		if (PointDepth < Stored)
		{
			Stored = PointDepth;
			const int32 PictureX = Left + X, PictureY = Top + Y;
			if (PictureX >= 0 && PictureY >= 0 && PictureX < Picture.Width && PictureY < Picture.Height)
			{
				Picture.Pixels[Picture.Index(PictureX, PictureY)] = Color;
			}
		}
	}

	void FView::DrawMesh(const Host::FMeshData& Mesh, FColor8 Color)
	{
		const FVector Light = Normalized(Forward * -1.0 + Up * 0.6 - Right * 0.5);
		for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
		{
			FVector Corners[3];
			double X[3], Y[3], Z[3];
			bool bVisible = true;
			for (int Corner = 0; Corner < 3; ++Corner)
			{
				const FVector3f& P = Mesh.Positions[Mesh.Indices[3 * Triangle + Corner]];
				Corners[Corner] = FVector(P.X, P.Y, P.Z);
				bVisible = Project(Corners[Corner], X[Corner], Y[Corner], Z[Corner]) && bVisible;
			}
			if (!bVisible)
			{
				continue;
			}
			FVector Normal = Normalized(Cross(Corners[1] - Corners[0], Corners[2] - Corners[0]));
			if (Dot(Normal, Forward) > 0)
			{
				Normal = Normal * -1.0;
			}
			const double Shade = 0.35 + 0.65 * std::max(0.0, Dot(Normal, Light));
			const FColor8 Lit{ToByte(Color.R / 255.0 * Shade), ToByte(Color.G / 255.0 * Shade), ToByte(Color.B / 255.0 * Shade)};

			const double Area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
			if (std::abs(Area) < 1e-12)
			{
				continue;
			}
			const int32 MinX = std::max(0, static_cast<int32>(std::floor(std::min({X[0], X[1], X[2]}))));
			const int32 MaxX = std::min(Size - 1, static_cast<int32>(std::ceil(std::max({X[0], X[1], X[2]}))));
			const int32 MinY = std::max(0, static_cast<int32>(std::floor(std::min({Y[0], Y[1], Y[2]}))));
			const int32 MaxY = std::min(Size - 1, static_cast<int32>(std::ceil(std::max({Y[0], Y[1], Y[2]}))));
			for (int32 PixelY = MinY; PixelY <= MaxY; ++PixelY)
			{
				for (int32 PixelX = MinX; PixelX <= MaxX; ++PixelX)
				{
					const double SampleX = PixelX + 0.5, SampleY = PixelY + 0.5;
					const double W0 = ((X[1] - SampleX) * (Y[2] - SampleY) - (X[2] - SampleX) * (Y[1] - SampleY)) / Area;
					const double W1 = ((X[2] - SampleX) * (Y[0] - SampleY) - (X[0] - SampleX) * (Y[2] - SampleY)) / Area;
					const double W2 = 1.0 - W0 - W1;
					if (W0 < 0 || W1 < 0 || W2 < 0)
					{
						continue;
					}
					Plot(PixelX, PixelY, W0 * Z[0] + W1 * Z[1] + W2 * Z[2], Lit);
				}
			}
		}
	}

	void FView::DrawGroom(const GroomData& Groom, const std::vector<bool>& Shown, FColor8 RootColor)
	{
		DrawGroom(Groom, Shown, RootColor, std::nullopt);
	}

	void FView::DrawGroom(const GroomData& Groom, const std::vector<bool>& Shown, FColor8 RootColor, FColor8 StrandColor)
	{
		DrawGroom(Groom, Shown, RootColor, std::optional<FColor8>(StrandColor));
	}

	void FView::DrawGroom(const GroomData& Groom, const std::vector<bool>& Shown, FColor8 RootColor, const std::optional<FColor8>& StrandColor)
	{
		const size_t NumPoints = Groom.positions.size() / 3;
		const size_t NumColours = Groom.groomColors.size() / 3;
		size_t First = 0;
		for (size_t Strand = 0; Strand < Groom.vertexCounts.size(); ++Strand)
		{
			const int32_t Count = Groom.vertexCounts[Strand];
			if (Count <= 0 || First + Count > NumPoints)
			{
				break;
			}
			if (!Shown.empty() && (Strand >= Shown.size() || !Shown[Strand]))
			{
				First += static_cast<size_t>(Count);
				continue;
			}
			FColor8 Color{90, 60, 40};
			if (StrandColor)
			{
				Color = *StrandColor;
			}
			else if (NumColours == Groom.vertexCounts.size())
			{
				Color = {ToByte(Groom.groomColors[3 * Strand]), ToByte(Groom.groomColors[3 * Strand + 1]), ToByte(Groom.groomColors[3 * Strand + 2])};
			}
			for (int32_t Point = 0; Point + 1 < Count; ++Point)
			{
				const float* A = &Groom.positions[3 * (First + Point)];
				const float* B = A + 3;
				double AX, AY, AZ, BX, BY, BZ;
				if (!Project(FVector(A[0], A[1], A[2]), AX, AY, AZ) || !Project(FVector(B[0], B[1], B[2]), BX, BY, BZ))
				{
					continue;
				}
				const int32 Steps = static_cast<int32>(std::min(4096.0, std::ceil(std::max(std::abs(BX - AX), std::abs(BY - AY))))) + 1;
				for (int32 Step = 0; Step <= Steps; ++Step)
				{
					const double T = static_cast<double>(Step) / Steps;
					// A little in front of the surface, so roots on it still show.
					Plot(static_cast<int32>(AX + (BX - AX) * T), static_cast<int32>(AY + (BY - AY) * T), AZ + (BZ - AZ) * T - 0.15, Color);
				}
			}
			double RootX, RootY, RootZ;
			const float* Root = &Groom.positions[3 * First];
			if (Project(FVector(Root[0], Root[1], Root[2]), RootX, RootY, RootZ))
			{
				for (int32 DY = -1; DY <= 1; ++DY)
				{
					for (int32 DX = -1; DX <= 1; ++DX)
					{
						Plot(static_cast<int32>(RootX) + DX, static_cast<int32>(RootY) + DY, RootZ - 0.3, RootColor);
					}
				}
			}
			First += static_cast<size_t>(Count);
		}
	}

	void FView::DrawRing(const FVector& Point, double Radius, FColor8 Color)
	{
		double X, Y, Z;
		if (!Project(Point, X, Y, Z))
		{
			return;
		}
		for (int32 PixelY = static_cast<int32>(Y - Radius - 2); PixelY <= static_cast<int32>(Y + Radius + 2); ++PixelY)
		{
			for (int32 PixelX = static_cast<int32>(X - Radius - 2); PixelX <= static_cast<int32>(X + Radius + 2); ++PixelX)
			{
				const double Distance = std::hypot(PixelX + 0.5 - X, PixelY + 0.5 - Y);
				const int32 PictureX = Left + PixelX, PictureY = Top + PixelY;
				if (std::abs(Distance - Radius) <= 1.1 && PixelX >= 0 && PixelY >= 0 && PixelX < Size && PixelY < Size)
				{
					Picture.Pixels[Picture.Index(PictureX, PictureY)] = Color;
				}
			}
		}
	}
}
