#pragma once

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

// A callable of the given signature; empty (false) until assigned.
template<typename FuncType>
using TFunction = std::function<FuncType>;

template<typename FuncType>
class TFunctionRef;

// A reference to a callable that the caller keeps alive for the call: no allocation, no copy of the
// callable, never empty.
template<typename Ret, typename... ParamTypes>
class TFunctionRef<Ret(ParamTypes...)>
{
public:
	template<typename FunctorType, typename = std::enable_if_t<!std::is_same_v<std::decay_t<FunctorType>, TFunctionRef> &&
	                                                           std::is_invocable_r_v<Ret, FunctorType&, ParamTypes...>>>
	TFunctionRef(FunctorType&& Functor)
	    : Object(const_cast<void*>(static_cast<const void*>(std::addressof(Functor)))), Call(&CallFunctor<std::remove_reference_t<FunctorType>>)
	{
	}

	Ret operator()(ParamTypes... Params) const
	{
		return Call(Object, std::forward<ParamTypes>(Params)...);
	}

private:
	template<typename FunctorType>
	static Ret CallFunctor(void* Functor, ParamTypes... Params)
	{
		return (*static_cast<FunctorType*>(Functor))(std::forward<ParamTypes>(Params)...);
	}

	void* Object;
	Ret (*Call)(void*, ParamTypes...);
};
