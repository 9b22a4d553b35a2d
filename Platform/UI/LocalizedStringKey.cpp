#include "Platform/UI/LocalizedStringKey.hpp"

namespace tvk::ui {

namespace {

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
    return removeAgreementMarkup(StringFormat::format(format, arguments));
}

}
