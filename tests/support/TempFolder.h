// A new, empty folder of its own for one test, removed with all it holds when
// the test is done.
#pragma once

#include <filesystem>
#include <string_view>

namespace testsupport {

class TempFolder {
public:
    TempFolder(); // under the system's temporary folder (TMPDIR)
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

} // namespace testsupport
