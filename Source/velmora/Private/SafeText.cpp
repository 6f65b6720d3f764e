#include "SafeText.h"

#include <cstdint>
#include <cstdio>

namespace SafeText
{
	namespace
	{
		// Code points that move or hide text without showing: C1 controls, the bidi marks, embeddings,
		// overrides and isolates, zero-width characters, the line and paragraph separators and the BOM.
		bool IsHidden(uint32_t CodePoint)
		{
			return (CodePoint >= 0x80 && CodePoint <= 0x9F) || CodePoint == 0x061C || (CodePoint >= 0x200B && CodePoint <= 0x200F) ||
			       (CodePoint >= 0x2028 && CodePoint <= 0x202E) || (CodePoint >= 0x2060 && CodePoint <= 0x206F) || CodePoint == 0xFEFF;
		}

		// The length of the well-formed UTF-8 sequence at Text[Index] and its code point; 0 when none starts there.
		size_t DecodeUtf8(std::string_view Text, size_t Index, uint32_t& OutCodePoint)
		{
			const uint8_t Lead = static_cast<uint8_t>(Text[Index]);
			size_t Length = 0;
			uint32_t Min = 0;
			if (Lead >= 0xC2 && Lead <= 0xDF)
			{
				Length = 2;
				Min = 0x80;
				OutCodePoint = Lead & 0x1F;
			}
			else if (Lead >= 0xE0 && Lead <= 0xEF)
			{
				Length = 3;
				Min = 0x800;
				OutCodePoint = Lead & 0x0F;
			}
			else if (Lead >= 0xF0 && Lead <= 0xF4)
			{
				Length = 4;
				Min = 0x10000;
				OutCodePoint = Lead & 0x07;
			}
			else
			{
				return 0;
			}
			if (Index + Length > Text.size())
			{
				return 0;
			}
			for (size_t Next = 1; Next < Length; ++Next)
			{
				const uint8_t Byte = static_cast<uint8_t>(Text[Index + Next]);
				if ((Byte & 0xC0) != 0x80)
				{
					return 0;
				}
				OutCodePoint = (OutCodePoint << 6) | (Byte & 0x3F);
			}
			const bool bSurrogate = OutCodePoint >= 0xD800 && OutCodePoint <= 0xDFFF;
			return OutCodePoint < Min || OutCodePoint > 0x10FFFF || bSurrogate ? 0 : Length;
		}

		// Appends the escape of what starts at Text[Index] and returns how many bytes it took; 0 when
		// the byte there is printed as it is.
		size_t AppendEscape(std::string_view Text, size_t Index, std::string* Out)
		{
			const uint8_t Byte = static_cast<uint8_t>(Text[Index]);
			char Escape[12];
			if (Byte < 0x80)
			{
				if (Byte >= 0x20 && Byte != 0x7F)
				{
					return 0;
				}
				const char* Named = Byte == '\n' ? "\\n" : Byte == '\r' ? "\\r"
				                                       : Byte == '\t'   ? "\\t"
				                                                        : nullptr;
				if (!Named)
				{
					std::snprintf(Escape, sizeof(Escape), "\\x%02x", Byte);
				}
				if (Out)
				{
					Out->append(Named ? Named : Escape);
				}
				return 1;
			}
			uint32_t CodePoint = 0;
			const size_t Length = DecodeUtf8(Text, Index, CodePoint);
			if (Length == 0)
			{
				std::snprintf(Escape, sizeof(Escape), "\\x%02x", Byte);
				if (Out)
				{
					Out->append(Escape);
				}
				return 1;
			}
			if (!IsHidden(CodePoint))
			{
				return 0;
			}
			std::snprintf(Escape, sizeof(Escape), "\\u%04x", static_cast<unsigned>(CodePoint));
			if (Out)
			{
				Out->append(Escape);
			}
			return Length;
		}

		// The length of the character at Text[Index] when printed as it is.
		size_t PlainLength(std::string_view Text, size_t Index)
		{
			uint32_t CodePoint = 0;
			const size_t Length = static_cast<uint8_t>(Text[Index]) < 0x80 ? 1 : DecodeUtf8(Text, Index, CodePoint);
			return Length == 0 ? 1 : Length;
		}
	}

	std::string Escaped(std::string_view Text)
	{
		std::string Result;
		Result.reserve(Text.size());
		size_t Index = 0;
		while (Index < Text.size())
		{
			const size_t Taken = AppendEscape(Text, Index, &Result);
			if (Taken > 0)
			{
				Index += Taken;
				continue;
			}
			const size_t Length = PlainLength(Text, Index);
			Result.append(Text.substr(Index, Length));
			Index += Length;
		}
		return Result;
	}

	bool IsPlain(std::string_view Text)
	{
		for (size_t Index = 0; Index < Text.size(); Index += PlainLength(Text, Index))
		{
			if (AppendEscape(Text, Index, nullptr) > 0)
			{
				return false;
			}
		}
		return true;
	}

	std::string ShortPath(const std::string& Path)
	{
		if (Path.size() <= MaxWholePath)
		{
			return Escaped(Path);
		}
		// The last components that fit, starting at a slash, else at a character's first byte.
		size_t Start = Path.size() - (MaxWholePath - 56);
		const size_t Slash = Path.find('/', Start);
		if (Slash != std::string::npos && Slash + 1 < Path.size())
		{
			Start = Slash;
		}
		else
		{
			while (Start < Path.size() && (static_cast<uint8_t>(Path[Start]) & 0xC0) == 0x80)
			{
				++Start;
			}
		}
		return "\xE2\x80\xA6" + Escaped(std::string_view(Path).substr(Start));
	}
}
