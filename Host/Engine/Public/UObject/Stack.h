#pragma once

#include "CoreMinimal.h"
#include "UObject/Class.h"
#include "UObject/Script.h"
#include "UObject/UnrealType.h"

// One call's frame: the function, the object it runs on, and its parameters and locals. A native entry
// point steps through the frame's parameters in declaration order, copying each into a local.
class FFrame
{
public:
	UFunction* Node;
	UObject* Object;
	// Bytecode of a script function; null when the arguments are laid out in Locals, as for a native call.
	uint8* Code;
	uint8* Locals;
	FFrame* PreviousFrame;
	// The next parameter a native entry point reads.
	FField* PropertyChainForCompiledIn;

	FFrame(UObject* InObject, UFunction* InNode, void* InLocals, FFrame* InPreviousFrame = nullptr, FField* InPropertyChainForCompiledIn = nullptr)
	    : Node(InNode), Object(InObject), Code(nullptr), Locals(static_cast<uint8*>(InLocals)), PreviousFrame(InPreviousFrame),
	      PropertyChainForCompiledIn(InPropertyChainForCompiledIn)
	{
	}

	// Copies the next parameter into Result, which must be a value of that parameter's type.
	template<class TProperty>
	void StepCompiledIn(void* const Result)
	{
		// The host runs no bytecode: every argument comes from the parameter record.
		check(Code == nullptr);
		FProperty* Property = CastField<FProperty>(PropertyChainForCompiledIn);
		checkf(Property != nullptr, TEXT("More arguments read than the function has"));
		checkf(CastField<TProperty>(Property) != nullptr, TEXT("Argument read as another property type than it has"));
		PropertyChainForCompiledIn = Property->Next;
		Property->CopyCompleteValueToScriptVM(Result, Property->ContainerPtrToValuePtr<void>(Locals));
	}

	// The next parameter, by reference: a native call's reference parameters name the caller's values in
	// the parameter record, so the callee reads (and for an out parameter, writes) them in place.
	template<class TProperty, typename TNativeType>
	TNativeType& StepCompiledInRef(void* const TemporaryBuffer)
	{
		check(Code == nullptr && TemporaryBuffer != nullptr);
		FProperty* Property = CastField<FProperty>(PropertyChainForCompiledIn);
		checkf(Property != nullptr, TEXT("More arguments read than the function has"));
		checkf(CastField<TProperty>(Property) != nullptr, TEXT("Argument read as another property type than it has"));
		checkf(Property->GetSize() == static_cast<int32>(sizeof(TNativeType)), TEXT("Argument read as another type than it has"));
		PropertyChainForCompiledIn = Property->Next;
		return *Property->ContainerPtrToValuePtr<TNativeType>(Locals);
	}

	// "Class.Function" of this frame.
	FString GetStackDescription() const;

	// The script frames running on this thread, innermost first, one "\t"-indented line each; of several
	// frames the innermost ends in " <---". With no frame: an empty string if bReturnEmpty, else the
	// engine's placeholder text. With bTopOfStackOnly, only the innermost frame, unmarked.
	static FString GetScriptCallstack(bool bReturnEmpty = false, bool bTopOfStackOnly = false);
};
