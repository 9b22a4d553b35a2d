#include "Platform/Runtime/DoubleDescription.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tvk {

std::string describeDouble(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    if (value == 0)
        return std::signbit(value) ? "-0.0" : "0.0";

    // Shortest round-trip digits and their decimal exponent, from the scientific form.
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string scientific(buffer, result.ptr);
    auto ePosition = scientific.find('e');
    std::string mantissa = scientific.substr(0, ePosition);
    int exponent = std::atoi(scientific.c_str() + ePosition + 1);

    bool negative = mantissa.front() == '-';
    if (negative)
        mantissa.erase(0, 1);
    std::string digits;
    for (char c : mantissa) {
        if (c != '.')
            digits.push_back(c);
    }

    std::string out = negative ? "-" : "";
    double magnitude = std::fabs(value);
    if (magnitude >= 9007199254740992.0 || magnitude < 1e-4) {
        out += digits.substr(0, 1);
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += exponent < 0 ? "e-" : "e+";
        int absoluteExponent = std::abs(exponent);
        if (absoluteExponent < 10)
            out += '0';
        out += std::to_string(absoluteExponent);
        return out;
    }

    int pointPosition = exponent + 1; // digits before the point
    if (pointPosition <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-pointPosition), '0');
        out += digits;
    } else if (static_cast<size_t>(pointPosition) >= digits.size()) {
        out += digits;
        out.append(static_cast<size_t>(pointPosition) - digits.size(), '0');
        out += ".0";
    } else {
        out += digits.substr(0, static_cast<size_t>(pointPosition));
        out += '.';
        out += digits.substr(static_cast<size_t>(pointPosition));
    }
    return out;
}

}
