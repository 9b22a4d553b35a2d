#pragma once

namespace tvk {

/// The value of one ASCII hex digit, either case; -1 for any other character, so callers can
/// check two digits of an escape at once.
constexpr int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}
