#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Platform/Runtime/ISO8601.hpp"

#include <gtest/gtest.h>

#include <string_view>

namespace tvk::test {

/// The instant an ISO 8601 text names ("2026-12-07T09:30:00+01:00"); a text that names none
/// fails the test and reads as the reference date.
inline Date at(std::string_view text)
{
    auto date = ISO8601::parse(text);
    EXPECT_TRUE(date) << text;
    return date.value_or(Date());
}

}
