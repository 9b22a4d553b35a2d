#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tvk::test {

/// Sets (or, with none, unsets) environment variables for the lifetime of the object and
/// restores the previous values afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const std::string& name, std::optional<std::string> value) { set(name, std::move(value)); }
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    ScopedEnvironment& set(const std::string& name, std::optional<std::string> value);

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

}
