// Catalog texts are format strings that translators and resource files supply; the view
// toolkit fills them with arguments. Input: a format, then "\0", then arguments separated by
// "\0" (a leading '#' makes an integer, anything else a string).

#include "Platform/UI/LocalizedStringKey.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    auto end = input.find('\0');
    std::string_view format = input.substr(0, end);
    std::vector<tvk::ui::LocalizedStringKey::Argument> arguments;
    while (end != std::string_view::npos && arguments.size() < 16) {
        auto start = end + 1;
        end = input.find('\0', start);
        std::string argument(input.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (!argument.empty() && argument.front() == '#')
            arguments.emplace_back(static_cast<std::int64_t>(std::strtoll(argument.c_str() + 1, nullptr, 10)));
        else
            arguments.emplace_back(argument);
    }
    auto result = tvk::ui::LocalizedStringKey::format(format, arguments);
    // Each placeholder (at least two characters) becomes at most one argument or one number
    // of bounded width.
    size_t longest = 512;
    for (const auto& argument : arguments)
        longest = std::max(longest, argument.text().size());
    if (result.size() > format.size() + format.size() / 2 * longest)
        std::abort();
    return 0;
}
