#include "Platform/UI/LocalizedStringKey.hpp"

#include "Platform/Runtime/DoubleDescription.hpp"

#include <cctype>
#include <cstdio>
#include <optional>

namespace tvk::ui {

namespace {

std::string argumentAsString(const LocalizedStringKey::Argument& argument)
{
    if (auto integer = std::get_if<std::int64_t>(&argument))
        return std::to_string(*integer);
    if (auto real = std::get_if<double>(&argument))
        return describeDouble(*real);
    return std::get<std::string>(argument);
}

std::optional<std::int64_t> argumentAsInteger(const LocalizedStringKey::Argument& argument)
{
    if (auto integer = std::get_if<std::int64_t>(&argument))
        return *integer;
    if (auto real = std::get_if<double>(&argument)) {
        if (*real != *real || *real > 9.2e18 || *real < -9.2e18)
            return std::nullopt;
        return static_cast<std::int64_t>(*real);
    }
    return std::nullopt;
}

std::optional<double> argumentAsDouble(const LocalizedStringKey::Argument& argument)
{
    if (auto integer = std::get_if<std::int64_t>(&argument))
        return static_cast<double>(*integer);
    if (auto real = std::get_if<double>(&argument))
        return *real;
    return std::nullopt;
}

// Digits of a width or precision, capped so that a hostile format cannot ask for a
// gigabyte of padding.
std::string_view takeDigits(std::string_view text, size_t& index)
{
    size_t start = index;
    while (index < text.size() && std::isdigit(static_cast<unsigned char>(text[index])))
        ++index;
    return text.substr(start, index - start);
}

bool isSmallNumber(std::string_view digits)
{
    return digits.size() <= 2;
}

std::string removeAgreementMarkup(std::string text)
{
    // "^[inner](attributes)" → "inner". Brackets inside the inner text are not expected in
    // catalog texts; an unmatched form is left as it is.
    size_t searchFrom = 0;
    while (true) {
        size_t open = text.find("^[", searchFrom);
        if (open == std::string::npos)
            break;
        size_t close = text.find("](", open + 2);
        if (close == std::string::npos)
            break;
        size_t end = text.find(')', close + 2);
        if (end == std::string::npos)
            break;
        std::string inner = text.substr(open + 2, close - open - 2);
        text.replace(open, end + 1 - open, inner);
        searchFrom = open + inner.size();
    }
    return text;
}

}

std::string LocalizedStringKey::format(std::string_view format, const std::vector<Argument>& arguments)
{
    std::string result;
    result.reserve(format.size() + 16);
    size_t nextArgument = 0;
    size_t index = 0;
    while (index < format.size()) {
        char c = format[index];
        if (c != '%') {
            result += c;
            ++index;
            continue;
        }
        size_t start = index++;
        if (index < format.size() && format[index] == '%') {
            result += '%';
            ++index;
            continue;
        }
        // %[position$][flags][width][.precision][length]conversion
        std::optional<size_t> position;
        bool badPosition = false;
        size_t afterDigits = index;
        auto digits = takeDigits(format, afterDigits);
        if (!digits.empty() && afterDigits < format.size() && format[afterDigits] == '$') {
            if (isSmallNumber(digits) && std::stoul(std::string(digits)) > 0)
                position = std::stoul(std::string(digits)) - 1;
            else
                badPosition = true;
            index = afterDigits + 1;
        }
        std::string flags;
        while (index < format.size() && std::string_view("-+ #0'").find(format[index]) != std::string_view::npos)
            flags += format[index++];
        auto width = takeDigits(format, index);
        std::string_view precision;
        bool hasPrecision = false;
        if (index < format.size() && format[index] == '.') {
            ++index;
            hasPrecision = true;
            precision = takeDigits(format, index);
        }
        while (index < format.size() && std::string_view("hlqLztj").find(format[index]) != std::string_view::npos)
            ++index;
        if (index >= format.size()) {
            result.append(format.substr(start));
            break;
        }
        char conversion = format[index++];
        std::string_view original = format.substr(start, index - start);
        size_t argumentIndex = position.value_or(nextArgument);
        bool known = std::string_view("@dDiuUxXoOcsSfFeEgGaA").find(conversion) != std::string_view::npos;
        if (!known || badPosition || argumentIndex >= arguments.size() || !isSmallNumber(width) || !isSmallNumber(precision)) {
            result.append(original);
            continue;
        }
        if (!position)
            ++nextArgument;
        const Argument& argument = arguments[argumentIndex];
        std::string numericFormat = "%" + flags + std::string(width) + (hasPrecision ? "." + std::string(precision) : "");
        // A thousands-separator flag is a POSIX extension that changes nothing in the C
        // locale; drop it rather than hand it to snprintf.
        std::erase(numericFormat, '\'');
        char buffer[512];
        switch (conversion) {
        case '@':
        case 's':
        case 'S': result += argumentAsString(argument); break;
        case 'c':
        case 'C': result += argumentAsString(argument); break;
        case 'd':
        case 'D':
        case 'i':
        case 'u':
        case 'U':
        case 'x':
        case 'X':
        case 'o':
        case 'O': {
            auto integer = argumentAsInteger(argument);
            if (!integer) {
                result += argumentAsString(argument);
                break;
            }
            char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(conversion)));
            char type = conversion == 'X' ? 'X' : (lower == 'd' || lower == 'i') ? 'd' : lower;
            std::string spec = numericFormat + "ll" + type;
            std::snprintf(buffer, sizeof buffer, spec.c_str(), static_cast<long long>(*integer));
            result += buffer;
            break;
        }
        default: {
            auto real = argumentAsDouble(argument);
            if (!real) {
                result += argumentAsString(argument);
                break;
            }
            std::string spec = numericFormat + conversion;
            std::snprintf(buffer, sizeof buffer, spec.c_str(), *real);
            result += buffer;
            break;
        }
        }
    }
    return removeAgreementMarkup(std::move(result));
}

}
