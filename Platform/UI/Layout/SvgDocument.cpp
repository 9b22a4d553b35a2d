#include "Platform/UI/Layout/SvgDocument.hpp"

#include "Platform/Runtime/PlatformLog.hpp"

#include <librsvg/rsvg.h>

#include <map>
#include <mutex>
#include <set>
#include <system_error>

namespace tvk::ui::detail {

namespace {

constexpr std::uintmax_t maximumFileSize = 4 * 1024 * 1024;

// librsvg handles are not safe to draw from two threads at once.
std::mutex& renderMutex()
{
    static std::mutex mutex;
    return mutex;
}

struct CacheEntry {
    std::filesystem::file_time_type modified;
    std::uintmax_t size = 0;
    std::shared_ptr<const SvgDocument> document;
};

void reportOnce(const std::string& message)
{
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard lock(mutex);
    if (reported.insert(message).second)
        PlatformLog::warning("UI", message);
}

}

SvgDocument::SvgDocument(RsvgHandle* handle, Size size)
    : m_handle(handle)
    , m_size(size)
{
}

SvgDocument::~SvgDocument()
{
    g_object_unref(m_handle);
}

std::shared_ptr<const SvgDocument> SvgDocument::load(const std::filesystem::path& path)
{
    std::error_code error;
    auto modified = std::filesystem::last_write_time(path, error);
    auto size = error ? 0 : std::filesystem::file_size(path, error);
    if (error)
        return nullptr;
    if (size > maximumFileSize) {
        reportOnce("The image " + path.string() + " is larger than 4 MiB and is not drawn");
        return nullptr;
    }

    static std::mutex mutex;
    static std::map<std::filesystem::path, CacheEntry> cache;
    std::lock_guard lock(mutex);
    if (auto found = cache.find(path); found != cache.end() && found->second.modified == modified && found->second.size == size)
        return found->second.document;

    GError* gerror = nullptr;
    RsvgHandle* handle = rsvg_handle_new_from_file(path.c_str(), &gerror);
    if (!handle) {
        reportOnce("The image " + path.string() + " cannot be read: " + (gerror ? gerror->message : "unknown error"));
        if (gerror)
            g_error_free(gerror);
        return nullptr;
    }
    rsvg_handle_set_dpi(handle, 96);
    double width = 0, height = 0;
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle, &width, &height)) {
        gboolean hasWidth = FALSE, hasHeight = FALSE, hasViewBox = FALSE;
        RsvgLength widthLength, heightLength;
        RsvgRectangle viewBox;
        rsvg_handle_get_intrinsic_dimensions(handle, &hasWidth, &widthLength, &hasHeight, &heightLength, &hasViewBox, &viewBox);
        if (hasViewBox) {
            width = viewBox.width;
            height = viewBox.height;
        }
    }
    if (!(width > 0 && height > 0 && width < 1e6 && height < 1e6)) {
        reportOnce("The image " + path.string() + " has no usable size");
        g_object_unref(handle);
        return nullptr;
    }
    std::shared_ptr<const SvgDocument> document(new SvgDocument(handle, { width, height }));
    cache[path] = { modified, size, document };
    return document;
}

std::shared_ptr<const SvgDocument> SvgDocument::asset(std::string_view name, ColorScheme scheme, const std::filesystem::path& directory)
{
    if (name.empty() || name.front() == '.' || name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos) {
        reportOnce("No image named \"" + std::string(name) + "\"");
        return nullptr;
    }
    if (scheme == ColorScheme::dark) {
        if (auto dark = load(directory / (std::string(name) + ".dark.svg")))
            return dark;
    }
    auto path = directory / (std::string(name) + ".svg");
    auto document = load(path);
    std::error_code error;
    if (!document && !std::filesystem::exists(path, error))
        reportOnce("No image named \"" + std::string(name) + "\" in " + directory.string());
    return document;
}

void SvgDocument::draw(cairo_t* cairo, const Rect& frame) const
{
    if (frame.size.width <= 0 || frame.size.height <= 0)
        return;
    std::lock_guard lock(renderMutex());
    cairo_save(cairo);
    cairo_translate(cairo, frame.minX(), frame.minY());
    cairo_scale(cairo, frame.size.width / m_size.width, frame.size.height / m_size.height);
    RsvgRectangle viewport { 0, 0, m_size.width, m_size.height };
    GError* error = nullptr;
    if (!rsvg_handle_render_document(m_handle, cairo, &viewport, &error)) {
        if (error) {
            reportOnce(std::string("An image could not be drawn: ") + error->message);
            g_error_free(error);
        }
    }
    cairo_restore(cairo);
}

}
