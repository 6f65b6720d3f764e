// The host's header tool: reads the UCLASS/UFUNCTION and USTRUCT/UPROPERTY declarations of one public
// header and writes the reflection code the engine's header tool would: X.generated.h (the
// GENERATED_BODY expansions) and X.gen.cpp (class, struct, function and property records, native entry
// points, registration).
//
// It handles only the forms the plugin's headers use: at most one UCLASS per header deriving publicly
// from one base, with static UFUNCTIONs taking object pointers, FVector, FString and the header's own
// structs by value, structs also by const reference, and returning void, one of those or an object
// pointer; USTRUCTs without a base whose UPROPERTYs are bool, int32, int64, float, double, FVector,
// FString or TArray<FString>. Anything else stops it with a message naming the file and line, as do the engine tool's
// rules the host can check (the generated header last among the includes, GENERATED_BODY in every
// reflected type, Blueprint-visible structs marked BlueprintType).
//
// It also writes, once per module, <Module>.init.gen.cpp: the module's script package, which each
// X.gen.cpp only declares.
//
// Usage: velmora_header_tool <header> <module> <module-relative path> <out dir>
//        velmora_header_tool --init <module> <out dir> [--runtime]   (--runtime: not an editor-only package)

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace
{
	struct FParseError
	{
		int Line;
		std::string Message;
	};

	enum class EKind
	{
		Void,
		Object,
		Vector,
		String,
		// A USTRUCT of this header.
		Struct,
		Bool,
		Int32,
		Int64,
		Float,
		Double,
		// TArray<FString>, a struct member only.
		StringArray,
	};

	struct FType
	{
		EKind Kind = EKind::Void;
		std::string Cpp;       // "AActor*", "FVector", "FString", "FvelmoraFitOptions"
		std::string ClassName; // "AActor" for objects, the struct's name for structs
		// Passed as "const Type&": an input pin the callee reads in place.
		bool bConstRef = false;
	};

	using FMetaDataList = std::vector<std::pair<std::string, std::string>>;

	struct FParam
	{
		std::string Name;
		FType Type;
	};

	struct FFunction
	{
		int Line = 0;
		std::string Name;
		FType Return;
		std::vector<FParam> Params;
		FMetaDataList MetaData;
		bool bCallable = false;
		bool bPure = false;
		std::string Access = "public";
	};

	struct FClass
	{
		std::string Name;
		std::string Super;
		std::string Comment;
		int BodyLine = 0;
		bool bLegacyBody = true;
		bool bAbstract = false;
		std::vector<FFunction> Functions;
	};

	struct FMember
	{
		int Line = 0;
		std::string Name;
		FType Type;
		std::string Flags;
		FMetaDataList MetaData;
	};

	struct FStruct
	{
		int Line = 0;
		std::string Name;
		std::string Comment;
		int BodyLine = 0;
		bool bBlueprintType = false;
		std::vector<FMember> Members;
	};

	struct FHeader
	{
		bool bHasClass = false;
		FClass Class;
		std::vector<FStruct> Structs;

		const FStruct* FindStruct(const std::string& Name) const
		{
			for (const FStruct& Struct : Structs)
			{
				if (Struct.Name == Name)
				{
					return &Struct;
				}
			}
			return nullptr;
		}
	};

	std::string Trim(const std::string& Text)
	{
		const size_t First = Text.find_first_not_of(" \t\r\n");
		if (First == std::string::npos)
		{
			return std::string();
		}
		const size_t Last = Text.find_last_not_of(" \t\r\n");
		return Text.substr(First, Last - First + 1);
	}

	// The header with comments and string contents blanked out, so searches find only code. Lines and
	// offsets stay where they were.
	std::string CodeOnly(const std::string& Source)
	{
		std::string Code = Source;
		for (size_t Index = 0; Index < Code.size(); ++Index)
		{
			if (Code.compare(Index, 2, "//") == 0)
			{
				while (Index < Code.size() && Code[Index] != '\n')
				{
					Code[Index++] = ' ';
				}
			}
			else if (Code.compare(Index, 2, "/*") == 0)
			{
				const size_t End = Code.find("*/", Index + 2);
				const size_t Stop = End == std::string::npos ? Code.size() : End + 2;
				for (; Index < Stop; ++Index)
				{
					Code[Index] = Code[Index] == '\n' ? '\n' : ' ';
				}
				--Index;
			}
			else if (Code[Index] == '"')
			{
				// Strings keep their quotes; their contents are read from the source.
				for (++Index; Index < Code.size() && Code[Index] != '"'; ++Index)
				{
					if (Code[Index] == '\\' && Index + 1 < Code.size())
					{
						Code[Index++] = ' ';
					}
					Code[Index] = Code[Index] == '\n' ? '\n' : ' ';
				}
			}
		}
		return Code;
	}

	int LineAt(const std::string& Text, size_t Offset)
	{
		return 1 + static_cast<int>(std::count(Text.begin(), Text.begin() + static_cast<std::ptrdiff_t>(std::min(Offset, Text.size())), '\n'));
	}

	// Offset just past the parenthesis that closes the one at Open.
	size_t MatchParen(const std::string& Code, size_t Open, int Line)
	{
		int Depth = 0;
		for (size_t Index = Open; Index < Code.size(); ++Index)
		{
			Depth += Code[Index] == '(' ? 1 : Code[Index] == ')' ? -1
			                                                     : 0;
			if (Depth == 0)
			{
				return Index + 1;
			}
		}
		throw FParseError{Line, "unbalanced parentheses"};
	}

	// Splits "a, b = (c, d), e = \"x, y\"" at the top-level commas.
	std::vector<std::string> SplitTopLevel(const std::string& Text)
	{
		std::vector<std::string> Parts;
		std::string Current;
		int Depth = 0;
		bool bInString = false;
		for (size_t Index = 0; Index < Text.size(); ++Index)
		{
			const char Char = Text[Index];
			if (bInString && Char == '\\' && Index + 1 < Text.size())
			{
				Current += Char;
				Current += Text[++Index];
				continue;
			}
			if (Char == '"')
			{
				bInString = !bInString;
			}
			else if (!bInString && Char == '(')
			{
				++Depth;
			}
			else if (!bInString && Char == ')')
			{
				--Depth;
			}
			if (!bInString && Depth == 0 && Char == ',')
			{
				Parts.push_back(Trim(Current));
				Current.clear();
				continue;
			}
			Current += Char;
		}
		if (!Trim(Current).empty())
		{
			Parts.push_back(Trim(Current));
		}
		return Parts;
	}

	std::string Unquote(const std::string& Value, int Line)
	{
		const std::string Text = Trim(Value);
		if (Text.size() < 2 || Text.front() != '"' || Text.back() != '"')
		{
			throw FParseError{Line, "expected a quoted string, found '" + Text + "'"};
		}
		std::string Result;
		for (size_t Index = 1; Index + 1 < Text.size(); ++Index)
		{
			if (Text[Index] == '\\' && Index + 2 < Text.size())
			{
				++Index;
			}
			Result += Text[Index];
		}
		return Result;
	}

	// Where a reflected type may appear; each takes a different set of types.
	enum class EUse
	{
		Return,
		Parameter,
		Member,
	};

	FType ParseType(const std::string& Text, EUse Use, const FHeader& Header, int Line)
	{
		static const std::regex ObjectPointer(R"(^([UA][A-Z]\w*)\s*\*$)");
		static const std::regex ConstReference(R"(^const\s+(\w+)\s*&$)");
		std::string Type = Trim(Text);
		std::smatch Match;
		bool bConstRef = false;
		if (Use == EUse::Parameter && std::regex_match(Type, Match, ConstReference))
		{
			bConstRef = true;
			Type = Match[1].str();
		}
		FType Result;
		if (Use == EUse::Return && Type == "void")
		{
			Result = {EKind::Void, "void", ""};
		}
		else if (Type == "FString" && !bConstRef)
		{
			Result = {EKind::String, "FString", ""};
		}
		else if (Type == "FVector")
		{
			Result = {EKind::Vector, "FVector", ""};
		}
		else if (Use != EUse::Member && Header.FindStruct(Type))
		{
			Result = {EKind::Struct, Type, Type};
		}
		else if (Use != EUse::Member && !bConstRef && std::regex_match(Type, Match, ObjectPointer))
		{
			Result = {EKind::Object, Match[1].str() + "*", Match[1].str()};
		}
		else if (Use == EUse::Member)
		{
			static const std::pair<const char*, EKind> Scalars[] = {
			    {"bool", EKind::Bool}, {"int32", EKind::Int32}, {"int64", EKind::Int64}, {"float", EKind::Float}, {"double", EKind::Double}};
			for (const auto& [Name, Kind] : Scalars)
			{
				if (Type == Name)
				{
					return {Kind, Name, ""};
				}
			}
			static const std::regex StringArray(R"(^TArray\s*<\s*FString\s*>$)");
			if (std::regex_match(Type, StringArray))
			{
				return {EKind::StringArray, "TArray<FString>", ""};
			}
			throw FParseError{Line, "unsupported member type '" + Type + "' (bool, int32, int64, float, double, FVector, FString and TArray<FString> only)"};
		}
		else if (bConstRef)
		{
			throw FParseError{Line, "unsupported parameter type 'const " + Type + "&' (const references to structs only)"};
		}
		else
		{
			throw FParseError{Line, "unsupported type '" + Type + "' (object pointers, FVector, FString and this header's structs only)"};
		}
		Result.bConstRef = bConstRef;
		return Result;
	}

	// key = "value" and bare keys of a meta = (...) specifier.
	void ParseMetaSpecifier(const std::string& Value, FMetaDataList& MetaData, int Line)
	{
		for (const std::string& Entry : SplitTopLevel(Value.substr(1, Value.size() - 2)))
		{
			const size_t EntryEquals = Entry.find('=');
			if (EntryEquals == std::string::npos)
			{
				MetaData.emplace_back(Trim(Entry), "");
				continue;
			}
			MetaData.emplace_back(Trim(Entry.substr(0, EntryEquals)), Unquote(Entry.substr(EntryEquals + 1), Line));
		}
	}

	void SortMetaData(FMetaDataList& MetaData)
	{
		std::stable_sort(MetaData.begin(), MetaData.end(), [](const auto& Lhs, const auto& Rhs)
		                 { return Lhs.first < Rhs.first; });
	}

	// The specifiers of one UFUNCTION(...).
	void ParseFunctionSpecifiers(const std::string& Specifiers, FFunction& Function, int Line)
	{
		for (const std::string& Item : SplitTopLevel(Specifiers))
		{
			const size_t Equals = Item.find('=');
			const std::string Key = Trim(Item.substr(0, Equals));
			const std::string Value = Equals == std::string::npos ? std::string() : Trim(Item.substr(Equals + 1));
			if (Key == "BlueprintCallable" && Equals == std::string::npos)
			{
				Function.bCallable = true;
			}
			else if (Key == "BlueprintPure" && Equals == std::string::npos)
			{
				Function.bCallable = true;
				Function.bPure = true;
			}
			else if (Key == "Category")
			{
				Function.MetaData.emplace_back("Category", Unquote(Value, Line));
			}
			else if (Key == "meta" && Value.size() >= 2 && Value.front() == '(' && Value.back() == ')')
			{
				ParseMetaSpecifier(Value, Function.MetaData, Line);
			}
			else
			{
				throw FParseError{Line, "unsupported UFUNCTION specifier '" + Item + "'"};
			}
		}
		SortMetaData(Function.MetaData);
	}

	// The access in force at Offset within the class body that starts at BodyStart.
	std::string AccessAt(const std::string& Code, size_t BodyStart, size_t Offset, const FClass& Class, size_t BodyMacroOffset)
	{
		static const std::regex Label(R"(\b(public|protected|private)\s*:(?!:))");
		std::string Access = "private";
		if (BodyMacroOffset < Offset)
		{
			Access = Class.bLegacyBody ? "public" : "private";
		}
		const std::string Body = Code.substr(BodyStart, Offset - BodyStart);
		for (std::sregex_iterator It(Body.begin(), Body.end(), Label), End; It != End; ++It)
		{
			if (BodyStart + static_cast<size_t>(It->position()) > BodyMacroOffset || BodyMacroOffset > Offset)
			{
				Access = (*It)[1].str();
			}
		}
		return Access;
	}

	// The access in force at Offset within a struct body (public until a label says otherwise).
	std::string StructAccessAt(const std::string& Code, size_t BodyStart, size_t Offset)
	{
		static const std::regex Label(R"(\b(public|protected|private)\s*:(?!:))");
		std::string Access = "public";
		const std::string Body = Code.substr(BodyStart, Offset - BodyStart);
		for (std::sregex_iterator It(Body.begin(), Body.end(), Label), End; It != End; ++It)
		{
			Access = (*It)[1].str();
		}
		return Access;
	}

	// The documentation comment as the editor shows it: markers and leading stars gone, lines kept.
	std::string ToolTipFromComment(const std::string& Comment)
	{
		std::string Text = Comment;
		const bool bLineComments = Text.rfind("//", 0) == 0;
		if (Text.rfind("/*", 0) == 0)
		{
			Text = Text.substr(Text.find_first_not_of('*', 2));
		}
		if (Text.size() >= 2 && Text.compare(Text.size() - 2, 2, "*/") == 0)
		{
			Text.resize(Text.size() - 2);
		}
		std::vector<std::string> Lines;
		std::istringstream Stream(Text);
		for (std::string Line; std::getline(Stream, Line);)
		{
			Line = Trim(Line);
			if (bLineComments && Line.rfind("//", 0) == 0)
			{
				Line = Trim(Line.substr(Line.find_first_not_of('/')));
			}
			else if (!Line.empty() && Line[0] == '*')
			{
				Line = Trim(Line.substr(1));
			}
			Lines.push_back(Line);
		}
		while (!Lines.empty() && Lines.front().empty())
		{
			Lines.erase(Lines.begin());
		}
		while (!Lines.empty() && Lines.back().empty())
		{
			Lines.pop_back();
		}
		std::string Result;
		for (size_t Index = 0; Index < Lines.size(); ++Index)
		{
			Result += (Index ? "\n" : "") + Lines[Index];
		}
		return Result;
	}

	// The comment directly before Offset (nothing but white space between): one /* */ block, or a run of
	// // lines. Empty when there is none.
	std::string CommentBefore(const std::string& Source, size_t Offset)
	{
		size_t End = Offset;
		while (End > 0 && std::isspace(static_cast<unsigned char>(Source[End - 1])))
		{
			--End;
		}
		if (End >= 2 && Source.compare(End - 2, 2, "*/") == 0)
		{
			const size_t Start = Source.rfind("/*", End - 2);
			return Start == std::string::npos ? std::string() : Source.substr(Start, End - Start);
		}
		// A run of lines that each start with //.
		size_t First = std::string::npos;
		size_t LineEnd = End;
		while (LineEnd > 0)
		{
			const size_t LineStart = Source.rfind('\n', LineEnd - 1) == std::string::npos ? 0 : Source.rfind('\n', LineEnd - 1) + 1;
			const std::string Line = Trim(Source.substr(LineStart, LineEnd - LineStart));
			if (Line.rfind("//", 0) != 0)
			{
				break;
			}
			First = LineStart + Source.substr(LineStart).find("//");
			if (LineStart == 0)
			{
				break;
			}
			LineEnd = LineStart - 1;
		}
		return First == std::string::npos ? std::string() : Trim(Source.substr(First, End - First));
	}

	// Offset just past the brace that closes the body opening at BodyStart (just past its '{').
	size_t BodyEndFrom(const std::string& Code, size_t BodyStart, int Line, const std::string& What)
	{
		size_t BodyEnd = BodyStart;
		for (int Depth = 1; Depth > 0; ++BodyEnd)
		{
			if (BodyEnd >= Code.size())
			{
				throw FParseError{Line, What + " body is not closed"};
			}
			Depth += Code[BodyEnd] == '{' ? 1 : Code[BodyEnd] == '}' ? -1
			                                                         : 0;
		}
		return BodyEnd;
	}

	// The engine tool's rule: the header includes its generated header, and nothing after it.
	void CheckGeneratedInclude(const std::string& Source, const std::string& Code, const std::string& Stem, int FirstTypeLine)
	{
		static const std::regex Include(R"((^|\n)[ \t]*#[ \t]*include[ \t]*")");
		const std::string Wanted = Stem + ".generated.h";
		bool bFound = false;
		for (std::sregex_iterator It(Code.begin(), Code.end(), Include), End; It != End; ++It)
		{
			const size_t Open = static_cast<size_t>(It->position() + It->length());
			const size_t Close = Source.find('"', Open);
			const std::string Path = Close == std::string::npos ? std::string() : Source.substr(Open, Close - Open);
			if (bFound)
			{
				throw FParseError{LineAt(Code, Open), "#include found after .generated.h file - the .generated.h file should always be the last #include in a header"};
			}
			bFound = Path == Wanted;
		}
		if (!bFound)
		{
			throw FParseError{FirstTypeLine, "Expected an include at the top of the header: '#include \"" + Wanted + "\"'"};
		}
	}

	// One UPROPERTY(...) and the member declaration after it, at At within a struct.
	FMember ParseMember(const std::string& Source, const std::string& Code, size_t At, const std::string& Access, const FHeader& Header, const FStruct& Struct)
	{
		FMember Member;
		Member.Line = LineAt(Code, At);
		const size_t SpecEnd = MatchParen(Code, At + 9, Member.Line);
		const std::string Specifiers = Source.substr(At + 10, SpecEnd - At - 11);
		std::vector<std::string> Flags;
		bool bBlueprint = false;
		bool bAllowPrivateAccess = false;
		for (const std::string& Item : SplitTopLevel(Specifiers))
		{
			const size_t Equals = Item.find('=');
			const std::string Key = Trim(Item.substr(0, Equals));
			const std::string Value = Equals == std::string::npos ? std::string() : Trim(Item.substr(Equals + 1));
			if (Key == "EditAnywhere" && Equals == std::string::npos)
			{
				Flags.push_back("CPF_Edit");
			}
			else if (Key == "BlueprintReadWrite" && Equals == std::string::npos)
			{
				Flags.push_back("CPF_BlueprintVisible");
				bBlueprint = true;
			}
			else if (Key == "BlueprintReadOnly" && Equals == std::string::npos)
			{
				Flags.push_back("CPF_BlueprintVisible");
				Flags.push_back("CPF_BlueprintReadOnly");
				bBlueprint = true;
			}
			else if (Key == "Category")
			{
				Member.MetaData.emplace_back("Category", Unquote(Value, Member.Line));
			}
			else if (Key == "meta" && Value.size() >= 2 && Value.front() == '(' && Value.back() == ')')
			{
				ParseMetaSpecifier(Value, Member.MetaData, Member.Line);
			}
			else
			{
				throw FParseError{Member.Line, "unsupported UPROPERTY specifier '" + Item + "'"};
			}
		}
		for (const auto& [Key, Value] : Member.MetaData)
		{
			bAllowPrivateAccess = bAllowPrivateAccess || (Key == "AllowPrivateAccess" && Value != "false");
		}
		if (bBlueprint && Access != "public" && !bAllowPrivateAccess)
		{
			throw FParseError{Member.Line, "BlueprintReadWrite should not be used on private members"};
		}
		Flags.push_back(Access == "public" ? "CPF_NativeAccessSpecifierPublic" : Access == "protected" ? "CPF_NativeAccessSpecifierProtected"
		                                                                                               : "CPF_NativeAccessSpecifierPrivate");
		for (const std::string& Flag : Flags)
		{
			Member.Flags += (Member.Flags.empty() ? "" : " | ") + Flag;
		}

		static const std::regex Declaration(R"(^\s*([\w\s\*&<>:]+?)\s+(\w+)\s*(=[^;{}]*|\{[^;{}]*\})?\s*;)");
		std::smatch Match;
		const std::string Rest = Code.substr(SpecEnd, Code.find(';', SpecEnd) + 1 - SpecEnd);
		if (!std::regex_search(Rest, Match, Declaration))
		{
			throw FParseError{Member.Line, "expected 'Type Name;' or 'Type Name = Value;' after UPROPERTY(...) in struct " + Struct.Name};
		}
		Member.Type = ParseType(Match[1], EUse::Member, Header, Member.Line);
		Member.Name = Match[2];
		const std::string Comment = CommentBefore(Source, At);
		if (!Comment.empty())
		{
			Member.MetaData.emplace_back("Comment", Comment);
			Member.MetaData.emplace_back("ToolTip", ToolTipFromComment(Comment));
		}
		SortMetaData(Member.MetaData);
		return Member;
	}

	// Every USTRUCT of the header, with its members.
	void ParseStructs(const std::string& Source, const std::string& Code, FHeader& Header)
	{
		static const std::regex StructHead(R"(^\s*struct\s+(?:\w+_API\s+)?(\w+)\s*(:[^{;]*)?\{)");
		for (size_t At = Code.find("USTRUCT("); At != std::string::npos; At = Code.find("USTRUCT(", At + 1))
		{
			FStruct Struct;
			Struct.Line = LineAt(Code, At);
			const size_t SpecEnd = MatchParen(Code, At + 7, Struct.Line);
			for (const std::string& Item : SplitTopLevel(Code.substr(At + 8, SpecEnd - At - 9)))
			{
				if (Item == "BlueprintType")
				{
					Struct.bBlueprintType = true;
				}
				else
				{
					throw FParseError{Struct.Line, "unsupported USTRUCT specifier '" + Item + "'"};
				}
			}
			std::smatch Match;
			const std::string After = Code.substr(SpecEnd);
			if (!std::regex_search(After, Match, StructHead))
			{
				throw FParseError{Struct.Line, "expected 'struct Name {' after USTRUCT(...)"};
			}
			Struct.Name = Match[1];
			if (Match[2].matched)
			{
				throw FParseError{Struct.Line, "struct " + Struct.Name + " has a base; reflected structs with a base are not handled"};
			}
			if (Struct.Name.size() < 2 || Struct.Name[0] != 'F')
			{
				throw FParseError{Struct.Line, "reflected struct names begin with F, not '" + Struct.Name + "'"};
			}
			if (Header.FindStruct(Struct.Name))
			{
				throw FParseError{Struct.Line, "struct " + Struct.Name + " is declared twice"};
			}
			Struct.Comment = CommentBefore(Source, At);
			const size_t BodyStart = SpecEnd + static_cast<size_t>(Match.length(0));
			const size_t BodyEnd = BodyEndFrom(Code, BodyStart, Struct.Line, "struct " + Struct.Name);

			const size_t BodyMacroAt = Code.find("GENERATED_BODY(", BodyStart);
			if (BodyMacroAt == std::string::npos || BodyMacroAt > BodyEnd)
			{
				throw FParseError{Struct.Line, "Expected a GENERATED_BODY() at the start of the struct"};
			}
			if (const size_t Again = Code.find("GENERATED_BODY(", BodyMacroAt + 1); Again < BodyEnd)
			{
				throw FParseError{LineAt(Code, Again), "struct " + Struct.Name + " has more than one GENERATED_BODY()"};
			}
			if (StructAccessAt(Code, BodyStart, BodyMacroAt) != "public")
			{
				throw FParseError{LineAt(Code, BodyMacroAt), "GENERATED_BODY() of struct " + Struct.Name + " must be public"};
			}
			Struct.BodyLine = LineAt(Code, BodyMacroAt);
			for (size_t Property = Code.find("UPROPERTY(", BodyStart); Property < BodyEnd; Property = Code.find("UPROPERTY(", Property + 1))
			{
				FMember Member = ParseMember(Source, Code, Property, StructAccessAt(Code, BodyStart, Property), Header, Struct);
				for (const FMember& Earlier : Struct.Members)
				{
					if (Earlier.Name == Member.Name)
					{
						throw FParseError{Member.Line, "member " + Member.Name + " of struct " + Struct.Name + " is declared twice"};
					}
				}
				Struct.Members.push_back(std::move(Member));
			}
			Header.Structs.push_back(std::move(Struct));
		}
	}

	void ParseClass(const std::string& Source, const std::string& Code, size_t UClassAt, FHeader& Header)
	{
		FClass& Class = Header.Class;
		const int ClassLine = LineAt(Code, UClassAt);
		const size_t SpecifiersEnd = MatchParen(Code, UClassAt + 6, ClassLine);
		for (const std::string& Item : SplitTopLevel(Code.substr(UClassAt + 7, SpecifiersEnd - UClassAt - 8)))
		{
			if (Item == "Abstract")
			{
				Class.bAbstract = true;
			}
			else
			{
				throw FParseError{ClassLine, "unsupported UCLASS specifier '" + Item + "'"};
			}
		}

		// The documentation comment directly before UCLASS.
		const size_t CommentEnd = Source.rfind("*/", UClassAt);
		if (CommentEnd != std::string::npos && Trim(Source.substr(CommentEnd + 2, UClassAt - CommentEnd - 2)).empty())
		{
			const size_t CommentStart = Source.rfind("/*", CommentEnd);
			Class.Comment = Source.substr(CommentStart, CommentEnd + 2 - CommentStart);
		}

		static const std::regex ClassHead(R"(^\s*class\s+(?:\w+_API\s+)?(\w+)\s*:\s*public\s+(\w+)\s*\{)");
		std::smatch Match;
		const std::string AfterSpecifiers = Code.substr(SpecifiersEnd);
		if (!std::regex_search(AfterSpecifiers, Match, ClassHead))
		{
			throw FParseError{ClassLine, "expected 'class Name : public Base {' after UCLASS(...)"};
		}
		Class.Name = Match[1];
		if (Class.Name.size() < 2 || (Class.Name[0] != 'U' && Class.Name[0] != 'A'))
		{
			throw FParseError{ClassLine, "reflected class names begin with U or A, not '" + Class.Name + "'"};
		}
		Class.Super = Match[2];
		const size_t BodyStart = SpecifiersEnd + static_cast<size_t>(Match.length(0));
		const size_t BodyEnd = BodyEndFrom(Code, BodyStart, ClassLine, "class");
		if (const size_t Property = Code.find("UPROPERTY(", BodyStart); Property < BodyEnd)
		{
			throw FParseError{LineAt(Code, Property), "unsupported declaration UPROPERTY(...) in a class (only in USTRUCTs)"};
		}

		size_t BodyMacroAt = Code.find("GENERATED_UCLASS_BODY(", BodyStart);
		if (BodyMacroAt == std::string::npos || BodyMacroAt > BodyEnd)
		{
			BodyMacroAt = Code.find("GENERATED_BODY(", BodyStart);
			Class.bLegacyBody = false;
		}
		if (BodyMacroAt == std::string::npos || BodyMacroAt > BodyEnd)
		{
			throw FParseError{ClassLine, "class " + Class.Name + " has no GENERATED_UCLASS_BODY() or GENERATED_BODY()"};
		}
		Class.BodyLine = LineAt(Code, BodyMacroAt);

		static const std::regex Declaration(R"(^\s*static\s+([\w\s\*]+?)\s*\b(\w+)\s*\(([^()]*)\)\s*;)");
		for (size_t At = Code.find("UFUNCTION(", BodyStart); At < BodyEnd; At = Code.find("UFUNCTION(", At + 1))
		{
			FFunction Function;
			Function.Line = LineAt(Code, At);
			const size_t SpecEnd = MatchParen(Code, At + 9, Function.Line);
			const std::string Specifiers = Source.substr(At + 10, SpecEnd - At - 11);
			ParseFunctionSpecifiers(Specifiers, Function, Function.Line);

			const std::string Rest = Code.substr(SpecEnd, Code.find(';', SpecEnd) + 1 - SpecEnd);
			if (!std::regex_search(Rest, Match, Declaration))
			{
				throw FParseError{Function.Line, "expected 'static Type Name(Params);' after UFUNCTION(...) (only static functions are handled)"};
			}
			Function.Return = ParseType(Match[1], EUse::Return, Header, Function.Line);
			Function.Name = Match[2];
			for (const std::string& Param : SplitTopLevel(Match[3]))
			{
				const size_t NameStart = Param.find_last_of(" \t*&");
				const bool bConstRef = Param.rfind("const", 0) == 0 && Param.find('&') != std::string::npos;
				if (NameStart == std::string::npos || (Param.find('&') != std::string::npos && !bConstRef) || Param.find('=') != std::string::npos ||
				    (Param.rfind("const", 0) == 0 && !bConstRef))
				{
					throw FParseError{Function.Line, "unsupported parameter '" + Param + "' (by-value or const-reference parameters without defaults only)"};
				}
				Function.Params.push_back({Param.substr(NameStart + 1), ParseType(Param.substr(0, NameStart + 1), EUse::Parameter, Header, Function.Line)});
			}
			// A struct a Blueprint node passes must be one Blueprints know.
			if (Function.bCallable)
			{
				std::vector<FParam> Pins = Function.Params;
				Pins.push_back({"ReturnValue", Function.Return});
				for (const FParam& Pin : Pins)
				{
					const FStruct* Struct = Pin.Type.Kind == EKind::Struct ? Header.FindStruct(Pin.Type.ClassName) : nullptr;
					if (Struct && !Struct->bBlueprintType)
					{
						throw FParseError{Function.Line, "Type '" + Struct->Name + "' is not supported by blueprint. Function: " + Function.Name + " Parameter " + Pin.Name};
					}
				}
			}
			const std::string Comment = CommentBefore(Source, At);
			if (!Comment.empty())
			{
				Function.MetaData.emplace_back("Comment", Comment);
				Function.MetaData.emplace_back("ToolTip", ToolTipFromComment(Comment));
				SortMetaData(Function.MetaData);
			}
			Function.Access = AccessAt(Code, BodyStart, At, Class, BodyMacroAt);
			Class.Functions.push_back(Function);
		}
		std::sort(Class.Functions.begin(), Class.Functions.end(), [](const FFunction& Lhs, const FFunction& Rhs)
		          { return Lhs.Name < Rhs.Name; });
	}

	FHeader ParseHeader(const std::string& Source, const std::string& Stem)
	{
		const std::string Code = CodeOnly(Source);
		const size_t UClassAt = Code.find("UCLASS(");
		const size_t UStructAt = Code.find("USTRUCT(");
		if (UClassAt == std::string::npos && UStructAt == std::string::npos)
		{
			throw FParseError{1, "no UCLASS or USTRUCT in this header"};
		}
		if (UClassAt != std::string::npos && Code.find("UCLASS(", UClassAt + 1) != std::string::npos)
		{
			throw FParseError{LineAt(Code, Code.find("UCLASS(", UClassAt + 1)), "more than one UCLASS in one header"};
		}
		for (const char* Unsupported : {"UENUM(", "UINTERFACE(", "UDELEGATE("})
		{
			if (const size_t At = Code.find(Unsupported); At != std::string::npos)
			{
				throw FParseError{LineAt(Code, At), std::string("unsupported declaration ") + Unsupported + "...)"};
			}
		}
		CheckGeneratedInclude(Source, Code, Stem, LineAt(Code, std::min(UClassAt, UStructAt)));

		FHeader Header;
		ParseStructs(Source, Code, Header);
		if (UClassAt != std::string::npos)
		{
			Header.bHasClass = true;
			ParseClass(Source, Code, UClassAt, Header);
		}
		// A UPROPERTY outside every struct body belongs to no reflected type the tool knows.
		for (size_t At = Code.find("UPROPERTY("); At != std::string::npos; At = Code.find("UPROPERTY(", At + 1))
		{
			const int Line = LineAt(Code, At);
			const bool bInStruct = std::any_of(Header.Structs.begin(), Header.Structs.end(), [&](const FStruct& Struct)
			                                   { return std::any_of(Struct.Members.begin(), Struct.Members.end(), [&](const FMember& Member)
				                                                    { return Member.Line == Line; }); });
			if (!bInStruct)
			{
				throw FParseError{Line, "unsupported declaration UPROPERTY(...) outside a USTRUCT"};
			}
		}
		return Header;
	}

	// A TEXT("...") literal of UTF-8 text.
	std::string Literal(const std::string& Text)
	{
		std::string Result = "TEXT(\"";
		for (const char Char : Text)
		{
			switch (Char)
			{
				case '\\':
					Result += "\\\\";
					break;
				case '"':
					Result += "\\\"";
					break;
				case '\n':
					Result += "\\n";
					break;
				case '\t':
					Result += "\\t";
					break;
				default:
					Result += Char;
					break;
			}
		}
		return Result + "\")";
	}

	bool IsStruct(const FType& Type)
	{
		return Type.Kind == EKind::Vector || Type.Kind == EKind::Struct;
	}

	std::string FunctionFlags(const FFunction& Function)
	{
		std::string Flags = "FUNC_Final | FUNC_Native | FUNC_Static";
		Flags += Function.Access == "public" ? " | FUNC_Public" : Function.Access == "protected" ? " | FUNC_Protected"
		                                                                                         : " | FUNC_Private";
		// A result and a const reference are both out parameters to the engine.
		if (Function.Return.Kind != EKind::Void || std::any_of(Function.Params.begin(), Function.Params.end(), [](const FParam& Param)
		                                                       { return Param.Type.bConstRef; }))
		{
			Flags += " | FUNC_HasOutParms";
		}
		if (std::any_of(Function.Params.begin(), Function.Params.end(), [](const FParam& Param)
		                { return IsStruct(Param.Type); }))
		{
			Flags += " | FUNC_HasDefaults";
		}
		if (Function.bCallable)
		{
			Flags += " | FUNC_BlueprintCallable";
		}
		if (Function.bPure)
		{
			Flags += " | FUNC_BlueprintPure";
		}
		return Flags;
	}

	bool IsComponent(const FType& Type)
	{
		// Components are owned by their actors; a pointer to one is an instanced reference.
		return Type.Kind == EKind::Object && Type.ClassName.size() > 9 && Type.ClassName.compare(Type.ClassName.size() - 9, 9, "Component") == 0;
	}

	// "new FXxxProperty(...)" for a value of Type named Name.
	std::string NewProperty(const std::string& Name, const FType& Type, const std::string& Flags)
	{
		const std::string Head = "(" + Literal(Name) + ", " + Flags;
		switch (Type.Kind)
		{
			case EKind::Object:
				return "new FObjectProperty" + Head + ", " + Literal(Type.ClassName) + ")";
			case EKind::Vector:
				return "new FStructProperty" + Head + ", TBaseStructure<FVector>::Get())";
			case EKind::Struct:
				return "new FStructProperty" + Head + ", " + Type.ClassName + "::StaticStruct())";
			case EKind::String:
				return "new FStrProperty" + Head + ")";
			case EKind::Bool:
				return "new FBoolProperty" + Head + ")";
			case EKind::Int32:
				return "new FIntProperty" + Head + ")";
			case EKind::Int64:
				return "new FInt64Property" + Head + ")";
			case EKind::Float:
				return "new FFloatProperty" + Head + ")";
			case EKind::Double:
				return "new FDoubleProperty" + Head + ")";
			case EKind::StringArray:
				return "new FArrayProperty" + Head + ", new FStrProperty(" + Literal(Name) + ", CPF_None))";
			case EKind::Void:
				break;
		}
		return std::string();
	}

	const char* PropertyClass(const FType& Type)
	{
		switch (Type.Kind)
		{
			case EKind::Object:
				return "FObjectProperty";
			case EKind::Vector:
			case EKind::Struct:
				return "FStructProperty";
			case EKind::String:
				return "FStrProperty";
			case EKind::Bool:
				return "FBoolProperty";
			case EKind::Int32:
				return "FIntProperty";
			case EKind::Int64:
				return "FInt64Property";
			case EKind::Float:
				return "FFloatProperty";
			case EKind::Double:
				return "FDoubleProperty";
			case EKind::StringArray:
				return "FArrayProperty";
			case EKind::Void:
				break;
		}
		return "";
	}

	void WriteProperty(std::ostream& Out, const std::string& Name, const FType& Type, bool bReturn)
	{
		std::string Flags = bReturn ? "CPF_Parm | CPF_OutParm | CPF_ReturnParm" : Type.bConstRef ? "CPF_ConstParm | CPF_Parm | CPF_OutParm | CPF_ReferenceParm"
		                                                                                         : "CPF_Parm";
		if (IsComponent(Type))
		{
			Flags += " | CPF_InstancedReference";
		}
		Flags += " | CPF_NativeAccessSpecifierPublic";
		const std::string Variable = "NewProp_" + Name;
		Out << "\t\t" << PropertyClass(Type) << "* const " << Variable << " = " << NewProperty(Name, Type, Flags) << ";\n";
		if (IsComponent(Type))
		{
			Out << "\t\t" << Variable << "->SetMetaData(TEXT(\"EditInline\"), TEXT(\"true\"));\n";
		}
		Out << "\t\tFunction->AddParameter(" << Variable << ");\n";
	}

	std::string FileId(const std::string& Stem)
	{
		std::string Id = "FID_";
		for (const char Char : Stem)
		{
			Id += std::isalnum(static_cast<unsigned char>(Char)) ? Char : '_';
		}
		return Id + "_h";
	}

	void WriteGeneratedHeader(std::ostream& Out, const FHeader& Header, const std::string& Stem, const std::string& Api)
	{
		const std::string Id = FileId(Stem);
		// Without #pragma once in the header, a second include stops the build here, as in the engine.
		const std::string Guard = Api.substr(0, Api.size() - 4) + "_" + Stem + "_generated_h";
		Out << "// Reflection for " << Stem << ".h, written by the host header tool. Do not edit.\n";
		Out << "#ifdef " << Guard << "\n#error \"" << Stem << ".generated.h already included, missing '#pragma once' in " << Stem << ".h\"\n#endif\n";
		Out << "#define " << Guard << "\n\n";
		Out << "#include \"UObject/ObjectMacros.h\"\n#include \"UObject/ScriptMacros.h\"\n\n";
		const FClass& Class = Header.Class;
		std::vector<std::string> Declared;
		const auto Declare = [&](const FType& Type)
		{
			if ((Type.Kind == EKind::Object || Type.Kind == EKind::Struct) && std::find(Declared.begin(), Declared.end(), Type.ClassName) == Declared.end())
			{
				Declared.push_back(Type.ClassName);
				Out << (Type.Kind == EKind::Object ? "class " : "struct ") << Type.ClassName << ";\n";
			}
		};
		for (const FFunction& Function : Class.Functions)
		{
			for (const FParam& Param : Function.Params)
			{
				Declare(Param.Type);
			}
			Declare(Function.Return);
		}
		Out << "\n#undef CURRENT_FILE_ID\n#define CURRENT_FILE_ID " << Id << "\n\n";
		for (const FStruct& Struct : Header.Structs)
		{
			Out << "#define " << Id << "_" << Struct.BodyLine << "_GENERATED_BODY \\\n";
			Out << "\tfriend struct Z_Construct_UScriptStruct_" << Struct.Name << "_Statics; \\\n";
			Out << "\tstatic class UScriptStruct* StaticStruct();\n\n";
			Out << "template<> " << Api << " UScriptStruct* StaticStruct<struct " << Struct.Name << ">();\n\n";
		}
		if (!Header.bHasClass)
		{
			return;
		}
		Out << "#define " << Id << "_" << Class.BodyLine << (Class.bLegacyBody ? "_GENERATED_BODY_LEGACY" : "_GENERATED_BODY") << " \\\n";
		Out << "public: \\\n";
		Out << "\tusing Super = " << Class.Super << "; \\\n";
		Out << "\tusing ThisClass = " << Class.Name << "; \\\n";
		Out << "\tstatic UClass* GetPrivateStaticClass(); \\\n";
		Out << "\tstatic UClass* StaticClass(); \\\n";
		Out << "\tstatic void StaticRegisterNatives" << Class.Name << "(); \\\n";
		for (const FFunction& Function : Class.Functions)
		{
			Out << "\tDECLARE_FUNCTION(exec" << Function.Name << "); \\\n";
		}
		if (Class.bLegacyBody)
		{
			Out << "\t" << Class.Name << "(const FObjectInitializer& ObjectInitializer); \\\n";
			Out << "public:\n\n";
		}
		else
		{
			Out << "private:\n\n";
		}
		Out << "template<> " << Api << " UClass* StaticClass<class " << Class.Name << ">();\n";
	}

	void WriteMetaData(std::ostream& Out, const std::string& Indent, const std::string& Target, const FMetaDataList& MetaData, const std::string& RelativePath)
	{
		Out << "#if WITH_EDITOR\n";
		for (const auto& [Key, Value] : MetaData)
		{
			Out << Indent << Target << "->SetMetaData(" << Literal(Key) << ", " << Literal(Value) << ");\n";
		}
		Out << Indent << Target << "->SetMetaData(TEXT(\"ModuleRelativePath\"), " << Literal(RelativePath) << ");\n";
		Out << "#endif\n";
	}

	void WriteStruct(std::ostream& Out, const FStruct& Struct, const std::string& PackageFunction, const std::string& RelativePath, const std::string& Api)
	{
		const std::string& Name = Struct.Name;
		// A friend of the struct, so members of any access can be recorded at their offsets.
		Out << "struct Z_Construct_UScriptStruct_" << Name << "_Statics\n{\n\tstatic UScriptStruct* Construct()\n\t{\n";
		Out << "\t\tUScriptStruct* const Struct = UScriptStruct::Make<" << Name << ">(TEXT(\"" << Name << "\"));\n";
		Out << "\t\tStruct->SetOuterUPackage(" << PackageFunction << "());\n";
		FMetaDataList MetaData;
		if (Struct.bBlueprintType)
		{
			MetaData.emplace_back("BlueprintType", "true");
		}
		if (!Struct.Comment.empty())
		{
			MetaData.emplace_back("Comment", Struct.Comment);
			MetaData.emplace_back("ToolTip", ToolTipFromComment(Struct.Comment));
		}
		SortMetaData(MetaData);
		WriteMetaData(Out, "\t\t", "Struct", MetaData, RelativePath);
		for (const FMember& Member : Struct.Members)
		{
			const std::string Variable = "NewProp_" + Member.Name;
			Out << "\t\t" << PropertyClass(Member.Type) << "* const " << Variable << " = " << NewProperty(Member.Name, Member.Type, Member.Flags) << ";\n";
			Out << "\t\t" << Variable << "->SetOffset_Internal(STRUCT_OFFSET(" << Name << ", " << Member.Name << "));\n";
			WriteMetaData(Out, "\t\t", Variable, Member.MetaData, RelativePath);
			Out << "\t\tStruct->AddProperty(" << Variable << ");\n";
		}
		Out << "\t\treturn Struct;\n\t}\n};\n\n";
		Out << Api << " UScriptStruct* Z_Construct_UScriptStruct_" << Name << "()\n{\n";
		Out << "\tstatic UScriptStruct* const Constructed = Z_Construct_UScriptStruct_" << Name << "_Statics::Construct();\n\treturn Constructed;\n}\n\n";
		Out << "UScriptStruct* " << Name << "::StaticStruct()\n{\n\treturn Z_Construct_UScriptStruct_" << Name << "();\n}\n\n";
		Out << "template<> " << Api << " UScriptStruct* StaticStruct<" << Name << ">()\n{\n\treturn " << Name << "::StaticStruct();\n}\n\n";
	}

	// <Module>.init.gen.cpp: the one definition of the module's script package, which every reflected type
	// of the module names as its outer.
	void WriteInitGenCpp(std::ostream& Out, const std::string& Module, bool bEditorOnly)
	{
		const std::string PackageFunction = "Z_Construct_UPackage__Script_" + Module;
		Out << "// Package registration for the " << Module << " module, written by the host header tool. Do not edit.\n";
		Out << "#include \"UObject/Package.h\"\n#include \"UObject/UObjectGlobals.h\"\n\n";
		Out << "UPackage* " << PackageFunction << "()\n{\n\tstatic UPackage* const Package = []()\n\t{\n";
		Out << "\t\tUPackage* const NewPackage = CreatePackage(TEXT(\"/Script/" << Module << "\"));\n";
		Out << "\t\tNewPackage->SetPackageFlags(PKG_CompiledIn" << (bEditorOnly ? " | PKG_EditorOnly" : "") << ");\n";
		Out << "\t\treturn NewPackage;\n\t}();\n\treturn Package;\n}\n";
	}

	void WriteGenCpp(std::ostream& Out, const FHeader& Header, const std::string& Stem, const std::string& Module,
	                 const std::string& RelativePath, const std::string& Api)
	{
		const FClass& Class = Header.Class;
		const std::string& Name = Class.Name;
		const std::string PackageFunction = "Z_Construct_UPackage__Script_" + Module;
		Out << "// Reflection for " << Stem << ".h, written by the host header tool. Do not edit.\n";
		Out << "#include \"" << Stem << ".h\"\n\n";
		Out << "#include \"UObject/Package.h\"\n#include \"UObject/ScriptMacros.h\"\n#include \"UObject/UObjectGlobals.h\"\n#include \"UObject/UnrealType.h\"\n\n";
		Out << "#include <cstddef>\n\n";

		// The module's package is made once, by the module's init file.
		Out << "// Cross module references\nUPackage* " << PackageFunction << "();\n\n";

		if (!Header.Structs.empty())
		{
			Out << "#pragma GCC diagnostic push\n#pragma GCC diagnostic ignored \"-Winvalid-offsetof\"\n\n";
			for (const FStruct& Struct : Header.Structs)
			{
				WriteStruct(Out, Struct, PackageFunction, RelativePath, Api);
			}
			Out << "#pragma GCC diagnostic pop\n\n";
		}
		if (!Header.bHasClass)
		{
			return;
		}

		Out << "// Native entry points: read the arguments from the frame, call the function, store its result.\n";
		for (const FFunction& Function : Class.Functions)
		{
			Out << "DEFINE_FUNCTION(" << Name << "::exec" << Function.Name << ")\n{\n";
			std::string Arguments;
			for (const FParam& Param : Function.Params)
			{
				std::string Local = "Z_Param_" + Param.Name;
				if (Param.Type.bConstRef)
				{
					Local = "Z_Param_Out_" + Param.Name;
					Out << "\tP_GET_STRUCT_REF(" << Param.Type.Cpp << ", " << Local << ");\n";
				}
				else
				{
					switch (Param.Type.Kind)
					{
						case EKind::Object:
							Out << "\tP_GET_OBJECT(" << Param.Type.ClassName << ", " << Local << ");\n";
							break;
						case EKind::Vector:
						case EKind::Struct:
							Out << "\tP_GET_STRUCT(" << Param.Type.Cpp << ", " << Local << ");\n";
							break;
						case EKind::String:
							Out << "\tP_GET_PROPERTY(FStrProperty, " << Local << ");\n";
							break;
						default:
							break;
					}
				}
				Arguments += (Arguments.empty() ? "" : ", ") + Local;
			}
			Out << "\tP_FINISH;\n\tP_NATIVE_BEGIN;\n\t";
			if (Function.Return.Kind != EKind::Void)
			{
				Out << "*(" << Function.Return.Cpp << "*)Z_Param__Result = ";
			}
			Out << Name << "::" << Function.Name << "(" << Arguments << ");\n\tP_NATIVE_END;\n}\n\n";
		}

		Out << "void " << Name << "::StaticRegisterNatives" << Name << "()\n{\n";
		if (!Class.Functions.empty())
		{
			Out << "\tstatic const FNameNativePtrPair Funcs[] = {\n";
			for (const FFunction& Function : Class.Functions)
			{
				Out << "\t\t{\"" << Function.Name << "\", &" << Name << "::exec" << Function.Name << "},\n";
			}
			Out << "\t};\n\tFNativeFunctionRegistrar::RegisterFunctions(" << Name << "::GetPrivateStaticClass(), Funcs, " << Class.Functions.size() << ");\n";
		}
		Out << "}\n\n";

		Out << "UClass* " << Name << "::GetPrivateStaticClass()\n{\n";
		Out << "\tstatic UClass Class(TEXT(\"" << Name << "\"), FName(TEXT(\"" << Name.substr(1) << "\")), " << Class.Super << "::StaticClass(), &::UE::Host::ConstructObject<" << Name << ">);\n";
		Out << "\treturn &Class;\n}\n\n";
		Out << Api << " UClass* Z_Construct_UClass_" << Name << "_NoRegister()\n{\n\treturn " << Name << "::GetPrivateStaticClass();\n}\n\n";

		for (const FFunction& Function : Class.Functions)
		{
			Out << "UFunction* Z_Construct_UFunction_" << Name << "_" << Function.Name << "()\n{\n";
			Out << "\tstatic UFunction* const Constructed = []()\n\t{\n";
			Out << "\t\t" << Name << "::StaticRegisterNatives" << Name << "();\n";
			Out << "\t\tUFunction* const Function = new UFunction(Z_Construct_UClass_" << Name << "_NoRegister(), TEXT(\"" << Function.Name << "\"), "
			    << FunctionFlags(Function) << ");\n";
			WriteMetaData(Out, "\t\t", "Function", Function.MetaData, RelativePath);
			for (const FParam& Param : Function.Params)
			{
				WriteProperty(Out, Param.Name, Param.Type, false);
			}
			if (Function.Return.Kind != EKind::Void)
			{
				WriteProperty(Out, "ReturnValue", Function.Return, true);
			}
			Out << "\t\tFunction->StaticLink();\n\t\tFunction->Bind();\n\t\treturn Function;\n\t}();\n\treturn Constructed;\n}\n\n";
		}

		Out << Api << " UClass* Z_Construct_UClass_" << Name << "()\n{\n";
		Out << "\tstatic UClass* const Constructed = []()\n\t{\n";
		Out << "\t\tUClass* const Class = Z_Construct_UClass_" << Name << "_NoRegister();\n";
		Out << "\t\tClass->SetOuterUPackage(" << PackageFunction << "());\n";
		Out << "\t\tClass->ClassFlags = CLASS_Native | CLASS_MatchedSerializers" << (Class.bAbstract ? " | CLASS_Abstract" : "") << ";\n";
		Out << "#if WITH_EDITOR\n";
		if (!Class.Comment.empty())
		{
			Out << "\t\tClass->SetMetaData(TEXT(\"Comment\"), " << Literal(Class.Comment) << ");\n";
		}
		Out << "\t\tClass->SetMetaData(TEXT(\"IncludePath\"), " << Literal(Stem + ".h") << ");\n";
		Out << "\t\tClass->SetMetaData(TEXT(\"ModuleRelativePath\"), " << Literal(RelativePath) << ");\n";
		if (!Class.Comment.empty())
		{
			Out << "\t\tClass->SetMetaData(TEXT(\"ToolTip\"), " << Literal(ToolTipFromComment(Class.Comment)) << ");\n";
		}
		Out << "#endif\n";
		Out << "\t\t" << Name << "::StaticRegisterNatives" << Name << "();\n";
		for (const FFunction& Function : Class.Functions)
		{
			Out << "\t\tClass->AddFunctionToFunctionMap(Z_Construct_UFunction_" << Name << "_" << Function.Name << "(), TEXT(\"" << Function.Name << "\"));\n";
		}
		Out << "\t\treturn Class;\n\t}();\n\treturn Constructed;\n}\n\n";

		Out << "UClass* " << Name << "::StaticClass()\n{\n\treturn Z_Construct_UClass_" << Name << "();\n}\n\n";
		Out << "template<> " << Api << " UClass* StaticClass<" << Name << ">()\n{\n\treturn " << Name << "::StaticClass();\n}\n";
	}

	bool WriteIfChanged(const std::string& Path, const std::string& Content)
	{
		std::ifstream Existing(Path, std::ios::binary);
		if (Existing)
		{
			std::ostringstream Old;
			Old << Existing.rdbuf();
			if (Old.str() == Content)
			{
				return true;
			}
		}
		std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
		Out << Content;
		return static_cast<bool>(Out);
	}
}

int main(int Argc, char** Argv)
{
	if (Argc >= 2 && std::string(Argv[1]) == "--init")
	{
		if (Argc < 4 || Argc > 5 || (Argc == 5 && std::string(Argv[4]) != "--runtime"))
		{
			std::cerr << "usage: " << Argv[0] << " --init <module> <out dir> [--runtime]\n";
			return 2;
		}
		const std::string Module = Argv[2];
		const std::string OutDir = Argv[3];
		std::ostringstream Cpp;
		WriteInitGenCpp(Cpp, Module, Argc == 4);
		if (!WriteIfChanged(OutDir + "/" + Module + ".init.gen.cpp", Cpp.str()))
		{
			std::cerr << OutDir << ": error: cannot write the generated files\n";
			return 1;
		}
		return 0;
	}
	if (Argc != 5)
	{
		std::cerr << "usage: " << Argv[0] << " <header> <module> <module-relative path> <out dir>\n"
		          << "       " << Argv[0] << " --init <module> <out dir> [--runtime]\n";
		return 2;
	}
	const std::string HeaderPath = Argv[1];
	const std::string Module = Argv[2];
	const std::string RelativePath = Argv[3];
	const std::string OutDir = Argv[4];

	std::ifstream In(HeaderPath, std::ios::binary);
	if (!In)
	{
		std::cerr << HeaderPath << ": error: cannot read the header\n";
		return 1;
	}
	std::ostringstream Source;
	Source << In.rdbuf();

	std::string Stem = HeaderPath.substr(HeaderPath.find_last_of("/\\") + 1);
	Stem = Stem.substr(0, Stem.rfind('.'));
	std::string Api = Module + "_API";
	std::transform(Api.begin(), Api.end(), Api.begin(), [](unsigned char Char)
	               { return static_cast<char>(std::toupper(Char)); });

	try
	{
		const FHeader Parsed = ParseHeader(Source.str(), Stem);
		std::ostringstream Header;
		std::ostringstream Cpp;
		WriteGeneratedHeader(Header, Parsed, Stem, Api);
		WriteGenCpp(Cpp, Parsed, Stem, Module, RelativePath, Api);
		if (!WriteIfChanged(OutDir + "/" + Stem + ".generated.h", Header.str()) || !WriteIfChanged(OutDir + "/" + Stem + ".gen.cpp", Cpp.str()))
		{
			std::cerr << OutDir << ": error: cannot write the generated files\n";
			return 1;
		}
	}
	catch (const FParseError& Error)
	{
		std::cerr << HeaderPath << ":" << Error.Line << ": error: " << Error.Message << "\n";
		return 1;
	}
	return 0;
}
