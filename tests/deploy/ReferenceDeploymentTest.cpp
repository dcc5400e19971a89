// Writing the reference files carried in the program into a database folder,
// with the tests' window.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/DosewrightDlg.h"
#include "fakes/FailingFileSystem.h"
#include "fakes/FakeDialogWindow.h"
#include "fakes/FakeLibraryLoader.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceIds.h"
#include "support/HostFolder.h"
#include "support/SystemErrors.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using fakes::Box;
using fakes::Status;
using fakes::WindowEvent;

const std::string kErrorTitle = "Dosewright Error";

std::string EmbeddedBytes(const resources::ReferenceFile& file) {
    const resources::EmbeddedResource* resource =
        resources::FindEmbeddedResource(resources::kReferenceFileType, file.resourceId);
    EXPECT_NE(resource, nullptr) << file.fileName;
    if (!resource)
        return {};
    return std::string(reinterpret_cast<const char*>(resource->bytes), resource->size);
}

std::string CreateDirectoryFailure(const std::string& path, int error) {
    return "Failure creating directory " + path + ". Error Code: " + std::to_string(error) +
           "\nPlease verify you have the access to create directories in the orvale folder.";
}
std::string CreateFileFailure(const std::string& path, int error) {
    return "Failure creating file " + path +
           " in the orvale folder. Error Code: " + std::to_string(error) +
           "\nPlease verify you have the access to create files in the orvale folder.";
}
std::string DeleteFailure(const std::string& path, int error) {
    return "Failure deleting the file: " + path +
           " which needs to be deleted for this utility to run. Error Code: " +
           std::to_string(error) + "\n";
}

std::vector<WindowEvent> Failure(const std::string& text) {
    return {Box(text, kErrorTitle), Status(text)};
}

std::set<std::string> NamesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class ReferenceDeploymentTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dialog.PrepareContext();
        SetDatabaseFolder(m_temp.Path());
    }

    void SetDatabaseFolder(const fs::path& folder) {
        ASSERT_TRUE(m_dialog.AcceptDatabaseFolder(testsupport::WithSeparator(folder).c_str()));
    }

    fs::path CrossRef() const { return m_temp / "Interface" / "SureScripts" / "CrossRef"; }
    fs::path PathOf(const resources::ReferenceFile& file) const {
        return CrossRef() / file.fileName;
    }

    // Every reference file already there, with content no build carries.
    void PlaceStaleCopies() {
        fs::create_directories(CrossRef());
        for (const resources::ReferenceFile& file : resources::kReferenceFiles)
            testsupport::WriteFileBytes(PathOf(file), StaleContent(file));
    }
    static std::string StaleContent(const resources::ReferenceFile& file) {
        // Longer than any embedded file, so a copy that is not emptied first shows.
        return "stale " + std::string(file.fileName) + std::string(10000, '#');
    }

    testsupport::TempFolder m_temp;
    fakes::FakeDialogWindow m_window;
    fakes::FakeLibraryLoader m_loader;
    CDosewrightDlg m_dialog{m_window, m_loader};
};

TEST_F(ReferenceDeploymentTest, EighteenFilesInTheOrderOfWritingWithDistinctResources) {
    std::set<int> ids;
    std::set<std::string> names;
    for (const resources::ReferenceFile& file : resources::kReferenceFiles) {
        ids.insert(file.resourceId);
        names.insert(file.fileName);
        EXPECT_FALSE(EmbeddedBytes(file).empty()) << file.fileName;
    }
    EXPECT_EQ(ids.size(), 18u);
    EXPECT_EQ(names.size(), 18u);
    EXPECT_EQ(resources::kReferenceFiles.front().fileName,
              std::string("SureScripts_DispUnit_Code.ref"));
    EXPECT_EQ(resources::kReferenceFiles.back().fileName,
              std::string("SureScripts_StrengthCode.ref"));
}

TEST_F(ReferenceDeploymentTest, CreatesTheThreeFoldersAndWritesTheEmbeddedBytes) {
    ASSERT_TRUE(m_dialog.DeployReferenceFiles());
    EXPECT_TRUE(m_window.Events().empty());

    std::set<std::string> expectedNames;
    for (const resources::ReferenceFile& file : resources::kReferenceFiles) {
        SCOPED_TRACE(file.fileName);
        expectedNames.insert(file.fileName);
        EXPECT_EQ(testsupport::ReadFileBytes(PathOf(file)), EmbeddedBytes(file));
    }
    EXPECT_EQ(NamesIn(CrossRef()), expectedNames);
    EXPECT_EQ(NamesIn(m_temp.Path()), std::set<std::string>{"Interface"});
    EXPECT_EQ(NamesIn(m_temp / "Interface"), std::set<std::string>{"SureScripts"});
}

TEST_F(ReferenceDeploymentTest, ReplacesStaleCopiesAndKeepsWhatElseIsThere) {
    PlaceStaleCopies();
    testsupport::WriteFileBytes(CrossRef() / "Local.ref", "kept");
    testsupport::WriteFileBytes(m_temp / "Interface" / "Other.txt", "kept");

    ASSERT_TRUE(m_dialog.DeployReferenceFiles());
    EXPECT_TRUE(m_window.Events().empty());
    for (const resources::ReferenceFile& file : resources::kReferenceFiles) {
        SCOPED_TRACE(file.fileName);
        EXPECT_EQ(testsupport::ReadFileBytes(PathOf(file)), EmbeddedBytes(file));
    }
    EXPECT_EQ(testsupport::ReadFileBytes(CrossRef() / "Local.ref"), "kept");
    EXPECT_EQ(testsupport::ReadFileBytes(m_temp / "Interface" / "Other.txt"), "kept");
}

#if !defined(_WIN32) // links are a POSIX matter here
// A link in place of a reference file is replaced by the file; nothing is
// written where it pointed.
TEST_F(ReferenceDeploymentTest, LinkInPlaceOfAFileIsReplacedNotWrittenThrough) {
    fs::create_directories(CrossRef());
    const resources::ReferenceFile& dangling = resources::kReferenceFiles[0];
    const resources::ReferenceFile& linked = resources::kReferenceFiles[1];
    fs::create_symlink(m_temp / "nowhere.txt", PathOf(dangling));
    testsupport::WriteFileBytes(m_temp / "elsewhere.txt", "kept");
    fs::create_symlink(m_temp / "elsewhere.txt", PathOf(linked));

    ASSERT_TRUE(m_dialog.DeployReferenceFiles());
    for (const resources::ReferenceFile* file : {&dangling, &linked}) {
        SCOPED_TRACE(file->fileName);
        EXPECT_FALSE(fs::is_symlink(PathOf(*file)));
        EXPECT_EQ(testsupport::ReadFileBytes(PathOf(*file)), EmbeddedBytes(*file));
    }
    EXPECT_FALSE(fs::exists(m_temp / "nowhere.txt"));
    EXPECT_EQ(testsupport::ReadFileBytes(m_temp / "elsewhere.txt"), "kept");
}
#endif

// A copy that cannot be deleted stops the deployment at that file: the files
// before it are already rewritten, the ones after it are not touched.
TEST_F(ReferenceDeploymentTest, CopyThatCannotBeDeletedStopsAtThatFile) {
    enum class Block { ReadOnly, Folder, HeldOpen };
    const struct {
        const char* what;
        Block block;
        int error;
    } kinds[] = {
        {"read-only copy", Block::ReadOnly, testsupport::kErrorReadOnly},
        {"a folder of that name", Block::Folder, testsupport::kErrorAFolder},
#if defined(_WIN32) // POSIX deletes a file whoever holds it open
        {"a copy another program holds open", Block::HeldOpen, testsupport::kErrorHeld},
#endif
    };
    for (const auto& kind : kinds) {
        for (const std::size_t blocked : {std::size_t{0}, std::size_t{5}, std::size_t{17}}) {
            const resources::ReferenceFile& blockedFile = resources::kReferenceFiles[blocked];
            SCOPED_TRACE(std::string(kind.what) + ": " + blockedFile.fileName);
            fs::remove_all(m_temp / "Interface");
            PlaceStaleCopies();
            if (kind.block == Block::Folder) {
                fs::remove(PathOf(blockedFile));
                fs::create_directory(PathOf(blockedFile));
            } else if (kind.block == Block::ReadOnly) {
                ASSERT_TRUE(testsupport::SetReadOnly(PathOf(blockedFile), true));
            }
            m_window.ClearEvents();

            {
                const testsupport::HeldOpen held(kind.block == Block::HeldOpen ? PathOf(blockedFile)
                                                                               : fs::path());
                EXPECT_EQ(held.Holds(), kind.block == Block::HeldOpen);
                EXPECT_FALSE(m_dialog.DeployReferenceFiles());
            }
            EXPECT_EQ(m_window.Events(),
                      Failure(DeleteFailure(PathOf(blockedFile).string(), kind.error)));
            for (std::size_t i = 0; i < resources::kReferenceFiles.size(); ++i) {
                const resources::ReferenceFile& file = resources::kReferenceFiles[i];
                if (i == blocked)
                    continue;
                SCOPED_TRACE(file.fileName);
                EXPECT_EQ(testsupport::ReadFileBytes(PathOf(file)),
                          i < blocked ? EmbeddedBytes(file) : StaleContent(file));
            }
            if (kind.block != Block::Folder) {
                EXPECT_EQ(testsupport::ReadFileBytes(PathOf(blockedFile)),
                          StaleContent(blockedFile));
                testsupport::SetReadOnly(PathOf(blockedFile), false);
            }
        }
    }
}

// A reference file that the disk will not take, or not close, stops the
// deployment at that file with the write failure; the files after it are not
// touched.
TEST_F(ReferenceDeploymentTest, FileThatCannotBeWrittenOrClosedStopsAtThatFile) {
    for (const platform::FileCall call : {platform::FileCall::Write, platform::FileCall::Close}) {
        for (const std::size_t blocked : {std::size_t{0}, std::size_t{17}}) {
            const resources::ReferenceFile& blockedFile = resources::kReferenceFiles[blocked];
            SCOPED_TRACE(std::string(call == platform::FileCall::Write ? "write: " : "close: ") +
                         blockedFile.fileName);
            fs::remove_all(m_temp / "Interface");
            PlaceStaleCopies();
            m_window.ClearEvents();
            const fakes::FailingFileSystem disk(call, blockedFile.fileName, ENOSPC);

            EXPECT_FALSE(m_dialog.DeployReferenceFiles());
            EXPECT_EQ(m_window.Events(),
                      Failure("Failure written file " + PathOf(blockedFile).string() +
                              " in the orvale folder. Error Code: " + std::to_string(ENOSPC) +
                              "\nPlease verify you have the access to create files in the "
                              "orvale folder."));
            for (std::size_t i = blocked + 1; i < resources::kReferenceFiles.size(); ++i) {
                EXPECT_EQ(testsupport::ReadFileBytes(PathOf(resources::kReferenceFiles[i])),
                          StaleContent(resources::kReferenceFiles[i]));
            }
        }
    }
}

// A plain file named like one of the folders counts as existing.
TEST_F(ReferenceDeploymentTest, FileNamedLikeAFolder) {
    const fs::path interface = m_temp / "Interface";
    const std::string firstFile =
        (CrossRef() / resources::kReferenceFiles.front().fileName).string();
    const int belowAFile = testsupport::kErrorBelowAFile;
    const struct {
        fs::path plainFile;
        std::string message;
    } cases[] = {
        {interface, CreateDirectoryFailure((interface / "SureScripts").string(), belowAFile)},
        {interface / "SureScripts", CreateDirectoryFailure(CrossRef().string(), belowAFile)},
        {CrossRef(), CreateFileFailure(firstFile, belowAFile)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plainFile.string());
        fs::remove_all(m_temp / "Interface");
        fs::create_directories(c.plainFile.parent_path());
        testsupport::WriteFileBytes(c.plainFile, "not a folder");
        m_window.ClearEvents();

        EXPECT_FALSE(m_dialog.DeployReferenceFiles());
        EXPECT_EQ(m_window.Events(), Failure(c.message));
        EXPECT_EQ(testsupport::ReadFileBytes(c.plainFile), "not a folder");
    }
}

TEST_F(ReferenceDeploymentTest, MissingDatabaseFolderIsNotCreated) {
    const fs::path absent = m_temp / "absent";
    SetDatabaseFolder(absent);
    EXPECT_FALSE(m_dialog.DeployReferenceFiles());
    EXPECT_EQ(m_window.Events(), Failure(CreateDirectoryFailure((absent / "Interface").string(),
                                                                testsupport::kErrorNoFolder)));
    EXPECT_FALSE(fs::exists(absent));
}

TEST_F(ReferenceDeploymentTest, ResourceTheProgramDoesNotCarry) {
    const std::string folder = testsupport::WithSeparator(m_temp.Path());
    const std::string path = folder + "Unknown.ref";
    testsupport::WriteFileBytes(path, "old");

    EXPECT_FALSE(m_dialog.WriteReferenceFile(folder.c_str(), 9999, "Unknown.ref"));
    EXPECT_EQ(m_window.Events(),
              Failure("Failure finding resource " + path +
                      " in Dosewright.exe. Error Code: " + std::to_string(ENOENT) +
                      "\nPlease verify you have the latest version of Dosewright.exe."));
    EXPECT_FALSE(fs::exists(path)) << "the old copy is deleted before the resource is looked up";
}

// A path that would not fit its 260-character buffer is refused, never cut short.
TEST_F(ReferenceDeploymentTest, PathLongerThanItsBufferIsRefused) {
    const resources::ReferenceFile& file = resources::kReferenceFiles.front();
    const std::string folder = testsupport::WithSeparator(m_temp.Path()) +
                               std::string(259 - m_temp.Path().string().size() - 1, 'f');
    ASSERT_EQ(folder.size(), 259u);

    EXPECT_FALSE(m_dialog.WriteReferenceFile(folder.c_str(), file.resourceId, file.fileName));
    ASSERT_EQ(m_window.MessageBoxes().size(), 1u);
    EXPECT_NE(m_window.StatusText().find(file.fileName), std::string::npos);
    EXPECT_EQ(m_window.StatusText().find(folder), std::string::npos)
        << "no cut-down path is shown as if it were the file";
    EXPECT_TRUE(NamesIn(m_temp.Path()).empty());
}

} // namespace
