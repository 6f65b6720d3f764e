#include "JsonWriter.h"

#include "CliPath.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace VelmoraCli
{
	namespace
	{
		bool IsPlain(const nlohmann::json& Json)
		{
			return !Json.is_object() && !Json.is_array();
		}

		bool AllPlain(const nlohmann::json& Json)
		{
			for (const nlohmann::json& Element : Json)
			{
				if (!IsPlain(Element))
				{
					return false;
				}
			}
			return true;
		}
	}

	void FJsonWriter::BeforeValue()
	{
		if (bAfterKey || Levels.empty())
		{
			bAfterKey = false;
			return;
		}
		FLevel& Level = Levels.back();
		if (!Level.bEmpty)
		{
			Out += ',';
		}
		if (!Level.bInline)
		{
			Out += '\n';
			Out.append(2 * Levels.size(), ' ');
		}
		Level.bEmpty = false;
	}

	void FJsonWriter::Open(bool bArray, bool bInline)
	{
		BeforeValue();
		Out += bArray ? '[' : '{';
		Levels.push_back({bArray, bInline, true});
	}

	void FJsonWriter::Close()
	{
		const FLevel Level = Levels.back();
		Levels.pop_back();
		if (!Level.bInline && !Level.bEmpty)
		{
			Out += '\n';
			Out.append(2 * Levels.size(), ' ');
		}
		Out += Level.bArray ? ']' : '}';
	}

	void FJsonWriter::BeginObject()
	{
		Open(false, false);
	}

	void FJsonWriter::EndObject()
	{
		if (Levels.size() == 1 && NonFinite > 0)
		{
			Key("nonFiniteNumbers");
			Integer(NonFinite);
		}
		Close();
	}

	void FJsonWriter::BeginArray()
	{
		// Arrays of plain values are written by callers element by element on one line.
		Open(true, true);
	}

	void FJsonWriter::EndArray()
	{
		Close();
	}

	void FJsonWriter::Key(std::string_view Name)
	{
		BeforeValue();
		AppendString(Name);
		Out += ": ";
		bAfterKey = true;
	}

	void FJsonWriter::String(std::string_view Text)
	{
		BeforeValue();
		AppendString(Text);
	}

	void FJsonWriter::Strings(const std::vector<std::string>& Texts)
	{
		BeginArray();
		for (const std::string& Text : Texts)
		{
			String(Text);
		}
		EndArray();
	}

	void FJsonWriter::AppendString(std::string_view Text)
	{
		const std::string Valid = RepairUtf8(std::string(Text));
		Out += '"';
		for (const char Character : Valid)
		{
			const unsigned char Byte = static_cast<unsigned char>(Character);
			switch (Byte)
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
					if (Byte < 0x20)
					{
						char Escaped[8];
						std::snprintf(Escaped, sizeof(Escaped), "\\u%04x", Byte);
						Out += Escaped;
					}
					else
					{
						Out += Character;
					}
			}
		}
		Out += '"';
	}

	void FJsonWriter::Number(double Value)
	{
		BeforeValue();
		if (!std::isfinite(Value))
		{
			++NonFinite;
			Out += "null";
			return;
		}
		char Text[32];
		const std::to_chars_result Result = std::to_chars(Text, Text + sizeof(Text), Value);
		Out.append(Text, Result.ptr);
	}

	void FJsonWriter::Float(float Value)
	{
		BeforeValue();
		if (!std::isfinite(Value))
		{
			++NonFinite;
			Out += "null";
			return;
		}
		char Text[32];
		std::snprintf(Text, sizeof(Text), "%.9g", static_cast<double>(Value));
		Out += Text;
	}

	void FJsonWriter::Integer(int64_t Value)
	{
		BeforeValue();
		Out += std::to_string(Value);
	}

	void FJsonWriter::Bool(bool bValue)
	{
		BeforeValue();
		Out += bValue ? "true" : "false";
	}

	void FJsonWriter::Null()
	{
		BeforeValue();
		Out += "null";
	}

	void FJsonWriter::Value(const nlohmann::json& Json)
	{
		switch (Json.type())
		{
			case nlohmann::json::value_t::object:
				BeginObject();
				for (const auto& [Name, Member] : Json.items())
				{
					Key(Name);
					Value(Member);
				}
				EndObject();
				break;
			case nlohmann::json::value_t::array:
				Open(true, AllPlain(Json));
				for (const nlohmann::json& Element : Json)
				{
					Value(Element);
				}
				Close();
				break;
			case nlohmann::json::value_t::string:
				String(Json.get_ref<const std::string&>());
				break;
			case nlohmann::json::value_t::boolean:
				Bool(Json.get<bool>());
				break;
			case nlohmann::json::value_t::number_integer:
				Integer(Json.get<int64_t>());
				break;
			case nlohmann::json::value_t::number_unsigned:
				BeforeValue();
				Out += std::to_string(Json.get<uint64_t>());
				break;
			case nlohmann::json::value_t::number_float:
				Number(Json.get<double>());
				break;
			default:
				Null();
		}
	}

	std::string FJsonWriter::Finish()
	{
		return std::move(Out) + "\n";
	}

	std::string ToStrictJson(const nlohmann::json& Json)
	{
		FJsonWriter Writer;
		Writer.Value(Json);
		return Writer.Finish();
	}
}
