#include "Tests/Support/ScopedEnvironment.hpp"

#include <cstdlib>

namespace tvk::test {

ScopedEnvironment& ScopedEnvironment::set(const std::string& name, std::optional<std::string> value)
{
    const char* previous = std::getenv(name.c_str());
    m_saved.emplace_back(name, previous ? std::optional<std::string>(previous) : std::nullopt);
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
    return *this;
}

ScopedEnvironment::~ScopedEnvironment()
{
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->second)
            ::setenv(it->first.c_str(), it->second->c_str(), 1);
        else
            ::unsetenv(it->first.c_str());
    }
}

}
