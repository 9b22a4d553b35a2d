#pragma once

#include "Platform/Text/Url.hpp"

#include <gtest/gtest.h>

#include <string_view>

namespace tvk::test {

/// The URL a test writes out; a text that is none fails the test and reads as "invalid:".
inline Url url(std::string_view text)
{
    auto parsed = Url::make(text);
    EXPECT_TRUE(parsed) << text;
    return parsed ? *parsed : *Url::make("invalid:");
}

}
