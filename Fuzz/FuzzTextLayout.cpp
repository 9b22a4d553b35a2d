// Event titles, locations and catalog texts reach the text layout unfiltered: any bytes, any
// length, any script. Input: four bytes of settings (wrap width, line limit, truncation mode,
// tightening and shrinking), then the text.

#include "Platform/UI/PangoTextMeasurer.hpp"
#include "Platform/UI/UI.hpp"

#include <cstdint>
#include <string>

using namespace tvk::ui;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4 || size > 4096)
        return 0;
    std::string text(reinterpret_cast<const char*>(data + 4), size - 4);
    std::optional<double> width = data[0] == 255 ? std::nullopt : std::optional<double>(data[0]);
    std::optional<int> lines = data[1] % 5 == 0 ? std::nullopt : std::optional<int>(data[1] % 5);
    auto mode = static_cast<TruncationMode>(data[2] % 3);

    auto content = std::make_shared<TextContent>();
    content->language = data[3] & 1 ? "ar" : "en_US";
    ResolvedTextStyle style;
    style.pointSize = 5 + data[3] % 40;
    style.hasMonospacedDigits = data[3] & 2;
    content->runs.push_back({ text.substr(0, text.size() / 2), style });
    style.weight = Font::Weight::bold;
    content->runs.push_back({ text.substr(text.size() / 2), style });
    TextMeasureRequest request;
    request.content = content;
    request.width = width;
    request.maximumLines = lines;
    request.truncationMode = mode;
    request.tracking = data[3] & 4 ? -0.05 : 0;
    request.scale = data[3] & 8 ? 0.5 : 1;
    PangoTextMeasurer measurer(0);
    auto measurement = measurer.measure(request);
    if (lines && measurement.lineCount > *lines)
        __builtin_trap();

    auto view = Text(text).lineLimit(lines).truncationMode(mode).allowsTightening(data[3] & 4).minimumScaleFactor(data[3] & 8 ? 0.5 : 1);
    auto layout = ViewLayout::make(VStack({ view, Text(LocalizedStringKey(text)) }), { width.value_or(300), 200 });
    (void)layout.accessibilityTexts();
    return 0;
}
