#pragma once

#include "CoreTypes.h"

#include <memory>
#include <type_traits>
#include <utility>

// Shared ownership with the engine's names, over the standard library's reference counting.
// TSharedRef never holds null; TSharedPtr may.

template<typename ObjectType>
class TSharedRef;

template<typename ObjectType>
class TSharedPtr
{
public:
	TSharedPtr() = default;
	TSharedPtr(std::nullptr_t) {}
	template<typename OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	TSharedPtr(const TSharedPtr<OtherType>& Other)
	    : Pointer(Other.Pointer)
	{
	}
	template<typename OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	TSharedPtr(const TSharedRef<OtherType>& Other)
	    : Pointer(Other.Pointer)
	{
	}

	ObjectType* Get() const { return Pointer.get(); }
	bool IsValid() const { return Pointer != nullptr; }
	explicit operator bool() const { return IsValid(); }
	ObjectType* operator->() const
	{
		check(IsValid());
		return Pointer.get();
	}
	ObjectType& operator*() const
	{
		check(IsValid());
		return *Pointer;
	}
	void Reset() { Pointer.reset(); }
	int32 GetSharedReferenceCount() const { return static_cast<int32>(Pointer.use_count()); }
	TSharedRef<ObjectType> ToSharedRef() const;

	template<typename OtherType>
	friend bool operator==(const TSharedPtr& Lhs, const TSharedPtr<OtherType>& Rhs)
	{
		return Lhs.Get() == Rhs.Get();
	}
	friend bool operator==(const TSharedPtr& Lhs, std::nullptr_t) { return !Lhs.IsValid(); }
#if !PLATFORM_COMPILER_HAS_GENERATED_COMPARISON_OPERATORS
	template<typename OtherType>
	friend bool operator!=(const TSharedPtr& Lhs, const TSharedPtr<OtherType>& Rhs)
	{
		return Lhs.Get() != Rhs.Get();
	}
	friend bool operator!=(const TSharedPtr& Lhs, std::nullptr_t)
	{
		return Lhs.IsValid();
	}
	friend bool operator==(std::nullptr_t, const TSharedPtr& Rhs)
	{
		return !Rhs.IsValid();
	}
	friend bool operator!=(std::nullptr_t, const TSharedPtr& Rhs)
	{
		return Rhs.IsValid();
	}
#endif

private:
	template<typename>
	friend class TSharedPtr;
	template<typename>
	friend class TSharedRef;
	template<typename>
	friend class TWeakPtr;
	template<typename>
	friend class TSharedFromThis;
	template<typename T, typename... ArgTypes>
	friend TSharedRef<T> MakeShared(ArgTypes&&... Args);

	explicit TSharedPtr(std::shared_ptr<ObjectType> InPointer)
	    : Pointer(MoveTemp(InPointer)) {}

	std::shared_ptr<ObjectType> Pointer;
};

template<typename ObjectType>
class TSharedRef
{
public:
	template<typename OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	TSharedRef(const TSharedRef<OtherType>& Other)
	    : Pointer(Other.Pointer)
	{
	}

	ObjectType& Get() const { return *Pointer; }
	ObjectType* operator->() const { return Pointer.get(); }
	ObjectType& operator*() const { return *Pointer; }
	bool IsValid() const { return true; }
	TSharedPtr<ObjectType> ToSharedPtr() const { return TSharedPtr<ObjectType>(*this); }

	template<typename OtherType>
	friend bool operator==(const TSharedRef& Lhs, const TSharedRef<OtherType>& Rhs)
	{
		return &Lhs.Get() == &Rhs.Get();
	}
#if !PLATFORM_COMPILER_HAS_GENERATED_COMPARISON_OPERATORS
	template<typename OtherType>
	friend bool operator!=(const TSharedRef& Lhs, const TSharedRef<OtherType>& Rhs)
	{
		return &Lhs.Get() != &Rhs.Get();
	}
#endif

private:
	template<typename>
	friend class TSharedPtr;
	template<typename>
	friend class TSharedRef;
	template<typename>
	friend class TSharedFromThis;
	template<typename T, typename... ArgTypes>
	friend TSharedRef<T> MakeShared(ArgTypes&&... Args);
	template<typename T>
	friend struct FSharedFromRaw;

	explicit TSharedRef(std::shared_ptr<ObjectType> InPointer)
	    : Pointer(MoveTemp(InPointer))
	{
		check(Pointer != nullptr);
	}

	std::shared_ptr<ObjectType> Pointer;
};

template<typename ObjectType>
TSharedRef<ObjectType> TSharedPtr<ObjectType>::ToSharedRef() const
{
	check(IsValid());
	return TSharedRef<ObjectType>(Pointer);
}

// A non-owning handle that can tell whether its object still lives.
template<typename ObjectType>
class TWeakPtr
{
public:
	TWeakPtr() = default;
	template<typename OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	TWeakPtr(const TSharedPtr<OtherType>& Other)
	    : Pointer(Other.Pointer)
	{
	}
	template<typename OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	TWeakPtr(const TSharedRef<OtherType>& Other)
	    : Pointer(Other.ToSharedPtr().Pointer)
	{
	}

	TSharedPtr<ObjectType> Pin() const { return TSharedPtr<ObjectType>(Pointer.lock()); }
	bool IsValid() const { return !Pointer.expired(); }
	void Reset() { Pointer.reset(); }

private:
	std::weak_ptr<ObjectType> Pointer;
};

// Lets an object that is owned by shared pointers hand out further shared references to itself.
template<typename ObjectType>
class TSharedFromThis : public std::enable_shared_from_this<ObjectType>
{
public:
	TSharedRef<ObjectType> AsShared() { return TSharedRef<ObjectType>(this->shared_from_this()); }
	TSharedRef<const ObjectType> AsShared() const { return TSharedRef<const ObjectType>(this->shared_from_this()); }
	bool DoesSharedInstanceExist() const { return !this->weak_from_this().expired(); }
};

template<typename ObjectType, typename... ArgTypes>
TSharedRef<ObjectType> MakeShared(ArgTypes&&... Args)
{
	return TSharedRef<ObjectType>(std::make_shared<ObjectType>(Forward<ArgTypes>(Args)...));
}

// Takes ownership of an object allocated with new; converts to a shared pointer or reference.
template<typename ObjectType>
struct FSharedFromRaw
{
	ObjectType* Object;

	template<typename OtherType, typename = std::enable_if_t<std::is_convertible_v<ObjectType*, OtherType*>>>
	operator TSharedPtr<OtherType>() const
	{
		return Object ? TSharedPtr<OtherType>(TSharedRef<OtherType>(std::shared_ptr<ObjectType>(Object))) : TSharedPtr<OtherType>();
	}
	template<typename OtherType, typename = std::enable_if_t<std::is_convertible_v<ObjectType*, OtherType*>>>
	operator TSharedRef<OtherType>() const
	{
		return TSharedRef<OtherType>(TSharedRef<ObjectType>(std::shared_ptr<ObjectType>(Object)));
	}
};

template<typename ObjectType>
FSharedFromRaw<ObjectType> MakeShareable(ObjectType* Object)
{
	return FSharedFromRaw<ObjectType>{Object};
}
