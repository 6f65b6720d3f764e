// No include guard: pairs with Windows/AllowWindowsPlatformTypes.h, which, like this header, exists
// for Windows only; off Windows the host refuses it as the engine's build would.
#include "HAL/Platform.h"

#if !PLATFORM_WINDOWS
#error "Windows/HideWindowsPlatformTypes.h is only for Windows: include it under #if PLATFORM_WINDOWS"
#endif
