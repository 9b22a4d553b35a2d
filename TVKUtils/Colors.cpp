#include "TVKUtils/Colors.hpp"

#include "Platform/Runtime/ProcessWideState.hpp"
#include "Platform/Runtime/StandardPaths.hpp"
#include "QMLogger/QMLogger.hpp"

#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>

namespace tvk::Colors {

namespace {

constexpr std::uintmax_t maximumFileSize = 1024 * 1024;

void report(const std::filesystem::path& file, const std::string& problem)
{
    QMLogger::warning(LogCategory("Assets"), file.string() + ": " + problem);
}

std::optional<double> component(const nlohmann::json& object, const char* name, std::optional<double> fallback)
{
    auto found = object.find(name);
    if (found == object.end())
        return fallback;
    if (!found->is_number())
        return std::nullopt;
    double value = found->get<double>();
    if (!(value >= 0.0 && value <= 1.0))
        return std::nullopt;
    return value;
}

}

std::optional<Color> namedColor(std::string_view name, const std::filesystem::path& colorsFile)
{
    std::error_code error;
    auto size = std::filesystem::file_size(colorsFile, error);
    if (error)
        return std::nullopt;
    if (size > maximumFileSize) {
        report(colorsFile, "larger than 1 MiB; ignored");
        return std::nullopt;
    }
    std::ifstream stream(colorsFile, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    auto document = nlohmann::json::parse(data, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        report(colorsFile, "not a JSON object of named colours; ignored");
        return std::nullopt;
    }
    auto entry = document.find(std::string(name));
    if (entry == document.end())
        return std::nullopt;
    if (entry->is_string()) {
        if (auto color = Color::fromHex(entry->get<std::string>()))
            return color;
    } else if (entry->is_object()) {
        auto red = component(*entry, "red", std::nullopt);
        auto green = component(*entry, "green", std::nullopt);
        auto blue = component(*entry, "blue", std::nullopt);
        auto alpha = component(*entry, "alpha", 1.0);
        if (red && green && blue && alpha)
            return Color::rgb(*red, *green, *blue, *alpha);
    }
    report(colorsFile, "the colour \"" + std::string(name) + "\" is neither a hex text nor components between 0 and 1; ignored");
    return std::nullopt;
}

std::optional<Color> namedColor(std::string_view name)
{
    auto resources = StandardPaths::resourceDirectory();
    if (!resources)
        return std::nullopt;
    return namedColor(name, *resources / "Assets" / "Colors.json");
}

Color primary()
{
    static std::mutex mutex;
    static std::optional<Color> color;
    std::lock_guard lock(mutex);
    if (!color) {
        static const ProcessWideState::Registration resettable([] {
            std::lock_guard lock(mutex);
            color.reset();
        });
        color = namedColor("Primary").value_or(primaryFallback);
    }
    return *color;
}

}
