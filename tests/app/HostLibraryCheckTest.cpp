// The check of the host's libraries a program makes in its own folder before
// its first call into them, on copies of the very libraries the tests load:
// each way a library can be unfit is the one sentence that says what to do.
#include "app/HostLibraryCheck.h"
#include "DosewrightVersion.h"
#include "platform/LibraryLoader.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr const char* kLibraries[] = {"StoreLinkDll", "OVUtilities", "OVAppLogic",
                                      "Kelvar.Api.NetWrapper"};
constexpr int kOtherBits = sizeof(void*) == 8 ? 32 : 64;

fs::path LibraryIn(const fs::path& folder, const char* baseName) {
    return folder / platform::LibraryFileName(baseName);
}

// The first bytes of a library of the other width, in this platform's format.
std::string OtherWidthHeader() {
#if defined(_WIN32)
    std::string header(0x40, '\0');
    header[0] = 'M';
    header[1] = 'Z';
    header[0x3C] = 0x40; // the PE header follows at once
    header += std::string("PE\0\0", 4);
    header += kOtherBits == 32 ? std::string("\x4c\x01", 2) : std::string("\x64\x86", 2);
    return header + std::string(200, '\0');
#else
    std::string header = "\x7f"
                         "ELF";
    header += kOtherBits == 32 ? '\1' : '\2';
    return header + std::string(60, '\0');
#endif
}

struct LibraryCase {
    const char* name;
    std::function<void(const fs::path& folder)> spoil;
    // The sentence, with FOLDER for the folder; nullptr: all four fit.
    std::function<std::string(const fs::path& folder)> expected;
};

TEST(HostLibraryCheck, EachUnfitLibraryIsTheSentenceThatSaysWhatToDo) {
    const std::string version = DOSEWRIGHT_VERSION_TEXT;
    const std::string store = platform::LibraryFileName("StoreLinkDll");
    const std::string logic = platform::LibraryFileName("OVAppLogic");
    const std::string kelvar = platform::LibraryFileName("Kelvar.Api.NetWrapper");
#if defined(_WIN32)
    const std::string ordinal244 = "number 244"; // exported under no name
#else
    const std::string ordinal244 = "OVAppLogic_Ordinal244";
#endif
    const LibraryCase cases[] = {
        {"all four fit", [](const fs::path&) {}, nullptr},
        {"the record manager missing",
         [](const fs::path& folder) { fs::remove(LibraryIn(folder, "StoreLinkDll")); },
         [&](const fs::path& folder) {
             return store + " is not in " + folder.string() +
                    ". Copy Dosewright into the host's program folder, beside the host's DLLs.";
         }},
        {"the application logic of the other width",
         [](const fs::path& folder) {
             testsupport::WriteFileBytes(LibraryIn(folder, "OVAppLogic"), OtherWidthHeader());
         },
         [&](const fs::path& folder) {
             const std::string bits = std::to_string(kOtherBits);
             return logic + " in " + folder.string() + " is a " + bits + "-bit library: use the " +
                    bits + "-bit Dosewright (Dosewright-" + version + "-win" + bits + ".zip).";
         }},
        {"the application logic without its function",
         [](const fs::path& folder) {
             fs::remove(LibraryIn(folder, "OVAppLogic"));
             fs::copy_file(LibraryIn(folder, "Kelvar.Api.NetWrapper"),
                           LibraryIn(folder, "OVAppLogic"));
         },
         [&](const fs::path& folder) {
             return logic + " in " + folder.string() + " has no function " + ordinal244 +
                    ": this host version is not supported.";
         }},
        {"the drug-knowledge wrapper not a library",
         [](const fs::path& folder) {
             testsupport::WriteFileBytes(LibraryIn(folder, "Kelvar.Api.NetWrapper"),
                                         "not a library");
         },
         [&](const fs::path& folder) {
             return kelvar + " in " + folder.string() + " cannot be loaded. Error Code:";
         }},
    };
    for (const LibraryCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempFolder temp;
        for (const char* library : kLibraries)
            fs::copy_file(LibraryIn(platform::ProgramFolder(), library),
                          LibraryIn(temp.Path(), library));
        c.spoil(temp.Path());

        HostLibraryCheck check(platform::SystemLibraryLoader(), temp.Path().string());
        EXPECT_EQ(check.Run(), c.expected == nullptr);
        ASSERT_EQ(check.Findings().size(), std::size(kLibraries));
        if (c.expected == nullptr) {
            EXPECT_EQ(check.FirstProblem(), "");
            continue;
        }
        // The first sentence is the one to act on: the libraries that need the
        // record manager cannot be loaded without it either. The error code
        // is the system's own.
        const std::string expected = c.expected(temp.Path());
        EXPECT_EQ(check.FirstProblem().substr(0, expected.size()), expected);
    }
}

} // namespace
