// The host utility library: database folder, host file set, version check.
// Including the utility's contract next to the library's own header makes the
// compiler hold the two declarations of every function to the same signature.
#include "ovutilities/OVUtilities.h"
#include "data/HostLibraries.h"

#include "common/HostFolder.h"
#include "host/HostScratchFolder.h"
#include "storelink/StoreLinkAdmin.h"
#include "storelink/StoreLinkStatus.h"
#include "support/ScopedEnvironment.h"
#include "support/SystemErrors.h"

#include <cstring>
#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using hosttest::DatabaseFolderScope;
using hosttest::ScratchFolder;
const std::string kSeparator(1, testsupport::kSeparator);

constexpr char kUnwritten = '\x7f';

// A buffer of `size` bytes followed by a guard area that must stay unwritten.
struct GuardedBuffer {
    explicit GuardedBuffer(std::size_t size) : size(size), bytes(size + 64, kUnwritten) {
        std::fill(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size), '\0');
    }
    char* data() { return bytes.data(); }
    std::string Text() const { return std::string(bytes.data()); }
    bool GuardIntact() const {
        return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(size), bytes.end(),
                           [](char c) { return c == kUnwritten; });
    }
    std::size_t size;
    std::vector<char> bytes;
};

// Asks for the database folder; returns the folder, or the message prefixed
// with "!" after checking that the exception and the error text agree.
std::string DatabasePath() {
    // A throw this test's catch sees (on Windows the failure is a structured
    // exception otherwise, as the host's library raises it).
    const testsupport::ScopedEnvironment thrown("OVUTILITIES_RAISE", "thrown");
    GuardedBuffer path(host::kDatabasePathSize);
    GuardedBuffer error(host::kErrorTextSize);
    std::string answer;
    try {
        PR_Get_Database_Path(path.data(), error.data());
        answer = path.Text();
    } catch (const std::runtime_error& failure) {
        EXPECT_EQ(error.Text(), failure.what());
        EXPECT_FALSE(error.Text().empty());
        answer = "!" + error.Text();
    }
    EXPECT_TRUE(path.GuardIntact());
    EXPECT_TRUE(error.GuardIntact());
    return answer;
}

// Creates nested folders under `base` so that the innermost one's path, with
// its separator, is exactly `length` characters long.
std::string FolderOfLength(const std::string& base, std::size_t length) {
    std::string path = base.substr(0, base.size() - 1);
    while (path.size() + 1 < length) {
        std::size_t remaining = length - 1 - path.size();
        std::size_t name = std::min<std::size_t>(remaining - 1, 200);
        if (remaining - (name + 1) == 1) {
            --name; // leave room for one more component of at least one character
        }
        path += testsupport::kSeparator + std::string(name, 'd');
        std::filesystem::create_directory(path);
    }
    return path;
}

TEST(DatabasePath, FollowsTheVariableElseTheCurrentDirectory) {
    ScratchFolder scratch;
    std::filesystem::create_directory(scratch.Path() + "sub");
    const std::string bare = scratch.Path().substr(0, scratch.Path().size() - 1);
    struct Case {
        const char* name;
        std::optional<std::string> variable;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"named without separator", bare, scratch.Path()},
        {"named with separator", scratch.Path(), scratch.Path()},
        {"named relative", std::string("sub"), "sub" + kSeparator},
        {"unset", std::nullopt, scratch.Path()},
        {"empty", std::string(), scratch.Path()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DatabaseFolderScope scope;
        scope.ChangeInto(scratch.Path());
        c.variable ? scope.Name(*c.variable) : scope.Unname();
        EXPECT_EQ(DatabasePath(), c.expected);
    }
}

TEST(DatabasePath, RefusesWhatIsNotAFolderWithAMessage) {
    ScratchFolder scratch;
    scratch.Write("plain-file", "x");
    struct Case {
        std::string variable;
        std::string messagePart;
    };
    const std::vector<Case> cases = {
        {scratch.Path() + "missing",
         "missing" + kSeparator + " (named by ORVALE_DB) does not exist"},
        {scratch.Path() + "missing" + kSeparator + "deeper" + kSeparator, "does not exist"},
        {scratch.Path() + "plain-file",
         "plain-file" + kSeparator + " (named by ORVALE_DB) is not a folder"},
        {scratch.Path() + "plain-file" + kSeparator, "is not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variable);
        DatabaseFolderScope scope;
        scope.Name(c.variable);
        const std::string answer = DatabasePath();
        ASSERT_EQ(answer.substr(0, 1), "!");
        EXPECT_NE(answer.find(c.messagePart), std::string::npos) << answer;
    }
}

#if defined(_WIN32)
// A drive's root is a folder like any other. A name with a character the ANSI
// code page lacks is refused: changed to fit, it would name another folder.
TEST(DatabasePath, DriveRootsAndNamesOutsideTheCodePage) {
    ScratchFolder scratch;
    const std::wstring wideBase(scratch.Path().begin(), scratch.Path().end());
    const std::wstring outside = wideBase + L"Orva\u0142e"; // l with stroke
    ASSERT_TRUE(CreateDirectoryW(outside.c_str(), nullptr));
    std::filesystem::create_directory(scratch.Path() + "Orvale"); // what a look-alike would name
    {
        SCOPED_TRACE("named");
        DatabaseFolderScope scope;
        ASSERT_TRUE(SetEnvironmentVariableW(L"ORVALE_DB", outside.c_str()));
        const std::string answer = DatabasePath();
        EXPECT_NE(answer.find("!The database folder named by ORVALE_DB has characters"),
                  std::string::npos)
            << answer;
    }
    {
        SCOPED_TRACE("current directory");
        DatabaseFolderScope scope;
        scope.Unname();
        ASSERT_TRUE(SetCurrentDirectoryW(outside.c_str()));
        const std::string answer = DatabasePath();
        EXPECT_NE(answer.find("!The database folder (the current directory) has characters"),
                  std::string::npos)
            << answer;
    }
    for (const char* root : {"C:", "C:\\"}) {
        SCOPED_TRACE(root);
        DatabaseFolderScope scope;
        scope.Name(root);
        EXPECT_EQ(DatabasePath(), "C:\\");
    }
}
#endif

TEST(DatabasePath, AcceptsAFolderThatFitsTheBufferAndRefusesOneThatDoesNot) {
    ScratchFolder scratch;
    DatabaseFolderScope scope;
    const std::string fits = FolderOfLength(scratch.Path(), 259);
    scope.Name(fits);
    EXPECT_EQ(DatabasePath(), fits + kSeparator);

    for (const std::size_t length : {260, 261, 900}) {
        SCOPED_TRACE(length);
        ScratchFolder deep;
        scope.Name(FolderOfLength(deep.Path(), length));
        const std::string answer = DatabasePath();
        EXPECT_NE(answer.find("is too long: " + std::to_string(length) + " characters"),
                  std::string::npos)
            << answer;
    }
}

TEST(DrugInteractionVersion, OnlyTheRequiredVersionPasses) {
    struct Case {
        const char* name;
        std::optional<std::string> content; // nullopt: no version file
        bool current;
        const char* messagePart;
    };
    const std::string required = hostfolder::kRequiredDrugInteractionVersion;
    const std::vector<Case> cases = {
        {"exact", required, true, "2019.4.0 is installed."},
        {"line end", required + "\n", true, "is installed."},
        {"CR LF and blanks", "  " + required + " \r\nsecond line\n", true, "is installed."},
        {"outdated", std::string(hostfolder::kOutdatedDrugInteractionVersion) + "\n", false,
         " is installed; version 2019.4.0 is required."},
        {"longer", required + ".1", false, "2019.4.0.1 is installed"},
        {"shorter", std::string("2019.4"), false, "version 2019.4 is installed"},
        {"on the second line", "\n" + required, false, "No drug-interaction data version"},
        {"empty", std::string(), false, "No drug-interaction data version"},
        {"one long line", std::string(5000, '9'), false, "...9"},
        {"missing", std::nullopt, false, "cannot be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder scratch;
        DatabaseFolderScope scope;
        scope.Name(scratch.Path());
        if (c.content) {
            scratch.Write(hostfolder::kDrugInteractionVersionFile, *c.content);
        }
        GuardedBuffer text(host::kVersionCheckBufferSize);
        const int32_t result = OV_VerifyCorrectVersionOfDrugIntInstalled(text.data());
        EXPECT_EQ(result == 0, c.current) << result;
        EXPECT_NE(text.Text().find(c.messagePart), std::string::npos) << text.Text();
        EXPECT_TRUE(text.GuardIntact());
    }
}

#if defined(_WIN32)
TEST(DrugInteractionVersion, IsFoundByNameAsTheInstallationCheckLooksItUp) {
    // The DLL the test imports, found again by its name; an imported function's
    // address is the program's own jump to it, so the entry point is compared
    // by the module it lies in.
    const HMODULE library = LoadLibraryA("OVUtilities.dll");
    ASSERT_NE(library, nullptr) << GetLastError();
    const FARPROC verify = GetProcAddress(library, host::kVerifyDrugIntVersionEntryPoint);
    ASSERT_NE(verify, nullptr);
    HMODULE owner = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                       GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCSTR>(verify), &owner));
    EXPECT_EQ(owner, GetModuleHandleA("OVUtilities.dll"));
    FreeLibrary(library);
}
#else
TEST(DrugInteractionVersion, IsFoundByNameAsTheInstallationCheckLooksItUp) {
    void* library = dlopen("libOVUtilities.so", RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    auto verify = reinterpret_cast<host::VerifyDrugIntVersionFn>(
        dlsym(library, host::kVerifyDrugIntVersionEntryPoint));
    EXPECT_EQ(verify, &OV_VerifyCorrectVersionOfDrugIntInstalled);
    dlclose(library);
}
#endif

TEST(HostFileSet, RefusesToOpenWithAMessageAndLeavesNothingOpen) {
    ScratchFolder scratch;
    struct Case {
        const char* name;
        std::string folder;
        const char* dataSet;
        const char* messagePart;
    };
    const std::vector<Case> cases = {
        {"no tables", scratch.Path(), "99", "medication table MRRX99"},
        {"no folder", scratch.Path() + "gone", "99", "does not exist"},
        {"empty data set", scratch.Path(), "", "is not a data set"},
        {"path in data set", scratch.Path(), "../99", "is not a data set"},
        {"long data set", scratch.Path(), "123456789", "is not a data set"},
        {"null data set", scratch.Path(), nullptr, "No data set"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DatabaseFolderScope scope;
        scope.Name(c.folder);
        GuardedBuffer error(host::kErrorTextSize);
        EXPECT_EQ(OV_OpenDBFiles(error.data(), "", c.dataSet), host::kHostCallFailed);
        EXPECT_NE(error.Text().find(c.messagePart), std::string::npos) << error.Text();
        EXPECT_TRUE(error.GuardIntact());
        EXPECT_EQ(OV_GetDBfp(host::kHostTableMedications), -1);
        EXPECT_EQ(OV_GetDBfp(host::kHostTablePatients), -1);
        EXPECT_EQ(OV_CloseDBFiles(error.data()), 0);
    }
}

// Writes an empty table file; the host file set's own layouts do not matter here.
void WriteTable(const std::string& path, int32_t recordLength,
                const char* firstCredential = hostfolder::kFirstCredential) {
    storelink::TableDefinition definition;
    definition.recordLength = recordLength;
    definition.firstCredential = firstCredential;
    definition.secondCredential = hostfolder::kSecondCredential;
    definition.keys = {{1, {{0, 4, storelink::SegmentType::Int32}}}};
    storelink::TableWriter writer(path, definition);
    writer.Commit();
}

TEST(HostFileSet, OpensBothTablesAndHandsOutTheirHandlesUntilClosed) {
    ScratchFolder scratch;
    WriteTable(scratch.Path() + "MRRX99", 771);
    WriteTable(scratch.Path() + "MRPT99", 1140);
    DatabaseFolderScope scope;
    scope.Name(scratch.Path());
    char error[host::kErrorTextSize] = {};

    std::vector<int32_t> handed;              // every handle handed out
    for (int round = 0; round < 2; ++round) { // opening again replaces the open set
        SCOPED_TRACE(round);
        ASSERT_EQ(OV_OpenDBFiles(error, "", host::kDataSet), 0) << error;
        EXPECT_EQ(OV_UtilGetDBFiles(error), 0);
        const int32_t medications = OV_GetDBfp(host::kHostTableMedications);
        const int32_t patients = OV_GetDBfp(host::kHostTablePatients);
        ASSERT_GE(medications, 0);
        ASSERT_GE(patients, 0);
        EXPECT_NE(medications, patients);
        handed.insert(handed.end(), {medications, patients});
        EXPECT_EQ(OV_GetDBfp(91), -1);
        // The handles are the record manager's own: the tables answer through them.
        std::vector<char> record(771, '\0');
        EXPECT_EQ(fspos(medications, 1, record.data()), host::kStatusEmptyTable);
        EXPECT_EQ(fsgotof(patients, 1), 0);
    }
    EXPECT_STREQ(error, "");

    EXPECT_EQ(OV_CloseDBFiles(error), 0);
    EXPECT_EQ(OV_GetDBfp(host::kHostTableMedications), -1);
    EXPECT_EQ(OV_GetDBfp(host::kHostTablePatients), -1);
    for (const int32_t handle : handed) { // none of them, from either round, stayed open
        EXPECT_EQ(fsclose(handle), storelink::kErrBadHandle) << handle;
    }
    EXPECT_EQ(OV_CloseDBFiles(error), 0);
}

TEST(HostFileSet, NamesTheTableTheFolderAndTheCodeWhenATableWillNotOpen) {
    struct Case {
        const char* name;
        const char* medications; // "table", "stranger" (other credentials), "text", "" none
        const char* patients;
        std::string messagePart;
    };
    const std::vector<Case> cases = {
        {"no patient table", "table", "", "patient table MRPT99"},
        {"medication table refuses", "stranger", "table",
         "medication table MRRX99 (%MRRX99): the table refused the credentials. Error Code:-14"},
        {"medication table not a table", "text", "table",
         "the file is not a table file or is damaged. Error Code:-13"},
        {"no medication table", "", "table",
         "medication table MRRX99 (%MRRX99): the table file does not exist. Error Code:-12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder scratch;
        for (const auto& [kind, name] : {std::pair{std::string(c.medications), "MRRX99"},
                                         std::pair{std::string(c.patients), "MRPT99"}}) {
            if (kind == "table") {
                WriteTable(scratch.Path() + name, 100);
            } else if (kind == "stranger") {
                WriteTable(scratch.Path() + name, 100, "stranger");
            } else if (kind == "text") {
                scratch.Write(name, std::string(4096, 'x'));
            }
        }
        WriteTable(scratch.Path() + "PROBE", 4);
        DatabaseFolderScope scope;
        scope.Name(scratch.Path());

        // The lowest free handle before and after the failure: nothing may stay open.
        const std::string probe = scratch.Path() + "PROBE";
        const int32_t freeHandle = fsopen(probe.c_str(), host::kOpenMode, host::kFirstCredential,
                                          host::kSecondCredential, host::kOpenFlag);
        ASSERT_GE(freeHandle, 0);
        fsclose(freeHandle);

        char error[host::kErrorTextSize] = {};
        EXPECT_EQ(OV_OpenDBFiles(error, "", host::kDataSet), host::kHostCallFailed);
        std::string expected = c.messagePart;
        if (const auto at = expected.find('%'); at != std::string::npos) {
            expected.replace(at, 1, scratch.Path());
        }
        EXPECT_NE(std::string(error).find(expected), std::string::npos) << error;
        EXPECT_EQ(OV_GetDBfp(host::kHostTableMedications), -1);

        const int32_t again = fsopen(probe.c_str(), host::kOpenMode, host::kFirstCredential,
                                     host::kSecondCredential, host::kOpenFlag);
        EXPECT_EQ(again, freeHandle);
        fsclose(again);
    }
}

} // namespace
