// Sets an environment variable for the life of the object, then restores it.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport {

inline void SetVariable(const char* name, const char* value) {
#if defined(_WIN32)
    ::_putenv_s(name, value);
#else
    ::setenv(name, value, 1);
#endif
}

inline void UnsetVariable(const char* name) {
#if defined(_WIN32)
    ::_putenv_s(name, ""); // an empty value removes the variable
#else
    ::unsetenv(name);
#endif
}

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        SetVariable(name, value.c_str());
    }
    ~ScopedEnvironment() {
        if (m_old)
            SetVariable(m_name, m_old->c_str());
        else
            UnsetVariable(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace testsupport
