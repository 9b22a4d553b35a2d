#pragma once

#include "Platform/UI/Geometry.hpp"
#include "Platform/UI/SystemColors.hpp"

#include <filesystem>
#include <memory>
#include <string_view>

typedef struct _cairo cairo_t;
typedef struct _RsvgHandle RsvgHandle;

namespace tvk::ui::detail {

/// An SVG file loaded with librsvg, shared by every image that shows it. Internal to
/// Platform/UI.
class SvgDocument {
public:
    ~SvgDocument();
    SvgDocument(const SvgDocument&) = delete;
    SvgDocument& operator=(const SvgDocument&) = delete;

    /// Loads a file (at most 4 MiB), or returns the copy loaded before if the file has not
    /// changed since. None, with the reason reported, when it cannot be read or parsed.
    static std::shared_ptr<const SvgDocument> load(const std::filesystem::path& path);

    /// The asset "<name>.svg" in `directory`, or "<name>.dark.svg" in the dark appearance when
    /// there is one. Names with path separators or a leading dot are refused.
    static std::shared_ptr<const SvgDocument> asset(std::string_view name, ColorScheme scheme, const std::filesystem::path& directory);

    /// The document's width and height in points (pixels of the file).
    Size intrinsicSize() const { return m_size; }
    /// Draws the document stretched to `frame`.
    void draw(cairo_t* cairo, const Rect& frame) const;

private:
    SvgDocument(RsvgHandle* handle, Size size);

    RsvgHandle* m_handle;
    Size m_size;
};

}
