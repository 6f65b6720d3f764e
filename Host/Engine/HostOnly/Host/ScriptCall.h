#pragma once

#include "CoreMinimal.h"
#include "UObject/Object.h"
#include "UObject/Stack.h"
#include "UObject/UnrealType.h"

#include <memory>
#include <type_traits>

// Host-only script machine: calls reflected functions the way a Blueprint node does, and runs
// Blueprint graphs whose frames the script call stack shows.
namespace Host
{
	// The arguments and the result of one call, laid out as the function's parameter record.
	class FScriptCallParams
	{
	public:
		explicit FScriptCallParams(const UFunction* InFunction);
		~FScriptCallParams();
		FScriptCallParams(const FScriptCallParams&) = delete;
		FScriptCallParams& operator=(const FScriptCallParams&) = delete;

		// Sets the argument of the pin named Name; the value must have the parameter's type.
		template<typename T>
		void Set(const TCHAR* Name, const T& Value)
		{
			FProperty* Property = FindParameter(Name);
			if constexpr (std::is_pointer_v<T> || std::is_null_pointer_v<T>)
			{
				UObject* const Object = Value;
				CheckType<FObjectProperty>(Property, sizeof(UObject*));
				Property->CopyCompleteValue(Property->ContainerPtrToValuePtr<void>(Data.get()), &Object);
			}
			else
			{
				CheckType<std::conditional_t<std::is_same_v<T, FString>, FStrProperty, FStructProperty>>(Property, sizeof(T));
				CheckStruct<T>(Property);
				Property->CopyCompleteValue(Property->ContainerPtrToValuePtr<void>(Data.get()), &Value);
			}
		}

		// The value in the result slot.
		template<typename T>
		T GetReturnValue() const
		{
			FProperty* Property = Function->GetReturnProperty();
			check(Property != nullptr && Property->GetSize() == static_cast<int32>(sizeof(T)));
			CheckStruct<T>(Property);
			return *Property->ContainerPtrToValuePtr<T>(Data.get());
		}

		void* GetData() const { return Data.get(); }
		const UFunction* GetFunction() const { return Function; }

	private:
		FProperty* FindParameter(const TCHAR* Name) const;
		template<typename PropertyType>
		static void CheckType(const FProperty* Property, size_t Size)
		{
			checkf(CastField<const PropertyType>(Property) != nullptr && Property->GetSize() == static_cast<int32>(Size),
			       TEXT("Argument of the wrong type"));
		}

		// A reflected struct pin takes values of its own struct only, not of another of the same size.
		template<typename T>
		static void CheckStruct(const FProperty* Property)
		{
			if constexpr (requires { T::StaticStruct(); })
			{
				const FStructProperty* const Struct = CastField<const FStructProperty>(Property);
				checkf(Struct != nullptr && Struct->Struct == T::StaticStruct(), TEXT("Argument of the wrong struct"));
			}
			else if constexpr (std::is_same_v<T, FVector>)
			{
				const FStructProperty* const Struct = CastField<const FStructProperty>(Property);
				checkf(Struct != nullptr && Struct->Struct == TBaseStructure<FVector>::Get(), TEXT("Argument of the wrong struct"));
			}
		}

		const UFunction* Function;
		std::unique_ptr<uint8[]> Data;
	};

	// Calls Function as a Blueprint node does: through its native entry point, which reads the
	// arguments from a frame over Params and writes any result into Params' result slot.
	void CallFunction(UObject* Context, UFunction* Function, FScriptCallParams& Params);

	// A Blueprint graph running on this thread while this lives: "BlueprintClass.GraphName" is on the
	// script call stack, above any graph that was running when it began.
	class FScopedBlueprintGraph
	{
	public:
		FScopedBlueprintGraph(const TCHAR* BlueprintClassName, const TCHAR* GraphName, UObject* Self = nullptr);
		~FScopedBlueprintGraph();
		FScopedBlueprintGraph(const FScopedBlueprintGraph&) = delete;
		FScopedBlueprintGraph& operator=(const FScopedBlueprintGraph&) = delete;

	private:
		std::unique_ptr<UClass> Class;
		std::unique_ptr<UFunction> Graph;
		std::unique_ptr<FFrame> Frame;
	};
}
