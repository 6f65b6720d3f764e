#include "UObject/Stack.h"

FBlueprintContextTracker& FBlueprintContextTracker::Get()
{
	// Each thread runs its own script calls.
	thread_local FBlueprintContextTracker Tracker;
	return Tracker;
}

FString FFrame::GetStackDescription() const
{
	const FString ClassName = Node && Node->GetOuterUClass() ? Node->GetOuterUClass()->GetName() : FString(TEXT("None"));
	const FString FunctionName = Node ? Node->GetName() : FString(TEXT("None"));
	return ClassName + TEXT(".") + FunctionName;
}

FString FFrame::GetScriptCallstack(bool bReturnEmpty, bool bTopOfStackOnly)
{
#if DO_BLUEPRINT_GUARD
	const TArray<const FFrame*>& ScriptStack = FBlueprintContextTracker::Get().GetCurrentScriptStack();
	if (ScriptStack.IsEmpty())
	{
		return bReturnEmpty ? FString() : FString(TEXT("\t[Empty] (FFrame::GetScriptCallstack() called from native code)"));
	}
	FString Callstack;
	for (int32 Index = ScriptStack.Num() - 1; Index >= 0; --Index)
	{
		Callstack += TEXT("\t");
		Callstack += ScriptStack[Index]->GetStackDescription();
		if (bTopOfStackOnly)
		{
			Callstack += TEXT("\n");
			break;
		}
		// The engine points at the innermost of several frames.
		if (Index == ScriptStack.Num() - 1 && ScriptStack.Num() > 1)
		{
			Callstack += TEXT(" <---");
		}
		Callstack += TEXT("\n");
	}
	return Callstack;
#else
	return bReturnEmpty ? FString() : FString(TEXT("Unable to display Script Callstack. Compile with DO_BLUEPRINT_GUARD=1"));
#endif
}
