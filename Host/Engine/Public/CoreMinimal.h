#pragma once

// The engine's umbrella header for the core types every module uses.
#include "CoreTypes.h"
#include "Templates/UnrealTemplate.h"
#include "Containers/Array.h"
#include "Containers/UnrealString.h"
#include "Containers/StringConv.h"
#include "UObject/UnrealNames.h"
#include "UObject/NameTypes.h"
#include "Internationalization/Text.h"
#include "Math/UnrealMathUtility.h"
#include "Math/Vector.h"
#include "Math/Color.h"
#include "Logging/LogVerbosity.h"
#include "Logging/LogMacros.h"
#include "CoreGlobals.h"
