#include "TVKUtils/SemanticVersion.hpp"

#include <charconv>
#include <tuple>
#include <vector>

namespace tvk {

namespace {

std::optional<std::int64_t> wholeNumber(std::string_view piece)
{
    if (piece.starts_with('+'))
        piece.remove_prefix(1);
    if (piece.empty() || piece.starts_with('+'))
        return std::nullopt;
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
    if (error != std::errc() || end != piece.data() + piece.size())
        return std::nullopt;
    return value;
}

}

std::optional<SemanticVersion> SemanticVersion::fromString(std::string_view text)
{
    std::vector<std::int64_t> numbers;
    while (true) {
        auto dot = text.find('.');
        auto piece = text.substr(0, dot);
        if (!piece.empty()) {
            auto number = wholeNumber(piece);
            if (!number || numbers.size() == 3)
                return std::nullopt;
            numbers.push_back(*number);
        }
        if (dot == std::string_view::npos)
            break;
        text.remove_prefix(dot + 1);
    }
    if (numbers.empty())
        return std::nullopt;
    numbers.resize(3, 0);
    return SemanticVersion { numbers[0], numbers[1], numbers[2] };
}

bool SemanticVersion::isNewerThan(const SemanticVersion& other) const
{
    return std::tie(major, minor, patch) > std::tie(other.major, other.minor, other.patch);
}

bool SemanticVersion::isNewerMajorOrMinorThan(const SemanticVersion& other) const
{
    return std::tie(major, minor) > std::tie(other.major, other.minor);
}

std::string SemanticVersion::description() const
{
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

}
