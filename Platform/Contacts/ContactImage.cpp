#include "Platform/Contacts/ContactImage.hpp"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace tvk {

namespace {

constexpr int maximumDecodedSide = 8192;
constexpr long long maximumDecodedPixels = 4096LL * 4096;

/// The GdkPixbuf loader for the data's format, by its first bytes.
const char* loaderType(std::span<const std::uint8_t> data)
{
    auto startsWith = [&](std::string_view signature) {
        return data.size() >= signature.size() && std::equal(signature.begin(), signature.end(), data.begin(), [](char a, std::uint8_t b) {
            return static_cast<std::uint8_t>(a) == b;
        });
    };
    if (startsWith("\x89PNG\r\n\x1a\n"))
        return "png";
    if (startsWith("\xFF\xD8\xFF"))
        return "jpeg";
    if (startsWith("GIF87a") || startsWith("GIF89a"))
        return "gif";
    return nullptr;
}

struct Progress {
    bool refused = false;
    /// Rows below this one have been decoded.
    int decodedRows = 0;
};

/// Before any pixel memory is taken: a size of 0 makes the loader stop with an error.
void sizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer userData)
{
    if (width <= 0 || height <= 0 || width > maximumDecodedSide || height > maximumDecodedSide
        || static_cast<long long>(width) * height > maximumDecodedPixels) {
        static_cast<Progress*>(userData)->refused = true;
        gdk_pixbuf_loader_set_size(loader, 0, 0);
    }
}

/// The loader's pixel memory is not initialised; a truncated file would leave part of it so.
void areaPrepared(GdkPixbufLoader* loader, gpointer)
{
    if (GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader))
        gdk_pixbuf_fill(pixbuf, 0);
}

void areaUpdated(GdkPixbufLoader*, int, int y, int, int height, gpointer userData)
{
    auto* progress = static_cast<Progress*>(userData);
    progress->decodedRows = std::max(progress->decodedRows, y + height);
}

/// `pixbuf` scaled so that its longer side is at most `maximumSide`; itself (referenced anew)
/// when it is small enough.
GdkPixbuf* thumbnail(GdkPixbuf* pixbuf, int maximumSide)
{
    int width = gdk_pixbuf_get_width(pixbuf);
    int height = gdk_pixbuf_get_height(pixbuf);
    int longer = std::max(width, height);
    if (longer <= maximumSide)
        return GDK_PIXBUF(g_object_ref(pixbuf));
    double scale = static_cast<double>(maximumSide) / longer;
    return gdk_pixbuf_scale_simple(pixbuf, std::max(1, static_cast<int>(std::lround(width * scale))),
        std::max(1, static_cast<int>(std::lround(height * scale))), GDK_INTERP_BILINEAR);
}

}

std::optional<ContactImage> ContactImage::decode(std::span<const std::uint8_t> data, int maximumSide)
{
    const char* type = loaderType(data);
    if (!type || maximumSide <= 0)
        return std::nullopt;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(type, nullptr);
    if (!loader)
        return std::nullopt;
    Progress progress;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(sizePrepared), &progress);
    g_signal_connect(loader, "area-prepared", G_CALLBACK(areaPrepared), nullptr);
    g_signal_connect(loader, "area-updated", G_CALLBACK(areaUpdated), &progress);

    // A failed write closes the loader itself; closing it again would be a programming error.
    bool written = gdk_pixbuf_loader_write(loader, data.data(), data.size(), nullptr);
    bool closed = written && gdk_pixbuf_loader_close(loader, nullptr);
    GdkPixbuf* decoded = closed && !progress.refused ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    // A PNG or JPEG cut short still closes without an error; its rows tell. (A GIF frame may
    // cover less than the whole picture by design.)
    if (decoded && std::string_view(type) != "gif" && progress.decodedRows < gdk_pixbuf_get_height(decoded))
        decoded = nullptr;
    GdkPixbuf* pixbuf = decoded ? thumbnail(decoded, maximumSide) : nullptr;
    std::optional<ContactImage> image;
    if (pixbuf && gdk_pixbuf_get_colorspace(pixbuf) == GDK_COLORSPACE_RGB && gdk_pixbuf_get_bits_per_sample(pixbuf) == 8) {
        int width = gdk_pixbuf_get_width(pixbuf);
        int height = gdk_pixbuf_get_height(pixbuf);
        int channels = gdk_pixbuf_get_n_channels(pixbuf);
        int stride = gdk_pixbuf_get_rowstride(pixbuf);
        bool hasAlpha = gdk_pixbuf_get_has_alpha(pixbuf);
        const guint8* source = gdk_pixbuf_read_pixels(pixbuf);
        if (width > 0 && height > 0 && source && (channels == 3 || (channels == 4 && hasAlpha))) {
            ContactImage result;
            result.width = width;
            result.height = height;
            result.pixels.resize(static_cast<size_t>(width) * height * 4);
            auto* target = result.pixels.data();
            for (int y = 0; y < height; ++y) {
                const guint8* row = source + static_cast<size_t>(y) * stride;
                for (int x = 0; x < width; ++x) {
                    const guint8* pixel = row + static_cast<size_t>(x) * channels;
                    *target++ = pixel[0];
                    *target++ = pixel[1];
                    *target++ = pixel[2];
                    *target++ = channels == 4 ? pixel[3] : 255;
                }
            }
            image = std::move(result);
        }
    }
    if (pixbuf)
        g_object_unref(pixbuf);
    g_object_unref(loader);
    return image;
}

}
