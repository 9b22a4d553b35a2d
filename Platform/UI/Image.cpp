#include "Platform/UI/Image.hpp"

#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/UI/Layout/ImageLayout.hpp"
#include "Platform/UI/Layout/StackLayout.hpp"
#include "Platform/UI/Layout/ViewNode.hpp"
#include "Platform/UI/SymbolCatalog.hpp"

#include <mutex>
#include <set>

namespace tvk::ui {

namespace {

// Where a symbol's baseline sits: its ink is centred on the middle of the capital letters of
// text of the same size, whose cap height is about 0.73 em.
constexpr double capHeightRatio = 0.73;

void reportMissingSymbol(const std::string& name, const char* reason)
{
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard lock(mutex);
    if (reported.insert(name).second)
        PlatformLog::warning("UI", "No symbol named \"" + name + "\": " + reason);
}

std::unique_ptr<detail::LayoutNode> symbolNode(const std::string& name, bool isResizable, const EnvironmentValues& environment)
{
    auto glyph = SymbolCatalog::glyph(name);
    if (!glyph) {
        reportMissingSymbol(name, "not in the symbol table");
        return std::make_unique<detail::EmptyNode>();
    }
    auto ink = SymbolCatalog::inkBounds(glyph->codepoint);
    if (!ink) {
        reportMissingSymbol(name, "the icon font (fonts-material-design-icons-iconfont) is not installed or lacks the glyph");
        return std::make_unique<detail::EmptyNode>();
    }
    Font font = environment.font.value_or(Font::body);
    detail::SymbolDrawing drawing;
    drawing.codepoint = glyph->codepoint;
    drawing.inkBounds = *ink;
    drawing.emSize = font.size * Image::symbolScale;
    drawing.weight = environment.fontWeight.value_or(font.fontWeight);
    drawing.color = environment.resolvedForeground();
    double height = ink->size.height * drawing.emSize;
    double baseline = height / 2 + font.size * capHeightRatio / 2;
    return std::make_unique<detail::ImageNode>(drawing, isResizable, baseline, std::string(glyph->accessibilityLabel));
}

}

Image::Image(Source source, std::string name, bool isResizable)
    : View(std::make_shared<detail::LeafViewNode>(
        [source, name, isResizable](const EnvironmentValues& environment, detail::ResolveContext&) -> std::unique_ptr<detail::LayoutNode> {
            if (source == Source::symbol)
                return symbolNode(name, isResizable, environment);
            auto document = detail::SvgDocument::asset(name, environment.colorScheme, environment.resolvedAssetDirectory());
            if (!document)
                return std::make_unique<detail::EmptyNode>();
            return std::make_unique<detail::ImageNode>(std::move(document), isResizable, name);
        }))
    , m_source(source)
    , m_name(std::move(name))
    , m_isResizable(isResizable)
{
}

Image::Image(std::string name)
    : Image(Source::asset, std::move(name), false)
{
}

Image Image::systemName(std::string name)
{
    return Image(Source::symbol, std::move(name), false);
}

Image Image::resizable() const
{
    return Image(m_source, m_name, true);
}

}
