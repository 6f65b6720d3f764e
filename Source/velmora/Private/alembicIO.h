#pragma once

#include <cstdint>
#include <fstream>
#include <streambuf>
#include <string>
#include <unordered_map>
#include <vector>

// One hair groom in memory: strands (open curves) of points, with per-strand or per-point attributes.
// Every value stays exactly as the file holds it; nothing converts units, axes or handedness.
struct GroomData
{
	// All points of all strands as x, y, z triples, strand after strand; a strand's first point is its root.
	std::vector<float> positions;
	// Points per strand, in strand order.
	std::vector<int32_t> vertexCounts;
	// One width for the groom, per strand or per point: as many as the file holds, indices expanded.
	std::vector<float> widths;
	// x, y, z triples of the "groom_color" attribute.
	std::vector<float> groomColors;
	// x, y, z triples of the "surface_normal" attribute.
	std::vector<float> surfaceNormals;
};

// An arbitrary geometry parameter of a groom's curves object that the record does not hold (root UVs,
// guide flags, ids, groups, ...), as the file holds it at sample 0. A fit carries these from the file it
// reads to the file it writes unchanged: strands keep their order and their points, so per-strand and
// per-point values stay right. Numeric arrays only, plain or indexed.
struct FGroomParam
{
	std::string Name;
	// Alembic's plain-old-data type (Alembic::Util::PlainOldDataType) and its values per element.
	uint8_t Pod = 0;
	uint8_t Extent = 1;
	// The property's metadata as Alembic serializes it ("geoScope=uni;interpretation=vector"); for an
	// indexed param, the compound's, which its values repeat.
	std::string MetaData;
	// The elements, Extent values of Pod each, in file order.
	std::vector<uint8_t> Values;
	uint64_t NumValues = 0;
	// An indexed param is a compound of its values and one index per element it stands for.
	bool bIndexed = false;
	std::vector<uint32_t> Indices;

	// Elements the param stands for: its indices, or its values.
	uint64_t NumElements() const { return bIndexed ? Indices.size() : NumValues; }
};

// Why the engine's groom import would read past Param's values in a groom of Strands strands and Points
// points, or "" when it would not. The import reads only params named "groom_*": those of uniform or
// constant scope, or with one value per strand, as one per strand; any other as one per point, unchecked.
std::string DescribeEngineReadPast(const FGroomParam& Param, int64_t Strands, int64_t Points);

// Logs a UTF-8 text to LogTemp at Warning, unchanged (a trailing line break stays in the line).
void LogMessage(std::string message);

// Reads the first curves object (pre-order) of an Alembic file at sample 0. Never throws: a failure is
// logged and the record holds what was read before it.
GroomData ReadGroom(std::string path);

// As above, and tells the caller whether reading failed (the archive could not be opened or the library
// raised an error), so a half-read record is never taken for a whole one.
GroomData ReadGroom(std::string path, bool& bOutReadFailed);

// As above; on a failure outReason gets the message the failure logged (its last line names the cause).
GroomData ReadGroom(std::string path, bool& bOutReadFailed, std::string* outReason);

// How Alembic gets at a groom file to read. The engine's Alembic (1.8.6) opens files by narrow name,
// which Windows takes in the ANSI code page: a name that code page holds exactly is opened by name, and
// so is one whose short (8.3) form it holds; any other is opened by the plugin, by its wide name, and
// handed to Alembic as a stream read on demand. Elsewhere narrow names are UTF-8 and every name is
// opened by name, the library's faster memory-mapped read. A file reads the same both ways, damaged
// ones included: the stream route checks the file's container against its size before the library sees
// it, as the library does itself only by name.
enum class EGroomReadRoute
{
	ByName,
	Stream
};

struct FGroomReadPlan
{
	EGroomReadRoute Route = EGroomReadRoute::ByName;
	// On the by-name route, the name as the library takes it (the messages still name the UTF-8 path).
	std::string LibraryName;
};

// How this platform reads the file at the UTF-8 path.
FGroomReadPlan PlanGroomRead(const std::string& Utf8Path);

// The choice PlanGroomRead makes, given the platform's ways of naming the file: LibraryName turns a
// UTF-8 path into the library's narrow encoding ("" where that cannot hold it exactly), ShortPath gives
// the file's short path in UTF-8 ("" where it has none).
FGroomReadPlan ChooseGroomReadPlan(const std::string& Utf8Path, std::string (*LibraryName)(const std::string&), std::string (*ShortPath)(const std::string&));

// As ReadGroom, by the given route (tests take the other platform's route with it); by name the library
// is given the path unchanged.
GroomData ReadGroom(std::string path, bool& bOutReadFailed, EGroomReadRoute route);

// As ReadGroom, as planned. outCarried, when given, gets the curves object's arbitrary geometry params
// that the record does not hold (every one but "surface_normal", and "groom_color" where the record
// took it), each checked against the file before it is read; outSkipped gets one line for each param
// that cannot be carried (a scalar, a string, a nested compound).
GroomData ReadGroom(std::string path, bool& bOutReadFailed, const FGroomReadPlan& plan, std::string* outReason = nullptr,
                    std::vector<FGroomParam>* outCarried = nullptr, std::vector<std::string>* outSkipped = nullptr);

// Alembic 1.8.6 sizes an array sample by its stored dimensions and then copies its whole data block into
// it, so dimensions that disagree with the block (a damaged file) make it allocate what they claim or write
// past what it allocated. "" when Dimensions (Alembic's, rank and extents) of values of ValueBytes each fill
// exactly the StoredBytes of the block; otherwise what is wrong ("claims 10 values but holds 8 bytes").
template<typename TDimensions>
std::string DescribeSampleShapeProblem(const TDimensions& Dimensions, uint64_t ValueBytes, uint64_t StoredBytes)
{
	uint64_t Values = Dimensions.rank() > 0 ? 1 : 0;
	bool bFits = ValueBytes > 0;
	for (size_t Rank = 0; Rank < Dimensions.rank() && bFits; ++Rank)
	{
		bFits = Dimensions[Rank] == 0 || Values <= UINT64_MAX / ValueBytes / Dimensions[Rank];
		Values *= Dimensions[Rank];
	}
	if (bFits && Values * ValueBytes == StoredBytes)
	{
		return std::string();
	}
	return "claims " + (bFits ? std::to_string(Values) : std::string("too many")) + " values but holds " + std::to_string(StoredBytes) + " bytes";
}

// Alembic 1.8.6 reads an array sample through the slots of the property's Ogawa group without checking
// them: a slot that names no data block (a damaged file can hold an empty group, too few slots or a group
// where data belongs) is dereferenced as null, and a property of extent 0 divides by zero. Before a sample
// is read, this looks at those slots in the file as the library will, by name or by stream alike. It
// reads only the group and header blocks on the way to the property and the sizes of two data blocks,
// never sample data, so its cost does not grow with the groom.
class FGroomFileLayout
{
public:
	FGroomFileLayout() = default;
	FGroomFileLayout(const FGroomFileLayout&) = delete;
	FGroomFileLayout& operator=(const FGroomFileLayout&) = delete;

	// Opens the file at the UTF-8 path. False when it cannot be read.
	bool Open(const std::string& Utf8Path);

	// What would crash Alembic reading sample SampleIndex of the array property that PropertyNames name,
	// from the top compound of the object at ObjectFullName down; "" when nothing would (the library's
	// own checks may still refuse the read). Where names repeat, every property they may name is looked at.
	std::string FindArraySampleProblem(const std::string& ObjectFullName, const std::vector<std::string>& PropertyNames, int64_t SampleIndex);

	// As above for an Alembic array property and sample selector.
	template<typename TArrayProperty, typename TSelector>
	std::string FindArraySampleProblem(const TArrayProperty& Property, const TSelector& Selector)
	{
		std::vector<std::string> Names{Property.getName()};
		std::string ObjectName;
		auto Parent = Property.getParent();
		while (Parent.valid())
		{
			auto Above = Parent.getParent();
			if (!Above.valid())
			{
				// The object's top compound has no name of its own.
				ObjectName = Parent.getObject().getFullName();
				break;
			}
			Names.insert(Names.begin(), Parent.getName());
			Parent = Above;
		}
		return FindArraySampleProblem(ObjectName, Names, static_cast<int64_t>(Selector.getIndex(Property.getTimeSampling(), Property.getNumSamples())));
	}

private:
	// The slots of the group at Position, read as the library reads a group; false where reading fails.
	bool ReadSlots(uint64_t Position, std::vector<uint64_t>& OutSlots);
	bool ReadBlock(uint64_t DataSlot, std::vector<char>& OutBytes);
	bool ReadDataSize(uint64_t DataSlot, uint64_t& OutSize);
	bool ReadAt(uint64_t At, void* Out, uint64_t Count);
	// The groups of the object group at Object's children named Name, added to OutChildren where not there
	// yet. Each object's children are read once: a read of many objects under one parent looks through
	// the parent's list once, not once per object.
	void AddNamedChildren(uint64_t Object, const std::string& Name, std::vector<uint64_t>& OutChildren);

	std::filebuf File;
	uint64_t Size = 0;
	// Per object group read so far, its children's groups by name, in the order the names come.
	std::unordered_map<uint64_t, std::unordered_map<std::string, std::vector<uint64_t>>> ChildrenOf;
};

// What Alembic writes a groom file through. The library makes every failure of the stream it is given
// throw, and it writes from destructors, where a throw ends the process; so this stream never fails. It
// hands the bytes to the file while the file takes them, keeps the first failure with the system's
// reason, and from then on accepts and drops every byte, counting positions (tellp, seekp) as if each had
// been written. Close, once the archive is gone, tells whether the file is whole.
class FGroomFileSink : public std::streambuf
{
public:
	FGroomFileSink() = default;
	FGroomFileSink(const FGroomFileSink&) = delete;
	FGroomFileSink& operator=(const FGroomFileSink&) = delete;

	// Creates or truncates the file at the UTF-8 path. False, with the reason kept, when it cannot.
	bool Open(const std::string& Utf8Path);
	// Hands the bytes to Target, which stays the caller's, in place of a file: a destination that is no
	// plain file fails the same way, a failing call's errno kept as the file's would be.
	void Open(std::streambuf& Target);
	// Hands over what is buffered and closes the file (or syncs the target). False when anything since
	// Open failed.
	bool Close();

	bool HasFailed() const { return Error != 0; }
	// The errno value of the first failure (EIO where the system gave none); 0 while nothing failed.
	int GetError() const { return Error; }
	// The system's words for the first failure.
	std::string GetReason() const;

protected:
	std::streamsize xsputn(const char* Bytes, std::streamsize Count) override;
	int_type overflow(int_type Byte) override;
	pos_type seekoff(off_type Offset, std::ios_base::seekdir Direction, std::ios_base::openmode Mode) override;
	pos_type seekpos(pos_type Position, std::ios_base::openmode Mode) override;
	int sync() override;

private:
	void Keep(int SystemError);

	std::filebuf File;
	// File once open, or the target given; null before either and after Close.
	std::streambuf* Destination = nullptr;
	// Where the next byte goes and where the file ends, as the writer sees them.
	uint64_t Position = 0;
	uint64_t End = 0;
	int Error = 0;
};

// Writes the record as one cubic curves object "groom" with widths, per-point texture coordinates and
// the "groom_color" and "surface_normal" vector attributes, and says on standard output where it writes.
// Throws std::runtime_error once the library is done with the file: "Could not open file: <path>
// (<reason>)" when it cannot be created, "Could not write file: <path> (<reason>)" when a write failed
// (the system's reason) or the library refused the record (the library's). What was written by then
// stays behind for the caller to remove.
//
// Every fitted groom goes next into the engine's groom import, which reads a width or a "groom_*" param
// by the scope it is labelled with, without checking its count, and crashes on an empty one. So each
// array is labelled with the scope its count fits: widths per point at vertex scope, one per strand at
// uniform scope, one at constant scope, none left out; colours per point or per strand at vertex scope
// (the import takes one per strand as such by its count), one at constant scope, none left out. Widths
// or colours whose count fits no scope are left out too.
void WriteGroom(std::string path, const GroomData& groom);

// As above, but the line on standard output and the failures name announcedPath: the file the caller
// means to make, when path is a temporary file on the way to it.
void WriteGroom(std::string path, const GroomData& groom, const std::string& announcedPath);

// As above, with carried params added to the arbitrary geometry params after the record's own (any
// named as one the record writes, or that the engine's import would read past, is left out). outLeftOut,
// when given, gets one line for each array left out because no scope fits its count.
void WriteGroom(std::string path, const GroomData& groom, const std::string& announcedPath, const std::vector<FGroomParam>& carried,
                std::vector<std::string>* outLeftOut);
