#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tvk {

/// A decoded contact picture, small enough for an avatar.
struct ContactImage {
    int width = 0;
    int height = 0;
    /// Straight (not premultiplied) RGBA, row after row, four bytes per pixel, no padding.
    std::vector<std::uint8_t> pixels;

    /// The picture in `data`, scaled down to at most `maximumSide` pixels on its longer side
    /// (never up). PNG, JPEG and GIF are read, through GdkPixbuf's loaders for exactly those
    /// formats, chosen by the data's signature. Anything else, a broken or truncated file, or a
    /// picture claiming more than 8192 pixels on a side or 16.8 million in all (refused before
    /// its pixels are decoded: it would only take memory) gives none.
    static std::optional<ContactImage> decode(std::span<const std::uint8_t> data, int maximumSide = defaultMaximumSide);

    static constexpr int defaultMaximumSide = 256;

    bool operator==(const ContactImage&) const = default;
};

}
