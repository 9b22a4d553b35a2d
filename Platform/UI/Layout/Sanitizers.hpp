#pragma once

// Whether the build runs under AddressSanitizer (GCC and Clang spell it differently).

#if defined(__SANITIZE_ADDRESS__)
#define TVK_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TVK_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef TVK_ADDRESS_SANITIZER
#include <sanitizer/lsan_interface.h>
#endif

namespace tvk::ui::detail {

/// Ignores the allocations made while it lives when looking for leaks (in sanitizer builds;
/// nothing otherwise). Only for library calls known to lose memory on their own.
class IgnoredLeaks {
public:
#ifdef TVK_ADDRESS_SANITIZER
    IgnoredLeaks()
    {
        __lsan_disable();
    }
    ~IgnoredLeaks()
    {
        __lsan_enable();
    }
#else
    // User-provided, so that an unused guard draws no warning.
    IgnoredLeaks()
    {
    }
#endif
    IgnoredLeaks(const IgnoredLeaks&) = delete;
    IgnoredLeaks& operator=(const IgnoredLeaks&) = delete;
};

}
