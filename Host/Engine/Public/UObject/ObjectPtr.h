#pragma once

#include "UObject/Object.h"

// The engine's object handle; in the host a plain pointer is enough.
template<typename T>
using TObjectPtr = T*;
