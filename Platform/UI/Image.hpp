#pragma once

#include "Platform/UI/View.hpp"

#include <string>

namespace tvk::ui {

/// An image: an asset (an SVG file of the asset directory, see `EnvironmentValues`) or a
/// symbol drawn from the icon font (`SymbolCatalog`) in the foreground style and the current
/// font's size and weight. An image is as large as it is drawn unless made `resizable()`, after
/// which it takes the size offered (keep its shape with `aspectRatio`). An unknown name draws
/// nothing and takes no room, and is reported once.
class Image : public View {
public:
    explicit Image(std::string name);
    static Image systemName(std::string name);

    Image resizable() const;

    /// A symbol is as wide as its glyph at 1.45 times the font size: about the size the
    /// symbols the widgets were drawn with have beside text of that size.
    static constexpr double symbolScale = 1.45;

private:
    enum class Source { asset, symbol };
    Image(Source source, std::string name, bool isResizable);

    Source m_source;
    std::string m_name;
    bool m_isResizable;
};

}
