#pragma once

#include "CoreTypes.h"
#include "Templates/SharedPointer.h"

#include <functional>
#include <type_traits>
#include <utility>

// A single-cast delegate: one bound callable, executed on demand. Raw bindings do not own their object
// (it must outlive the delegate); SP bindings hold it weakly and fall unbound once it is gone.
template<typename FuncType>
class TDelegate;

template<typename RetValType, typename... ParamTypes>
class TDelegate<RetValType(ParamTypes...)>
{
public:
	TDelegate() = default;

	template<typename UserClass, typename MethodType, typename... VarTypes>
	static TDelegate CreateRaw(UserClass* InUserObject, MethodType InFunc, VarTypes... Vars)
	{
		TDelegate Result;
		Result.BindRaw(InUserObject, InFunc, Vars...);
		return Result;
	}

	template<typename FunctorType, typename... VarTypes>
	static TDelegate CreateLambda(FunctorType&& InFunctor, VarTypes... Vars)
	{
		TDelegate Result;
		Result.BindLambda(Forward<FunctorType>(InFunctor), Vars...);
		return Result;
	}

	template<typename FunctionType, typename... VarTypes>
	static TDelegate CreateStatic(FunctionType* InFunc, VarTypes... Vars)
	{
		TDelegate Result;
		Result.Callable = [InFunc, Vars...](ParamTypes... Params) -> RetValType
		{ return InFunc(Forward<ParamTypes>(Params)..., Vars...); };
		return Result;
	}

	template<typename UserClass, typename MethodType, typename... VarTypes>
	static TDelegate CreateSP(const TSharedRef<UserClass>& InUserObjectRef, MethodType InFunc, VarTypes... Vars)
	{
		return CreateWeak(TWeakPtr<UserClass>(InUserObjectRef), InFunc, Vars...);
	}

	template<typename UserClass, typename MethodType, typename... VarTypes>
	static TDelegate CreateSP(const TSharedPtr<UserClass>& InUserObject, MethodType InFunc, VarTypes... Vars)
	{
		return CreateWeak(TWeakPtr<UserClass>(InUserObject), InFunc, Vars...);
	}

	template<typename UserClass, typename MethodType, typename... VarTypes>
	static TDelegate CreateSP(UserClass* InUserObject, MethodType InFunc, VarTypes... Vars)
	{
		return CreateWeak(TWeakPtr<UserClass>(TSharedPtr<UserClass>(InUserObject->AsShared())), InFunc, Vars...);
	}

	template<typename UserClass, typename MethodType, typename... VarTypes>
	void BindRaw(UserClass* InUserObject, MethodType InFunc, VarTypes... Vars)
	{
		check(InUserObject != nullptr);
		Callable = [InUserObject, InFunc, Vars...](ParamTypes... Params) -> RetValType
		{
			return std::invoke(InFunc, InUserObject, Forward<ParamTypes>(Params)..., Vars...);
		};
		IsAlive = nullptr;
	}

	template<typename FunctorType, typename... VarTypes>
	void BindLambda(FunctorType&& InFunctor, VarTypes... Vars)
	{
		Callable = [Functor = std::decay_t<FunctorType>(Forward<FunctorType>(InFunctor)), Vars...](ParamTypes... Params) mutable -> RetValType
		{
			return Functor(Forward<ParamTypes>(Params)..., Vars...);
		};
		IsAlive = nullptr;
	}

	bool IsBound() const { return static_cast<bool>(Callable) && (!IsAlive || IsAlive()); }
	void Unbind()
	{
		Callable = nullptr;
		IsAlive = nullptr;
	}

	RetValType Execute(ParamTypes... Params) const
	{
		check(IsBound());
		return Callable(Forward<ParamTypes>(Params)...);
	}

	// Runs the binding if there is one; only delegates that return nothing have this.
	template<typename R = RetValType, typename = std::enable_if_t<std::is_void_v<R>>>
	bool ExecuteIfBound(ParamTypes... Params) const
	{
		if (!IsBound())
		{
			return false;
		}
		Callable(Forward<ParamTypes>(Params)...);
		return true;
	}

private:
	template<typename UserClass, typename MethodType, typename... VarTypes>
	static TDelegate CreateWeak(TWeakPtr<UserClass> Weak, MethodType InFunc, VarTypes... Vars)
	{
		TDelegate Result;
		Result.Callable = [Weak, InFunc, Vars...](ParamTypes... Params) -> RetValType
		{
			const TSharedPtr<UserClass> Pinned = Weak.Pin();
			check(Pinned.IsValid());
			return std::invoke(InFunc, Pinned.Get(), Forward<ParamTypes>(Params)..., Vars...);
		};
		Result.IsAlive = [Weak]()
		{ return Weak.IsValid(); };
		return Result;
	}

	std::function<RetValType(ParamTypes...)> Callable;
	std::function<bool()> IsAlive;
};

#define DECLARE_DELEGATE(DelegateName) typedef TDelegate<void()> DelegateName;
#define DECLARE_DELEGATE_OneParam(DelegateName, Param1Type) typedef TDelegate<void(Param1Type)> DelegateName;
#define DECLARE_DELEGATE_TwoParams(DelegateName, Param1Type, Param2Type) typedef TDelegate<void(Param1Type, Param2Type)> DelegateName;
#define DECLARE_DELEGATE_RetVal(ReturnValueType, DelegateName) typedef TDelegate<ReturnValueType()> DelegateName;
#define DECLARE_DELEGATE_RetVal_OneParam(ReturnValueType, DelegateName, Param1Type) typedef TDelegate<ReturnValueType(Param1Type)> DelegateName;
