// Database folders whose paths come near, reach and pass the 260-character
// path buffers, named by the current directory (-C) or by ORVALE_DB. A folder
// the utility can append all its names to is used; a longer one is refused at
// start-up with a message saying so, before anything is written in it.
#include "robust/ChildProcess.h"
#include "robust/PracticeFixture.h"
#include "robust/RepairCheck.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace robust {
namespace {

constexpr int kMedications = 9;
constexpr uint32_t kSeed = 2601;
constexpr std::size_t kPathBuffer = 260; // with its terminating zero

// A folder under `base` whose path, with its trailing separator, has exactly
// `length` characters; made of folder names of at most 200 characters.
fs::path FolderOfLength(const fs::path& base, std::size_t length) {
    std::string path = base.string();
    std::size_t left = length - path.size() - 1; // room for "/name" parts
    while (left > 0) {
        std::size_t name = std::min<std::size_t>(200, left - 1);
        if (left - (name + 1) == 1)
            --name; // never leave room for a "/" alone
        path += "/" + std::string(name, static_cast<char>('a' + path.size() % 26));
        left -= name + 1;
    }
    if (path.size() + 1 != length)
        throw std::logic_error("no folder of that length");
    return path;
}

enum class Naming { CurrentDirectory, Variable };

void PrintTo(Naming naming, std::ostream* out) {
    *out << (naming == Naming::CurrentDirectory ? "-C DIR" : "ORVALE_DB");
}

ChildOptions Options(const fs::path& folder, Naming naming) {
    if (naming == Naming::CurrentDirectory)
        return CliOptions(folder, "repair");
    ChildOptions options = CliOptions(folder, "repair", {{"ORVALE_DB", folder.string() + "/"}});
    options.argv = {CliPath().string(), "repair"};
    return options;
}

class LongFolderPathTest : public testing::TestWithParam<Naming> {
protected:
    void SetUp() override {
        m_base = fs::canonical(m_temp.Path()) / "deep";
        fs::create_directory(m_base);
        m_pristine = testsupport::BuildHostFolder(m_temp.Path(),
                                                  PracticeFixture({kMedications, kSeed, true}));
        m_records = MedicationRecords(m_pristine);
        // Reading the table leaves it as it was, but not byte for byte the file.
        m_pristine = m_temp.Path() / "pristine";
        CopyFolder(m_temp.Path() / "orvale", m_pristine);
    }

    // A copy of the host folder at a path of `length` characters.
    fs::path PlacedAt(std::size_t length) {
        const fs::path folder = FolderOfLength(m_base, length);
        fs::create_directories(folder.parent_path());
        CopyFolder(m_pristine, folder);
        return folder;
    }

    // The run was refused at start-up with a message about the folder that
    // says `reason`, and nothing was written.
    void ExpectRefused(const fs::path& folder, const ChildResult& result,
                       const std::string& reason) {
        std::string message;
        ASSERT_TRUE(StoppedWithOneMessage(result, message));
        EXPECT_TRUE(message.starts_with("The database folder ")) << message;
        EXPECT_NE(message.find(reason), std::string::npos) << message;
        for (const char* written : {"Dosewright.log", "Dosewright.csv", "Interface"})
            EXPECT_FALSE(fs::exists(folder / written)) << written;
        // Compared as files: the record manager cannot open a table this deep.
        EXPECT_TRUE(SameBytes(testsupport::ReadFileBytes(folder / "MRRX99"),
                              testsupport::ReadFileBytes(m_pristine / "MRRX99")));
    }

    testsupport::TempFolder m_temp;
    fs::path m_base;
    fs::path m_pristine;
    std::vector<std::string> m_records;
};

TEST_P(LongFolderPathTest, AFolderIsUsedUpToTheLongestThatLeavesRoomForEveryName) {
    // The refusal of a folder one character short of the buffer says how long
    // one may be.
    const fs::path tooLong = PlacedAt(kPathBuffer - 1);
    const ChildResult refused = RunChild(Options(tooLong, GetParam()));
    const std::string reason = " is too long for this utility: it may have at most ";
    ExpectRefused(tooLong, refused, reason);
    if (HasFailure())
        return;
    const std::size_t limit =
        std::stoul(refused.output.substr(refused.output.find(reason) + reason.size()));
    ASSERT_GT(limit, m_base.string().size() + 2);
    ASSERT_LT(limit, kPathBuffer - 1);

    const fs::path longestAccepted = PlacedAt(limit);
    const ChildResult accepted = RunChild(Options(longestAccepted, GetParam()));
    EXPECT_EQ(accepted.exitStatus, 0) << accepted.errors;
    EXPECT_EQ(accepted.errors, kBackupReminder);
    EXPECT_TRUE(fs::exists(longestAccepted / "Dosewright.csv"));
    EXPECT_NE(MedicationRecords(longestAccepted), m_records);

    const fs::path oneMore = PlacedAt(limit + 1);
    ExpectRefused(oneMore, RunChild(Options(oneMore, GetParam())),
                  reason + std::to_string(limit) + " characters.\n");
}

TEST_P(LongFolderPathTest, AFolderTheBufferCannotHoldIsRefusedByTheHost) {
    for (const std::size_t length :
         {kPathBuffer, kPathBuffer + 1, std::size_t{300}, std::size_t{1000}, std::size_t{4000}}) {
        SCOPED_TRACE("a folder of " + std::to_string(length) + " characters");
        const fs::path folder = PlacedAt(length);
        const ChildResult result = RunChild(Options(folder, GetParam()));
#if defined(_WIN32)
        // Windows' current folder is at most MAX_PATH long: -C refuses a
        // longer one itself, before the host sees it.
        if (GetParam() == Naming::CurrentDirectory && length > kPathBuffer + 1) {
            EXPECT_EQ(result.exitStatus, 1);
            EXPECT_TRUE(result.errors.starts_with("dosewright-cli: cannot change into "))
                << result.errors;
            EXPECT_FALSE(fs::exists(folder / "Dosewright.log"));
            continue;
        }
#endif
        ExpectRefused(folder, result,
                      " is too long: " + std::to_string(length) +
                          " characters with its separator, at most 259 are allowed.");
        // Listing the journaled runs takes the start of an undo: the host's
        // failure, raised on Windows as another compiler's exception, is a message.
        if (GetParam() == Naming::Variable) {
            ChildOptions list = Options(folder, GetParam());
            list.argv = {CliPath().string(), "undo", "--list"};
            list.environment.emplace_back("OVUTILITIES_RAISE", "structured");
            const ChildResult listed = RunChild(list);
            EXPECT_EQ(listed.exitStatus, 1);
            EXPECT_TRUE(listed.errors.find("Dosewright Error: The database folder ") !=
                        std::string::npos)
                << listed.errors;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Namings, LongFolderPathTest,
                         testing::Values(Naming::CurrentDirectory, Naming::Variable),
                         [](const testing::TestParamInfo<Naming>& info) {
                             return info.param == Naming::CurrentDirectory ? "CurrentDirectory"
                                                                           : "Variable";
                         });

} // namespace
} // namespace robust
