#pragma once

#include <string>

namespace tvk {

/// Writes a double as the platform's default description does: the shortest digits that read
/// back to exactly the same value, always with at least one digit after the point for values
/// written in positional form ("1700000000.0", "0.25", "-3.0"). Magnitudes of 2^53 and above,
/// and below 1e-4, use exponent form with a signed, at least two-digit exponent ("1e+16",
/// "1.5e-05"). Non-finite values are "inf", "-inf" and "nan".
std::string describeDouble(double value);

}
