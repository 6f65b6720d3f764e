#include "alembicIO.h"

#include "CoreMinimal.h"

// Alembic's headers include <Windows.h> on Windows; the engine's own Alembic users wrap them so.
#if PLATFORM_WINDOWS
#include "Windows/AllowWindowsPlatformTypes.h"
#endif
THIRD_PARTY_INCLUDES_START
#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>
THIRD_PARTY_INCLUDES_END
#if PLATFORM_WINDOWS
#include "Windows/WindowsHWrapper.h"
#include "Windows/HideWindowsPlatformTypes.h"
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <unordered_set>
#include <utility>

namespace
{
	using Alembic::Abc::index_t;
	using Alembic::Abc::ISampleSelector;
	using Alembic::Abc::V2f;
	using Alembic::Abc::V3f;

	// Whole triples from index 0; a trailing partial triple is dropped rather than read past the end.
	std::vector<V3f> ToVectors(const std::vector<float>& flat)
	{
		static_assert(sizeof(V3f) == 3 * sizeof(float), "a vector is three packed floats");
		// Imath leaves a default-constructed vector's components unset, so this sizes without a fill.
		std::vector<V3f> vectors(flat.size() / 3);
		if (!vectors.empty())
		{
			std::memcpy(vectors.front().getValue(), flat.data(), vectors.size() * sizeof(V3f));
		}
		return vectors;
	}

	// x, y, z of each vector in order (Imath keeps a vector's components as an array of three).
	std::vector<float> ToFlat(const V3f* vectors, size_t count)
	{
		static_assert(sizeof(V3f) == 3 * sizeof(float), "a vector is three packed floats");
		const float* const components = count > 0 ? vectors->getValue() : nullptr;
		return std::vector<float>(components, components + 3 * count);
	}

	template<typename VectorSamplePtr>
	std::vector<float> ToFlat(const VectorSamplePtr& sample)
	{
		return sample ? ToFlat(sample->get(), sample->size()) : std::vector<float>();
	}

	// How deep the first curves object may lie below the top. Alembic's objects hold their parents, so
	// releasing the last handle on a deep one releases its ancestors in nested calls, a level each (about
	// 64 bytes of stack per level with the engine's Alembic 1.8.6, built optimised; more in debug
	// builds): 1,000 levels stay well within the stack of any editor thread, 6,000 overflow 256 KB.
	const size_t MaxCurvesDepth = 1000;

	struct FCurvesSearch
	{
		std::optional<Alembic::AbcGeom::ICurves> curves;
		// How deep the first curves object lies (the top object is at 0), found or refused.
		size_t depth = 0;
		bool bTooDeep = false;
		// More objects met than the file could hold: its objects nest in a loop.
		bool bLoop = false;
	};

	// The objects from the top down to the one being searched, each with the next of its children to
	// visit. Objects are let go deepest first, however the search ends (an exception included), so no
	// release ever takes a chain of ancestors with it.
	class FObjectPath
	{
	public:
		struct FVisit
		{
			Alembic::Abc::IObject object;
			size_t nextChild;
		};

		FObjectPath() = default;
		FObjectPath(const FObjectPath&) = delete;
		FObjectPath& operator=(const FObjectPath&) = delete;
		~FObjectPath()
		{
			while (!visits.empty())
			{
				visits.pop_back();
			}
		}

		std::vector<FVisit> visits;
	};

	// Pre-order: the object itself, then each child's whole subtree in index order. The file chooses how
	// deep objects nest, so the path is kept on the heap. MaxObjects bounds the objects met: a damaged
	// file whose groups point back at their ancestors would otherwise never end.
	FCurvesSearch FindFirstCurves(const Alembic::Abc::IObject& object, uint64_t maxObjects)
	{
		FCurvesSearch search;
		if (Alembic::AbcGeom::ICurves::matches(object.getMetaData(), Alembic::Abc::kStrictMatching))
		{
			search.curves.emplace(object, Alembic::Abc::kWrapExisting);
			return search;
		}
		FObjectPath path;
		path.visits.push_back({object, 0});
		uint64_t objects = 1;
		while (!path.visits.empty())
		{
			FObjectPath::FVisit& visit = path.visits.back();
			if (visit.nextChild >= visit.object.getNumChildren())
			{
				path.visits.pop_back();
				continue;
			}
			Alembic::Abc::IObject child = visit.object.getChild(visit.nextChild++);
			if (++objects > maxObjects)
			{
				search.bLoop = true;
				return search;
			}
			if (Alembic::AbcGeom::ICurves::matches(child.getMetaData(), Alembic::Abc::kStrictMatching))
			{
				search.depth = path.visits.size();
				if (search.depth > MaxCurvesDepth)
				{
					// Let go here, while the path still holds its ancestors.
					search.bTooDeep = true;
					return search;
				}
				search.curves.emplace(child, Alembic::Abc::kWrapExisting);
				return search;
			}
			path.visits.push_back({std::move(child), 0});
		}
		return search;
	}

	// Every real object costs the file more than four bytes (its header record alone does), so a search
	// that meets more objects than that is going round in a loop.
	uint64_t MaxObjectsIn(uint64_t fileSize)
	{
		return fileSize / 4 + 1024;
	}

	// A sample about to be read is checked against its block first (see DescribeSampleShapeProblem).
	void CheckSampleShape(FGroomFileLayout& layout, const Alembic::Abc::IArrayProperty& property, const ISampleSelector& selector)
	{
		if (!property.valid() || property.getNumSamples() == 0)
		{
			// Nothing to size; the library's own read says what is wrong, if anything.
			return;
		}
		// Even the dimensions are read through slots the library does not check.
		const std::string problem = layout.FindArraySampleProblem(property, selector);
		if (!problem.empty())
		{
			throw std::runtime_error("The sample of " + property.getName() + " " + problem + ": the file is damaged.");
		}
		Alembic::Util::Dimensions dimensions;
		property.getDimensions(dimensions, selector);
		Alembic::AbcCoreAbstract::ArraySampleKey key;
		property.getKey(key, selector);
		const std::string shapeProblem = DescribeSampleShapeProblem(dimensions, property.getDataType().getNumBytes(), key.numBytes);
		if (!shapeProblem.empty())
		{
			throw std::runtime_error("The sample of " + property.getName() + " " + shapeProblem + ": the file is damaged.");
		}
	}

	template<typename TRAITS>
	void CheckGeomParamShape(FGroomFileLayout& layout, Alembic::AbcGeom::ITypedGeomParam<TRAITS> param, const ISampleSelector& selector)
	{
		if (param.valid())
		{
			CheckSampleShape(layout, param.getValueProperty(), selector);
			if (param.isIndexed())
			{
				CheckSampleShape(layout, param.getIndexProperty(), selector);
			}
		}
	}

	// The widths with their indices resolved, as getExpanded gives them. Alembic 1.8.6 resolves an index
	// past the values by reading past them (a damaged file can point it anywhere in memory), so indexed
	// widths are resolved here, each index checked.
	std::vector<float> ReadExpandedWidths(Alembic::AbcGeom::IFloatGeomParam& param, const ISampleSelector& selector)
	{
		std::vector<float> widths;
		if (!param.isIndexed())
		{
			Alembic::AbcGeom::IFloatGeomParam::Sample sample;
			param.getExpanded(sample, selector);
			if (const Alembic::Abc::FloatArraySamplePtr values = sample.getVals())
			{
				widths.assign(values->get(), values->get() + values->size());
			}
			return widths;
		}
		const Alembic::Abc::UInt32ArraySamplePtr indices = param.getIndexProperty().getValue(selector);
		const Alembic::Abc::FloatArraySamplePtr values = param.getValueProperty().getValue(selector);
		if (!indices || indices->size() == 0)
		{
			// No indices: the values as they are.
			if (values)
			{
				widths.assign(values->get(), values->get() + values->size());
			}
			return widths;
		}
		const size_t valueCount = values ? values->size() : 0;
		widths.reserve(indices->size());
		for (size_t i = 0; i < indices->size(); ++i)
		{
			const uint32_t index = (*indices)[i];
			if (index >= valueCount)
			{
				throw std::runtime_error("Index " + std::to_string(index) + " of " + param.getName() + " is past its " + std::to_string(valueCount) + " values: the file is damaged.");
			}
			widths.push_back((*values)[index]);
		}
		return widths;
	}

	// bOutTaken, when given, tells whether the param is one the record takes (even with no values).
	std::vector<float> ReadVectorParam(FGroomFileLayout& layout, const Alembic::AbcGeom::ICurvesSchema& schema, const std::string& name, bool* bOutTaken = nullptr)
	{
		const Alembic::Abc::ICompoundProperty arbGeomParams = schema.getArbGeomParams();
		const Alembic::Abc::PropertyHeader* header = arbGeomParams.valid() ? arbGeomParams.getPropertyHeader(name) : nullptr;
		if (!header)
		{
			std::cerr << "Property" << name << " not found." << std::endl;
			return {};
		}
		if (!Alembic::Abc::IV3fArrayProperty::matches(*header, Alembic::Abc::kStrictMatching))
		{
			return {};
		}
		if (bOutTaken)
		{
			*bOutTaken = true;
		}
		const Alembic::Abc::IV3fArrayProperty property(arbGeomParams, name);
		const ISampleSelector first(index_t(0));
		CheckSampleShape(layout, property, first);
		return ToFlat(property.getValue(first));
	}

	// Sample 0 of a numeric array, checked against the file before the library reads it; false (nothing
	// read) when it has no samples.
	bool ReadCarriedArray(FGroomFileLayout& layout, const Alembic::Abc::IArrayProperty& property, std::vector<uint8_t>& outBytes, uint64_t& outCount)
	{
		if (property.getNumSamples() == 0)
		{
			return false;
		}
		const ISampleSelector first(index_t(0));
		CheckSampleShape(layout, property, first);
		Alembic::AbcCoreAbstract::ArraySamplePtr sample;
		property.get(sample, first);
		outCount = sample ? sample->size() : 0;
		const uint8_t* const bytes = outCount > 0 ? static_cast<const uint8_t*>(sample->getData()) : nullptr;
		outBytes.assign(bytes, bytes + outCount * property.getDataType().getNumBytes());
		return true;
	}

	bool IsNumericArray(const Alembic::Abc::PropertyHeader& header)
	{
		const Alembic::Util::PlainOldDataType pod = header.getDataType().getPod();
		return header.isArray() && pod != Alembic::Util::kStringPOD && pod != Alembic::Util::kWstringPOD && pod < Alembic::Util::kNumPlainOldDataTypes &&
		       header.getDataType().getExtent() > 0;
	}

	// The arbitrary geometry params a fit carries from its source, and a line for each it cannot.
	void ReadCarriedParams(FGroomFileLayout& layout, const Alembic::AbcGeom::ICurvesSchema& schema, bool bColourTaken, std::vector<FGroomParam>& outCarried,
	                       std::vector<std::string>& outSkipped)
	{
		const Alembic::Abc::ICompoundProperty arbGeomParams = schema.getArbGeomParams();
		if (!arbGeomParams.valid())
		{
			return;
		}
		for (size_t i = 0; i < arbGeomParams.getNumProperties(); ++i)
		{
			const Alembic::Abc::PropertyHeader& header = arbGeomParams.getPropertyHeader(i);
			const std::string& name = header.getName();
			if (name == "surface_normal" || (name == "groom_color" && bColourTaken))
			{
				continue;
			}
			FGroomParam param;
			param.Name = name;
			param.MetaData = header.getMetaData().serialize();
			Alembic::AbcCoreAbstract::DataType dataType = header.getDataType();
			if (header.isCompound())
			{
				// An indexed param: its values and one index per element.
				const Alembic::Abc::ICompoundProperty indexed(arbGeomParams, name);
				const Alembic::Abc::PropertyHeader* const valuesHeader = indexed.getPropertyHeader(".vals");
				const Alembic::Abc::PropertyHeader* const indicesHeader = indexed.getPropertyHeader(".indices");
				if (valuesHeader && indicesHeader && IsNumericArray(*valuesHeader) && indicesHeader->isArray() &&
				    indicesHeader->getDataType() == Alembic::AbcCoreAbstract::DataType(Alembic::Util::kUint32POD, 1))
				{
					std::vector<uint8_t> indexBytes;
					uint64_t indexCount = 0;
					if (!ReadCarriedArray(layout, Alembic::Abc::IArrayProperty(indexed, ".vals"), param.Values, param.NumValues) ||
					    !ReadCarriedArray(layout, Alembic::Abc::IArrayProperty(indexed, ".indices"), indexBytes, indexCount))
					{
						outSkipped.push_back(name + ": no samples");
						continue;
					}
					dataType = valuesHeader->getDataType();
					param.bIndexed = true;
					param.Indices.resize(static_cast<size_t>(indexCount));
					std::memcpy(param.Indices.data(), indexBytes.data(), indexBytes.size());
				}
				else
				{
					outSkipped.push_back(name + ": a compound that is not an indexed param");
					continue;
				}
			}
			else if (!IsNumericArray(header))
			{
				outSkipped.push_back(name + (header.isScalar() ? ": a scalar property" : ": an array of strings"));
				continue;
			}
			else if (!ReadCarriedArray(layout, Alembic::Abc::IArrayProperty(arbGeomParams, name), param.Values, param.NumValues))
			{
				outSkipped.push_back(name + ": no samples");
				continue;
			}
			param.Pod = static_cast<uint8_t>(dataType.getPod());
			param.Extent = dataType.getExtent();
			outCarried.push_back(std::move(param));
		}
	}

	// u runs from 0 at the root to 1 at the tip of each strand; a one-point strand gets 0.
	std::vector<V2f> MakeStrandUVs(const GroomData& groom)
	{
		std::vector<V2f> uvs;
		uvs.reserve(groom.positions.size() / 3);
		for (const int32_t count : groom.vertexCounts)
		{
			const int64_t n = count;
			const float step = n > 1 ? 1.0f / static_cast<float>(n - 1) : 0.0f;
			for (int64_t j = 0; j < n; ++j)
			{
				uvs.emplace_back(static_cast<float>(j) * step, 0.0f);
			}
		}
		return uvs;
	}

	// A file the plugin opens itself, from the UTF-8 path (by its wide name on Windows, where the engine's
	// Alembic would take a narrow name in the ANSI code page): always to write, to read where needed.
	std::filesystem::path ToFileSystemPath(const std::string& utf8Path)
	{
		return std::filesystem::path(std::u8string(utf8Path.begin(), utf8Path.end()));
	}

#if PLATFORM_WINDOWS
	std::wstring WideFromUtf8(const std::string& Utf8)
	{
		const int Length = Utf8.empty() ? 0 : MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Utf8.data(), static_cast<int>(Utf8.size()), nullptr, 0);
		if (Length <= 0)
		{
			return std::wstring();
		}
		std::wstring Wide(static_cast<size_t>(Length), L'\0');
		MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Utf8.data(), static_cast<int>(Utf8.size()), Wide.data(), Length);
		return Wide;
	}

	// The name in the ANSI code page, which Alembic 1.8.6 opens files with (CreateFileA, std::ifstream of a
	// narrow name), or "" where that code page cannot hold it exactly: no best-fit look-alike, no default
	// character, the same name back when converted again, and short enough to open without a long-path prefix.
	std::string AnsiName(const std::wstring& Wide)
	{
		if (Wide.empty() || Wide.size() >= MAX_PATH)
		{
			return std::string();
		}
		const UINT CodePage = GetACP();
		// The UTF-8 code page has no default characters to report; invalid input fails instead.
		const DWORD Flags = CodePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
		BOOL bUsedDefault = FALSE;
		BOOL* const UsedDefault = CodePage == CP_UTF8 ? nullptr : &bUsedDefault;
		const int Length = WideCharToMultiByte(CodePage, Flags, Wide.data(), static_cast<int>(Wide.size()), nullptr, 0, nullptr, UsedDefault);
		if (Length <= 0 || bUsedDefault)
		{
			return std::string();
		}
		std::string Narrow(static_cast<size_t>(Length), '\0');
		if (WideCharToMultiByte(CodePage, Flags, Wide.data(), static_cast<int>(Wide.size()), Narrow.data(), Length, nullptr, UsedDefault) != Length || bUsedDefault)
		{
			return std::string();
		}
		const int BackLength = MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, Narrow.data(), Length, nullptr, 0);
		std::wstring Back(static_cast<size_t>(BackLength > 0 ? BackLength : 0), L'\0');
		if (BackLength <= 0 || MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, Narrow.data(), Length, Back.data(), BackLength) != BackLength || Back != Wide)
		{
			return std::string();
		}
		return Narrow;
	}

	std::string WindowsLibraryName(const std::string& Utf8Path)
	{
		return AnsiName(WideFromUtf8(Utf8Path));
	}

	// The file's short (8.3) path, in UTF-8, where the volume keeps short names.
	std::string WindowsShortPath(const std::string& Utf8Path)
	{
		const std::wstring Wide = WideFromUtf8(Utf8Path);
		const DWORD Length = Wide.empty() ? 0 : GetShortPathNameW(Wide.c_str(), nullptr, 0);
		if (Length == 0)
		{
			return std::string();
		}
		std::wstring Short(Length, L'\0');
		const DWORD Written = GetShortPathNameW(Wide.c_str(), Short.data(), Length);
		if (Written == 0 || Written >= Length)
		{
			return std::string();
		}
		const int Utf8Length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, Short.data(), static_cast<int>(Written), nullptr, 0, nullptr, nullptr);
		if (Utf8Length <= 0)
		{
			return std::string();
		}
		std::string Utf8(static_cast<size_t>(Utf8Length), '\0');
		WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, Short.data(), static_cast<int>(Written), Utf8.data(), Utf8Length, nullptr, nullptr);
		return Utf8;
	}
#endif

	void ReplaceFirst(std::string& text, const std::string& from, const std::string& to)
	{
		const size_t at = text.find(from);
		if (at != std::string::npos)
		{
			text.replace(at, from.size(), to);
		}
	}

	// The library names the file in its open failures as it was given it: by another narrow name, or not at
	// all when it was given a stream. The reader's messages name the path the caller gave, as they do
	// when the library opens that path itself.
	std::string NameTheFile(std::string text, const FGroomReadPlan& plan, const std::string& path)
	{
		if (plan.Route == EGroomReadRoute::Stream)
		{
			ReplaceFirst(text, "Could not open as Ogawa file from provided streams.", "Could not open as Ogawa file: " + path);
			ReplaceFirst(text, "Ogawa streams not cleanly closed while being written. ", "Ogawa file not cleanly closed while being written: " + path);
		}
		else if (plan.LibraryName != path)
		{
			ReplaceFirst(text, "Could not open as Ogawa file: " + plan.LibraryName, "Could not open as Ogawa file: " + path);
			ReplaceFirst(text, "Ogawa file not cleanly closed while being written: " + plan.LibraryName, "Ogawa file not cleanly closed while being written: " + path);
		}
		return text;
	}

	const uint64_t OgawaDataBit = 0x8000000000000000ULL;

	// A groom file as Alembic's stream reader gets it. That reader does not know the file's size, so the
	// checks the library makes against the size when it opens a file by name never happen, and it
	// allocates whatever a damaged file claims (a 2 KB file can make it ask for gigabytes). So the Ogawa
	// tree is walked here first, against the real size, and the stream gives the library's by-name
	// answers itself: a group claiming more children than the file could hold reads as a group of none,
	// and the read of a data block claiming more bytes than the file fails where the library's size check
	// would have thrown. A file shorter than a header reads as an empty one, as by name.
	class FGroomFileSource : public std::streambuf
	{
	public:
		bool Open(const std::string& Utf8Path)
		{
			if (!File.open(ToFileSystemPath(Utf8Path), std::ios::in | std::ios::binary))
			{
				return false;
			}
			const pos_type End = File.pubseekoff(0, std::ios_base::end, std::ios_base::in);
			Size = End == pos_type(off_type(-1)) ? 0 : static_cast<uint64_t>(off_type(End));
			return true;
		}

		// Walks the tree from the header. False, with the reason, for a file whose groups overlap so much
		// that walking them has no useful end.
		bool Check(std::string& OutProblem)
		{
			uint8_t Header[16] = {};
			if (Size < 16)
			{
				Size = 0;
				return true;
			}
			if (RawRead(0, Header, 16) != 16 || std::memcmp(Header, "Ogawa", 5) != 0 || Header[6] != 0 || Header[7] != 1)
			{
				// The library refuses it at once, by name or not.
				return true;
			}
			uint64_t Root = 0;
			std::memcpy(&Root, Header + 8, 8);

			std::vector<uint64_t> Pending{Root};
			std::unordered_set<uint64_t> Groups;
			std::unordered_set<uint64_t> Datas;
			// Every slot of a well-made file belongs to one group. A damaged file's slots point anywhere,
			// and groups found that way overlap, but a walk through more than a few times the slots the
			// file can hold is one made so, and has no useful end.
			uint64_t SlotsLeft = 8 * (Size / 8) + (uint64_t(1) << 20);
			std::vector<uint64_t> Slots;
			while (!Pending.empty())
			{
				const uint64_t Group = Pending.back();
				Pending.pop_back();
				if (Group == 0 || Group > Size - 8 || !Groups.insert(Group).second)
				{
					// Empty, seen before, or unreadable (a read that fails by name too).
					continue;
				}
				const uint64_t Count = ReadU64(Group);
				if (Count == 0)
				{
					continue;
				}
				if (Count > Size / 8)
				{
					EmptiedGroups.insert(Group);
					continue;
				}
				// Slots past the end fail to read by either route.
				const uint64_t Readable = std::min(Count, (Size - Group - 8) / 8);
				if (Readable > SlotsLeft)
				{
					OutProblem = "its Ogawa groups overlap over and over";
					return false;
				}
				SlotsLeft -= Readable;
				Slots.resize(static_cast<size_t>(Readable));
				if (RawRead(Group + 8, Slots.data(), Readable * 8) != static_cast<std::streamsize>(Readable * 8))
				{
					continue;
				}
				for (const uint64_t Slot : Slots)
				{
					if ((Slot & OgawaDataBit) != 0)
					{
						const uint64_t Data = Slot & ~OgawaDataBit;
						if (Data != 0 && Data <= Size - 8 && Datas.insert(Data).second && ReadU64(Data) > Size)
						{
							OversizedData.insert(Data);
						}
					}
					else if (Slot > 8 && Slot != Group)
					{
						// The library takes no other slot for a group.
						Pending.push_back(Slot);
					}
				}
			}
			// A block that slots call both a group and data cannot be given both answers. Its size fits the
			// file, so as a group it costs at most a buffer of eight times the file's size, and is left alone.
			for (const uint64_t Data : Datas)
			{
				EmptiedGroups.erase(Data);
			}
			return true;
		}

		// Whether the library read a data block that claims more bytes than the file holds.
		bool ReadOversizedData() const { return bReadOversizedData; }
		uint64_t GetSize() const { return Size; }

	protected:
		std::streamsize xsgetn(char* Out, std::streamsize Count) override
		{
			const std::streamsize Got = PresentedRead(Position, Out, Count);
			Position += static_cast<uint64_t>(Got);
			return Got;
		}

		int_type underflow() override
		{
			if (PresentedRead(Position, &Single, 1) != 1)
			{
				return traits_type::eof();
			}
			setg(&Single, &Single, &Single + 1);
			return traits_type::to_int_type(Single);
		}

		int_type uflow() override
		{
			const int_type Byte = underflow();
			if (!traits_type::eq_int_type(Byte, traits_type::eof()))
			{
				++Position;
				setg(nullptr, nullptr, nullptr);
			}
			return Byte;
		}

		pos_type seekoff(off_type Offset, std::ios_base::seekdir Direction, std::ios_base::openmode Mode) override
		{
			const off_type From = Direction == std::ios_base::beg ? 0 : static_cast<off_type>(Direction == std::ios_base::end ? Size : Position);
			return seekpos(pos_type(From + Offset), Mode);
		}

		pos_type seekpos(pos_type Target, std::ios_base::openmode) override
		{
			setg(nullptr, nullptr, nullptr);
			if (off_type(Target) < 0)
			{
				return pos_type(off_type(-1));
			}
			Position = static_cast<uint64_t>(off_type(Target));
			return Target;
		}

	private:
		std::streamsize RawRead(uint64_t At, void* Out, uint64_t Count)
		{
			if (File.pubseekpos(pos_type(off_type(At)), std::ios_base::in) == pos_type(off_type(-1)))
			{
				return 0;
			}
			return File.sgetn(static_cast<char*>(Out), static_cast<std::streamsize>(Count));
		}

		uint64_t ReadU64(uint64_t At)
		{
			uint64_t Value = 0;
			return RawRead(At, &Value, 8) == 8 ? Value : 0;
		}

		// The bytes [At, At + Count) as the library is to see them.
		std::streamsize PresentedRead(uint64_t At, char* Out, std::streamsize Count)
		{
			if (Count <= 0 || At >= Size)
			{
				return 0;
			}
			// The library reads a block's count or size alone, 8 bytes at its start; any other read of
			// those bytes (a damaged file's blocks may overlap) gets them as they are.
			if (Count == 8 && OversizedData.count(At) != 0)
			{
				bReadOversizedData = true;
				return 0;
			}
			if (Count == 8 && EmptiedGroups.count(At) != 0)
			{
				std::memset(Out, 0, 8);
				return 8;
			}
			return RawRead(At, Out, std::min(static_cast<uint64_t>(Count), Size - At));
		}

		std::filebuf File;
		uint64_t Size = 0;
		uint64_t Position = 0;
		char Single = 0;
		// Groups that read as having no children, and data blocks whose size cannot be read.
		std::unordered_set<uint64_t> EmptiedGroups;
		std::unordered_set<uint64_t> OversizedData;
		bool bReadOversizedData = false;
	};

	std::string SystemReason(int error)
	{
		return std::generic_category().message(error != 0 ? error : EIO);
	}

	// The scope widths are labelled with by their count: what the engine's import reads as many values as
	// there are. None for no widths, or a count that fits no scope.
	std::optional<Alembic::AbcGeom::GeometryScope> WidthScope(size_t count, int64_t strands, int64_t points)
	{
		const int64_t values = static_cast<int64_t>(count);
		if (values == 0)
		{
			return std::nullopt;
		}
		if (values == points)
		{
			return Alembic::AbcGeom::kVertexScope;
		}
		if (values == strands)
		{
			return Alembic::AbcGeom::kUniformScope;
		}
		if (values == 1)
		{
			return Alembic::AbcGeom::kConstantScope;
		}
		return std::nullopt;
	}

	// The scope colours are labelled with: per point and per strand at vertex scope (the import takes as
	// many colours as strands for one per strand, whatever the label), one colour at constant scope.
	std::optional<const char*> ColourScope(size_t count, int64_t strands, int64_t points)
	{
		const int64_t values = static_cast<int64_t>(count);
		if (values == 0)
		{
			return std::nullopt;
		}
		if (values == points || values == strands)
		{
			return "vtx";
		}
		if (values == 1)
		{
			return "con";
		}
		return std::nullopt;
	}

	// What of the record and the carried params a groom file cannot hold without the engine's import reading
	// past it, one line each.
	std::vector<std::string> DescribeLeftOut(const GroomData& groom, const std::vector<FGroomParam>& carried)
	{
		const int64_t strands = static_cast<int64_t>(groom.vertexCounts.size());
		const int64_t points = static_cast<int64_t>(groom.positions.size() / 3);
		const std::string groomSize = " for " + std::to_string(strands) + " strands of " + std::to_string(points) + " points";
		std::vector<std::string> lines;
		if (!groom.widths.empty() && !WidthScope(groom.widths.size(), strands, points))
		{
			lines.push_back("width: " + std::to_string(groom.widths.size()) + " values" + groomSize);
		}
		if (groom.groomColors.size() >= 3 && !ColourScope(groom.groomColors.size() / 3, strands, points))
		{
			lines.push_back("groom_color: " + std::to_string(groom.groomColors.size() / 3) + " colours" + groomSize);
		}
		for (const FGroomParam& param : carried)
		{
			const std::string readPast = DescribeEngineReadPast(param, strands, points);
			if (!readPast.empty())
			{
				lines.push_back(param.Name + ": " + readPast);
			}
		}
		return lines;
	}

	// A carried param written back as it was read: its type, metadata and values, indexed or not.
	void WriteCarriedParam(Alembic::Abc::OCompoundProperty& compound, const FGroomParam& param)
	{
		Alembic::Abc::MetaData metaData;
		metaData.deserialize(param.MetaData);
		const Alembic::AbcCoreAbstract::DataType dataType(static_cast<Alembic::Util::PlainOldDataType>(param.Pod), param.Extent);
		const void* const values = param.Values.empty() ? nullptr : param.Values.data();
		const Alembic::Util::Dimensions valueCount(param.NumValues);
		if (!param.bIndexed)
		{
			Alembic::Abc::OArrayProperty property(compound, param.Name, dataType, metaData);
			property.set(Alembic::AbcCoreAbstract::ArraySample(values, dataType, valueCount));
			return;
		}
		Alembic::Abc::OCompoundProperty indexed(compound, param.Name, metaData);
		Alembic::Abc::OArrayProperty valueProperty(indexed, ".vals", dataType, metaData);
		valueProperty.set(Alembic::AbcCoreAbstract::ArraySample(values, dataType, valueCount));
		Alembic::Abc::OUInt32ArrayProperty indexProperty(indexed, ".indices");
		indexProperty.set(Alembic::Abc::UInt32ArraySample(param.Indices));
	}

	void WriteVectorParam(Alembic::Abc::OCompoundProperty& compound, const std::vector<float>& values, const std::string& name, const char* scope)
	{
		Alembic::Abc::MetaData metaData;
		metaData.set("geoScope", scope);
		metaData.set("interpretation", "vector");
		Alembic::Abc::OV3fArrayProperty property(compound, name, metaData);
		const std::vector<V3f> vectors = ToVectors(values);
		property.set(Alembic::Abc::V3fArraySample(vectors));
	}
}

namespace
{
	// A group slot as Ogawa takes it from the group at Parent: the empty group, or a position past the
	// header that is not the group itself. Any other slot gives the library no group.
	bool IsLayoutGroupSlot(uint64_t Slot, uint64_t Parent)
	{
		return Slot == 0 || ((Slot & OgawaDataBit) == 0 && Slot > 8 && Slot != Parent);
	}

	// One property record of a compound's header block, as much of it as finding a sample takes.
	struct FLayoutProperty
	{
		uint32_t Type = 0;
		uint32_t Pod = 0;
		uint32_t Extent = 0;
		uint32_t NumSamples = 0;
		uint32_t FirstChanged = 0;
		uint32_t LastChanged = 0;
		std::string Name;
	};

	// Reads a header field of 1, 2 or 4 bytes, as the size hint says.
	bool ReadLayoutHinted(const std::vector<char>& Bytes, uint32_t Hint, size_t& Position, uint32_t& OutValue)
	{
		const size_t Width = Hint == 0 ? 1 : Hint == 1 ? 2
		                                 : Hint == 2   ? 4
		                                               : 0;
		if (Width == 0 || Position + Width > Bytes.size())
		{
			return false;
		}
		OutValue = 0;
		std::memcpy(&OutValue, Bytes.data() + Position, Width);
		Position += Width;
		return true;
	}

	// The records of a property header block; false where the library refuses the block.
	bool ParseLayoutProperties(const std::vector<char>& Bytes, std::vector<FLayoutProperty>& OutProperties)
	{
		size_t Position = 0;
		while (Position < Bytes.size())
		{
			if (Position + 4 > Bytes.size())
			{
				return false;
			}
			uint32_t Info = 0;
			std::memcpy(&Info, Bytes.data() + Position, 4);
			Position += 4;
			FLayoutProperty Property;
			Property.Type = Info & 3;
			const uint32_t Hint = (Info >> 2) & 3;
			if (Property.Type != 0)
			{
				if (((Info >> 4) & 0xf) > 13)
				{
					return false;
				}
				Property.Pod = (Info >> 4) & 0xf;
				Property.Extent = (Info >> 12) & 0xff;
				if (!ReadLayoutHinted(Bytes, Hint, Position, Property.NumSamples))
				{
					return false;
				}
				if ((Info & 0x200) != 0)
				{
					if (!ReadLayoutHinted(Bytes, Hint, Position, Property.FirstChanged) || !ReadLayoutHinted(Bytes, Hint, Position, Property.LastChanged))
					{
						return false;
					}
				}
				else if ((Info & 0x800) == 0)
				{
					Property.FirstChanged = 1;
					Property.LastChanged = Property.NumSamples - 1;
				}
				uint32_t TimeSampling = 0;
				if ((Info & 0x100) != 0 && !ReadLayoutHinted(Bytes, Hint, Position, TimeSampling))
				{
					return false;
				}
			}
			uint32_t NameSize = 0;
			if (!ReadLayoutHinted(Bytes, Hint, Position, NameSize) || NameSize == 0 || Position + NameSize > Bytes.size())
			{
				return false;
			}
			Property.Name.assign(Bytes.data() + Position, NameSize);
			Position += NameSize;
			if (((Info >> 20) & 0xff) == 0xff)
			{
				uint32_t MetaDataSize = 0;
				if (!ReadLayoutHinted(Bytes, Hint, Position, MetaDataSize) || Position + MetaDataSize > Bytes.size())
				{
					return false;
				}
				Position += MetaDataSize;
			}
			OutProperties.push_back(std::move(Property));
		}
		return true;
	}

	// The child names of an object header block, hashes left out; false where the library refuses it.
	bool ParseLayoutObjects(const std::vector<char>& Bytes, std::vector<std::string>& OutNames)
	{
		if (Bytes.size() <= 32)
		{
			return true;
		}
		const size_t End = Bytes.size() - 32;
		size_t Position = 0;
		while (Position < End)
		{
			uint32_t NameSize = 0;
			if (Position + 4 > End)
			{
				return false;
			}
			std::memcpy(&NameSize, Bytes.data() + Position, 4);
			Position += 4;
			if (NameSize == 0 || Position + NameSize + 1 > End)
			{
				return false;
			}
			OutNames.emplace_back(Bytes.data() + Position, NameSize);
			Position += NameSize;
			const uint8_t MetaDataIndex = static_cast<uint8_t>(Bytes[Position++]);
			if (MetaDataIndex == 0xff)
			{
				uint32_t MetaDataSize = 0;
				if (Position + 4 > End)
				{
					return false;
				}
				std::memcpy(&MetaDataSize, Bytes.data() + Position, 4);
				Position += 4;
				if (Position + MetaDataSize > End)
				{
					return false;
				}
				Position += MetaDataSize;
			}
		}
		return true;
	}

	// What is wrong with a sample's data block for its stored dimensions (Extents, when bStoredDims), as
	// DescribeSampleShapeProblem says; "" when they agree.
	std::string DescribeStoredShape(const FLayoutProperty& Property, const std::vector<uint64_t>& Extents, bool bStoredDims, uint64_t DataSize)
	{
		const Alembic::Util::PlainOldDataType Pod = static_cast<Alembic::Util::PlainOldDataType>(Property.Pod);
		if (Pod == Alembic::Util::kStringPOD || Pod == Alembic::Util::kWstringPOD || DataSize == 0)
		{
			// Strings are counted by their terminators, and no data is no values.
			return std::string();
		}
		if (DataSize < 16)
		{
			return "holds " + std::to_string(DataSize) + " bytes, less than its key";
		}
		const uint64_t ValueBytes = Alembic::Util::PODNumBytes(Pod) * static_cast<uint64_t>(Property.Extent);
		Alembic::Util::Dimensions Dimensions;
		if (!bStoredDims)
		{
			// No dimensions stored: the library counts the values the block holds, rounding down.
			Dimensions = Alembic::Util::Dimensions(ValueBytes > 0 ? (DataSize - 16) / ValueBytes : 0);
		}
		else
		{
			Dimensions.setRank(Extents.size());
			for (size_t Rank = 0; Rank < Extents.size(); ++Rank)
			{
				Dimensions[Rank] = Extents[Rank];
			}
		}
		return DescribeSampleShapeProblem(Dimensions, ValueBytes, DataSize - 16);
	}

	// So many groups answer to one path only in a file made to mislead.
	const size_t MaxLayoutCandidates = 64;
}

bool FGroomFileLayout::Open(const std::string& Utf8Path)
{
	if (!File.open(ToFileSystemPath(Utf8Path), std::ios::in | std::ios::binary))
	{
		return false;
	}
	const std::streambuf::pos_type End = File.pubseekoff(0, std::ios_base::end, std::ios_base::in);
	Size = End == std::streambuf::pos_type(std::streambuf::off_type(-1)) ? 0 : static_cast<uint64_t>(std::streambuf::off_type(End));
	return true;
}

bool FGroomFileLayout::ReadAt(uint64_t At, void* Out, uint64_t Count)
{
	if (At > Size || Count > Size - At)
	{
		return false;
	}
	if (File.pubseekpos(std::streambuf::pos_type(std::streambuf::off_type(At)), std::ios_base::in) == std::streambuf::pos_type(std::streambuf::off_type(-1)))
	{
		return false;
	}
	return File.sgetn(static_cast<char*>(Out), static_cast<std::streamsize>(Count)) == static_cast<std::streamsize>(Count);
}

bool FGroomFileLayout::ReadSlots(uint64_t Position, std::vector<uint64_t>& OutSlots)
{
	OutSlots.clear();
	if (Position == 0)
	{
		return true;
	}
	uint64_t Count = 0;
	if (!ReadAt(Position, &Count, 8))
	{
		return false;
	}
	if (Count == 0 || Count > Size / 8)
	{
		// The library reads such a group as one without children.
		return true;
	}
	OutSlots.resize(static_cast<size_t>(Count));
	return ReadAt(Position + 8, OutSlots.data(), Count * 8);
}

bool FGroomFileLayout::ReadDataSize(uint64_t DataSlot, uint64_t& OutSize)
{
	const uint64_t Position = DataSlot & ~OgawaDataBit;
	OutSize = 0;
	if (Position == 0)
	{
		return true;
	}
	// A size past the file is refused by the library (by stream, by the reader's own source).
	return ReadAt(Position, &OutSize, 8) && OutSize <= Size;
}

bool FGroomFileLayout::ReadBlock(uint64_t DataSlot, std::vector<char>& OutBytes)
{
	uint64_t BlockSize = 0;
	if (!ReadDataSize(DataSlot, BlockSize))
	{
		return false;
	}
	OutBytes.resize(static_cast<size_t>(BlockSize));
	return BlockSize == 0 || ReadAt((DataSlot & ~OgawaDataBit) + 8, OutBytes.data(), BlockSize);
}

void FGroomFileLayout::AddNamedChildren(uint64_t Object, const std::string& Name, std::vector<uint64_t>& OutChildren)
{
	auto Found = ChildrenOf.find(Object);
	if (Found == ChildrenOf.end())
	{
		Found = ChildrenOf.emplace(Object, std::unordered_map<std::string, std::vector<uint64_t>>()).first;
		std::vector<uint64_t> Slots;
		std::vector<char> Bytes;
		std::vector<std::string> Names;
		if (ReadSlots(Object, Slots) && !Slots.empty() && (Slots.back() & OgawaDataBit) != 0 && ReadBlock(Slots.back(), Bytes) && ParseLayoutObjects(Bytes, Names))
		{
			for (size_t Child = 0; Child < Names.size() && Child + 1 < Slots.size(); ++Child)
			{
				const uint64_t Slot = Slots[Child + 1];
				if ((Slot & OgawaDataBit) == 0 && IsLayoutGroupSlot(Slot, Object))
				{
					Found->second[Names[Child]].push_back(Slot);
				}
			}
		}
	}
	const auto Named = Found->second.find(Name);
	if (Named == Found->second.end())
	{
		return;
	}
	for (const uint64_t Slot : Named->second)
	{
		if (std::find(OutChildren.begin(), OutChildren.end(), Slot) == OutChildren.end())
		{
			OutChildren.push_back(Slot);
		}
	}
}

std::string FGroomFileLayout::FindArraySampleProblem(const std::string& ObjectFullName, const std::vector<std::string>& PropertyNames, int64_t SampleIndex)
{
	const std::string Lost = "cannot be found where the file's layout puts it";
	uint8_t Header[16] = {};
	std::vector<uint64_t> Slots;
	if (PropertyNames.empty() || !ReadAt(0, Header, 16))
	{
		return Lost;
	}
	uint64_t Root = 0;
	std::memcpy(&Root, Header + 8, 8);
	if (!ReadSlots(Root, Slots) || Slots.size() < 6 || !IsLayoutGroupSlot(Slots[2], Root))
	{
		return Lost;
	}

	// The object's groups, from the top object down its path.
	std::vector<uint64_t> Objects{Slots[2]};
	std::vector<char> Bytes;
	size_t NameStart = 1;
	while (NameStart <= ObjectFullName.size() && ObjectFullName.size() > 1)
	{
		const size_t NameEnd = std::min(ObjectFullName.find('/', NameStart), ObjectFullName.size());
		const std::string Name = ObjectFullName.substr(NameStart, NameEnd - NameStart);
		NameStart = NameEnd + 1;
		std::vector<uint64_t> Children;
		for (const uint64_t Object : Objects)
		{
			AddNamedChildren(Object, Name, Children);
		}
		Objects = std::move(Children);
		if (Objects.empty() || Objects.size() > MaxLayoutCandidates)
		{
			return Lost;
		}
	}

	// The property in each, through its compounds; the library takes the last record of a name.
	bool bFound = false;
	for (const uint64_t Object : Objects)
	{
		if (!ReadSlots(Object, Slots) || Slots.empty() || !IsLayoutGroupSlot(Slots[0], Object) || (Slots[0] & OgawaDataBit) != 0)
		{
			continue;
		}
		uint64_t Compound = Slots[0];
		for (size_t Level = 0; Level < PropertyNames.size(); ++Level)
		{
			std::vector<FLayoutProperty> Properties;
			if (!ReadSlots(Compound, Slots) || Slots.empty() || (Slots.back() & OgawaDataBit) == 0 || !ReadBlock(Slots.back(), Bytes) ||
			    !ParseLayoutProperties(Bytes, Properties))
			{
				break;
			}
			size_t Index = Properties.size();
			for (size_t I = 0; I < Properties.size(); ++I)
			{
				Index = Properties[I].Name == PropertyNames[Level] ? I : Index;
			}
			if (Index == Properties.size() || Index >= Slots.size() || (Slots[Index] & OgawaDataBit) != 0 || !IsLayoutGroupSlot(Slots[Index], Compound))
			{
				break;
			}
			const FLayoutProperty& Property = Properties[Index];
			const uint64_t Group = Slots[Index];
			if (Level + 1 < PropertyNames.size())
			{
				if (Property.Type != 0)
				{
					break;
				}
				Compound = Group;
				continue;
			}
			if (Property.Type < 2)
			{
				break;
			}
			bFound = true;
			if (SampleIndex < 0 || SampleIndex >= static_cast<int64_t>(Property.NumSamples))
			{
				// The library refuses the index.
				continue;
			}
			// Which stored sample the index reads, as the library maps it.
			const uint32_t Sample = static_cast<uint32_t>(SampleIndex);
			uint64_t Stored = 0;
			if (Sample < Property.FirstChanged || (Property.FirstChanged == 0 && Property.LastChanged == 0))
			{
				Stored = 0;
			}
			else if (Sample >= Property.LastChanged)
			{
				Stored = static_cast<uint64_t>(static_cast<uint32_t>(Property.LastChanged - Property.FirstChanged + 1));
			}
			else
			{
				Stored = static_cast<uint64_t>(static_cast<uint32_t>(Sample - Property.FirstChanged + 1));
			}
			uint64_t Count = 0;
			if (Group != 0 && !ReadAt(Group, &Count, 8))
			{
				continue;
			}
			Count = Count > Size / 8 ? 0 : Count;
			// A slot of the group, read alone as the library reads slots of a large group; false where it
			// fails to read (the library throws), a null block where there is no data slot.
			bool bRead = true;
			const auto DataAt = [&](uint64_t SlotIndex, bool& bOutData, uint64_t& OutSize)
			{
				bOutData = false;
				OutSize = 0;
				uint64_t Slot = 0;
				if (SlotIndex >= Count)
				{
					return;
				}
				if (!ReadAt(Group + 8 + 8 * SlotIndex, &Slot, 8))
				{
					bRead = false;
					return;
				}
				if ((Slot & OgawaDataBit) == 0)
				{
					return;
				}
				bOutData = true;
				bRead = bRead && ReadDataSize(Slot, OutSize);
			};
			bool bDims = false;
			bool bData = false;
			uint64_t DimsSize = 0;
			uint64_t DataSize = 0;
			DataAt(2 * Stored + 1, bDims, DimsSize);
			DataAt(2 * Stored, bData, DataSize);
			if (!bRead)
			{
				continue;
			}
			if (!bDims)
			{
				return "has no dimensions slot";
			}
			if (DimsSize == 0 && !bData)
			{
				return "has no data slot";
			}
			if (DimsSize == 0 && DataSize != 0 && Property.Extent == 0)
			{
				return "has values of no size";
			}
			// The dimensions as Alembic 1.8.6 takes them, whatever later releases make of ones that disagree.
			std::vector<uint64_t> Extents(static_cast<size_t>(DimsSize / 8));
			uint64_t DimsSlot = 0;
			if (!Extents.empty() && (!ReadAt(Group + 8 + 8 * (2 * Stored + 1), &DimsSlot, 8) ||
			                         !ReadAt((DimsSlot & ~OgawaDataBit) + 8, Extents.data(), 8 * Extents.size())))
			{
				return "has dimensions that cannot be read";
			}
			const std::string Shape = DescribeStoredShape(Property, Extents, DimsSize > 0, DataSize);
			if (!Shape.empty())
			{
				return Shape;
			}
		}
	}
	return bFound ? std::string() : Lost;
}

bool FGroomFileSink::Open(const std::string& Utf8Path)
{
	errno = 0;
	if (!File.open(ToFileSystemPath(Utf8Path), std::ios::out | std::ios::binary | std::ios::trunc))
	{
		Keep(errno);
		return false;
	}
	Destination = &File;
	return true;
}

void FGroomFileSink::Open(std::streambuf& Target)
{
	Destination = &Target;
}

bool FGroomFileSink::Close()
{
	if (Destination)
	{
		errno = 0;
		if (Destination == &File ? !File.close() : Destination->pubsync() != 0)
		{
			Keep(errno);
		}
		Destination = nullptr;
	}
	return Error == 0;
}

std::string FGroomFileSink::GetReason() const
{
	return SystemReason(Error);
}

void FGroomFileSink::Keep(int SystemError)
{
	if (Error == 0)
	{
		Error = SystemError != 0 ? SystemError : EIO;
	}
}

std::streamsize FGroomFileSink::xsputn(const char* Bytes, std::streamsize Count)
{
	if (Error == 0 && Count > 0)
	{
		errno = 0;
		if (!Destination || Destination->sputn(Bytes, Count) != Count)
		{
			Keep(errno);
		}
	}
	Position += static_cast<uint64_t>(Count);
	End = std::max(End, Position);
	return Count;
}

FGroomFileSink::int_type FGroomFileSink::overflow(int_type Byte)
{
	if (!traits_type::eq_int_type(Byte, traits_type::eof()))
	{
		const char Single = traits_type::to_char_type(Byte);
		xsputn(&Single, 1);
	}
	return traits_type::not_eof(Byte);
}

FGroomFileSink::pos_type FGroomFileSink::seekoff(off_type Offset, std::ios_base::seekdir Direction, std::ios_base::openmode Mode)
{
	const off_type From = Direction == std::ios_base::beg ? 0 : static_cast<off_type>(Direction == std::ios_base::end ? End : Position);
	if (Direction == std::ios_base::cur && Offset == 0)
	{
		// tellp: no need to touch the file.
		return pos_type(From);
	}
	return seekpos(pos_type(From + Offset), Mode);
}

FGroomFileSink::pos_type FGroomFileSink::seekpos(pos_type Target, std::ios_base::openmode Mode)
{
	// A position before the start is the one thing a writer may not ask for; it never does.
	const off_type Offset = std::max<off_type>(off_type(Target), 0);
	if (Error == 0)
	{
		errno = 0;
		if (!Destination || Destination->pubseekpos(pos_type(Offset), Mode) == pos_type(off_type(-1)))
		{
			Keep(errno);
		}
	}
	Position = static_cast<uint64_t>(Offset);
	return pos_type(Offset);
}

int FGroomFileSink::sync()
{
	if (Error == 0)
	{
		errno = 0;
		if (Destination && Destination->pubsync() != 0)
		{
			Keep(errno);
		}
	}
	return 0;
}

std::string DescribeEngineReadPast(const FGroomParam& Param, int64_t Strands, int64_t Points)
{
	if (Param.Name.compare(0, 6, "groom_") != 0)
	{
		// The import does not read it.
		return std::string();
	}
	const uint64_t Count = Param.NumElements();
	for (const uint32_t Index : Param.Indices)
	{
		if (Index >= Param.NumValues)
		{
			return "index " + std::to_string(Index) + " is past its " + std::to_string(Param.NumValues) + " values";
		}
	}
	Alembic::Abc::MetaData MetaData;
	MetaData.deserialize(Param.MetaData);
	const Alembic::AbcGeom::GeometryScope Scope = Alembic::AbcGeom::GetGeometryScope(MetaData);
	const bool bPerStrand = Scope == Alembic::AbcGeom::kUniformScope || Scope == Alembic::AbcGeom::kConstantScope || Count == static_cast<uint64_t>(Strands);
	const uint64_t Read = Scope == Alembic::AbcGeom::kConstantScope ? (Strands > 0 ? 1 : 0) : static_cast<uint64_t>(bPerStrand ? Strands : Points);
	if (Count >= Read)
	{
		return std::string();
	}
	return std::to_string(Count) + " values at " + (MetaData.get("geoScope").empty() ? std::string("no") : MetaData.get("geoScope")) + " scope, read as one per " +
	       (Scope == Alembic::AbcGeom::kConstantScope ? std::string("groom") : bPerStrand ? "strand"
	                                                                                      : "point") +
	       " for " + std::to_string(Strands) + " strands of " +
	       std::to_string(Points) + " points";
}

void LogMessage(std::string message)
{
	const FString Text = UTF8_TO_TCHAR(message.c_str());
	UE_LOG(LogTemp, Warning, TEXT("%s"), *Text);
}

GroomData ReadGroom(std::string path)
{
	bool bReadFailed = false;
	return ReadGroom(std::move(path), bReadFailed);
}

FGroomReadPlan ChooseGroomReadPlan(const std::string& Utf8Path, std::string (*LibraryName)(const std::string&), std::string (*ShortPath)(const std::string&))
{
	FGroomReadPlan plan;
	plan.LibraryName = LibraryName(Utf8Path);
	if (plan.LibraryName.empty())
	{
		const std::string shortPath = ShortPath(Utf8Path);
		if (!shortPath.empty())
		{
			plan.LibraryName = LibraryName(shortPath);
		}
	}
	if (plan.LibraryName.empty())
	{
		plan.Route = EGroomReadRoute::Stream;
	}
	return plan;
}

FGroomReadPlan PlanGroomRead(const std::string& Utf8Path)
{
#if PLATFORM_WINDOWS
	return ChooseGroomReadPlan(Utf8Path, &WindowsLibraryName, &WindowsShortPath);
#else
	// Narrow names are the file system's own bytes.
	FGroomReadPlan plan;
	plan.LibraryName = Utf8Path;
	return plan;
#endif
}

GroomData ReadGroom(std::string path, bool& bOutReadFailed)
{
	const FGroomReadPlan plan = PlanGroomRead(path);
	return ReadGroom(std::move(path), bOutReadFailed, plan);
}

GroomData ReadGroom(std::string path, bool& bOutReadFailed, std::string* outReason)
{
	const FGroomReadPlan plan = PlanGroomRead(path);
	return ReadGroom(std::move(path), bOutReadFailed, plan, outReason);
}

GroomData ReadGroom(std::string path, bool& bOutReadFailed, EGroomReadRoute route)
{
	FGroomReadPlan plan;
	plan.Route = route;
	plan.LibraryName = path;
	return ReadGroom(std::move(path), bOutReadFailed, plan);
}

GroomData ReadGroom(std::string path, bool& bOutReadFailed, const FGroomReadPlan& plan, std::string* outReason, std::vector<FGroomParam>* outCarried,
                    std::vector<std::string>* outSkipped)
{
	GroomData groom;
	bOutReadFailed = false;
	if (outCarried)
	{
		outCarried->clear();
	}
	// A failure is logged, and its message kept for a caller that asked for it.
	const auto fail = [&](const std::string& message)
	{
		if (outReason)
		{
			*outReason = message;
		}
		bOutReadFailed = true;
	};
	// Outlives the archive and every sample read from it.
	FGroomFileSource source;
	FGroomFileLayout layout;
	layout.Open(path);
	std::istream file(&source);
	const bool bStream = plan.Route == EGroomReadRoute::Stream && source.Open(path);
	if (bStream)
	{
		std::string problem;
		if (!source.Check(problem))
		{
			LogMessage("Error reading Alembic file: " + path + ": " + problem + " (a damaged file)\n");
			fail("Error reading Alembic file: " + path + ": " + problem + " (a damaged file)");
			return groom;
		}
	}
	try
	{
		// A file that cannot be opened is left to the library, which says so in its own words.
		const Alembic::Abc::IArchive archive =
		    bStream ? Alembic::Abc::IArchive(Alembic::AbcCoreOgawa::ReadArchive(std::vector<std::istream*>{&file}), path,
		                                     Alembic::Abc::ErrorHandler::kThrowPolicy, Alembic::AbcCoreAbstract::ReadArraySampleCachePtr())
		            : Alembic::Abc::IArchive(Alembic::AbcCoreOgawa::ReadArchive(), plan.Route == EGroomReadRoute::ByName ? plan.LibraryName : path,
		                                     Alembic::Abc::ErrorHandler::kThrowPolicy, Alembic::AbcCoreAbstract::ReadArraySampleCachePtr());
		if (!archive.valid())
		{
			LogMessage("Failed to open Alembic file: " + path + "\n");
			fail("Failed to open Alembic file: " + path);
			return groom;
		}

		std::error_code sizeError;
		const uint64_t fileSize = bStream ? source.GetSize() : static_cast<uint64_t>(std::filesystem::file_size(ToFileSystemPath(path), sizeError));
		const FCurvesSearch search = FindFirstCurves(archive.getTop(), MaxObjectsIn(sizeError ? 0 : fileSize));
		if (search.bTooDeep)
		{
			const FString Text = UTF8_TO_TCHAR(("Error reading Alembic file: " + path + ": its first curves object lies " + std::to_string(search.depth) +
			                                    " levels of objects deep; grooms are read down to " + std::to_string(MaxCurvesDepth) + " levels")
			                                       .c_str());
			UE_LOG(LogTemp, Error, TEXT("%s"), *Text);
			fail(TCHAR_TO_UTF8(*Text));
			return groom;
		}
		if (search.bLoop)
		{
			LogMessage("Error reading Alembic file: " + path + ": its objects nest in a loop (a damaged file)\n");
			fail("Error reading Alembic file: " + path + ": its objects nest in a loop (a damaged file)");
			return groom;
		}
		if (!search.curves)
		{
			return groom;
		}
		const std::optional<Alembic::AbcGeom::ICurves>& curves = search.curves;
		const Alembic::AbcGeom::ICurvesSchema schema = curves->getSchema();
		if (schema.getNumSamples() == 0)
		{
			return groom;
		}

		const ISampleSelector first(index_t(0));
		// Every array the schema's sample reads.
		CheckSampleShape(layout, schema.getPositionsProperty(), first);
		CheckSampleShape(layout, schema.getNumVerticesProperty(), first);
		CheckSampleShape(layout, schema.getPositionWeightsProperty(), first);
		CheckSampleShape(layout, schema.getOrdersProperty(), first);
		CheckSampleShape(layout, schema.getKnotsProperty(), first);
		CheckSampleShape(layout, schema.getVelocitiesProperty(), first);
		// The library reads the curve type into four bytes, whatever type and size the file gives it.
		const Alembic::Abc::PropertyHeader* const basisHeader = schema.getPropertyHeader("curveBasisAndType");
		if (basisHeader && (!basisHeader->isScalar() || basisHeader->getDataType().getPod() != Alembic::Util::kUint8POD || basisHeader->getDataType().getExtent() != 4))
		{
			throw std::runtime_error("The sample of curveBasisAndType is not the four bytes of a curve type: the file is damaged.");
		}
		{
			groom.positions = ToFlat(schema.getValue(first).getPositions());
		}
		{
			const Alembic::Abc::Int32ArraySamplePtr counts = schema.getValue(first).getCurvesNumVertices();
			std::vector<int32_t> vertexCounts;
			if (counts)
			{
				vertexCounts.assign(counts->get(), counts->get() + counts->size());
			}
			groom.vertexCounts = std::move(vertexCounts);
		}
		{
			Alembic::AbcGeom::IFloatGeomParam widthsParam = schema.getWidthsParam();
			std::vector<float> widths;
			if (widthsParam.valid())
			{
				CheckGeomParamShape(layout, widthsParam, first);
				widths = ReadExpandedWidths(widthsParam, first);
			}
			groom.widths = std::move(widths);
		}
		bool bColourTaken = false;
		groom.groomColors = ReadVectorParam(layout, schema, "groom_color", &bColourTaken);
		groom.surfaceNormals = ReadVectorParam(layout, schema, "surface_normal");
		if (outCarried)
		{
			std::vector<FGroomParam> carried;
			std::vector<std::string> skipped;
			ReadCarriedParams(layout, schema, bColourTaken, carried, skipped);
			*outCarried = std::move(carried);
			if (outSkipped)
			{
				*outSkipped = std::move(skipped);
			}
		}
	}
	catch (const std::exception& error)
	{
		std::string text = NameTheFile(error.what(), plan, path);
		if (bStream && source.ReadOversizedData())
		{
			// The stream refused that read where the library, knowing the size, refuses the block.
			ReplaceFirst(text, "Ogawa IStreams::read failed.", "Ogawa IData illegal size.");
		}
		LogMessage("Error reading Alembic file: " + text + "\n");
		fail("Error reading Alembic file: " + text);
	}
	return groom;
}

void WriteGroom(std::string path, const GroomData& groom)
{
	WriteGroom(path, groom, path);
}

void WriteGroom(std::string path, const GroomData& groom, const std::string& announcedPath)
{
	WriteGroom(std::move(path), groom, announcedPath, {}, nullptr);
}

void WriteGroom(std::string path, const GroomData& groom, const std::string& announcedPath, const std::vector<FGroomParam>& carried,
                std::vector<std::string>* outLeftOut)
{
	const std::vector<V2f> uvs = MakeStrandUVs(groom);
	const int64_t numStrands = static_cast<int64_t>(groom.vertexCounts.size());
	if (outLeftOut)
	{
		*outLeftOut = DescribeLeftOut(groom, carried);
	}

	// The positions are handed over where they lie, whole triples only: Imath keeps a vector's components as
	// an array of three, so the floats read as vectors without a copy of the groom's largest array.
	static_assert(sizeof(V3f) == 3 * sizeof(float) && alignof(V3f) == alignof(float), "a vector is three packed floats");
	const size_t numPoints = groom.positions.size() / 3;
	const V3f* const points = numPoints > 0 ? reinterpret_cast<const V3f*>(groom.positions.data()) : nullptr;
	const std::optional<Alembic::AbcGeom::GeometryScope> widthScope = WidthScope(groom.widths.size(), numStrands, static_cast<int64_t>(numPoints));
	const Alembic::AbcGeom::OFloatGeomParam::Sample widths =
	    widthScope ? Alembic::AbcGeom::OFloatGeomParam::Sample(Alembic::Abc::FloatArraySample(groom.widths), *widthScope) : Alembic::AbcGeom::OFloatGeomParam::Sample();
	const Alembic::AbcGeom::OCurvesSchema::Sample sample(Alembic::Abc::P3fArraySample(points, numPoints), Alembic::Abc::Int32ArraySample(groom.vertexCounts),
	                                                     Alembic::AbcGeom::kCubic, Alembic::AbcGeom::kNonPeriodic, widths,
	                                                     Alembic::AbcGeom::OV2fGeomParam::Sample(Alembic::Abc::V2fArraySample(uvs), Alembic::AbcGeom::kVertexScope),
	                                                     Alembic::AbcGeom::ON3fGeomParam::Sample(), Alembic::AbcGeom::kBezierBasis, Alembic::Abc::FloatArraySample(),
	                                                     Alembic::Abc::UcharArraySample(), Alembic::Abc::FloatArraySample());
	const std::optional<const char*> colorScope = ColourScope(groom.groomColors.size() / 3, numStrands, static_cast<int64_t>(numPoints));

	std::cout << "writing to file: " << announcedPath << std::endl;

	FGroomFileSink sink;
	if (!sink.Open(path))
	{
		throw std::runtime_error("Could not open file: " + announcedPath + " (" + sink.GetReason() + ")");
	}
	std::string refusal;
	{
		std::ostream stream(&sink);
		try
		{
			// The archive is finished when it goes out of scope: its last blocks and the frozen byte are
			// written by destructors, into the sink, which takes them whatever the file does.
			Alembic::Abc::OArchive archive(Alembic::AbcCoreOgawa::WriteArchive()(&stream, Alembic::Abc::MetaData()), Alembic::Abc::kWrapExisting);
			Alembic::AbcGeom::OCurves curves(archive.getTop(), "groom");
			Alembic::Abc::OCompoundProperty arbGeomParams = curves.getSchema().getArbGeomParams();
			if (colorScope)
			{
				WriteVectorParam(arbGeomParams, groom.groomColors, "groom_color", *colorScope);
			}
			WriteVectorParam(arbGeomParams, groom.surfaceNormals, "surface_normal", "vtx");
			for (const FGroomParam& param : carried)
			{
				const bool bOwn = param.Name == "surface_normal" || (param.Name == "groom_color" && colorScope);
				if (!bOwn && DescribeEngineReadPast(param, numStrands, static_cast<int64_t>(numPoints)).empty() &&
				    !arbGeomParams.getPropertyHeader(param.Name))
				{
					WriteCarriedParam(arbGeomParams, param);
				}
			}
			curves.getSchema().set(sample);
		}
		catch (const std::exception& error)
		{
			refusal = error.what();
		}
	}
	// A failed write is the cause of whatever else went wrong, so it is the one reported.
	if (!sink.Close())
	{
		throw std::runtime_error("Could not write file: " + announcedPath + " (" + sink.GetReason() + ")");
	}
	if (!refusal.empty())
	{
		throw std::runtime_error("Could not write file: " + announcedPath + " (" + refusal + ")");
	}
}
