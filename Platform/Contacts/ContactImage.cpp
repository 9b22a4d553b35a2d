#include "Platform/Contacts/ContactImage.hpp"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace tvk {

namespace {

constexpr int maximumDecodedSide = 16384;
constexpr long long maximumDecodedPixels = 40'000'000;

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

struct SizeRequest {
    int maximumSide;
};

/// Before any pixel is decoded: refuse a picture too large to hold (a size of 0 makes the
/// loader stop with an error), and ask for the thumbnail size otherwise.
void sizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer userData)
{
    auto* request = static_cast<SizeRequest*>(userData);
    if (width <= 0 || height <= 0 || width > maximumDecodedSide || height > maximumDecodedSide
        || static_cast<long long>(width) * height > maximumDecodedPixels) {
        gdk_pixbuf_loader_set_size(loader, 0, 0);
        return;
    }
    int longer = std::max(width, height);
    if (longer <= request->maximumSide)
        return;
    double scale = static_cast<double>(request->maximumSide) / longer;
    gdk_pixbuf_loader_set_size(
        loader, std::max(1, static_cast<int>(std::lround(width * scale))), std::max(1, static_cast<int>(std::lround(height * scale))));
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
    SizeRequest request { maximumSide };
    g_signal_connect(loader, "size-prepared", G_CALLBACK(sizePrepared), &request);

    // A failed write closes the loader itself; closing it again would be a programming error.
    bool written = gdk_pixbuf_loader_write(loader, data.data(), data.size(), nullptr);
    bool closed = written && gdk_pixbuf_loader_close(loader, nullptr);
    std::optional<ContactImage> image;
    GdkPixbuf* pixbuf = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
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
    g_object_unref(loader);
    return image;
}

}
