#include "Platform/Text/BinaryPropertyListReader.hpp"

#include "Platform/Text/PropertyListSerialization.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <random>

using namespace tvk;

namespace {

// Written by Python's plistlib (Fixtures/BinaryPropertyLists/make-binary-plists.py).
std::string fixture(const std::string& name)
{
    return tvk::test::readFile(std::filesystem::path(TVK_TEST_FIXTURES) / "BinaryPropertyLists" / name);
}

// A hand-made file: header, the given objects, their offset table and the trailer.
std::string binaryPlist(const std::vector<std::string>& objects, std::uint8_t referenceSize = 1, std::uint64_t top = 0)
{
    std::string bytes = "bplist00";
    std::vector<std::size_t> offsets;
    for (auto& object : objects) {
        offsets.push_back(bytes.size());
        bytes += object;
    }
    std::size_t table = bytes.size();
    for (auto offset : offsets) {
        bytes += static_cast<char>(offset >> 8);
        bytes += static_cast<char>(offset & 0xFF);
    }
    std::string trailer(32, '\0');
    trailer[6] = 2;
    trailer[7] = static_cast<char>(referenceSize);
    auto put = [&](std::size_t at, std::uint64_t value) {
        for (int k = 7; k >= 0; --k, value >>= 8)
            trailer[at + static_cast<std::size_t>(k)] = static_cast<char>(value & 0xFF);
    };
    put(8, objects.size());
    put(16, top);
    put(24, table);
    return bytes + trailer;
}

std::string bytes(std::initializer_list<int> values)
{
    std::string result;
    for (int value : values)
        result += static_cast<char>(value);
    return result;
}

}

TEST(BinaryPropertyListReader, ReadsEveryTypeAsPythonsPlistlibWritesIt)
{
    auto read = PropertyListSerialization::read(fixture("every-type.bplist"));
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(*read,
        PropertyList(PropertyList::Dictionary {
            { "ascii", "hello" },
            { "emptyString", "" },
            { "longAscii", "a string longer than fifteen characters" },
            { "unicode", "Grüße, 会议 🎉" },
            { "Schlüssel", "a key outside ASCII" },
            { "zero", 0 },
            { "oneByte", 255 },
            { "twoBytes", 256 },
            { "fourBytes", std::int64_t(65536) },
            { "eightBytes", std::int64_t(4294967296) },
            { "largest", INT64_MAX },
            { "minusOne", -1 },
            { "smallest", INT64_MIN },
            { "real", 0.1 },
            { "tiny", 1.5e-7 },
            { "yes", true },
            { "no", false },
            { "data", Data { 0, 1, 2, 255 } },
            { "emptyData", Data {} },
            { "longData", Data { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19 } },
            { "date", Date::fromTimeIntervalSinceReferenceDate(731583015.25) },
            { "uid", 7 },
            { "emptyArray", PropertyList::Array {} },
            { "emptyDictionary", PropertyList::Dictionary {} },
            { "sixteenElements", PropertyList::Array { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 } },
            { "nested",
                PropertyList::Dictionary {
                    { "inner", PropertyList::Array { "hello", PropertyList::Dictionary { { "deeper", true } } } } } },
        }));

    // Two-byte object references and offsets, past 255 objects.
    auto many = PropertyListSerialization::read(fixture("three-hundred-strings.bplist"));
    ASSERT_TRUE(many) << many.error();
    auto* array = many->get<PropertyList::Array>();
    ASSERT_TRUE(array);
    ASSERT_EQ(array->size(), 300u);
    EXPECT_EQ(array->back(), PropertyList("item 299"));
}

TEST(BinaryPropertyListReader, WhatAPropertyListCannotHoldHereIsRefusedNotWrapped)
{
    auto big = PropertyListSerialization::read(fixture("integer-beyond-64-bits.bplist"));
    ASSERT_FALSE(big);
    EXPECT_NE(big.error().find("beyond 64 bits"), std::string::npos);
    EXPECT_FALSE(BinaryPropertyListReader::read(binaryPlist({ bytes({ 0x00 }) }))); // null
    EXPECT_FALSE(BinaryPropertyListReader::read(binaryPlist({ bytes({ 0x33, 0x7F, 0xF0, 0, 0, 0, 0, 0, 0 }) }))); // infinite date
    auto version = PropertyListSerialization::read("bplist15" + std::string(40, '\0'));
    ASSERT_FALSE(version);
    EXPECT_NE(version.error().find("unsupported version"), std::string::npos);
}

TEST(BinaryPropertyListReader, OffsetsCountsAndReferencesOutsideTheFileAreErrors)
{
    // A well-formed one-element array, then the same with each field pointing elsewhere.
    EXPECT_EQ(
        BinaryPropertyListReader::read(binaryPlist({ bytes({ 0xA1, 1 }), bytes({ 0x09 }) })), PropertyList(PropertyList::Array { true }));
    EXPECT_FALSE(BinaryPropertyListReader::read(binaryPlist({ bytes({ 0xA1, 7 }), bytes({ 0x09 }) }))); // no object 7
    EXPECT_FALSE(BinaryPropertyListReader::read(binaryPlist({ bytes({ 0xAE, 1 }), bytes({ 0x09 }) }))); // 14 references
    EXPECT_FALSE(BinaryPropertyListReader::read(binaryPlist({ bytes({ 0xA1, 1 }), bytes({ 0x09 }) }, 1, 5))); // no top 5
    EXPECT_FALSE(BinaryPropertyListReader::read(binaryPlist({ bytes({ 0x5F, 0x13, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF }) })));
    EXPECT_FALSE(BinaryPropertyListReader::read(binaryPlist({ bytes({ 0x6F, 0x13, 0x40, 0, 0, 0, 0, 0, 0, 0 }) })));
    EXPECT_FALSE(BinaryPropertyListReader::read(binaryPlist({ bytes({ 0x13, 1, 2 }) }))); // an integer cut short
    EXPECT_FALSE(BinaryPropertyListReader::read(binaryPlist({ bytes({ 0xD1, 1, 1 }), bytes({ 0x10, 1 }) }))); // key not a string

    auto valid = binaryPlist({ bytes({ 0x51, 'x' }) });
    for (std::size_t cut = 0; cut < valid.size(); ++cut)
        EXPECT_FALSE(BinaryPropertyListReader::read(valid.substr(0, cut))) << cut;
    auto table = valid;
    table[valid.size() - 1] = 0x7F; // the offset table past the trailer
    EXPECT_FALSE(BinaryPropertyListReader::read(table));
    auto widths = valid;
    widths[valid.size() - 32 + 6] = 9; // offsets nine bytes wide
    EXPECT_FALSE(BinaryPropertyListReader::read(widths));
}

TEST(BinaryPropertyListReader, ObjectsThatContainThemselvesOrMultiplyAreRefused)
{
    // An array that holds itself.
    auto cycle = BinaryPropertyListReader::read(binaryPlist({ bytes({ 0xA1, 0 }) }));
    ASSERT_FALSE(cycle);
    EXPECT_NE(cycle.error().find("contains itself"), std::string::npos);

    // Forty arrays, each holding the next twice: 2^40 values if followed naively.
    std::vector<std::string> objects;
    for (int level = 0; level < 40; ++level)
        objects.push_back(bytes({ 0xA2, level + 1, level + 1 }));
    objects.push_back(bytes({ 0x09 }));
    auto doubled = BinaryPropertyListReader::read(binaryPlist(objects));
    ASSERT_FALSE(doubled);
    EXPECT_NE(doubled.error().find("too many values"), std::string::npos);

    // Nesting deeper than the limit.
    objects.clear();
    for (int level = 0; level < 200; ++level)
        objects.push_back(bytes({ 0xA1, level + 1 }));
    objects.push_back(bytes({ 0x09 }));
    auto deep = BinaryPropertyListReader::read(binaryPlist(objects));
    ASSERT_FALSE(deep);
    EXPECT_NE(deep.error().find("nested too deeply"), std::string::npos);
}

// Arrays that each hold the next one twice, `levels` deep, and at the bottom `leaf`: a file
// of a few bytes per level whose tree doubles with each.
std::string doublingArrays(int levels, const std::string& leaf)
{
    std::vector<std::string> objects;
    for (int level = 0; level < levels; ++level)
        objects.push_back(bytes({ 0xA2, level + 1, level + 1 }));
    objects.push_back(leaf);
    return binaryPlist(objects);
}

std::string asciiString(const std::string& text)
{
    std::string marker = text.size() < 15 ? bytes({ 0x50 | static_cast<int>(text.size()) })
                                           : bytes({ 0x5F, 0x11, static_cast<int>(text.size() >> 8), static_cast<int>(text.size() & 0xFF) });
    return marker + text;
}

TEST(BinaryPropertyListReader, ASmallFileCannotExpandFarBeyondItsSize)
{
    // 16 levels: about a hundred bytes that name 131071 values, far fewer than the absolute
    // limit but over a thousand per byte.
    auto values = doublingArrays(16, bytes({ 0x09 }));
    ASSERT_LT(values.size(), 200u);
    auto manyValues = BinaryPropertyListReader::read(values);
    ASSERT_FALSE(manyValues);
    EXPECT_NE(manyValues.error().find("too many values for its size"), std::string::npos);

    // 12 levels over one string of 1100 characters: a kilobyte that would be 4.5 MB of text.
    auto text = doublingArrays(12, asciiString(std::string(1100, 'x')));
    ASSERT_LT(text.size(), 1300u);
    auto muchText = BinaryPropertyListReader::read(text);
    ASSERT_FALSE(muchText);
    EXPECT_NE(muchText.error().find("too much text and data for its size"), std::string::npos);

    // The input the fuzzer timed out on: 20 levels, a million values from 317 bytes.
    auto found = fixture("doubling-arrays-twenty-levels.bplist");
    ASSERT_EQ(found.size(), 317u);
    auto refused = BinaryPropertyListReader::read(found);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("too many values for its size"), std::string::npos);
}

TEST(BinaryPropertyListReader, StringsSharedAsWritersShareThemStillRead)
{
    // A list of two thousand entries that all name one long calendar name, as a writer that
    // stores each string once makes it: one reference per value, 1.2 MB of text from 2 kB.
    std::string name(300, 'c');
    std::string list = bytes({ 0xAF, 0x11, 2000 >> 8, 2000 & 0xFF }) + std::string(2000, '\x01');
    auto read = BinaryPropertyListReader::read(binaryPlist({ list, asciiString(name) }));
    ASSERT_TRUE(read) << read.error();
    auto* array = read->get<PropertyList::Array>();
    ASSERT_TRUE(array);
    ASSERT_EQ(array->size(), 2000u);
    EXPECT_EQ(array->back(), PropertyList(name));

    // A small shared subtree, as a writer that also shares collections may write it.
    auto shared = BinaryPropertyListReader::read(doublingArrays(8, asciiString("Team meeting")));
    ASSERT_TRUE(shared) << shared.error();
}

TEST(BinaryPropertyListReader, RandomDamageToARealFileNeverCrashes)
{
    auto original = fixture("every-type.bplist");
    std::mt19937 random(18);
    for (int round = 0; round < 3000; ++round) {
        auto damaged = original;
        for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
            damaged[random() % damaged.size()] = static_cast<char>(random());
        auto read = BinaryPropertyListReader::read(damaged);
        if (read)
            (void)PropertyListSerialization::writeXml(*read);
    }
}
