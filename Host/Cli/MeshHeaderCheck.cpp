#include "MeshHeaderCheck.h"

#include <assimp/BaseImporter.h>
#include <assimp/Importer.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <set>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace VelmoraCli
{
	namespace
	{
		using FBig = unsigned __int128;

		std::string Text(FBig Value)
		{
			std::string Digits;
			do
			{
				Digits.insert(Digits.begin(), static_cast<char>('0' + static_cast<int>(Value % 10)));
				Value /= 10;
			} while (Value != 0);
			return Digits;
		}

		// The file's bytes, mapped read-only: only the pages a check looks at are read.
		class FMappedFile
		{
		public:
			explicit FMappedFile(const std::string& Path)
			{
				const int Fd = open(Path.c_str(), O_RDONLY | O_CLOEXEC);
				if (Fd < 0)
				{
					return;
				}
				struct stat Status = {};
				if (fstat(Fd, &Status) == 0 && S_ISREG(Status.st_mode))
				{
					Size = static_cast<size_t>(Status.st_size);
					bOpened = true;
					if (Size > 0)
					{
						void* Mapped = mmap(nullptr, Size, PROT_READ, MAP_PRIVATE, Fd, 0);
						if (Mapped == MAP_FAILED)
						{
							bOpened = false;
							Size = 0;
						}
						else
						{
							Data = static_cast<const char*>(Mapped);
						}
					}
				}
				close(Fd);
			}
			~FMappedFile()
			{
				if (Data)
				{
					munmap(const_cast<char*>(Data), Size);
				}
			}
			FMappedFile(const FMappedFile&) = delete;
			FMappedFile& operator=(const FMappedFile&) = delete;

			bool IsOpen() const { return bOpened; }
			std::string_view Bytes() const { return {Data ? Data : "", Size}; }

		private:
			const char* Data = nullptr;
			size_t Size = 0;
			bool bOpened = false;
		};

		uint32_t ReadU32(std::string_view Bytes, size_t At)
		{
			uint32_t Value = 0;
			std::memcpy(&Value, Bytes.data() + At, sizeof(Value));
			return Value;
		}

		uint64_t ReadU64(std::string_view Bytes, size_t At)
		{
			uint64_t Value = 0;
			std::memcpy(&Value, Bytes.data() + At, sizeof(Value));
			return Value;
		}

		// ---- PLY ----

		size_t PlyTypeSize(std::string_view Type)
		{
			for (const std::string_view One : {"char", "int8", "uchar", "uint8"})
			{
				if (Type == One)
				{
					return 1;
				}
			}
			for (const std::string_view Two : {"short", "int16", "ushort", "uint16"})
			{
				if (Type == Two)
				{
					return 2;
				}
			}
			for (const std::string_view Four : {"int", "int32", "uint", "uint32", "float", "float32"})
			{
				if (Type == Four)
				{
					return 4;
				}
			}
			if (Type == "double" || Type == "float64")
			{
				return 8;
			}
			// Not a type the reader knows: it fails on it, so it adds nothing here.
			return 0;
		}

		std::vector<std::string_view> Words(std::string_view Line)
		{
			std::vector<std::string_view> Result;
			size_t At = 0;
			while (At < Line.size())
			{
				while (At < Line.size() && std::isspace(static_cast<unsigned char>(Line[At])))
				{
					++At;
				}
				const size_t Start = At;
				while (At < Line.size() && !std::isspace(static_cast<unsigned char>(Line[At])))
				{
					++At;
				}
				if (At > Start)
				{
					Result.push_back(Line.substr(Start, At - Start));
				}
			}
			return Result;
		}

		std::optional<FBig> WholeNumber(std::string_view Word)
		{
			if (Word.empty() || Word.size() > 30)
			{
				return std::nullopt;
			}
			FBig Value = 0;
			for (const char C : Word)
			{
				if (C < '0' || C > '9')
				{
					return std::nullopt;
				}
				Value = Value * 10 + static_cast<unsigned>(C - '0');
			}
			return Value;
		}

		// Binary: every value has its type's size, every list at least its count. ASCII: every value, and
		// every instance of an element, takes at least one byte.
		bool CheckPly(std::string_view Bytes, std::string& OutReason)
		{
			size_t End = std::string_view::npos;
			for (size_t At = Bytes.find("end_header"); At != std::string_view::npos; At = Bytes.find("end_header", At + 1))
			{
				const bool bLineStart = At > 0 && (Bytes[At - 1] == '\n' || Bytes[At - 1] == '\r');
				const bool bLineEnd = At + 10 == Bytes.size() || std::isspace(static_cast<unsigned char>(Bytes[At + 10]));
				if (bLineStart && bLineEnd)
				{
					End = At;
					break;
				}
			}
			if (End == std::string_view::npos)
			{
				OutReason = "the PLY header never ends (no end_header line)";
				return false;
			}
			const size_t DataBytes = Bytes.size() - std::min(Bytes.size(), End + 11);

			bool bBinary = false;
			bool bAscii = false;
			struct FElement
			{
				std::string Name;
				FBig Count = 0;
				FBig AsciiEach = 0;
				FBig BinaryEach = 0;
			};
			std::vector<FElement> Elements;
			size_t LineStart = 0;
			while (LineStart < End)
			{
				size_t LineEnd = Bytes.find_first_of("\r\n", LineStart);
				LineEnd = LineEnd == std::string_view::npos ? End : std::min(LineEnd, End);
				const std::vector<std::string_view> Line = Words(Bytes.substr(LineStart, LineEnd - LineStart));
				LineStart = LineEnd + 1;
				if (Line.size() >= 2 && Line[0] == "format")
				{
					bAscii = Line[1] == "ascii";
					bBinary = Line[1] == "binary_little_endian" || Line[1] == "binary_big_endian";
				}
				else if (Line.size() >= 3 && Line[0] == "element")
				{
					Elements.push_back({std::string(Line[1]), WholeNumber(Line[2]).value_or(0), 0, 0});
				}
				else if (Line.size() >= 3 && Line[0] == "property" && !Elements.empty())
				{
					// A list stores its count, then that many items.
					Elements.back().AsciiEach += 1;
					Elements.back().BinaryEach += PlyTypeSize(Line[1] == "list" ? Line[2] : Line[1]);
				}
			}
			if (!bAscii && !bBinary)
			{
				return true;
			}
			// Counts have at most 30 digits and sizes are small, so sums stay far inside 128 bits.
			const auto NeededBy = [&](const FElement& Element) -> FBig
			{ return Element.Count * (bAscii ? std::max<FBig>(Element.AsciiEach, 1) : Element.BinaryEach); };
			FBig Needed = 0;
			const FElement* Largest = nullptr;
			for (const FElement& Element : Elements)
			{
				Needed += NeededBy(Element);
				if (!Largest || NeededBy(Element) > NeededBy(*Largest))
				{
					Largest = &Element;
				}
			}
			if (Needed > DataBytes)
			{
				OutReason = "the PLY header claims " + Text(Largest->Count) + " '" + Largest->Name + (Elements.size() > 1 ? "' elements and more" : "' elements") + ", which need at least " +
				            Text(Needed) + " bytes, but " + std::to_string(DataBytes) + " follow the header";
				return false;
			}
			return true;
		}

		// ---- STL ----

		// Binary STL is an 80-byte header, a triangle count and 50 bytes per triangle; the importer takes a
		// file whose size matches that as binary (in 32 bits, so a count can wrap round to the size), and a
		// file beginning "solid" as ASCII otherwise.
		bool CheckStl(std::string_view Bytes, std::string& OutReason)
		{
			const uint64_t Size = Bytes.size();
			const uint64_t Count = Size >= 84 ? ReadU32(Bytes, 80) : 0;
			const uint64_t Needed = 84 + 50 * Count;
			if (Size >= 84 && Needed == Size)
			{
				return true;
			}
			const bool bWrapped = Size >= 84 && static_cast<uint32_t>(Needed) == static_cast<uint32_t>(Size);
			size_t First = 0;
			while (First < Bytes.size() && std::isspace(static_cast<unsigned char>(Bytes[First])))
			{
				++First;
			}
			if (!bWrapped && Bytes.substr(First, 5) == "solid")
			{
				return true;
			}
			OutReason = Size < 84 ? "the file is too small for a binary STL (" + std::to_string(Size) + " bytes, and no 'solid' to begin an ASCII one)"
			                      : "the binary STL header claims " + std::to_string(Count) + " triangles, which take " + std::to_string(Needed) + " bytes, but the file holds " +
			                            std::to_string(Size);
			return false;
		}

		// ---- glTF / GLB ----

		std::optional<uint64_t> Unsigned(const nlohmann::json& Object, const char* Key, std::optional<uint64_t> Default = std::nullopt)
		{
			if (!Object.is_object())
			{
				return std::nullopt;
			}
			const auto Found = Object.find(Key);
			if (Found == Object.end())
			{
				return Default;
			}
			return Found->is_number_unsigned() ? std::optional<uint64_t>(Found->get<uint64_t>()) : std::nullopt;
		}

		// Bytes a buffer can have: its data URI decoded, the file it names, or the GLB's binary chunk.
		std::optional<uint64_t> BufferSource(const nlohmann::json& Buffer, size_t Index, const std::filesystem::path& Folder, std::optional<uint64_t> BinaryChunk,
		                                     uint64_t& InOutFileBytes)
		{
			const auto Uri = Buffer.is_object() ? Buffer.find("uri") : Buffer.end();
			if (!Buffer.is_object() || Uri == Buffer.end())
			{
				return Index == 0 ? BinaryChunk : std::nullopt;
			}
			if (!Uri->is_string())
			{
				return std::nullopt;
			}
			const std::string& Text = Uri->get_ref<const std::string&>();
			if (Text.starts_with("data:"))
			{
				const size_t Comma = Text.find(',');
				if (Comma == std::string::npos || Text.substr(0, Comma).find(";base64") == std::string::npos)
				{
					return std::nullopt;
				}
				uint64_t Digits = 0;
				for (size_t At = Comma + 1; At < Text.size(); ++At)
				{
					Digits += std::isalnum(static_cast<unsigned char>(Text[At])) || Text[At] == '+' || Text[At] == '/' || Text[At] == '-' || Text[At] == '_';
				}
				return Digits * 3 / 4;
			}
			if (Text.find("://") != std::string::npos)
			{
				return std::nullopt;
			}
			// The importer takes the name as it stands, without decoding escapes, and so does this.
			std::error_code Error;
			const uint64_t Size = std::filesystem::file_size(Folder / Text, Error);
			if (Error)
			{
				return std::nullopt;
			}
			InOutFileBytes += std::min(Size, UINT64_MAX - InOutFileBytes);
			return Size;
		}

		uint64_t ComponentSize(uint64_t Type)
		{
			switch (Type)
			{
				case 5120:
				case 5121:
					return 1;
				case 5122:
				case 5123:
					return 2;
				case 5124:
				case 5125:
				case 5126:
					return 4;
				default:
					return 0;
			}
		}

		uint64_t ComponentCount(const nlohmann::json& Accessor)
		{
			const auto Type = Accessor.find("type");
			if (Type == Accessor.end() || !Type->is_string())
			{
				return 0;
			}
			const std::string& Name = Type->get_ref<const std::string&>();
			const std::pair<const char*, uint64_t> Known[] = {{"SCALAR", 1}, {"VEC2", 2}, {"VEC3", 3}, {"VEC4", 4}, {"MAT2", 4}, {"MAT3", 9}, {"MAT4", 16}};
			for (const auto& [KnownName, Count] : Known)
			{
				if (Name == KnownName)
				{
					return Count;
				}
			}
			return 0;
		}

		// Buffers hold what their sources have, views lie inside their buffers, accessors inside their views.
		bool CheckGltfJson(std::string_view Json, const std::filesystem::path& Folder, std::optional<uint64_t> BinaryChunk, std::string& OutReason,
		                   uint64_t& OutFileBytes)
		{
			const nlohmann::json Document = nlohmann::json::parse(Json.begin(), Json.end(), nullptr, false);
			if (!Document.is_object())
			{
				return true;
			}
			const auto Array = [&](const char* Key) -> const nlohmann::json*
			{
				const auto Found = Document.find(Key);
				return Found != Document.end() && Found->is_array() ? &*Found : nullptr;
			};
			// Geometry compressed by an extension the importer does not have reads as buffers without data.
			if (const nlohmann::json* Required = Array("extensionsRequired"))
			{
				for (const nlohmann::json& Extension : *Required)
				{
					if (Extension == "EXT_meshopt_compression" || Extension == "KHR_meshopt_compression")
					{
						OutReason = "it needs the glTF extension " + Extension.get<std::string>() +
						            " (compressed geometry), which the importer cannot read; re-export it without mesh compression";
						return false;
					}
				}
			}
			std::vector<std::optional<uint64_t>> BufferLength;
			if (const nlohmann::json* Buffers = Array("buffers"))
			{
				for (size_t Index = 0; Index < Buffers->size(); ++Index)
				{
					const std::optional<uint64_t> Length = Unsigned((*Buffers)[Index], "byteLength");
					const std::optional<uint64_t> Source = BufferSource((*Buffers)[Index], Index, Folder, BinaryChunk, OutFileBytes);
					if (Length && Source && *Length > *Source)
					{
						OutReason = "glTF buffer " + std::to_string(Index) + " claims " + std::to_string(*Length) + " bytes, but its source holds " + std::to_string(*Source);
						return false;
					}
					BufferLength.push_back(Length);
				}
			}
			struct FView
			{
				std::optional<uint64_t> Length;
				uint64_t Stride = 0;
			};
			std::vector<FView> Views;
			if (const nlohmann::json* BufferViews = Array("bufferViews"))
			{
				for (size_t Index = 0; Index < BufferViews->size(); ++Index)
				{
					const nlohmann::json& View = (*BufferViews)[Index];
					const std::optional<uint64_t> Buffer = Unsigned(View, "buffer");
					const std::optional<uint64_t> Offset = Unsigned(View, "byteOffset", 0);
					const std::optional<uint64_t> Length = Unsigned(View, "byteLength");
					if (Buffer && Offset && Length && *Buffer < BufferLength.size() && BufferLength[*Buffer] &&
					    static_cast<FBig>(*Offset) + *Length > *BufferLength[*Buffer])
					{
						OutReason = "glTF buffer view " + std::to_string(Index) + " reaches byte " + Text(static_cast<FBig>(*Offset) + *Length) + " of buffer " +
						            std::to_string(*Buffer) + ", which has " + std::to_string(*BufferLength[*Buffer]);
						return false;
					}
					Views.push_back({Length, Unsigned(View, "byteStride", 0).value_or(0)});
				}
			}
			if (const nlohmann::json* Accessors = Array("accessors"))
			{
				for (size_t Index = 0; Index < Accessors->size(); ++Index)
				{
					const nlohmann::json& Accessor = (*Accessors)[Index];
					const std::optional<uint64_t> View = Unsigned(Accessor, "bufferView");
					const std::optional<uint64_t> Offset = Unsigned(Accessor, "byteOffset", 0);
					const std::optional<uint64_t> Count = Unsigned(Accessor, "count");
					const uint64_t Element = ComponentSize(Unsigned(Accessor, "componentType").value_or(0)) * ComponentCount(Accessor);
					if (!View || !Offset || !Count || *Count == 0 || Element == 0 || *View >= Views.size() || !Views[*View].Length)
					{
						continue;
					}
					const uint64_t Stride = Views[*View].Stride ? Views[*View].Stride : Element;
					const FBig Needed = static_cast<FBig>(*Offset) + static_cast<FBig>(*Count - 1) * Stride + Element;
					if (Needed > *Views[*View].Length)
					{
						OutReason = "glTF accessor " + std::to_string(Index) + " claims " + std::to_string(*Count) + " elements, which need " + Text(Needed) +
						            " bytes of buffer view " + std::to_string(*View) + ", which has " + std::to_string(*Views[*View].Length);
						return false;
					}
				}
			}
			return true;
		}

		// A GLB is a 12-byte header with the whole length, a JSON chunk and an optional binary chunk.
		bool CheckGlb(std::string_view Bytes, const std::filesystem::path& Folder, std::string& OutReason, uint64_t& OutFileBytes)
		{
			if (Bytes.size() < 12 || ReadU32(Bytes, 4) != 2)
			{
				return true;
			}
			const uint64_t Size = Bytes.size();
			const uint64_t Claimed = ReadU32(Bytes, 8);
			if (Claimed > Size)
			{
				OutReason = "the GLB header claims " + std::to_string(Claimed) + " bytes, but the file holds " + std::to_string(Size);
				return false;
			}
			if (Size < 20)
			{
				OutReason = "the GLB file ends before its JSON chunk";
				return false;
			}
			const uint64_t JsonLength = ReadU32(Bytes, 12);
			if (20 + JsonLength > Size)
			{
				OutReason = "the GLB JSON chunk claims " + std::to_string(JsonLength) + " bytes, but " + std::to_string(Size - 20) + " follow it";
				return false;
			}
			// The binary chunk follows the JSON chunk, padded to four bytes as it should be or not. Where
			// neither place holds one, a file that ends there has none; otherwise its size is unknown here.
			std::optional<uint64_t> BinaryChunk;
			for (const uint64_t BinaryAt : {(20 + JsonLength + 3) & ~uint64_t(3), 20 + JsonLength})
			{
				if (BinaryAt + 8 <= Size && std::memcmp(Bytes.data() + BinaryAt + 4, "BIN\0", 4) == 0)
				{
					const uint64_t BinaryLength = ReadU32(Bytes, BinaryAt);
					if (BinaryAt + 8 + BinaryLength > Size)
					{
						OutReason = "the GLB binary chunk claims " + std::to_string(BinaryLength) + " bytes, but " + std::to_string(Size - BinaryAt - 8) + " follow it";
						return false;
					}
					BinaryChunk = BinaryLength;
					break;
				}
			}
			if (!BinaryChunk && Size <= ((20 + JsonLength + 3) & ~uint64_t(3)))
			{
				BinaryChunk = 0;
			}
			return CheckGltfJson(Bytes.substr(20, JsonLength), Folder, BinaryChunk, OutReason, OutFileBytes);
		}

		// ---- FBX ----

		// Binary FBX: a magic, a version, then nested records, each giving the offset of its end. Ends lie
		// inside the parent record and beyond the record's own header and properties; arrays hold what
		// their encoding can (raw: their whole size; deflate: at most 1032 times the compressed bytes).
		bool CheckFbx(std::string_view Bytes, std::string& OutReason)
		{
			constexpr std::string_view Magic("Kaydara FBX Binary  \0\x1a\0", 23);
			if (!Bytes.starts_with(Magic))
			{
				return true;
			}
			if (Bytes.size() < 27)
			{
				OutReason = "the binary FBX file ends in its header";
				return false;
			}
			const uint32_t Version = ReadU32(Bytes, 23);
			if (Version < 2000 || Version > 20000)
			{
				OutReason = "the binary FBX header gives version " + std::to_string(Version) + ", which no FBX file has";
				return false;
			}
			const bool bWide = Version >= 7500;
			const uint64_t HeaderSize = bWide ? 25 : 13;
			const uint64_t Size = Bytes.size();
			const auto Fail = [&](uint64_t At, const std::string& Why)
			{
				OutReason = "the binary FBX record at byte " + std::to_string(At) + " " + Why;
				return false;
			};
			// Ranges of records still to walk: [first, end).
			std::vector<std::pair<uint64_t, uint64_t>> Pending{{27, Size}};
			while (!Pending.empty())
			{
				auto [At, End] = Pending.back();
				Pending.pop_back();
				while (At + HeaderSize <= End)
				{
					const uint64_t RecordEnd = bWide ? ReadU64(Bytes, At) : ReadU32(Bytes, At);
					const uint64_t NumProperties = bWide ? ReadU64(Bytes, At + 8) : ReadU32(Bytes, At + 4);
					const uint64_t PropertyBytes = bWide ? ReadU64(Bytes, At + 16) : ReadU32(Bytes, At + 8);
					const uint64_t NameLength = static_cast<unsigned char>(Bytes[At + HeaderSize - 1]);
					if (RecordEnd == 0)
					{
						// The empty record that ends a list.
						break;
					}
					const FBig PropertiesEnd = static_cast<FBig>(At) + HeaderSize + NameLength + PropertyBytes;
					if (RecordEnd > End || RecordEnd <= At || PropertiesEnd > RecordEnd)
					{
						return Fail(At, "claims to end at byte " + std::to_string(RecordEnd) + ", outside the bytes " + std::to_string(At) + " to " + std::to_string(End) + " that hold it");
					}
					if (NumProperties > PropertyBytes)
					{
						return Fail(At, "claims " + std::to_string(NumProperties) + " properties in " + std::to_string(PropertyBytes) + " bytes");
					}
					uint64_t Property = At + HeaderSize + NameLength;
					const uint64_t PropertyEnd = static_cast<uint64_t>(PropertiesEnd);
					for (uint64_t Index = 0; Index < NumProperties && Property < PropertyEnd; ++Index)
					{
						const char Type = Bytes[Property++];
						uint64_t Element = 0;
						switch (Type)
						{
							case 'C':
								Property += 1;
								continue;
							case 'Y':
								Property += 2;
								continue;
							case 'I':
							case 'F':
								Property += 4;
								continue;
							case 'D':
							case 'L':
								Property += 8;
								continue;
							case 'S':
							case 'R':
								if (Property + 4 > PropertyEnd)
								{
									return Fail(At, "has a property that runs past its end");
								}
								Property += 4 + static_cast<uint64_t>(ReadU32(Bytes, Property));
								continue;
							case 'b':
								Element = 1;
								break;
							case 'i':
							case 'f':
								Element = 4;
								break;
							case 'd':
							case 'l':
								Element = 8;
								break;
							default:
								// Not a type the reader knows; it says so itself.
								Property = PropertyEnd;
								continue;
						}
						if (Property + 12 > PropertyEnd)
						{
							return Fail(At, "has an array property that runs past its end");
						}
						const uint64_t Length = ReadU32(Bytes, Property);
						const uint32_t Encoding = ReadU32(Bytes, Property + 4);
						const uint64_t Stored = ReadU32(Bytes, Property + 8);
						const uint64_t Unpacked = Length * Element;
						if ((Encoding == 0 && Stored < Unpacked) || (Encoding == 1 && Unpacked > 1032 * Stored + 1032))
						{
							return Fail(At, "has an array of " + std::to_string(Length) + " values stored in " + std::to_string(Stored) + " bytes");
						}
						Property += 12 + Stored;
					}
					if (Property > PropertyEnd)
					{
						return Fail(At, "has properties that run past their " + std::to_string(PropertyBytes) + " bytes");
					}
					if (PropertyEnd < RecordEnd)
					{
						Pending.push_back({PropertyEnd, RecordEnd});
					}
					At = RecordEnd;
				}
			}
			return true;
		}

		// The importer assimp picks for Path, as ReadFile picks it: the one importer claiming the file's
		// extension; among several, or when none does, the first that recognises the content.
		const Assimp::BaseImporter* ImporterFor(const Assimp::Importer& Importer, const std::string& Path)
		{
			std::vector<const Assimp::BaseImporter*> Claiming;
			std::string Lower = Path;
			std::transform(Lower.begin(), Lower.end(), Lower.begin(), [](unsigned char C)
			               { return static_cast<char>(std::tolower(C)); });
			for (size_t Index = 0; Index < Importer.GetImporterCount(); ++Index)
			{
				Assimp::BaseImporter* Candidate = Importer.GetImporter(Index);
				std::set<std::string> Extensions;
				Candidate->GetExtensionList(Extensions);
				for (const std::string& Extension : Extensions)
				{
					if (Lower.ends_with("." + Extension))
					{
						Claiming.push_back(Candidate);
						break;
					}
				}
			}
			if (Claiming.size() == 1)
			{
				return Claiming[0];
			}
			for (const Assimp::BaseImporter* Candidate : Claiming)
			{
				if (Candidate->CanRead(Path, Importer.GetIOHandler(), true))
				{
					return Candidate;
				}
			}
			for (size_t Index = 0; Index < Importer.GetImporterCount(); ++Index)
			{
				if (Importer.GetImporter(Index)->CanRead(Path, Importer.GetIOHandler(), true))
				{
					return Importer.GetImporter(Index);
				}
			}
			return nullptr;
		}

		bool Names(const Assimp::BaseImporter* Chosen, const Assimp::Importer& Importer, const char* Extension)
		{
			return Chosen && Chosen == Importer.GetImporter(Extension);
		}
	}

	bool CheckMeshHeader(const Assimp::Importer& Importer, const std::string& Path, std::string& OutReason, uint64_t* OutReferencedBytes)
	{
		uint64_t Unused = 0;
		uint64_t& FileBytes = OutReferencedBytes ? *OutReferencedBytes : Unused;
		FileBytes = 0;
		const Assimp::BaseImporter* Chosen = ImporterFor(Importer, Path);
		if (!Chosen)
		{
			return true;
		}
		const std::string Name = Chosen->GetInfo() && Chosen->GetInfo()->mName ? Chosen->GetInfo()->mName : "";
		const bool bPly = Names(Chosen, Importer, "ply");
		const bool bStl = Names(Chosen, Importer, "stl");
		const bool bFbx = Names(Chosen, Importer, "fbx");
		const bool bGltf2 = Name.find("glTF2") != std::string::npos;
		if (!bPly && !bStl && !bFbx && !bGltf2)
		{
			return true;
		}
		const FMappedFile File(Path);
		if (!File.IsOpen())
		{
			return true;
		}
		const std::string_view Bytes = File.Bytes();
		if (bPly)
		{
			return !Bytes.starts_with("ply") || CheckPly(Bytes, OutReason);
		}
		if (bStl)
		{
			return CheckStl(Bytes, OutReason);
		}
		if (bFbx)
		{
			return CheckFbx(Bytes, OutReason);
		}
		const std::filesystem::path Folder = std::filesystem::path(Path).parent_path();
		if (Bytes.starts_with("glTF"))
		{
			return CheckGlb(Bytes, Folder, OutReason, FileBytes);
		}
		return CheckGltfJson(Bytes, Folder, std::nullopt, OutReason, FileBytes);
	}
}
