// What 'velmora inspect' and 'velmora prepare' print of a file's objects: bounded by what the file holds
// however deep its objects nest, and every name from the file on one line of its own, escaped.
#include "../Prepare/PrepareTestHelpers.h"
#include "CliTestUtils.h"
#include "SafeText.h"

#include <nlohmann/json.hpp>

using namespace CliTest;
using namespace PrepareTest;

namespace
{
	// A chain of Depth transforms, each under the one before, with names of NameLength bytes, and a
	// curves object of one strand under every third of them, the first with a colour.
	fs::path WriteDeepGroom(const fs::path& Dir, int Depth, size_t NameLength)
	{
		const fs::path Path = Dir / "deep.abc";
		WriteAbc(Path, [&](OObject Top, OArchive&)
		         {
			         OObject Parent = Top;
			         for (int Level = 0; Level < Depth; ++Level)
			         {
				         std::string Name = "level" + std::to_string(Level) + "_";
				         Name.resize(NameLength, 'x');
				         OXform Xform = AddXform(Parent, Name, Translate(0, 0, 0.01));
				         if (Level % 3 == 2)
				         {
					         // Only the first has a colour: the line saying it is dropped names every other.
					         FCurvesRecipe Curves = Lines({{0, 0, 0, 0, 0, 1}});
					         if (Level == 2)
					         {
						         Curves.ColourName = "Cd";
						         Curves.Colours = {1, 0, 0};
					         }
					         AddCurves(Xform, "curves" + std::to_string(Level), Curves);
				         }
				         Parent = Xform;
			         } });
		return Path;
	}

	// Each byte of Text that is a control character or starts U+202E, as the terminal would get it.
	size_t RawControls(const std::string& Text)
	{
		size_t Found = 0;
		for (size_t Index = 0; Index < Text.size(); ++Index)
		{
			const unsigned char Byte = static_cast<unsigned char>(Text[Index]);
			Found += (Byte < 0x20 && Byte != '\n') || Byte == 0x7F || Byte == 0xFF || Text.compare(Index, 3, "\xE2\x80\xAE") == 0;
		}
		return Found;
	}

	std::vector<std::string> LinesOf(const std::string& Text)
	{
		std::vector<std::string> Lines;
		size_t Start = 0;
		for (size_t End; (End = Text.find('\n', Start)) != std::string::npos; Start = End + 1)
		{
			Lines.push_back(Text.substr(Start, End - Start));
		}
		return Lines;
	}

	// Four curves objects at the top whose names hold a newline, a terminal's colour escape, a
	// right-to-left override and a byte that is not UTF-8, one strand each of 2, 3, 4 and 5 points.
	const std::vector<std::string> HostileNames = {"line\nbreak", "esc\x1b[31mred", "rtl\xE2\x80\xAEtxt.exe", "bad\xFFnbyte"};
	const std::vector<std::string> ShownNames = {"line\\nbreak", "esc\\x1b[31mred", "rtl\\u202etxt.exe", "bad\\xffnbyte"};

	fs::path WriteHostileNames(const fs::path& Dir)
	{
		const fs::path Path = Dir / "names.abc";
		WriteAbc(Path, [](OObject Top, OArchive&)
		         {
			         for (size_t Index = 0; Index < HostileNames.size(); ++Index)
			         {
				         std::vector<float> Strand;
				         for (size_t Point = 0; Point < Index + 2; ++Point)
				         {
					         Strand.insert(Strand.end(), {static_cast<float>(Index), 0, static_cast<float>(Point)});
				         }
				         AddCurves(Top, HostileNames[Index], Lines({Strand}));
			         } });
		return Path;
	}
}

TEST(ObjectListing, DeepNestingKeepsEveryOutputWithinAFewTimesTheFile)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("listing-deep");
	const fs::path Path = WriteDeepGroom(Dir, 240, 300);
	const uintmax_t FileSize = fs::file_size(Path);

	const FRun Text = RunVelmora("inspect deep.abc", Dir);
	ASSERT_EQ(Text.ExitCode, 0) << Text.Stderr;
	EXPECT_LT(Text.Stdout.size(), 3 * FileSize) << "inspect printed " << Text.Stdout.size() << " bytes of a " << FileSize << "-byte file";
	// The deepest curves object: its parent's number and its own name, and the transforms counted.
	EXPECT_NE(Text.Stdout.find("#318/curves239  Curve"), std::string::npos) << Text.Stdout.substr(Text.Stdout.size() - 3000);
	EXPECT_NE(Text.Stdout.find("    transforms      240 above it\n"), std::string::npos);
	EXPECT_NE(Text.Stdout.find("  <- the fit reads this one"), std::string::npos);

	const FRun Json = RunVelmora("inspect --json deep.abc", Dir);
	ASSERT_EQ(Json.ExitCode, 0) << Json.Stderr;
	EXPECT_LT(Json.Stdout.size(), 3 * FileSize) << "inspect --json printed " << Json.Stdout.size() << " bytes";
	const nlohmann::json Objects = nlohmann::json::parse(Json.Stdout)["objects"];
	ASSERT_EQ(Objects.size(), 240u + 80u);
	// The first objects keep their whole path; a deep one is rebuilt from its parent and name.
	EXPECT_EQ(Objects[0]["path"], "/level0_" + std::string(300 - 7, 'x'));
	EXPECT_TRUE(Objects[319]["path"].is_null());
	EXPECT_EQ(Objects[319]["parent"], 318);
	EXPECT_EQ(Objects[319]["name"], "curves239");
	EXPECT_EQ(Objects[319]["transformCount"], 240);

	const FRun Prepare = RunVelmora("prepare deep.abc out.abc", Dir);
	ASSERT_EQ(Prepare.ExitCode, 0) << Prepare.Stderr;
	EXPECT_LT(Prepare.Stdout.size(), 3 * FileSize) << "prepare printed " << Prepare.Stdout.size() << " bytes";
	EXPECT_NE(Prepare.Stdout.find("the world transform of 240 transforms above it"), std::string::npos);
	EXPECT_NE(Prepare.Stdout.find("/curves11 and 76 more has none"), std::string::npos) << Prepare.Stdout.substr(0, 3000);
	EXPECT_EQ(ReadGroomQuietly(Dir / "out.abc").vertexCounts.size(), 80u);
}

TEST(ObjectListing, TwoSiblingsOfOneNameGetOneFitMark)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("listing-twins");
	// Alembic's writer takes no two siblings of one name: the second is renamed in the bytes.
	WriteAbc(Dir / "twins.abc", [](OObject Top, OArchive&)
	         {
		         AddCurves(AddXform(Top, "twinAAAA", Translate(0, 0, 0)), "hair", Lines({{0, 0, 0, 0, 0, 1}}));
		         AddCurves(AddXform(Top, "twinBBBB", Translate(0, 0, 5)), "hair", Lines({{0, 0, 0, 0, 0, 1}, {1, 0, 0, 1, 0, 1}})); });
	std::string Bytes = ReadBytes(Dir / "twins.abc");
	const size_t Second = Bytes.find("twinBBBB");
	ASSERT_NE(Second, std::string::npos);
	ASSERT_EQ(Bytes.find("twinBBBB", Second + 1), std::string::npos);
	Bytes.replace(Second, 8, "twinAAAA");
	WriteBytes(Dir / "twins.abc", Bytes);
	const FRun Text = RunVelmora("inspect twins.abc", Dir);
	ASSERT_EQ(Text.ExitCode, 0) << Text.Stderr;
	size_t Marks = 0;
	for (size_t At = 0; (At = Text.Stdout.find("<- the fit reads this one", At)) != std::string::npos; ++At)
	{
		++Marks;
	}
	EXPECT_EQ(Marks, 1u) << Text.Stdout;
	EXPECT_NE(Text.Stdout.find("#1 /twinAAAA/hair  Curve, 1 sample  <- the fit reads this one\n"), std::string::npos) << Text.Stdout;

	const FRun Json = RunVelmora("inspect --json twins.abc", Dir);
	ASSERT_EQ(Json.ExitCode, 0) << Json.Stderr;
	const nlohmann::json Parsed = nlohmann::json::parse(Json.Stdout);
	size_t Reads = 0;
	for (const nlohmann::json& Object : Parsed["objects"])
	{
		Reads += Object.value("fitReads", false) ? 1 : 0;
	}
	EXPECT_EQ(Reads, 1u) << Json.Stdout;
	EXPECT_EQ(Parsed["objects"][1]["fitReads"], true);
}

TEST(NameEscaping, EscapesControlsBidiMarksAndBadBytesAndNothingElse)
{
	EXPECT_EQ(SafeText::Escaped("plain/Name_1 \xC3\xA9t\xC3\xA9 \\x41"), "plain/Name_1 \xC3\xA9t\xC3\xA9 \\x41");
	EXPECT_EQ(SafeText::Escaped("a\nb\tc\rd\x1b[0m\x7F"), "a\\nb\\tc\\rd\\x1b[0m\\x7f");
	EXPECT_EQ(SafeText::Escaped("x\xE2\x80\xAEy\xE2\x81\xA6z\xE2\x80\x8B\xEF\xBB\xBF\xC2\x85"), "x\\u202ey\\u2066z\\u200b\\ufeff\\u0085");
	// A stray continuation byte, a cut sequence, an overlong slash and an encoded surrogate.
	EXPECT_EQ(SafeText::Escaped("\x80|\xE2\x80|\xC0\xAF|\xED\xA0\x80"), "\\x80|\\xe2\\x80|\\xc0\\xaf|\\xed\\xa0\\x80");
	EXPECT_TRUE(SafeText::IsPlain("/Head/Curves \xE4\xB8\xAD"));
	EXPECT_FALSE(SafeText::IsPlain("/Head\xFF"));
	EXPECT_FALSE(SafeText::IsPlain("/Head\n"));
}

TEST(NameEscaping, InspectShowsEachHostileNameEscapedOnOneLine)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("names-inspect");
	WriteHostileNames(Dir);
	const FRun Run = RunVelmora("inspect names.abc", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	EXPECT_EQ(RawControls(Run.Stdout), 0u) << Run.Stdout;
	for (const std::string& Shown : ShownNames)
	{
		size_t ObjectLines = 0;
		for (const std::string& Line : LinesOf(Run.Stdout))
		{
			ObjectLines += Line.find(" /" + Shown + "  Curve") != std::string::npos;
		}
		EXPECT_EQ(ObjectLines, 1u) << Shown << "\n"
		                           << Run.Stdout;
	}
	EXPECT_NE(Run.Stdout.find("fit reads       /line\\nbreak: "), std::string::npos) << Run.Stdout;
}

TEST(NameEscaping, PrepareObjectPicksANameByItsEscapedForm)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("names-pick");
	WriteHostileNames(Dir);
	for (size_t Index = 0; Index < ShownNames.size(); ++Index)
	{
		const FRun Run = RunVelmora("prepare names.abc out" + std::to_string(Index) + ".abc --object '/" + ShownNames[Index] + "'", Dir);
		ASSERT_EQ(Run.ExitCode, 0) << ShownNames[Index] << ": " << Run.Stderr;
		EXPECT_EQ(RawControls(Run.Stdout), 0u) << Run.Stdout;
		const GroomData Groom = ReadGroomQuietly(Dir / ("out" + std::to_string(Index) + ".abc"));
		EXPECT_EQ(Groom.vertexCounts, std::vector<int32_t>({static_cast<int32_t>(Index) + 2})) << ShownNames[Index];
	}
	// The name as stored picks it too.
	const FRun Raw = RunVelmora("prepare names.abc raw.abc --object '/esc\x1b[31mred'", Dir);
	ASSERT_EQ(Raw.ExitCode, 0) << Raw.Stderr;
	EXPECT_EQ(ReadGroomQuietly(Dir / "raw.abc").vertexCounts, std::vector<int32_t>({3}));
}

TEST(NameEscaping, AnErrorAboutAHostileNameIsOneLine)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("names-error");
	WriteAbc(Dir / "one.abc", [](OObject Top, OArchive&)
	         { AddCurves(Top, "two\nlines\x1b[2J", Lines({{0, 0, 0, 0, 0, 1}})); });
	const FRun Run = RunVelmora("prepare one.abc out.abc --frame 3", Dir);
	EXPECT_EQ(Run.ExitCode, 1);
	EXPECT_EQ(std::count(Run.Stderr.begin(), Run.Stderr.end(), '\n'), 1) << Run.Stderr;
	EXPECT_EQ(RawControls(Run.Stderr), 0u) << Run.Stderr;
	EXPECT_NE(Run.Stderr.find("/two\\nlines\\x1b[2J has 1 sample"), std::string::npos) << Run.Stderr;

	// A name given on the command line is shown the same way.
	const FRun Missing = RunVelmora("inspect \"$(printf 'no\\033[2J\\nfile.abc')\"", Dir);
	EXPECT_EQ(Missing.ExitCode, 1);
	EXPECT_EQ(std::count(Missing.Stderr.begin(), Missing.Stderr.end(), '\n'), 1) << Missing.Stderr;
	EXPECT_EQ(RawControls(Missing.Stderr), 0u) << Missing.Stderr;
	EXPECT_NE(Missing.Stderr.find("no\\x1b[2J\\nfile.abc"), std::string::npos) << Missing.Stderr;
}
