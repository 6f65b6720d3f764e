// No include guard: the engine's header is included once per use, paired with
// Windows/HideWindowsPlatformTypes.h. Off Windows the engine's header reaches a file that does not
// exist, so its include must sit behind #if PLATFORM_WINDOWS; the host refuses it in the same way.
#include "HAL/Platform.h"

#if !PLATFORM_WINDOWS
#error "Windows/AllowWindowsPlatformTypes.h is only for Windows: include it under #if PLATFORM_WINDOWS"
#endif
