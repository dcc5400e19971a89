// Scratch host folders for the host library tests: a temporary folder removed
// afterwards, and a scope that points the libraries at a folder through
// ORVALE_DB or the current directory and restores both on leaving.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include "support/ScopedEnvironment.h"

namespace hosttest {

class ScratchFolder {
public:
    ScratchFolder() {
#if defined(_WIN32)
        static int counter = 0;
        for (int attempt = 0;; ++attempt) {
            const std::filesystem::path candidate =
                std::filesystem::temp_directory_path() /
                ("hostlibs-" + std::to_string(_getpid()) + "-" + std::to_string(counter++));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                m_path = candidate.string() + "\\";
                return;
            }
            if (error || attempt >= 1000) {
                throw std::runtime_error("cannot create a scratch folder");
            }
        }
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "hostlibs-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a scratch folder");
        }
        m_path = pattern + "/";
#endif
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Ends with the platform's separator.
    const std::string& Path() const {
        return m_path;
    }

    void Write(const std::string& name, const std::string& content) const {
        std::filesystem::create_directories(std::filesystem::path(m_path + name).parent_path());
        std::ofstream(m_path + name, std::ios::binary) << content;
    }

private:
    std::string m_path;
};

class DatabaseFolderScope {
public:
    DatabaseFolderScope() : m_directory(std::filesystem::current_path()) {
        if (const char* value = std::getenv("ORVALE_DB")) {
            m_variable = value;
        }
    }
    ~DatabaseFolderScope() {
        if (m_variable) {
            testsupport::SetVariable("ORVALE_DB", m_variable->c_str());
        } else {
            testsupport::UnsetVariable("ORVALE_DB");
        }
        std::error_code ignored;
        std::filesystem::current_path(m_directory, ignored);
    }
    DatabaseFolderScope(const DatabaseFolderScope&) = delete;
    DatabaseFolderScope& operator=(const DatabaseFolderScope&) = delete;

    void Name(const std::string& folder) const {
        testsupport::SetVariable("ORVALE_DB", folder.c_str());
    }
    void Unname() const { testsupport::UnsetVariable("ORVALE_DB"); }
    void ChangeInto(const std::string& folder) const { std::filesystem::current_path(folder); }

private:
    std::filesystem::path m_directory;
    std::optional<std::string> m_variable;
};

} // namespace hosttest
