#include "Host/ScriptCall.h"

Host::FScriptCallParams::FScriptCallParams(const UFunction* InFunction)
    : Function(InFunction), Data(new uint8[InFunction->ParmsSize > 0 ? InFunction->ParmsSize : 1]())
{
	for (FField* Field = Function->ChildProperties; Field; Field = Field->Next)
	{
		FProperty* Property = CastField<FProperty>(Field);
		Property->InitializeValue(Property->ContainerPtrToValuePtr<void>(Data.get()));
	}
}

Host::FScriptCallParams::~FScriptCallParams()
{
	for (FField* Field = Function->ChildProperties; Field; Field = Field->Next)
	{
		FProperty* Property = CastField<FProperty>(Field);
		Property->DestroyValue(Property->ContainerPtrToValuePtr<void>(Data.get()));
	}
}

FProperty* Host::FScriptCallParams::FindParameter(const TCHAR* Name) const
{
	const FName Wanted(Name);
	for (FField* Field = Function->ChildProperties; Field; Field = Field->Next)
	{
		FProperty* Property = CastField<FProperty>(Field);
		if (Property->GetFName() == Wanted && !Property->HasAnyPropertyFlags(CPF_ReturnParm))
		{
			return Property;
		}
	}
	checkf(false, TEXT("No such parameter"));
	return nullptr;
}

void Host::CallFunction(UObject* Context, UFunction* Function, FScriptCallParams& Params)
{
	check(Function != nullptr && Params.GetFunction() == Function);
	const TArray<const FFrame*>& ScriptStack = FBlueprintContextTracker::Get().GetCurrentScriptStack();
	FFrame* const Caller = ScriptStack.IsEmpty() ? nullptr : const_cast<FFrame*>(ScriptStack.Last());

	// A native call runs in its caller's script context and adds no script frame of its own.
	FFrame Stack(Context, Function, Params.GetData(), Caller, Function->ChildProperties);
	uint8* const Result = Function->ReturnValueOffset != 0xFFFF ? static_cast<uint8*>(Params.GetData()) + Function->ReturnValueOffset : nullptr;
	Function->Invoke(Context, Stack, Result);
}

Host::FScopedBlueprintGraph::FScopedBlueprintGraph(const TCHAR* BlueprintClassName, const TCHAR* GraphName, UObject* Self)
    : Class(std::make_unique<UClass>(BlueprintClassName, UObject::StaticClass(), nullptr)),
      Graph(std::make_unique<UFunction>(Class.get(), FName(GraphName), FUNC_BlueprintEvent))
{
	const TArray<const FFrame*>& ScriptStack = FBlueprintContextTracker::Get().GetCurrentScriptStack();
	FFrame* const Caller = ScriptStack.IsEmpty() ? nullptr : const_cast<FFrame*>(ScriptStack.Last());
	Frame = std::make_unique<FFrame>(Self, Graph.get(), nullptr, Caller);
	FBlueprintContextTracker::Get().EnterScriptFrame(*Frame);
}

Host::FScopedBlueprintGraph::~FScopedBlueprintGraph()
{
	check(!FBlueprintContextTracker::Get().GetCurrentScriptStack().IsEmpty() &&
	      FBlueprintContextTracker::Get().GetCurrentScriptStack().Last() == Frame.get());
	FBlueprintContextTracker::Get().ExitScriptFrame();
}
