// Messages put together from a printf format, of whatever length they come to:
// no fixed buffer to size, nothing cut short.
#pragma once

#include <string>

#if defined(__MINGW32__)
#define DOSEWRIGHT_PRINTF_FORMAT(at, from) __attribute__((format(gnu_printf, at, from)))
#elif defined(__GNUC__)
#define DOSEWRIGHT_PRINTF_FORMAT(at, from) __attribute__((format(printf, at, from)))
#else
#define DOSEWRIGHT_PRINTF_FORMAT(at, from)
#endif

std::string FormatText(const char* format, ...) DOSEWRIGHT_PRINTF_FORMAT(1, 2);
