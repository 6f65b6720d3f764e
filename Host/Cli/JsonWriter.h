#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Every JSON the command prints goes through this writer, so all of it is strict JSON: a number that is
// not finite is written as null and counted (the document's top object ends with "nonFiniteNumbers": N
// when there were any), and text that is not UTF-8 (a path's bytes, a log line) has each bad byte
// replaced by U+FFFD. Objects are indented by two spaces; an array of plain values stays on one line.
namespace VelmoraCli
{
	class FJsonWriter
	{
	public:
		void BeginObject();
		void EndObject();
		void BeginArray();
		void EndArray();
		void Key(std::string_view Name);

		void String(std::string_view Text);
		// An array of strings.
		void Strings(const std::vector<std::string>& Texts);
		// A double as the shortest text that reads back as the same double.
		void Number(double Value);
		// A float as nine significant digits, which read back as the same float.
		void Float(float Value);
		void Integer(int64_t Value);
		void Bool(bool bValue);
		void Null();
		// A whole value built with nlohmann::json.
		void Value(const nlohmann::json& Json);

		int64_t GetNonFiniteCount() const { return NonFinite; }
		// The document, ending in a line break.
		std::string Finish();

	private:
		struct FLevel
		{
			bool bArray = false;
			bool bInline = false;
			bool bEmpty = true;
		};
		void BeforeValue();
		void AppendString(std::string_view Text);
		void Open(bool bArray, bool bInline);
		void Close();

		std::string Out;
		std::vector<FLevel> Levels;
		bool bAfterKey = false;
		int64_t NonFinite = 0;
	};

	// Json as strict JSON text, ending in a line break.
	std::string ToStrictJson(const nlohmann::json& Json);
}
