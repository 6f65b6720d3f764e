// The host's header tool: reads the UCLASS/UFUNCTION declarations of one public header and writes the
// reflection code the engine's header tool would: X.generated.h (the GENERATED_UCLASS_BODY expansion)
// and X.gen.cpp (class, function and parameter records, native entry points, registration).
//
// It handles only the forms the plugin's headers use: one UCLASS per header deriving publicly from one
// base, static UFUNCTIONs taking by-value object pointers, FVector and FString, returning void, FString or
// an object pointer. Anything else stops it with a message naming the file and line.
//
// Usage: velmora_header_tool <header> <module> <module-relative path> <out dir> [--runtime]

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
	};

	struct FType
	{
		EKind Kind = EKind::Void;
		std::string Cpp;       // "AActor*", "FVector", "FString"
		std::string ClassName; // "AActor" for objects
	};

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
		std::vector<std::pair<std::string, std::string>> MetaData;
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

	FType ParseType(const std::string& Text, bool bReturn, int Line)
	{
		static const std::regex ObjectPointer(R"(^([UA][A-Z]\w*)\s*\*$)");
		const std::string Type = Trim(Text);
		std::smatch Match;
		if (bReturn && Type == "void")
		{
			return {EKind::Void, "void", ""};
		}
		if (Type == "FString")
		{
			return {EKind::String, "FString", ""};
		}
		if (Type == "FVector")
		{
			return {EKind::Vector, "FVector", ""};
		}
		if (std::regex_match(Type, Match, ObjectPointer))
		{
			return {EKind::Object, Match[1].str() + "*", Match[1].str()};
		}
		throw FParseError{Line, "unsupported type '" + Type + "' (by-value object pointers, FVector and FString only)"};
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
				for (const std::string& Entry : SplitTopLevel(Value.substr(1, Value.size() - 2)))
				{
					const size_t EntryEquals = Entry.find('=');
					if (EntryEquals == std::string::npos)
					{
						Function.MetaData.emplace_back(Trim(Entry), "");
						continue;
					}
					Function.MetaData.emplace_back(Trim(Entry.substr(0, EntryEquals)), Unquote(Entry.substr(EntryEquals + 1), Line));
				}
			}
			else
			{
				throw FParseError{Line, "unsupported UFUNCTION specifier '" + Item + "'"};
			}
		}
		std::stable_sort(Function.MetaData.begin(), Function.MetaData.end(),
		                 [](const auto& Lhs, const auto& Rhs)
		                 { return Lhs.first < Rhs.first; });
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

	// The documentation comment as the editor shows it: markers and leading stars gone, lines kept.
	std::string ToolTipFromComment(const std::string& Comment)
	{
		std::string Text = Comment;
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
			if (!Line.empty() && Line[0] == '*')
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

	FClass ParseHeader(const std::string& Source)
	{
		const std::string Code = CodeOnly(Source);
		const size_t UClassAt = Code.find("UCLASS(");
		if (UClassAt == std::string::npos)
		{
			throw FParseError{1, "no UCLASS in this header"};
		}
		if (Code.find("UCLASS(", UClassAt + 1) != std::string::npos)
		{
			throw FParseError{LineAt(Code, Code.find("UCLASS(", UClassAt + 1)), "more than one UCLASS in one header"};
		}
		for (const char* Unsupported : {"UPROPERTY(", "USTRUCT(", "UENUM(", "UINTERFACE(", "UDELEGATE("})
		{
			if (const size_t At = Code.find(Unsupported); At != std::string::npos)
			{
				throw FParseError{LineAt(Code, At), std::string("unsupported declaration ") + Unsupported + "...)"};
			}
		}

		FClass Class;
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
		size_t BodyEnd = BodyStart;
		for (int Depth = 1; Depth > 0; ++BodyEnd)
		{
			if (BodyEnd >= Code.size())
			{
				throw FParseError{ClassLine, "class body is not closed"};
			}
			Depth += Code[BodyEnd] == '{' ? 1 : Code[BodyEnd] == '}' ? -1
			                                                         : 0;
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
			Function.Return = ParseType(Match[1], true, Function.Line);
			Function.Name = Match[2];
			for (const std::string& Param : SplitTopLevel(Match[3]))
			{
				const size_t NameStart = Param.find_last_of(" \t*&");
				if (NameStart == std::string::npos || Param.find('&') != std::string::npos || Param.find('=') != std::string::npos)
				{
					throw FParseError{Function.Line, "unsupported parameter '" + Param + "' (by-value parameters without defaults only)"};
				}
				Function.Params.push_back({Param.substr(NameStart + 1), ParseType(Param.substr(0, NameStart + 1), false, Function.Line)});
			}
			Function.Access = AccessAt(Code, BodyStart, At, Class, BodyMacroAt);
			Class.Functions.push_back(Function);
		}
		std::sort(Class.Functions.begin(), Class.Functions.end(), [](const FFunction& Lhs, const FFunction& Rhs)
		          { return Lhs.Name < Rhs.Name; });
		return Class;
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

	std::string FunctionFlags(const FFunction& Function)
	{
		std::string Flags = "FUNC_Final | FUNC_Native | FUNC_Static";
		Flags += Function.Access == "public" ? " | FUNC_Public" : Function.Access == "protected" ? " | FUNC_Protected"
		                                                                                         : " | FUNC_Private";
		if (Function.Return.Kind != EKind::Void)
		{
			Flags += " | FUNC_HasOutParms";
		}
		if (std::any_of(Function.Params.begin(), Function.Params.end(), [](const FParam& Param)
		                { return Param.Type.Kind == EKind::Vector; }))
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

	void WriteProperty(std::ostream& Out, const std::string& Name, const FType& Type, bool bReturn)
	{
		std::string Flags = bReturn ? "CPF_Parm | CPF_OutParm | CPF_ReturnParm" : "CPF_Parm";
		if (IsComponent(Type))
		{
			Flags += " | CPF_InstancedReference";
		}
		Flags += " | CPF_NativeAccessSpecifierPublic";
		const std::string Variable = "NewProp_" + Name;
		switch (Type.Kind)
		{
			case EKind::Object:
				Out << "\t\tFObjectProperty* const " << Variable << " = new FObjectProperty(" << Literal(Name) << ", " << Flags << ", " << Literal(Type.ClassName) << ");\n";
				break;
			case EKind::Vector:
				Out << "\t\tFStructProperty* const " << Variable << " = new FStructProperty(" << Literal(Name) << ", " << Flags << ", TBaseStructure<FVector>::Get());\n";
				break;
			case EKind::String:
				Out << "\t\tFStrProperty* const " << Variable << " = new FStrProperty(" << Literal(Name) << ", " << Flags << ");\n";
				break;
			case EKind::Void:
				break;
		}
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

	void WriteGeneratedHeader(std::ostream& Out, const FClass& Class, const std::string& Stem, const std::string& Api)
	{
		const std::string Id = FileId(Stem);
		Out << "// Reflection for " << Stem << ".h, written by the host header tool. Do not edit.\n";
		Out << "#pragma once\n\n#include \"UObject/ObjectMacros.h\"\n#include \"UObject/ScriptMacros.h\"\n\n";
		for (const FFunction& Function : Class.Functions)
		{
			for (const FParam& Param : Function.Params)
			{
				if (Param.Type.Kind == EKind::Object)
				{
					Out << "class " << Param.Type.ClassName << ";\n";
				}
			}
			if (Function.Return.Kind == EKind::Object)
			{
				Out << "class " << Function.Return.ClassName << ";\n";
			}
		}
		Out << "\n#undef CURRENT_FILE_ID\n#define CURRENT_FILE_ID " << Id << "\n\n";
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

	void WriteGenCpp(std::ostream& Out, const FClass& Class, const std::string& Stem, const std::string& Module,
	                 const std::string& RelativePath, bool bEditorOnly, const std::string& Api)
	{
		const std::string& Name = Class.Name;
		const std::string PackageFunction = "Z_Construct_UPackage__Script_" + Module;
		Out << "// Reflection for " << Stem << ".h, written by the host header tool. Do not edit.\n";
		Out << "#include \"" << Stem << ".h\"\n\n";
		Out << "#include \"UObject/Package.h\"\n#include \"UObject/ScriptMacros.h\"\n#include \"UObject/UObjectGlobals.h\"\n#include \"UObject/UnrealType.h\"\n\n";

		Out << "// Native entry points: read the arguments from the frame, call the function, store its result.\n";
		for (const FFunction& Function : Class.Functions)
		{
			Out << "DEFINE_FUNCTION(" << Name << "::exec" << Function.Name << ")\n{\n";
			std::string Arguments;
			for (const FParam& Param : Function.Params)
			{
				const std::string Local = "Z_Param_" + Param.Name;
				switch (Param.Type.Kind)
				{
					case EKind::Object:
						Out << "\tP_GET_OBJECT(" << Param.Type.ClassName << ", " << Local << ");\n";
						break;
					case EKind::Vector:
						Out << "\tP_GET_STRUCT(FVector, " << Local << ");\n";
						break;
					case EKind::String:
						Out << "\tP_GET_PROPERTY(FStrProperty, " << Local << ");\n";
						break;
					case EKind::Void:
						break;
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

		Out << "UPackage* " << PackageFunction << "()\n{\n\tstatic UPackage* const Package = []()\n\t{\n";
		Out << "\t\tUPackage* const NewPackage = CreatePackage(TEXT(\"/Script/" << Module << "\"));\n";
		Out << "\t\tNewPackage->SetPackageFlags(PKG_CompiledIn" << (bEditorOnly ? " | PKG_EditorOnly" : "") << ");\n";
		Out << "\t\treturn NewPackage;\n\t}();\n\treturn Package;\n}\n\n";

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
			Out << "#if WITH_EDITOR\n";
			for (const auto& [Key, Value] : Function.MetaData)
			{
				Out << "\t\tFunction->SetMetaData(" << Literal(Key) << ", " << Literal(Value) << ");\n";
			}
			Out << "\t\tFunction->SetMetaData(TEXT(\"ModuleRelativePath\"), " << Literal(RelativePath) << ");\n";
			Out << "#endif\n";
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
	if (Argc < 5 || Argc > 6 || (Argc == 6 && std::string(Argv[5]) != "--runtime"))
	{
		std::cerr << "usage: " << Argv[0] << " <header> <module> <module-relative path> <out dir> [--runtime]\n";
		return 2;
	}
	const std::string HeaderPath = Argv[1];
	const std::string Module = Argv[2];
	const std::string RelativePath = Argv[3];
	const std::string OutDir = Argv[4];
	const bool bEditorOnly = Argc == 5;

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
		const FClass Class = ParseHeader(Source.str());
		std::ostringstream Header;
		std::ostringstream Cpp;
		WriteGeneratedHeader(Header, Class, Stem, Api);
		WriteGenCpp(Cpp, Class, Stem, Module, RelativePath, bEditorOnly, Api);
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
