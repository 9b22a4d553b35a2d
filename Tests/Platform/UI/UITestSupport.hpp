#pragma once

// Helpers of the view toolkit's tests. FixedTextMeasurer: a text measurer with round numbers, for layout tests: every character is half the
// font size wide (plus tracking), a line is 1.2 font sizes high with its baseline at 0.9; lines wrap at spaces, and words longer than a
// line are cut. It records what it is asked.

#include "Platform/UI/TextMeasurer.hpp"

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <ostream>

namespace tvk::ui {

inline void PrintTo(const Size& size, std::ostream* stream)
{
    *stream << size.width << " × " << size.height;
}

inline void PrintTo(const Rect& rect, std::ostream* stream)
{
    *stream << "(" << rect.origin.x << ", " << rect.origin.y << ") " << rect.size.width << " × " << rect.size.height;
}

}

namespace tvk::ui::test {

class FixedTextMeasurer : public TextMeasurer {
public:
    TextMeasurement measure(const TextMeasureRequest& request) override
    {
        std::string text = request.content->plainText();
        ++calls;
        ++callsByText[text];
        char key[128];
        std::snprintf(key, sizeof key, "|%.17g|%d|%.17g|%.17g", request.width ? *request.width : -1.0,
            request.maximumLines ? *request.maximumLines : -1, request.scale, request.tracking);
        if (!requests.insert(text + key).second)
            ++repeatedRequests;
        lastRequest = request;

        double size = (request.content->runs.empty() ? 13 : request.content->runs.front().style.pointSize) * request.scale;
        double characterWidth = size / 2 + request.tracking * size;
        double lineHeight = size * 1.2;
        std::vector<size_t> lines;
        size_t maximumCharacters
            = request.width ? std::max<size_t>(1, static_cast<size_t>(std::floor(*request.width / characterWidth + 1e-9))) : SIZE_MAX;
        size_t start = 0;
        while (true) {
            size_t end = text.find('\n', start);
            wrap(text.substr(start, end == std::string::npos ? std::string::npos : end - start), maximumCharacters, lines);
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        TextMeasurement measurement;
        if (request.maximumLines && lines.size() > static_cast<size_t>(*request.maximumLines)) {
            lines.resize(*request.maximumLines);
            measurement.isTruncated = true;
        }
        size_t widest = 0;
        for (size_t line : lines)
            widest = std::max(widest, line);
        measurement.size = { widest * characterWidth, lines.size() * lineHeight };
        measurement.lineCount = static_cast<int>(lines.size());
        measurement.firstBaseline = size * 0.9;
        measurement.lastBaseline = (lines.size() - 1) * lineHeight + size * 0.9;
        return measurement;
    }

    int calls = 0;
    int repeatedRequests = 0;
    std::map<std::string, int> callsByText;
    std::set<std::string> requests;
    TextMeasureRequest lastRequest;

private:
    static size_t characters(const std::string& text)
    {
        size_t count = 0;
        for (unsigned char c : text)
            count += (c & 0xC0) != 0x80;
        return count;
    }

    static void wrap(const std::string& paragraph, size_t maximum, std::vector<size_t>& lines)
    {
        size_t current = 0;
        bool any = false;
        size_t position = 0;
        while (position <= paragraph.size()) {
            size_t space = paragraph.find(' ', position);
            std::string word = paragraph.substr(position, space == std::string::npos ? std::string::npos : space - position);
            size_t length = characters(word);
            size_t needed = any ? current + 1 + length : length;
            if (needed <= maximum) {
                current = needed;
            } else {
                if (any)
                    lines.push_back(current);
                while (length > maximum) {
                    lines.push_back(maximum);
                    length -= maximum;
                }
                current = length;
            }
            any = true;
            if (space == std::string::npos)
                break;
            position = space + 1;
        }
        lines.push_back(current);
    }
};

}
