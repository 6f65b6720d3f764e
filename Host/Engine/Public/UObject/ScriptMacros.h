#pragma once

#include "UObject/Script.h"
#include "UObject/Stack.h"

// The shapes of native entry points, as the header tool writes them.
#define DECLARE_FUNCTION(func) static void func(UObject* Context, FFrame& Stack, RESULT_DECL)
#define DEFINE_FUNCTION(func) void func(UObject* Context, FFrame& Stack, RESULT_DECL)

#define P_GET_OBJECT(ObjectType, ParamName) \
	ObjectType* ParamName = nullptr;        \
	Stack.StepCompiledIn<FObjectProperty>(&ParamName);
#define P_GET_STRUCT(StructType, ParamName) \
	StructType ParamName = StructType();    \
	Stack.StepCompiledIn<FStructProperty>(&ParamName);
#define P_GET_STRUCT_REF(StructType, ParamName) \
	StructType ParamName##Temp;                 \
	StructType& ParamName = Stack.StepCompiledInRef<FStructProperty, StructType>(&ParamName##Temp);
#define P_GET_PROPERTY(PropertyType, ParamName)                                 \
	PropertyType::TCppType ParamName = PropertyType::GetDefaultPropertyValue(); \
	Stack.StepCompiledIn<PropertyType>(&ParamName);

// The end of the arguments: a script frame moves past its end-of-parameters token.
#define P_FINISH Stack.Code += !!Stack.Code;
#define P_NATIVE_BEGIN {
#define P_NATIVE_END }
