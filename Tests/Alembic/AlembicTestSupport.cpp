#include "AlembicTestSupport.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include "CheckedGroomWrites.h"
#include "Host/Log.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace AlembicTest
{
	namespace
	{
		// Just enough JSON for the fixtures: objects of arrays of numbers or strings.
		class FJsonReader
		{
		public:
			explicit FJsonReader(std::string InText)
			    : Text(std::move(InText)) {}

			FGroomRecord ReadRecord()
			{
				FGroomRecord Record;
				Expect('{');
				while (true)
				{
					SkipSpace();
					if (Peek() == '}')
					{
						++Pos;
						break;
					}
					const std::string Key = ReadString();
					Expect(':');
					if (Key == "log" || Key == "stderr")
					{
						(Key == "log" ? Record.Log : Record.Stderr) = ReadArray<std::string>([this]
						                                                                     { return ReadString(); });
					}
					else
					{
						const std::vector<std::string> Numbers = ReadArray<std::string>([this]
						                                                                { return ReadNumberText(); });
						for (const std::string& Number : Numbers)
						{
							if (Key == "vertexCounts")
							{
								Record.Groom.vertexCounts.push_back(std::int32_t(std::stoll(Number)));
							}
							else
							{
								const float Value = std::strtof(Number.c_str(), nullptr);
								(Key == "positions" ? Record.Groom.positions : Key == "widths"    ? Record.Groom.widths
								                                           : Key == "groomColors" ? Record.Groom.groomColors
								                                                                  : Record.Groom.surfaceNormals)
								    .push_back(Value);
							}
						}
					}
					SkipSpace();
					if (Peek() == ',')
					{
						++Pos;
					}
				}
				return Record;
			}

		private:
			template<class T>
			std::vector<T> ReadArray(const std::function<T()>& ReadItem)
			{
				std::vector<T> Items;
				Expect('[');
				SkipSpace();
				if (Peek() == ']')
				{
					++Pos;
					return Items;
				}
				while (true)
				{
					Items.push_back(ReadItem());
					SkipSpace();
					const char Next = Text.at(Pos++);
					if (Next == ']')
					{
						return Items;
					}
					if (Next != ',')
					{
						throw std::runtime_error("JSON: expected ',' or ']'");
					}
				}
			}

			std::string ReadString()
			{
				Expect('"');
				std::string Out;
				while (Text.at(Pos) != '"')
				{
					char C = Text.at(Pos++);
					if (C == '\\')
					{
						const char E = Text.at(Pos++);
						switch (E)
						{
							case 'n':
								C = '\n';
								break;
							case 't':
								C = '\t';
								break;
							case 'r':
								C = '\r';
								break;
							case 'u':
								C = char(std::stoi(Text.substr(Pos, 4), nullptr, 16));
								Pos += 4;
								break;
							default:
								C = E;
								break;
						}
					}
					Out += C;
				}
				++Pos;
				return Out;
			}

			std::string ReadNumberText()
			{
				SkipSpace();
				const size_t Start = Pos;
				while (Pos < Text.size() && std::strchr("+-0123456789.eE", Text[Pos]))
				{
					++Pos;
				}
				return Text.substr(Start, Pos - Start);
			}

			void SkipSpace()
			{
				while (Pos < Text.size() && std::isspace(static_cast<unsigned char>(Text[Pos])))
				{
					++Pos;
				}
			}
			char Peek() const { return Text.at(Pos); }
			void Expect(char C)
			{
				SkipSpace();
				if (Text.at(Pos++) != C)
				{
					throw std::runtime_error(std::string("JSON: expected '") + C + "'");
				}
			}

			std::string Text;
			size_t Pos = 0;
		};

		using namespace Alembic::AbcGeom;

		// Walks a raw Ogawa file; knows nothing of our implementation.
		class FRawOgawa
		{
		public:
			explicit FRawOgawa(const std::filesystem::path& Path)
			    : Bytes(ReadFileBytes(Path)) {}

			std::uint64_t U64(std::uint64_t Pos) const
			{
				if (Pos + 8 > Bytes.size())
				{
					throw std::runtime_error("read past the end");
				}
				std::uint64_t Value;
				std::memcpy(&Value, Bytes.data() + Pos, 8);
				return Value;
			}
			std::vector<std::uint8_t> Data(std::uint64_t Slot) const
			{
				const std::uint64_t Pos = Slot & 0x7fffffffffffffffULL;
				if (Pos == 0)
				{
					return {};
				}
				const std::uint64_t Size = U64(Pos);
				if (Size > Bytes.size() || Pos + 8 + Size > Bytes.size())
				{
					throw std::runtime_error("data block past the end");
				}
				return std::vector<std::uint8_t>(Bytes.begin() + long(Pos + 8), Bytes.begin() + long(Pos + 8 + Size));
			}
			std::vector<std::uint64_t> Children(std::uint64_t Pos) const
			{
				if (Pos == 0)
				{
					return {};
				}
				const std::uint64_t Count = U64(Pos);
				if (Count > Bytes.size() / 8)
				{
					throw std::runtime_error("group child count past the end");
				}
				std::vector<std::uint64_t> Slots(Count);
				for (std::uint64_t i = 0; i < Count; ++i)
				{
					Slots[i] = U64(Pos + 8 + 8 * i);
				}
				return Slots;
			}
			std::uint64_t Root() const { return U64(8); }

		private:
			std::vector<std::uint8_t> Bytes;
		};

		std::string WithoutVersion(const std::vector<std::uint8_t>& MetaDataBytes)
		{
			MetaData Parsed;
			Parsed.deserialize(std::string(MetaDataBytes.begin(), MetaDataBytes.end()));
			std::string Out;
			for (const auto& [Key, Value] : Parsed)
			{
				if (Key != "_ai_AlembicVersion")
				{
					Out += Key + "=" + Value + ";";
				}
			}
			return Out;
		}

		void CompareNodes(const FRawOgawa& A, const FRawOgawa& B, std::uint64_t SlotA, std::uint64_t SlotB, const std::string& Path, int Depth,
		                  std::vector<std::string>& Diffs)
		{
			const bool DataA = (SlotA >> 63) != 0;
			const bool DataB = (SlotB >> 63) != 0;
			if (DataA != DataB)
			{
				Diffs.push_back(Path + ": data vs group");
				return;
			}
			if (Depth > 256)
			{
				Diffs.push_back(Path + ": tree too deep");
				return;
			}
			if (DataA)
			{
				const std::vector<std::uint8_t> BytesA = A.Data(SlotA);
				const std::vector<std::uint8_t> BytesB = B.Data(SlotB);
				if (Path == "/1")
				{
					// The writing library's version number (10806, 10812, ...): an int32 whatever the release.
					if (BytesA.size() != 4 || BytesB.size() != 4)
					{
						Diffs.push_back(Path + ": library version is not an int32");
					}
				}
				else if (Path == "/3")
				{
					if (WithoutVersion(BytesA) != WithoutVersion(BytesB))
					{
						Diffs.push_back(Path + ": archive metadata differs");
					}
				}
				else if (BytesA != BytesB)
				{
					Diffs.push_back(Path + ": data differs (" + std::to_string(BytesA.size()) + " vs " + std::to_string(BytesB.size()) + " bytes)");
				}
				return;
			}
			const std::vector<std::uint64_t> ChildrenA = A.Children(SlotA);
			const std::vector<std::uint64_t> ChildrenB = B.Children(SlotB);
			if (ChildrenA.size() != ChildrenB.size())
			{
				Diffs.push_back(Path + ": " + std::to_string(ChildrenA.size()) + " vs " + std::to_string(ChildrenB.size()) + " children");
				return;
			}
			for (size_t i = 0; i < ChildrenA.size(); ++i)
			{
				CompareNodes(A, B, ChildrenA[i], ChildrenB[i], Path + "/" + std::to_string(i), Depth + 1, Diffs);
			}
		}
	}

	std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& Path)
	{
		std::ifstream In(Path, std::ios::binary);
		return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
	}

	void WriteFileBytes(const std::filesystem::path& Path, const std::vector<std::uint8_t>& Bytes)
	{
		std::ofstream Out(Path, std::ios::binary);
		Out.write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
	}

	FGroomRecord LoadRecordJson(const std::filesystem::path& Path)
	{
		std::ifstream In(Path);
		const std::string Text((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
		return FJsonReader(Text).ReadRecord();
	}

	FGroomRecord ReadGroomCollecting(const std::string& Path, bool* bOutReadFailed)
	{
		FGroomRecord Record;
		Host::FScopedLogCapture Capture;
		std::ostringstream Stderr;
		std::streambuf* const Previous = std::cerr.rdbuf(Stderr.rdbuf());
		bool bReadFailed = false;
		Record.Groom = ReadGroom(Path, bReadFailed);
		std::cerr.rdbuf(Previous);
		if (bOutReadFailed)
		{
			*bOutReadFailed = bReadFailed;
		}
		std::istringstream Lines(Stderr.str());
		for (std::string Line; std::getline(Lines, Line);)
		{
			Record.Stderr.push_back(Line);
		}
		for (const Host::FLogLine& Line : Capture.GetLines())
		{
			std::string Text = Line.Utf8Text();
			if (!Text.empty() && Text.back() == '\n')
			{
				Text.pop_back();
			}
			Record.Log.push_back(Text);
		}
		return Record;
	}

	void WriteGroomQuietly(const std::string& Path, const GroomData& Groom, const std::vector<std::string>& ExpectedUnmodelled)
	{
		CheckedGroom::WriteGroomQuietly(Path, Groom, {}, nullptr, ExpectedUnmodelled);
	}

	bool SameBits(const std::vector<float>& A, const std::vector<float>& B)
	{
		return A.size() == B.size() && (A.empty() || std::memcmp(A.data(), B.data(), A.size() * sizeof(float)) == 0);
	}

	std::vector<std::string> CompareOgawaTrees(const std::filesystem::path& PathA, const std::filesystem::path& PathB)
	{
		std::vector<std::string> Diffs;
		try
		{
			const FRawOgawa A(PathA);
			const FRawOgawa B(PathB);
			CompareNodes(A, B, A.Root(), B.Root(), "", 0, Diffs);
		}
		catch (const std::exception& Exc)
		{
			Diffs.push_back(std::string("unreadable: ") + Exc.what());
		}
		return Diffs;
	}
}
