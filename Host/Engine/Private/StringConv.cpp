#include "Containers/StringConv.h"

namespace UE::Core::Private
{
	namespace
	{
		constexpr char32_t BogusChar = U'?';

		void AppendUTF8(std::string& Out, char32_t C)
		{
			if (C < 0x80)
			{
				Out += static_cast<char>(C);
			}
			else if (C < 0x800)
			{
				Out += static_cast<char>(0xC0 | (C >> 6));
				Out += static_cast<char>(0x80 | (C & 0x3F));
			}
			else if (C < 0x10000)
			{
				Out += static_cast<char>(0xE0 | (C >> 12));
				Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
				Out += static_cast<char>(0x80 | (C & 0x3F));
			}
			else
			{
				Out += static_cast<char>(0xF0 | (C >> 18));
				Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
				Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
				Out += static_cast<char>(0x80 | (C & 0x3F));
			}
		}

		void AppendUTF16(std::u16string& Out, char32_t C)
		{
			if (C < 0x10000)
			{
				Out += static_cast<char16_t>(C);
			}
			else
			{
				C -= 0x10000;
				Out += static_cast<char16_t>(0xD800 + (C >> 10));
				Out += static_cast<char16_t>(0xDC00 + (C & 0x3FF));
			}
		}
	}

	int32 StringLength(const TCHAR* Str)
	{
		return Str ? static_cast<int32>(std::char_traits<char16_t>::length(Str)) : 0;
	}

	int32 StringLength(const char* Str)
	{
		return Str ? static_cast<int32>(std::char_traits<char>::length(Str)) : 0;
	}

	std::string ConvertTCHARToUTF8(const TCHAR* Source, int32 SourceLen)
	{
		std::string Out;
		Out.reserve(static_cast<size_t>(SourceLen > 0 ? SourceLen : 0));
		for (int32 Index = 0; Index < SourceLen; ++Index)
		{
			const char32_t Unit = Source[Index];
			if (Unit >= 0xD800 && Unit < 0xDC00)
			{
				const char32_t Low = Index + 1 < SourceLen ? Source[Index + 1] : 0;
				if (Low >= 0xDC00 && Low < 0xE000)
				{
					AppendUTF8(Out, 0x10000 + ((Unit - 0xD800) << 10) + (Low - 0xDC00));
					++Index;
				}
				else
				{
					AppendUTF8(Out, BogusChar);
				}
			}
			else if (Unit >= 0xDC00 && Unit < 0xE000)
			{
				AppendUTF8(Out, BogusChar);
			}
			else
			{
				AppendUTF8(Out, Unit);
			}
		}
		return Out;
	}

	std::u16string ConvertUTF8ToTCHAR(const char* Source, int32 SourceLen)
	{
		std::u16string Out;
		Out.reserve(static_cast<size_t>(SourceLen > 0 ? SourceLen : 0));
		const auto* Bytes = reinterpret_cast<const unsigned char*>(Source);
		int32 Index = 0;
		while (Index < SourceLen)
		{
			const unsigned char Lead = Bytes[Index];
			int32 Extra = 0;
			char32_t C = 0;
			char32_t Min = 0;
			if (Lead < 0x80)
			{
				C = Lead;
			}
			else if ((Lead & 0xE0) == 0xC0)
			{
				Extra = 1;
				C = Lead & 0x1F;
				Min = 0x80;
			}
			else if ((Lead & 0xF0) == 0xE0)
			{
				Extra = 2;
				C = Lead & 0x0F;
				Min = 0x800;
			}
			else if ((Lead & 0xF8) == 0xF0)
			{
				Extra = 3;
				C = Lead & 0x07;
				Min = 0x10000;
			}
			else
			{
				AppendUTF16(Out, BogusChar);
				++Index;
				continue;
			}
			bool bValid = Index + Extra < SourceLen;
			for (int32 Follow = 1; bValid && Follow <= Extra; ++Follow)
			{
				const unsigned char Byte = Bytes[Index + Follow];
				bValid = (Byte & 0xC0) == 0x80;
				C = (C << 6) | (Byte & 0x3F);
			}
			if (!bValid || C < Min || C > 0x10FFFF || (C >= 0xD800 && C < 0xE000))
			{
				// Skip only the lead byte so the next well-formed character still decodes.
				AppendUTF16(Out, BogusChar);
				++Index;
				continue;
			}
			AppendUTF16(Out, C);
			Index += Extra + 1;
		}
		return Out;
	}
}
