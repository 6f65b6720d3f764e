#include "GroomJson.h"

#include "Host/Log.h"
#include "JsonWriter.h"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <limits>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace VelmoraCli
{
	namespace
	{
		constexpr const char* Whitespace = " \t\n\r";

		// Builds the record from the parser's events. Numbers arrive as their own text, so each float is
		// the one strtof makes of it (a "-0" stays negative, denormals survive) and each count is the
		// integer it spells. Members it does not know are skipped. Returning false stops the parse with Error.
		class FRecordHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, FRecordHandler>
		{
		public:
			static constexpr int MaxDepth = 256;

			GroomData Groom;
			std::string Error;

			bool Key(const char* Text, rapidjson::SizeType Length, bool)
			{
				if (Depth != 1)
				{
					return true;
				}
				const std::string_view Name(Text, Length);
				Counts = Name == "vertexCounts" ? &Groom.vertexCounts : nullptr;
				Floats = Name == "positions" ? &Groom.positions : Name == "widths"       ? &Groom.widths
				                                              : Name == "groomColors"    ? &Groom.groomColors
				                                              : Name == "surfaceNormals" ? &Groom.surfaceNormals
				                                                                         : nullptr;
				Field = Counts || Floats ? std::string(Name) : std::string();
				if (!Field.empty() && !Seen.insert(Field).second)
				{
					return Refuse("\"" + Field + "\" appears twice");
				}
				return true;
			}

			bool StartObject() { return Open(false); }
			bool StartArray() { return Open(true); }
			bool EndObject(rapidjson::SizeType) { return Close(); }
			bool EndArray(rapidjson::SizeType) { return Close(); }

			bool RawNumber(const char* Text, rapidjson::SizeType Length, bool)
			{
				if (Field.empty() || Depth != 2)
				{
					return Default();
				}
				const std::string_view Token(Text, Length);
				if (Counts)
				{
					std::int64_t Count = 0;
					if (Token.find_first_of(".eE") != std::string_view::npos)
					{
						return Refuse("\"" + Field + "\" holds " + std::string(Token) + ", which is not a whole number");
					}
					const std::from_chars_result Result = std::from_chars(Token.data(), Token.data() + Token.size(), Count);
					if (Result.ec != std::errc() || Count < std::numeric_limits<int32_t>::min() || Count > std::numeric_limits<int32_t>::max())
					{
						return Refuse("\"" + Field + "\" holds " + std::string(Token) + ", which does not fit 32 bits");
					}
					Counts->push_back(static_cast<int32_t>(Count));
					return true;
				}
				// The text is NUL-terminated JSON number syntax, which strtof reads exactly (the host never
				// sets a locale, so '.' is the decimal point); below the least denormal it gives a signed zero.
				const float Value = std::strtof(Text, nullptr);
				if (std::isinf(Value))
				{
					return Refuse("\"" + Field + "\" holds " + std::string(Token) + ", which is beyond the range of a 32-bit float");
				}
				Floats->push_back(Value);
				return true;
			}

			// Any other value: fine where it is skipped, wrong as or inside one of the arrays.
			bool Default()
			{
				if (Field.empty())
				{
					return true;
				}
				return Refuse("\"" + Field + (Depth == 1 ? "\" is not an array" : Counts ? "\" holds a value that is not a whole number"
				                                                                         : "\" holds a value that is not a number"));
			}

		private:
			bool Refuse(std::string Why)
			{
				Error = std::move(Why);
				return false;
			}

			bool Open(bool bArray)
			{
				if (!Field.empty() && (Depth == 2 || !bArray))
				{
					return Default();
				}
				if (++Depth > MaxDepth)
				{
					return Refuse("values nested more than " + std::to_string(MaxDepth) + " deep");
				}
				return true;
			}

			bool Close()
			{
				if (--Depth == 1)
				{
					Field.clear();
				}
				return true;
			}

			int Depth = 0;
			std::string Field; // the array member being read, empty while skipping
			std::vector<float>* Floats = nullptr;
			std::vector<int32_t>* Counts = nullptr;
			std::set<std::string> Seen;
		};

		[[noreturn]] void FailAt(const std::string& Text, size_t Offset, const std::string& Why)
		{
			const size_t LineStart = Text.rfind('\n', Offset == 0 ? std::string::npos : Offset - 1);
			const size_t Line = 1 + static_cast<size_t>(std::count(Text.begin(), Text.begin() + static_cast<std::ptrdiff_t>(Offset), '\n'));
			const size_t Column = Offset - (LineStart == std::string::npos ? 0 : LineStart + 1) + 1;
			throw std::runtime_error(Why + " at line " + std::to_string(Line) + ", column " + std::to_string(Column));
		}

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

	std::string GroomToJson(const GroomData& Groom, const FReadMessages& Messages, const std::function<void(FJsonWriter&)>& AddKeys)
	{
		FJsonWriter Writer;
		const auto Floats = [&Writer](const char* Key, const std::vector<float>& Values)
		{
			Writer.Key(Key);
			Writer.BeginArray();
			for (const float Value : Values)
			{
				Writer.Float(Value);
			}
			Writer.EndArray();
		};
		const auto Lines = [&Writer](const char* Key, const std::vector<std::string>& Values)
		{
			Writer.Key(Key);
			Writer.Strings(Values);
		};
		Writer.BeginObject();
		Floats("positions", Groom.positions);
		Writer.Key("vertexCounts");
		Writer.BeginArray();
		for (const int32_t Count : Groom.vertexCounts)
		{
			Writer.Integer(Count);
		}
		Writer.EndArray();
		Floats("widths", Groom.widths);
		Floats("groomColors", Groom.groomColors);
		Floats("surfaceNormals", Groom.surfaceNormals);
		Lines("log", Messages.Log);
		Lines("stderr", Messages.Stderr);
		if (AddKeys)
		{
			AddKeys(Writer);
		}
		Writer.EndObject();
		return Writer.Finish();
	}

	GroomData GroomFromJson(const std::string& Text)
	{
		const size_t First = Text.find_first_not_of(Whitespace);
		if (First == std::string::npos || Text[First] != '{')
		{
			throw std::runtime_error("the record is not a JSON object");
		}
		// Iterative, so nesting costs heap rather than stack; the parse stops after the record because the
		// text after it is checked here, where an embedded NUL is not mistaken for the end.
		FRecordHandler Handler;
		rapidjson::MemoryStream Stream(Text.data(), Text.size());
		rapidjson::Reader Reader;
		const rapidjson::ParseResult Result =
		    Reader.Parse<rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseIterativeFlag | rapidjson::kParseStopWhenDoneFlag>(Stream, Handler);
		if (Result.Code() == rapidjson::kParseErrorTermination)
		{
			throw std::runtime_error(Handler.Error);
		}
		if (Result.IsError())
		{
			// Valid JSON, but beyond what the parser reads (past double range, or "0e400").
			if (Result.Code() == rapidjson::kParseErrorNumberTooBig)
			{
				FailAt(Text, Result.Offset(), "a number too large to read");
			}
			std::string Why = Result.Offset() >= Text.size() ? "the text ends early" : rapidjson::GetParseError_En(Result.Code());
			Why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(Why[0])));
			FailAt(Text, std::min(Result.Offset(), Text.size()), "not valid JSON: " + Why.substr(0, Why.find_last_not_of('.') + 1));
		}
		const size_t Rest = Text.find_first_not_of(Whitespace, Stream.Tell());
		if (Rest != std::string::npos)
		{
			FailAt(Text, Rest, "not valid JSON: unexpected text after the record");
		}
		return std::move(Handler.Groom);
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
		// The engine's groom import reads widths and colours by the scope their count gives them; any other
		// count would leave them out of the file.
		const size_t Strands = Groom.vertexCounts.size();
		for (const auto& [Name, Count] : {std::pair<const char*, size_t>{"widths", Groom.widths.size()}, {"groomColors", Groom.groomColors.size() / 3}})
		{
			if (Count > 1 && Count != Strands && Count != static_cast<size_t>(Points))
			{
				throw std::runtime_error(std::string("\"") + Name + "\" holds " + std::to_string(Count) + (Name[0] == 'w' ? " values" : " colours") +
				                         "; a groom has none, one, one per strand (" + std::to_string(Strands) + ") or one per point (" + std::to_string(Points) + ")");
			}
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
