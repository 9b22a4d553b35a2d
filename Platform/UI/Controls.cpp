#include "Platform/UI/Controls.hpp"

#include "Platform/UI/Layout/ControlLayout.hpp"
#include "Platform/UI/Layout/EffectLayout.hpp"
#include "Platform/UI/Layout/ViewNode.hpp"

#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/unistr.h>

#include <cmath>
#include <memory>

namespace tvk::ui {

namespace {

std::string percentText(double fraction, const std::string& locale)
{
    icu::Locale icuLocale = locale.empty() ? icu::Locale::getDefault() : icu::Locale::createCanonical(locale.c_str());
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createPercentInstance(icuLocale, status));
    if (U_FAILURE(status) || !format)
        return std::to_string(static_cast<int>(std::lround(fraction * 100))) + "%";
    icu::UnicodeString text;
    format->format(fraction, text);
    std::string result;
    text.toUTF8String(result);
    return result;
}

}

View Link(std::string destination, View label)
{
    return detail::modified(label,
        [destination](std::unique_ptr<detail::LayoutNode> child, const EnvironmentValues&, detail::ResolveContext&)
            -> std::unique_ptr<detail::LayoutNode> { return std::make_unique<detail::LinkNode>(destination, std::move(child)); });
}

View ProgressView(double value, double total)
{
    double fraction = total > 0 && std::isfinite(total) && std::isfinite(value) ? std::clamp(value / total, 0.0, 1.0) : 0.0;
    return View(std::make_shared<detail::LeafViewNode>([fraction](const EnvironmentValues& environment, detail::ResolveContext&) {
        auto tint = environment.resolve(ShapeStyle::tint());
        auto track = environment.resolve(ShapeStyle::primary()).multiplyingOpacity(0.15);
        return std::make_unique<detail::ProgressNode>(
            fraction, environment.progressViewStyle, tint, track, percentText(fraction, environment.locale));
    }));
}

}
