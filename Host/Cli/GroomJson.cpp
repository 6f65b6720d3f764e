#include "GroomJson.h"

#include "Host/Log.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace VelmoraCli
{
	namespace
	{
		// Floats parse straight to 32 bits, so "%.9g" text comes back as the exact stored value.
		using FFloatJson = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t, std::uint64_t, float>;

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

		std::vector<float> FloatArray(const FFloatJson& Record, const char* Key)
		{
			std::vector<float> Values;
			if (!Record.contains(Key))
			{
				return Values;
			}
			const FFloatJson& Array = Record.at(Key);
			if (!Array.is_array())
			{
				throw std::runtime_error(std::string("\"") + Key + "\" is not an array");
			}
			Values.reserve(Array.size());
			for (const FFloatJson& Value : Array)
			{
				if (!Value.is_number())
				{
					throw std::runtime_error(std::string("\"") + Key + "\" holds a value that is not a number");
				}
				Values.push_back(Value.get<float>());
			}
			return Values;
		}

		std::vector<int32_t> CountArray(const FFloatJson& Record, const char* Key)
		{
			std::vector<int32_t> Values;
			if (!Record.contains(Key))
			{
				return Values;
			}
			const FFloatJson& Array = Record.at(Key);
			if (!Array.is_array())
			{
				throw std::runtime_error(std::string("\"") + Key + "\" is not an array");
			}
			for (const FFloatJson& Value : Array)
			{
				if (!Value.is_number_integer())
				{
					throw std::runtime_error(std::string("\"") + Key + "\" holds a value that is not a whole number");
				}
				const std::int64_t Count = Value.get<std::int64_t>();
				if (Count < std::numeric_limits<int32_t>::min() || Count > std::numeric_limits<int32_t>::max())
				{
					throw std::runtime_error(std::string("\"") + Key + "\" holds " + std::to_string(Count) + ", which does not fit 32 bits");
				}
				Values.push_back(static_cast<int32_t>(Count));
			}
			return Values;
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
		FFloatJson Record;
		try
		{
			Record = FFloatJson::parse(Text);
		}
		catch (const FFloatJson::parse_error& Error)
		{
			throw std::runtime_error(std::string("not valid JSON: ") + Error.what());
		}
		if (!Record.is_object())
		{
			throw std::runtime_error("the record is not a JSON object");
		}
		GroomData Groom;
		Groom.positions = FloatArray(Record, "positions");
		Groom.vertexCounts = CountArray(Record, "vertexCounts");
		Groom.widths = FloatArray(Record, "widths");
		Groom.groomColors = FloatArray(Record, "groomColors");
		Groom.surfaceNormals = FloatArray(Record, "surfaceNormals");
		return Groom;
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
