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
#include <unistd.h>

namespace hosttest {

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "hostlibs-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a scratch folder");
        }
        m_path = pattern + "/";
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Ends with '/'.
    const std::string& Path() const { return m_path; }

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
            setenv("ORVALE_DB", m_variable->c_str(), 1);
        } else {
            unsetenv("ORVALE_DB");
        }
        std::error_code ignored;
        std::filesystem::current_path(m_directory, ignored);
    }
    DatabaseFolderScope(const DatabaseFolderScope&) = delete;
    DatabaseFolderScope& operator=(const DatabaseFolderScope&) = delete;

    void Name(const std::string& folder) const { setenv("ORVALE_DB", folder.c_str(), 1); }
    void Unname() const { unsetenv("ORVALE_DB"); }
    void ChangeInto(const std::string& folder) const { std::filesystem::current_path(folder); }

private:
    std::filesystem::path m_directory;
    std::optional<std::string> m_variable;
};

} // namespace hosttest
