#include "Platform/Text/RequiredLiterals.hpp"

#include <algorithm>
#include <optional>

namespace tvk {

namespace {

/// Texts of which a match contains at least one; empty for no guarantee.
using Requirement = std::vector<std::string>;

bool isAsciiAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

/// The length of the UTF-8 sequence that starts with `lead`; 0 for a byte that starts none.
std::size_t sequenceLength(char lead)
{
    auto byte = static_cast<unsigned char>(lead);
    if (byte < 0x80)
        return 1;
    if (byte >= 0xC2 && byte <= 0xDF)
        return 2;
    if (byte >= 0xE0 && byte <= 0xEF)
        return 3;
    if (byte >= 0xF0 && byte <= 0xF4)
        return 4;
    return 0;
}

std::size_t shortest(const Requirement& requirement)
{
    std::size_t length = SIZE_MAX;
    for (auto& literal : requirement)
        length = std::min(length, literal.size());
    return length;
}

/// The requirement that rules out the most texts: the longest shortest literal, and of those
/// the one with the fewest alternatives.
Requirement best(std::vector<Requirement>& candidates)
{
    Requirement* chosen = nullptr;
    for (auto& candidate : candidates) {
        if (candidate.empty())
            continue;
        if (!chosen || shortest(candidate) > shortest(*chosen)
            || (shortest(candidate) == shortest(*chosen) && candidate.size() < chosen->size()))
            chosen = &candidate;
    }
    return chosen ? std::move(*chosen) : Requirement {};
}

// Reads the pattern once, left to right; `failed` means it uses something not followed here,
// and the whole answer is then "no guarantee".
class Reader {
public:
    explicit Reader(std::string_view pattern)
        : m_pattern(pattern)
    {
    }

    Requirement read()
    {
        auto requirement = alternation();
        if (m_failed || m_index != m_pattern.size())
            return {};
        return requirement;
    }

private:
    bool atEnd() const { return m_index >= m_pattern.size(); }
    char peek(std::size_t ahead = 0) const { return m_index + ahead < m_pattern.size() ? m_pattern[m_index + ahead] : '\0'; }

    Requirement alternation()
    {
        std::vector<Requirement> branches;
        while (true) {
            branches.push_back(sequence());
            if (m_failed)
                return {};
            if (peek() == '|' && !atEnd()) {
                ++m_index;
                continue;
            }
            break;
        }
        if (branches.size() == 1)
            return std::move(branches[0]);
        Requirement any;
        for (auto& branch : branches) {
            if (branch.empty())
                return {};
            any.insert(any.end(), branch.begin(), branch.end());
        }
        std::sort(any.begin(), any.end());
        any.erase(std::unique(any.begin(), any.end()), any.end());
        return any;
    }

    Requirement sequence()
    {
        std::vector<Requirement> candidates;
        std::string run;
        auto endRun = [&] {
            if (!run.empty())
                candidates.push_back({ run });
            run.clear();
        };
        while (!atEnd() && peek() != '|' && peek() != ')') {
            std::optional<std::string> literal;
            std::optional<Requirement> group;
            if (!atom(literal, group))
                return {};
            int minimum = 1;
            bool repeated = false;
            if (!quantifier(minimum, repeated))
                return {};
            if (literal) {
                if (minimum == 0) {
                    endRun();
                } else {
                    run += *literal;
                    if (repeated)
                        endRun();
                }
            } else {
                endRun();
                if (group && minimum >= 1 && !group->empty())
                    candidates.push_back(std::move(*group));
            }
        }
        endRun();
        return best(candidates);
    }

    /// One character of the pattern, all bytes of it: a quantifier after a character outside
    /// ASCII applies to the whole character, never to its last byte alone.
    bool character(std::optional<std::string>& literal)
    {
        auto length = sequenceLength(peek());
        if (length == 0 || m_pattern.size() - m_index < length)
            return fail();
        literal = std::string(m_pattern.substr(m_index, length));
        m_index += length;
        return true;
    }

    /// One atom: a literal character, a group (with what it requires), or anything else.
    bool atom(std::optional<std::string>& literal, std::optional<Requirement>& group)
    {
        char c = peek();
        if (c == '\\') {
            char escaped = peek(1);
            if (m_index + 1 >= m_pattern.size())
                return fail();
            if (!isAsciiAlnum(escaped)) {
                ++m_index;
                return character(literal);
            }
            // Classes, anchors and control escapes stand alone; escapes that take more
            // characters (code points, properties, back-references, quoting) are not followed.
            static constexpr std::string_view standalone = "dDsSwWbBAzZGhHvVRXtnrfae";
            if (standalone.find(escaped) == std::string_view::npos)
                return fail();
            m_index += 2;
            return true;
        }
        if (c == '[')
            return skipClass();
        if (c == '(') {
            ++m_index;
            bool lookaround = false;
            if (peek() == '?') {
                char kind = peek(1);
                if (kind == ':' || kind == '>') {
                    m_index += 2;
                } else if (kind == '=' || kind == '!') {
                    m_index += 2;
                    lookaround = true;
                } else if (kind == '<' && (peek(2) == '=' || peek(2) == '!')) {
                    m_index += 3;
                    lookaround = true;
                } else if (kind == '<') {
                    auto close = m_pattern.find('>', m_index);
                    if (close == std::string_view::npos)
                        return fail();
                    m_index = close + 1;
                } else if (kind == '#') {
                    auto close = m_pattern.find(')', m_index);
                    if (close == std::string_view::npos)
                        return fail();
                    m_index = close + 1;
                    return true;
                } else {
                    return fail(); // flags such as (?i) change what the literals mean
                }
            }
            auto inside = alternation();
            if (m_failed || peek() != ')' || atEnd())
                return fail();
            ++m_index;
            if (!lookaround)
                group = std::move(inside);
            return true;
        }
        if (c == '*' || c == '+' || c == '?' || c == '{')
            return fail();
        if (c == '.' || c == '^' || c == '$') {
            ++m_index;
            return true;
        }
        return character(literal);
    }

    bool skipClass()
    {
        int depth = 0;
        while (!atEnd()) {
            char c = peek();
            if (c == '\\') {
                m_index += 2;
                continue;
            }
            ++m_index;
            if (c == '[') {
                ++depth;
                // A "]" right after "[" or "[^" belongs to the set.
                if (peek() == '^')
                    ++m_index;
                if (peek() == ']')
                    ++m_index;
            } else if (c == ']' && --depth == 0) {
                return true;
            }
        }
        return fail();
    }

    bool quantifier(int& minimum, bool& repeated)
    {
        char c = peek();
        if (atEnd())
            return true;
        if (c == '?' || c == '*') {
            minimum = 0;
            ++m_index;
        } else if (c == '+') {
            repeated = true;
            ++m_index;
        } else if (c == '{') {
            auto close = m_pattern.find('}', m_index);
            if (close == std::string_view::npos)
                return fail();
            auto interval = m_pattern.substr(m_index + 1, close - m_index - 1);
            auto comma = interval.find(',');
            auto low = interval.substr(0, comma);
            if (low.empty() || low.size() > 6 || !std::all_of(low.begin(), low.end(), [](char d) { return d >= '0' && d <= '9'; }))
                return fail();
            minimum = std::stoi(std::string(low));
            repeated = !(comma == std::string_view::npos && minimum == 1);
            m_index = close + 1;
        } else {
            return true;
        }
        if (peek() == '?' || peek() == '+')
            ++m_index;
        return true;
    }

    bool fail()
    {
        m_failed = true;
        return false;
    }

    std::string_view m_pattern;
    std::size_t m_index = 0;
    bool m_failed = false;
};

}

std::vector<std::string> requiredLiterals(std::string_view pattern)
{
    return Reader(pattern).read();
}

bool containsAnyRequiredLiteral(std::string_view text, const std::vector<std::string>& literals)
{
    if (literals.empty())
        return true;
    return std::any_of(
        literals.begin(), literals.end(), [&](const std::string& literal) { return text.find(literal) != std::string_view::npos; });
}

}
