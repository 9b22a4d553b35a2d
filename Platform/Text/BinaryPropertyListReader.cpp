#include "Platform/Text/BinaryPropertyListReader.hpp"

#include <unicode/ustring.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace tvk {

namespace {

// The layout, from the format's published description: an 8-byte header ("bplist00"), the
// objects, a table of their offsets, and a 32-byte trailer that says where that table is, how
// wide its entries and the object references are, how many objects there are and which one
// is the top. Each object starts with a marker byte: its type in the high nibble and, for
// variable-length objects, a count in the low nibble (15 meaning "an integer object follows
// with the count").
constexpr std::size_t headerSize = 8;
constexpr std::size_t trailerSize = 32;

using Error = tl::unexpected<std::string>;

class Reader {
public:
    explicit Reader(std::string_view bytes)
        : m_bytes(bytes)
        , m_valueBudget(budget(bytes.size(), BinaryPropertyListReader::valuesPerByte, BinaryPropertyListReader::minimumValueBudget,
              BinaryPropertyListReader::maximumValues))
        , m_textBudget(budget(bytes.size(), BinaryPropertyListReader::textBytesPerByte, BinaryPropertyListReader::minimumTextBudget,
              BinaryPropertyListReader::maximumBytes))
    {
    }

    tl::expected<PropertyList, std::string> read()
    {
        if (m_bytes.size() < headerSize + trailerSize + 1)
            return Error("binary property list too short");
        std::size_t trailer = m_bytes.size() - trailerSize;
        m_offsetSize = byteAt(trailer + 6);
        m_referenceSize = byteAt(trailer + 7);
        std::uint64_t objectCount = bigEndian(trailer + 8, 8);
        std::uint64_t topObject = bigEndian(trailer + 16, 8);
        std::uint64_t tableOffset = bigEndian(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_referenceSize < 1 || m_referenceSize > 8)
            return Error("binary property list has invalid offset or reference sizes");
        // The objects lie between the header and the offset table, the table before the trailer.
        if (objectCount == 0 || tableOffset < headerSize || tableOffset > trailer || objectCount > (trailer - tableOffset) / m_offsetSize)
            return Error("binary property list has an invalid offset table");
        if (topObject >= objectCount)
            return Error("binary property list names a top object that does not exist");
        m_objectsEnd = static_cast<std::size_t>(tableOffset);
        m_tableOffset = static_cast<std::size_t>(tableOffset);
        m_objectCount = static_cast<std::size_t>(objectCount);
        m_onPath.assign(m_objectCount, false);
        return object(static_cast<std::size_t>(topObject), 0);
    }

private:
    static std::size_t budget(std::size_t fileSize, std::size_t perByte, std::size_t floor, std::size_t ceiling)
    {
        std::size_t proportional = fileSize > ceiling / perByte ? ceiling : fileSize * perByte;
        return std::min(ceiling, std::max(floor, proportional));
    }

    std::uint8_t byteAt(std::size_t i) const { return static_cast<std::uint8_t>(m_bytes[i]); }

    // The caller has checked that [i, i + width) lies inside the input and width <= 8.
    std::uint64_t bigEndian(std::size_t i, std::size_t width) const
    {
        std::uint64_t value = 0;
        for (std::size_t k = 0; k < width; ++k)
            value = value << 8 | byteAt(i + k);
        return value;
    }

    /// Whether [start, start + length) lies inside the object area.
    bool inObjects(std::size_t start, std::uint64_t length) const
    {
        return start >= headerSize && start <= m_objectsEnd && length <= m_objectsEnd - start;
    }

    tl::expected<std::size_t, std::string> offsetOf(std::size_t index) const
    {
        std::uint64_t offset = bigEndian(m_tableOffset + index * m_offsetSize, m_offsetSize);
        if (offset < headerSize || offset >= m_objectsEnd)
            return Error("binary property list has an object offset outside the object area");
        return static_cast<std::size_t>(offset);
    }

    tl::expected<std::size_t, std::string> reference(std::size_t at) const
    {
        std::uint64_t index = bigEndian(at, m_referenceSize);
        if (index >= m_objectCount)
            return Error("binary property list refers to an object that does not exist");
        return static_cast<std::size_t>(index);
    }

    /// The count of a variable-length object whose marker is at `at`, and where its contents
    /// start.
    tl::expected<std::pair<std::uint64_t, std::size_t>, std::string> countAndStart(std::size_t at) const
    {
        std::uint8_t low = byteAt(at) & 0x0F;
        if (low != 0x0F)
            return std::pair<std::uint64_t, std::size_t> { low, at + 1 };
        std::size_t countMarker = at + 1;
        if (!inObjects(countMarker, 1) || (byteAt(countMarker) & 0xF0) != 0x10)
            return Error("binary property list has an invalid object length");
        std::size_t width = std::size_t(1) << (byteAt(countMarker) & 0x0F);
        if (width > 8 || !inObjects(countMarker + 1, width))
            return Error("binary property list has an invalid object length");
        std::uint64_t count = bigEndian(countMarker + 1, width);
        return std::pair<std::uint64_t, std::size_t> { count, countMarker + 1 + width };
    }

    tl::expected<void, std::string> account(std::size_t bytes)
    {
        if (++m_values > m_valueBudget)
            return Error("binary property list holds too many values for its size");
        if (bytes > m_textBudget - m_resultBytes)
            return Error("binary property list holds too much text and data for its size");
        m_resultBytes += bytes;
        return {};
    }

    tl::expected<PropertyList, std::string> object(std::size_t index, int depth)
    {
        if (depth > BinaryPropertyListReader::maximumDepth)
            return Error("property list nested too deeply");
        if (m_onPath[index])
            return Error("binary property list has an object that contains itself");
        auto at = offsetOf(index);
        if (!at)
            return Error(at.error());
        if (auto counted = account(0); !counted)
            return Error(counted.error());
        m_onPath[index] = true;
        auto result = objectAt(*at, depth);
        m_onPath[index] = false;
        return result;
    }

    tl::expected<PropertyList, std::string> objectAt(std::size_t at, int depth)
    {
        std::uint8_t marker = byteAt(at);
        std::uint8_t low = marker & 0x0F;
        switch (marker >> 4) {
        case 0x0:
            if (marker == 0x08 || marker == 0x09)
                return PropertyList(marker == 0x09);
            return Error("binary property list holds a null or unknown value");
        case 0x1: return integer(at, low);
        case 0x2: return real(at, low);
        case 0x3: {
            if (marker != 0x33 || !inObjects(at + 1, 8))
                return Error("binary property list has an invalid date");
            double seconds = std::bit_cast<double>(bigEndian(at + 1, 8));
            if (!std::isfinite(seconds))
                return Error("binary property list has a date that is not finite");
            return PropertyList(Date::fromTimeIntervalSinceReferenceDate(seconds));
        }
        case 0x4: {
            auto bytes = contents(at, 1, 1);
            if (!bytes)
                return Error(bytes.error());
            auto* first = reinterpret_cast<const std::uint8_t*>(bytes->data());
            return PropertyList(Data(first, first + bytes->size()));
        }
        case 0x5: return asciiString(at);
        case 0x6: return utf16String(at);
        case 0x8: {
            // A UID of keyed archives, 1 to 16 bytes; kept as the integer it holds.
            std::size_t width = std::size_t(low) + 1;
            if (width > 8 || !inObjects(at + 1, width))
                return Error("binary property list has an invalid UID");
            std::uint64_t value = bigEndian(at + 1, width);
            if (value > static_cast<std::uint64_t>(INT64_MAX))
                return Error("binary property list has a UID too large to read");
            return PropertyList(static_cast<std::int64_t>(value));
        }
        case 0xA:
        case 0xC: return array(at, depth);
        case 0xD: return dictionary(at, depth);
        default: return Error("binary property list holds an unknown kind of value");
        }
    }

    tl::expected<PropertyList, std::string> integer(std::size_t at, std::uint8_t low)
    {
        if (low > 4)
            return Error("binary property list has an integer wider than 128 bits");
        std::size_t width = std::size_t(1) << low;
        if (!inObjects(at + 1, width))
            return Error("binary property list has an integer that runs past its end");
        if (width < 8)
            return PropertyList(static_cast<std::int64_t>(bigEndian(at + 1, width))); // unsigned
        if (width == 8)
            return PropertyList(static_cast<std::int64_t>(bigEndian(at + 1, 8))); // signed
        // 128 bits: what fits 64 bits with a sign, as writers use it for values from 2^63 on.
        std::uint64_t high = bigEndian(at + 1, 8);
        std::uint64_t lowHalf = bigEndian(at + 9, 8);
        bool fits = (high == 0 && lowHalf <= static_cast<std::uint64_t>(INT64_MAX))
            || (high == UINT64_MAX && lowHalf > static_cast<std::uint64_t>(INT64_MAX));
        if (!fits)
            return Error("binary property list has an integer beyond 64 bits with a sign");
        return PropertyList(static_cast<std::int64_t>(lowHalf));
    }

    tl::expected<PropertyList, std::string> real(std::size_t at, std::uint8_t low)
    {
        if (low == 2 && inObjects(at + 1, 4))
            return PropertyList(static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(bigEndian(at + 1, 4)))));
        if (low == 3 && inObjects(at + 1, 8))
            return PropertyList(std::bit_cast<double>(bigEndian(at + 1, 8)));
        return Error("binary property list has an invalid real number");
    }

    /// The bytes of the data or string whose marker is at `at`, `unitSize` bytes per counted
    /// unit; the result they make is accounted as `resultBytesPerUnit` bytes per unit.
    tl::expected<std::string_view, std::string> contents(std::size_t at, std::size_t unitSize, std::size_t resultBytesPerUnit)
    {
        auto counted = countAndStart(at);
        if (!counted)
            return Error(counted.error());
        auto [units, start] = *counted;
        if (units > m_objectsEnd || !inObjects(start, units * unitSize))
            return Error("binary property list has data or a string that runs past its end");
        if (auto accounted = account(static_cast<std::size_t>(units) * resultBytesPerUnit); !accounted)
            return Error(accounted.error());
        return m_bytes.substr(start, static_cast<std::size_t>(units) * unitSize);
    }

    tl::expected<PropertyList, std::string> asciiString(std::size_t at)
    {
        // Written as ASCII; any byte above it is read as Latin-1 so the text stays valid UTF-8.
        auto bytes = contents(at, 1, 2);
        if (!bytes)
            return Error(bytes.error());
        std::string text;
        text.reserve(bytes->size());
        for (char c : *bytes) {
            auto byte = static_cast<std::uint8_t>(c);
            if (byte < 0x80) {
                text += static_cast<char>(byte);
            } else {
                text += static_cast<char>(0xC0 | (byte >> 6));
                text += static_cast<char>(0x80 | (byte & 0x3F));
            }
        }
        return PropertyList(std::move(text));
    }

    tl::expected<PropertyList, std::string> utf16String(std::size_t at)
    {
        // Big-endian UTF-16; at most three UTF-8 bytes per unit.
        auto bytes = contents(at, 2, 3);
        if (!bytes)
            return Error(bytes.error());
        std::vector<UChar> utf16(bytes->size() / 2);
        for (std::size_t k = 0; k < utf16.size(); ++k)
            utf16[k] = static_cast<UChar>(static_cast<std::uint8_t>((*bytes)[2 * k]) << 8 | static_cast<std::uint8_t>((*bytes)[2 * k + 1]));
        std::string text(utf16.size() * 3, '\0');
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        // Unpaired surrogates become U+FFFD rather than making the whole file unreadable.
        u_strToUTF8WithSub(text.data(), static_cast<int32_t>(text.size()), &length, utf16.data(), static_cast<int32_t>(utf16.size()),
            0xFFFD, nullptr, &status);
        if (U_FAILURE(status))
            return Error("binary property list has a string that is not valid UTF-16");
        text.resize(static_cast<std::size_t>(length));
        return PropertyList(std::move(text));
    }

    struct References {
        std::uint64_t count = 0;
        std::size_t start = 0;
    };

    /// The object references of the collection whose marker is at `at`: its count, and where
    /// the first of `perEntry` × count references is.
    tl::expected<References, std::string> references(std::size_t at, std::uint64_t perEntry) const
    {
        auto counted = countAndStart(at);
        if (!counted)
            return Error(counted.error());
        auto [count, start] = *counted;
        if (count > m_objectsEnd / perEntry / m_referenceSize || !inObjects(start, count * perEntry * m_referenceSize))
            return Error("binary property list has a collection that runs past its end");
        return References { count, start };
    }

    /// The object that the `k`th reference from `start` names.
    tl::expected<PropertyList, std::string> referenced(std::size_t start, std::uint64_t k, int depth)
    {
        auto index = reference(start + static_cast<std::size_t>(k) * m_referenceSize);
        if (!index)
            return Error(index.error());
        return object(*index, depth + 1);
    }

    tl::expected<PropertyList, std::string> array(std::size_t at, int depth)
    {
        auto references = this->references(at, 1);
        if (!references)
            return Error(references.error());
        PropertyList::Array result;
        result.reserve(static_cast<std::size_t>(references->count));
        for (std::uint64_t k = 0; k < references->count; ++k) {
            auto element = referenced(references->start, k, depth);
            if (!element)
                return element;
            result.push_back(std::move(*element));
        }
        return PropertyList(std::move(result));
    }

    tl::expected<PropertyList, std::string> dictionary(std::size_t at, int depth)
    {
        // All the keys' references, then all the values'.
        auto references = this->references(at, 2);
        if (!references)
            return Error(references.error());
        PropertyList::Dictionary result;
        for (std::uint64_t k = 0; k < references->count; ++k) {
            auto key = referenced(references->start, k, depth);
            if (!key)
                return key;
            auto* keyText = key->get<std::string>();
            if (!keyText)
                return Error("binary property list has a dictionary key that is not a string");
            auto value = referenced(references->start, references->count + k, depth);
            if (!value)
                return value;
            result.insert_or_assign(std::move(*keyText), std::move(*value));
        }
        return PropertyList(std::move(result));
    }

    std::string_view m_bytes;
    std::size_t m_valueBudget;
    std::size_t m_textBudget;
    std::size_t m_offsetSize = 0;
    std::size_t m_referenceSize = 0;
    std::size_t m_objectsEnd = 0;
    std::size_t m_tableOffset = 0;
    std::size_t m_objectCount = 0;
    std::vector<bool> m_onPath;
    std::size_t m_values = 0;
    std::size_t m_resultBytes = 0;
};

}

bool BinaryPropertyListReader::looksBinary(std::string_view bytes)
{
    return bytes.starts_with("bplist");
}

tl::expected<PropertyList, std::string> BinaryPropertyListReader::read(std::string_view bytes)
{
    if (!bytes.starts_with("bplist00")) {
        if (looksBinary(bytes))
            return Error("binary property list of an unsupported version (only \"bplist00\" is read)");
        return Error("not a binary property list");
    }
    return Reader(bytes).read();
}

}
