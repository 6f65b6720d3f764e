#pragma once

#include "CoreTypes.h"
#include "Containers/UnrealString.h"

// An 8-bit sRGB colour. Constructed R, G, B, A; laid out B, G, R, A in memory on little-endian
// platforms, as the engine does, so DWColor() packs it as 0xAARRGGBB.
struct FColor
{
	uint8 B = 0;
	uint8 G = 0;
	uint8 R = 0;
	uint8 A = 0;

	constexpr FColor() = default;
	constexpr FColor(uint8 InR, uint8 InG, uint8 InB, uint8 InA = 255)
	    : B(InB), G(InG), R(InR), A(InA) {}

	constexpr uint32 DWColor() const
	{
		return (uint32(A) << 24) | (uint32(R) << 16) | (uint32(G) << 8) | uint32(B);
	}
	constexpr bool operator==(const FColor& C) const { return DWColor() == C.DWColor(); }
	constexpr bool operator!=(const FColor& C) const { return !(*this == C); }
	FString ToString() const { return FString::Printf(TEXT("(R=%i,G=%i,B=%i,A=%i)"), R, G, B, A); }

	static const FColor White;
	static const FColor Black;
	static const FColor Transparent;
	static const FColor Red;
	static const FColor Green;
	static const FColor Blue;
	static const FColor Yellow;
	static const FColor Cyan;
	static const FColor Magenta;
	static const FColor Orange;
};

inline constexpr FColor FColor::White(255, 255, 255);
inline constexpr FColor FColor::Black(0, 0, 0);
inline constexpr FColor FColor::Transparent(0, 0, 0, 0);
inline constexpr FColor FColor::Red(255, 0, 0);
inline constexpr FColor FColor::Green(0, 255, 0);
inline constexpr FColor FColor::Blue(0, 0, 255);
inline constexpr FColor FColor::Yellow(255, 255, 0);
inline constexpr FColor FColor::Cyan(0, 255, 255);
inline constexpr FColor FColor::Magenta(255, 0, 255);
inline constexpr FColor FColor::Orange(243, 156, 18);
