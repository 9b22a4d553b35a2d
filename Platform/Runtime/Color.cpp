#include "Platform/Runtime/Color.hpp"

#include "Platform/Runtime/HexDigit.hpp"

#include <cmath>
#include <cstdio>

namespace tvk {

std::optional<Color> Color::fromHex(std::string_view text)
{
    if (!text.empty() && text.front() == '#')
        text.remove_prefix(1);
    if (text.size() != 3 && text.size() != 6 && text.size() != 8)
        return std::nullopt;
    int values[8];
    for (size_t i = 0; i < text.size(); ++i) {
        values[i] = hexDigitValue(text[i]);
        if (values[i] < 0)
            return std::nullopt;
    }
    if (text.size() == 3)
        return rgb(values[0] * 17 / 255.0, values[1] * 17 / 255.0, values[2] * 17 / 255.0);
    auto component = [&](size_t index) { return (values[index] * 16 + values[index + 1]) / 255.0; };
    return rgb(component(0), component(2), component(4), text.size() == 8 ? component(6) : 1.0);
}

std::string Color::hexString() const
{
    if (system)
        return std::string(systemColorName(*system));
    auto byte = [](double value) {
        value = value < 0 ? 0 : value > 1 ? 1 : value;
        return static_cast<unsigned>(std::lround(value * 255));
    };
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X%02X", byte(red), byte(green), byte(blue), byte(alpha));
    return buffer;
}

std::string_view systemColorName(Color::System system)
{
    switch (system) {
    case Color::System::red: return "systemRed";
    case Color::System::orange: return "systemOrange";
    case Color::System::yellow: return "systemYellow";
    case Color::System::green: return "systemGreen";
    case Color::System::blue: return "systemBlue";
    case Color::System::purple: return "systemPurple";
    case Color::System::pink: return "systemPink";
    case Color::System::brown: return "systemBrown";
    case Color::System::gray: return "systemGray";
    case Color::System::label: return "label";
    case Color::System::secondaryLabel: return "secondaryLabel";
    case Color::System::controlText: return "controlText";
    case Color::System::controlAccent: return "controlAccent";
    }
    return "unknown";
}

}
