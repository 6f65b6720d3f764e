#pragma once

// Builds Ogawa files byte by byte, so tests can lay out exactly the damage they need.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace OgawaTest
{
	class FRawArchive
	{
	public:
		static constexpr uint64_t DataBit = 0x8000000000000000ULL;

		FRawArchive()
		{
			const uint8_t Header[16] = {'O', 'g', 'a', 'w', 'a', 0xff, 0x00, 0x01};
			Bytes.assign(Header, Header + 16);
		}

		// Appends a data block and returns its slot value.
		uint64_t Data(const std::vector<uint8_t>& Payload)
		{
			if (Payload.empty())
			{
				return DataBit;
			}
			const uint64_t Pos = Bytes.size();
			Append<uint64_t>(Payload.size());
			Bytes.insert(Bytes.end(), Payload.begin(), Payload.end());
			return Pos | DataBit;
		}
		uint64_t Group(const std::vector<uint64_t>& Slots)
		{
			if (Slots.empty())
			{
				return 0;
			}
			const uint64_t Pos = Bytes.size();
			Append<uint64_t>(Slots.size());
			for (uint64_t Slot : Slots)
			{
				Append<uint64_t>(Slot);
			}
			return Pos;
		}
		void SetRoot(uint64_t Pos) { Patch(8, Pos); }
		void Patch(uint64_t Pos, uint64_t Value) { std::memcpy(Bytes.data() + Pos, &Value, 8); }

		// Root slots around a top object group: versions, metadata, one time sampling, no table.
		void FinishAlembic(uint64_t TopGroup)
		{
			const uint64_t V0 = Data(Pod<int32_t>(0));
			const uint64_t V1 = Data(Pod<int32_t>(10812));
			const uint64_t MetaData = Data(Text("_ai_AlembicVersion=test"));
			std::vector<uint8_t> Samplings = Pod<uint32_t>(1);
			Concat(Samplings, Pod<double>(1.0));
			Concat(Samplings, Pod<uint32_t>(1));
			Concat(Samplings, Pod<double>(0.0));
			const uint64_t Times = Data(Samplings);
			SetRoot(Group({V0, V1, TopGroup, MetaData, Times, DataBit}));
		}

		std::filesystem::path Save(const std::filesystem::path& Path) const
		{
			std::ofstream Out(Path, std::ios::binary);
			Out.write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
			return Path;
		}

		template<class T>
		static std::vector<uint8_t> Pod(T Value)
		{
			std::vector<uint8_t> Out(sizeof(T));
			std::memcpy(Out.data(), &Value, sizeof(T));
			return Out;
		}
		static std::vector<uint8_t> Text(const std::string& Value) { return std::vector<uint8_t>(Value.begin(), Value.end()); }
		static void Concat(std::vector<uint8_t>& Into, const std::vector<uint8_t>& More) { Into.insert(Into.end(), More.begin(), More.end()); }

		// An object headers block: one record per child name, empty metadata, then 32 hash bytes.
		static std::vector<uint8_t> ObjectHeaders(const std::vector<std::string>& Names)
		{
			std::vector<uint8_t> Out;
			for (const std::string& Name : Names)
			{
				Concat(Out, Pod<uint32_t>(uint32_t(Name.size())));
				Concat(Out, Text(Name));
				Out.push_back(0);
			}
			Out.resize(Out.size() + 32, 0);
			return Out;
		}

		// A one-record property headers block for a single-sample property with a 1-byte size hint.
		static std::vector<uint8_t> PropertyHeader(uint32_t Info, uint8_t NumSamples, const std::string& Name)
		{
			std::vector<uint8_t> Out = Pod<uint32_t>(Info);
			if ((Info & 3) != 0)
			{
				Out.push_back(NumSamples);
			}
			Out.push_back(uint8_t(Name.size()));
			Concat(Out, Text(Name));
			return Out;
		}

		// A sample block: 16 key bytes (not checked by readers) then the payload.
		static std::vector<uint8_t> Sample(const std::vector<uint8_t>& Payload)
		{
			std::vector<uint8_t> Out(16, 0);
			Concat(Out, Payload);
			return Out;
		}

		std::vector<uint8_t> Bytes;

	private:
		template<class T>
		void Append(T Value)
		{
			Concat(Bytes, Pod<T>(Value));
		}
	};

	// info word of a property: kind 1 scalar / 2 array, POD, extent, "all samples identical".
	inline uint32_t PropertyInfo(uint32_t Kind, uint32_t Pod, uint32_t Extent)
	{
		return Kind | (Pod << 4) | 0x800 | (Extent << 12);
	}
}
