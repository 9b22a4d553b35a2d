#pragma once

#include "Platform/UI/TextMeasurer.hpp"

#include <list>
#include <string>
#include <unordered_map>

namespace tvk::ui {

/// Measures and sets text with Pango on the calling thread's font map: wrapping at word
/// boundaries (inside words when a word alone is too long), ellipsis at the head, middle or
/// tail, line limits across paragraphs, tabular digits, letter spacing and font scaling. Its
/// measurements draw themselves onto any Cairo context.
///
/// It keeps the last `cacheCapacity` measurements: a host draws the same entry again every
/// second while a timer runs, and most texts of a new entry were measured for the previous
/// one. Use one measurer per thread (Pango objects are not shared between threads).
class PangoTextMeasurer final : public TextMeasurer {
public:
    explicit PangoTextMeasurer(size_t cacheCapacity = 256)
        : m_capacity(cacheCapacity)
    {
    }
    TextMeasurement measure(const TextMeasureRequest& request) override;

    /// The measurer of the calling thread.
    static PangoTextMeasurer& forCurrentThread();

private:
    TextMeasurement measure(const TextMeasureRequest& request, bool clipped);

    size_t m_capacity;
    std::list<std::pair<std::string, TextMeasurement>> m_recent;
    std::unordered_map<std::string, std::list<std::pair<std::string, TextMeasurement>>::iterator> m_index;
};

}
