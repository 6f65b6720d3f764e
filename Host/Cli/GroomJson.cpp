#include "GroomJson.h"

#include "Host/Log.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <iostream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace VelmoraCli
{
	namespace
	{
		void AppendEscaped(std::string& Out, const std::string& Text)
		{
			Out += '"';
			for (const unsigned char C : Text)
			{
				switch (C)
				{
					case '"':
						Out += "\\\"";
						break;
					case '\\':
						Out += "\\\\";
						break;
					case '\n':
						Out += "\\n";
						break;
					case '\r':
						Out += "\\r";
						break;
					case '\t':
						Out += "\\t";
						break;
					default:
						if (C < 0x20)
						{
							char Buffer[8];
							std::snprintf(Buffer, sizeof(Buffer), "\\u%04x", C);
							Out += Buffer;
						}
						else
						{
							Out += static_cast<char>(C);
						}
				}
			}
			Out += '"';
		}

		template<typename T, typename FormatFn>
		void AppendArray(std::string& Out, const char* Key, const std::vector<T>& Values, FormatFn Format, bool bLast = false)
		{
			Out += "  \"";
			Out += Key;
			Out += "\": [";
			for (size_t Index = 0; Index < Values.size(); ++Index)
			{
				if (Index > 0)
				{
					Out += ',';
				}
				Format(Out, Values[Index]);
			}
			Out += bLast ? "]\n" : "],\n";
		}

		void AppendFloat(std::string& Out, float Value)
		{
			char Buffer[32];
			std::snprintf(Buffer, sizeof(Buffer), "%.9g", static_cast<double>(Value));
			Out += Buffer;
		}

		// Whether a well-formed JSON number spells a magnitude of 1 or more: the decimal position of its
		// first non-zero digit plus its exponent is not negative. Decides which way a value left float range.
		bool IsAtLeastOne(std::string_view Token)
		{
			size_t Index = Token.front() == '-' ? 1 : 0;
			std::int64_t IntegerDigits = 0;
			std::int64_t FirstNonZero = std::numeric_limits<std::int64_t>::min();
			for (; Index < Token.size() && std::isdigit(static_cast<unsigned char>(Token[Index])); ++Index, ++IntegerDigits)
			{
				if (Token[Index] != '0' && FirstNonZero == std::numeric_limits<std::int64_t>::min())
				{
					FirstNonZero = -IntegerDigits;
				}
			}
			if (FirstNonZero != std::numeric_limits<std::int64_t>::min())
			{
				FirstNonZero += IntegerDigits - 1;
			}
			if (Index < Token.size() && Token[Index] == '.')
			{
				for (std::int64_t Place = -1; ++Index < Token.size() && std::isdigit(static_cast<unsigned char>(Token[Index])); --Place)
				{
					if (Token[Index] != '0' && FirstNonZero == std::numeric_limits<std::int64_t>::min())
					{
						FirstNonZero = Place;
					}
				}
			}
			std::int64_t Exponent = 0;
			if (Index < Token.size() && (Token[Index] == 'e' || Token[Index] == 'E'))
			{
				++Index;
				const bool bNegative = Token[Index] == '-';
				Index += (Token[Index] == '-' || Token[Index] == '+') ? 1 : 0;
				for (; Index < Token.size(); ++Index)
				{
					Exponent = std::min<std::int64_t>(Exponent * 10 + (Token[Index] - '0'), std::int64_t(1) << 40);
				}
				Exponent = bNegative ? -Exponent : Exponent;
			}
			return FirstNonZero != std::numeric_limits<std::int64_t>::min() && FirstNonZero + Exponent >= 0;
		}

		// A strict JSON reader for the record that keeps the text of every number, so each float is the
		// one nearest to what was written (a "-0" stays negative, 16777217 becomes 16777216 as strtof
		// would make it) and counts are the integers they spell. Keys it does not know are skipped.
		class FRecordReader
		{
		public:
			explicit FRecordReader(const std::string& InText)
			    : Text(InText) {}

			GroomData Read()
			{
				GroomData Groom;
				SkipSpace();
				if (Peek() != '{')
				{
					throw std::runtime_error("the record is not a JSON object");
				}
				std::vector<std::string> Seen;
				ReadMembers([&](const std::string& Key)
				            {
					if (Key == "positions" || Key == "vertexCounts" || Key == "widths" || Key == "groomColors" || Key == "surfaceNormals")
					{
						if (std::find(Seen.begin(), Seen.end(), Key) != Seen.end())
						{
							throw std::runtime_error("\"" + Key + "\" appears twice");
						}
						Seen.push_back(Key);
					}
					if (Key == "vertexCounts")
					{
						Groom.vertexCounts = ReadCounts(Key);
					}
					else if (Key == "positions" || Key == "widths" || Key == "groomColors" || Key == "surfaceNormals")
					{
						std::vector<float>& Field = Key == "positions" ? Groom.positions : Key == "widths" ? Groom.widths : Key == "groomColors" ? Groom.groomColors : Groom.surfaceNormals;
						Field = ReadFloats(Key);
					}
					else
					{
						SkipValue(1);
					} });
				SkipSpace();
				if (Pos != Text.size())
				{
					Fail("unexpected text after the record");
				}
				return Groom;
			}

		private:
			static constexpr int MaxDepth = 256;

			[[noreturn]] void Fail(const std::string& Why) const
			{
				size_t Line = 1;
				size_t Column = 1;
				for (size_t Index = 0; Index < std::min(Pos, Text.size()); ++Index)
				{
					Column = Text[Index] == '\n' ? 1 : Column + 1;
					Line += Text[Index] == '\n' ? 1 : 0;
				}
				throw std::runtime_error("not valid JSON: " + Why + " at line " + std::to_string(Line) + ", column " + std::to_string(Column));
			}

			char Peek() const { return Pos < Text.size() ? Text[Pos] : '\0'; }

			void SkipSpace()
			{
				while (Pos < Text.size() && (Text[Pos] == ' ' || Text[Pos] == '\t' || Text[Pos] == '\n' || Text[Pos] == '\r'))
				{
					++Pos;
				}
			}

			void Expect(char Wanted)
			{
				SkipSpace();
				if (Peek() != Wanted)
				{
					Fail(Pos < Text.size() ? std::string("expected '") + Wanted + "'" : std::string("the text ends early"));
				}
				++Pos;
			}

			// "{" members "}", calling Member with each key once the reader stands before its value.
			template<typename FMember>
			void ReadMembers(FMember&& Member)
			{
				Expect('{');
				SkipSpace();
				if (Peek() == '}')
				{
					++Pos;
					return;
				}
				while (true)
				{
					SkipSpace();
					const std::string Key = ReadString();
					Expect(':');
					SkipSpace();
					Member(Key);
					SkipSpace();
					if (Peek() == ',')
					{
						++Pos;
						continue;
					}
					Expect('}');
					return;
				}
			}

			// "[" elements "]", calling Element with the reader before each element.
			template<typename FElement>
			void ReadElements(FElement&& Element)
			{
				Expect('[');
				SkipSpace();
				if (Peek() == ']')
				{
					++Pos;
					return;
				}
				while (true)
				{
					SkipSpace();
					Element();
					SkipSpace();
					if (Peek() == ',')
					{
						++Pos;
						continue;
					}
					Expect(']');
					return;
				}
			}

			void RequireArray(const std::string& Key)
			{
				if (Peek() != '[')
				{
					throw std::runtime_error("\"" + Key + "\" is not an array");
				}
			}

			std::string_view RequireNumber(const std::string& Key, const char* What)
			{
				if (Peek() != '-' && !std::isdigit(static_cast<unsigned char>(Peek())))
				{
					throw std::runtime_error("\"" + Key + "\" holds a value that is not " + What);
				}
				return ReadNumber();
			}

			std::vector<float> ReadFloats(const std::string& Key)
			{
				RequireArray(Key);
				std::vector<float> Values;
				ReadElements([&]
				             {
					const std::string_view Token = RequireNumber(Key, "a number");
					float Value = 0.0f;
					const std::from_chars_result Result = std::from_chars(Token.data(), Token.data() + Token.size(), Value);
					if (Result.ec == std::errc::result_out_of_range)
					{
						if (IsAtLeastOne(Token))
						{
							throw std::runtime_error("\"" + Key + "\" holds " + std::string(Token) + ", which is beyond the range of a 32-bit float");
						}
						// Smaller than half the least denormal: the nearest float is a zero of the same sign.
						Value = Token.front() == '-' ? -0.0f : 0.0f;
					}
					Values.push_back(Value); });
				return Values;
			}

			std::vector<int32_t> ReadCounts(const std::string& Key)
			{
				RequireArray(Key);
				std::vector<int32_t> Values;
				ReadElements([&]
				             {
					const std::string_view Token = RequireNumber(Key, "a whole number");
					if (Token.find_first_of(".eE") != std::string_view::npos)
					{
						throw std::runtime_error("\"" + Key + "\" holds " + std::string(Token) + ", which is not a whole number");
					}
					std::int64_t Count = 0;
					const std::from_chars_result Result = std::from_chars(Token.data(), Token.data() + Token.size(), Count);
					if (Result.ec != std::errc() || Count < std::numeric_limits<int32_t>::min() || Count > std::numeric_limits<int32_t>::max())
					{
						throw std::runtime_error("\"" + Key + "\" holds " + std::string(Token) + ", which does not fit 32 bits");
					}
					Values.push_back(static_cast<int32_t>(Count)); });
				return Values;
			}

			// -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
			std::string_view ReadNumber()
			{
				const size_t Start = Pos;
				const auto Digits = [this]
				{
					const size_t First = Pos;
					while (std::isdigit(static_cast<unsigned char>(Peek())))
					{
						++Pos;
					}
					return Pos - First;
				};
				Pos += Peek() == '-' ? 1 : 0;
				if (Peek() == '0')
				{
					++Pos;
				}
				else if (Digits() == 0)
				{
					Fail("a number has no digits");
				}
				if (Peek() == '.')
				{
					++Pos;
					if (Digits() == 0)
					{
						Fail("a number has no digits after its point");
					}
				}
				if (Peek() == 'e' || Peek() == 'E')
				{
					++Pos;
					Pos += (Peek() == '+' || Peek() == '-') ? 1 : 0;
					if (Digits() == 0)
					{
						Fail("a number has no digits in its exponent");
					}
				}
				if (std::isdigit(static_cast<unsigned char>(Peek())))
				{
					Fail("a number has a leading zero");
				}
				return std::string_view(Text).substr(Start, Pos - Start);
			}

			static void AppendUtf8(std::string& Out, std::uint32_t CodePoint)
			{
				if (CodePoint < 0x80)
				{
					Out += static_cast<char>(CodePoint);
				}
				else if (CodePoint < 0x800)
				{
					Out += static_cast<char>(0xC0 | (CodePoint >> 6));
					Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
				}
				else if (CodePoint < 0x10000)
				{
					Out += static_cast<char>(0xE0 | (CodePoint >> 12));
					Out += static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
					Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
				}
				else
				{
					Out += static_cast<char>(0xF0 | (CodePoint >> 18));
					Out += static_cast<char>(0x80 | ((CodePoint >> 12) & 0x3F));
					Out += static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
					Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
				}
			}

			std::uint32_t ReadHex4()
			{
				std::uint32_t Value = 0;
				for (int Digit = 0; Digit < 4; ++Digit, ++Pos)
				{
					const char C = Peek();
					const int Nibble = std::isdigit(static_cast<unsigned char>(C)) ? C - '0' : (C >= 'a' && C <= 'f') ? C - 'a' + 10
					                                                                       : (C >= 'A' && C <= 'F')   ? C - 'A' + 10
					                                                                                                  : -1;
					if (Nibble < 0)
					{
						Fail("a \\u escape needs four hexadecimal digits");
					}
					Value = Value * 16 + static_cast<std::uint32_t>(Nibble);
				}
				return Value;
			}

			std::string ReadString()
			{
				if (Peek() != '"')
				{
					Fail(Pos < Text.size() ? "expected a string" : "the text ends early");
				}
				++Pos;
				std::string Out;
				while (true)
				{
					if (Pos >= Text.size())
					{
						Fail("a string is not closed");
					}
					const char C = Text[Pos++];
					if (C == '"')
					{
						return Out;
					}
					if (static_cast<unsigned char>(C) < 0x20)
					{
						--Pos;
						Fail("a control character inside a string");
					}
					if (C != '\\')
					{
						Out += C;
						continue;
					}
					const char Escape = Peek();
					++Pos;
					switch (Escape)
					{
						case '"':
						case '\\':
						case '/':
							Out += Escape;
							break;
						case 'b':
							Out += '\b';
							break;
						case 'f':
							Out += '\f';
							break;
						case 'n':
							Out += '\n';
							break;
						case 'r':
							Out += '\r';
							break;
						case 't':
							Out += '\t';
							break;
						case 'u':
						{
							std::uint32_t CodePoint = ReadHex4();
							if (CodePoint >= 0xD800 && CodePoint < 0xDC00)
							{
								if (Peek() != '\\' || Pos + 1 >= Text.size() || Text[Pos + 1] != 'u')
								{
									Fail("a high surrogate without its low half");
								}
								Pos += 2;
								const std::uint32_t Low = ReadHex4();
								if (Low < 0xDC00 || Low >= 0xE000)
								{
									Fail("a high surrogate without its low half");
								}
								CodePoint = 0x10000 + ((CodePoint - 0xD800) << 10) + (Low - 0xDC00);
							}
							else if (CodePoint >= 0xDC00 && CodePoint < 0xE000)
							{
								Fail("a low surrogate without its high half");
							}
							AppendUtf8(Out, CodePoint);
							break;
						}
						default:
							--Pos;
							Fail("an unknown escape in a string");
					}
				}
			}

			void SkipValue(int Depth)
			{
				if (Depth > MaxDepth)
				{
					Fail("values nested more than " + std::to_string(MaxDepth) + " deep");
				}
				SkipSpace();
				const char C = Peek();
				if (C == '{')
				{
					ReadMembers([&](const std::string&)
					            { SkipValue(Depth + 1); });
				}
				else if (C == '[')
				{
					ReadElements([&]
					             { SkipValue(Depth + 1); });
				}
				else if (C == '"')
				{
					ReadString();
				}
				else if (C == '-' || std::isdigit(static_cast<unsigned char>(C)))
				{
					ReadNumber();
				}
				else
				{
					for (const std::string_view Literal : {std::string_view("true"), std::string_view("false"), std::string_view("null")})
					{
						if (std::string_view(Text).substr(Pos, Literal.size()) == Literal)
						{
							Pos += Literal.size();
							return;
						}
					}
					Fail(Pos < Text.size() ? "expected a value" : "the text ends early");
				}
			}

			const std::string& Text;
			size_t Pos = 0;
		};

		std::vector<std::string> SplitLines(const std::string& Text)
		{
			std::vector<std::string> Lines;
			std::istringstream Stream(Text);
			for (std::string Line; std::getline(Stream, Line);)
			{
				Lines.push_back(Line);
			}
			return Lines;
		}
	}

	std::string GroomToJson(const GroomData& Groom, const FReadMessages& Messages)
	{
		const auto Float = [](std::string& Out, float Value)
		{ AppendFloat(Out, Value); };
		const auto Int = [](std::string& Out, int32_t Value)
		{ Out += std::to_string(Value); };
		const auto Text = [](std::string& Out, const std::string& Value)
		{ AppendEscaped(Out, Value); };
		std::string Out = "{\n";
		AppendArray(Out, "positions", Groom.positions, Float);
		AppendArray(Out, "vertexCounts", Groom.vertexCounts, Int);
		AppendArray(Out, "widths", Groom.widths, Float);
		AppendArray(Out, "groomColors", Groom.groomColors, Float);
		AppendArray(Out, "surfaceNormals", Groom.surfaceNormals, Float);
		AppendArray(Out, "log", Messages.Log, Text);
		AppendArray(Out, "stderr", Messages.Stderr, Text, true);
		Out += "}\n";
		return Out;
	}

	GroomData GroomFromJson(const std::string& Text)
	{
		return FRecordReader(Text).Read();
	}

	void CheckGroomRecord(const GroomData& Groom)
	{
		for (const auto& [Name, Values] : {std::pair<const char*, const std::vector<float>*>{"positions", &Groom.positions},
		                                   {"groomColors", &Groom.groomColors},
		                                   {"surfaceNormals", &Groom.surfaceNormals}})
		{
			if (Values->size() % 3 != 0)
			{
				throw std::runtime_error(std::string("\"") + Name + "\" holds " + std::to_string(Values->size()) + " values, not whole x, y, z triples");
			}
		}
		std::int64_t Covered = 0;
		for (size_t Strand = 0; Strand < Groom.vertexCounts.size(); ++Strand)
		{
			if (Groom.vertexCounts[Strand] < 0)
			{
				throw std::runtime_error("strand " + std::to_string(Strand) + " has a negative point count (" + std::to_string(Groom.vertexCounts[Strand]) + ")");
			}
			Covered += Groom.vertexCounts[Strand];
		}
		const std::int64_t Points = static_cast<std::int64_t>(Groom.positions.size() / 3);
		if (Covered != Points)
		{
			throw std::runtime_error("the vertexCounts add up to " + std::to_string(Covered) + " points, but positions holds " + std::to_string(Points));
		}
		const size_t Widths = Groom.widths.size();
		const size_t Strands = Groom.vertexCounts.size();
		if (Widths > 1 && Widths != Strands && Widths != static_cast<size_t>(Points))
		{
			throw std::runtime_error("\"widths\" holds " + std::to_string(Widths) + " values; a groom has none, one, one per strand (" + std::to_string(Strands) +
			                         ") or one per point (" + std::to_string(Points) + ")");
		}
	}

	std::string ReadRecordText(const std::string& Path)
	{
		// Non-blocking, so a FIFO given as the record is refused instead of waited on.
		const int File = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
		if (File < 0)
		{
			throw std::runtime_error(std::strerror(errno));
		}
		struct stat Status = {};
		std::string Text;
		const bool bRegular = ::fstat(File, &Status) == 0 && S_ISREG(Status.st_mode);
		int Error = bRegular ? 0 : EINVAL;
		if (bRegular)
		{
			Text.resize(static_cast<size_t>(Status.st_size));
			size_t Done = 0;
			while (Done < Text.size())
			{
				const ssize_t Read = ::read(File, Text.data() + Done, Text.size() - Done);
				if (Read < 0 && errno == EINTR)
				{
					continue;
				}
				if (Read <= 0)
				{
					Error = Read < 0 ? errno : 0;
					break;
				}
				Done += static_cast<size_t>(Read);
			}
			Text.resize(Done);
		}
		::close(File);
		if (!bRegular)
		{
			throw std::runtime_error("not a regular file");
		}
		if (Error != 0)
		{
			throw std::runtime_error(std::strerror(Error));
		}
		return Text;
	}

	GroomData ReadGroomCollecting(const std::string& Path, FReadMessages& OutMessages, bool& bOutReadFailed)
	{
		Host::FScopedLogCapture Capture;
		std::ostringstream Stderr;
		std::streambuf* const Previous = std::cerr.rdbuf(Stderr.rdbuf());
		GroomData Groom;
		try
		{
			Groom = ReadGroom(Path, bOutReadFailed);
		}
		catch (...)
		{
			std::cerr.rdbuf(Previous);
			throw;
		}
		std::cerr.rdbuf(Previous);

		OutMessages.Stderr = SplitLines(Stderr.str());
		for (const Host::FLogLine& Line : Capture.GetLines())
		{
			std::string Message = Line.Utf8Text();
			if (!Message.empty() && Message.back() == '\n')
			{
				Message.pop_back();
			}
			OutMessages.Log.push_back(std::move(Message));
		}
		return Groom;
	}
}
