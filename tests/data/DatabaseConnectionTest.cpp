// Opening the host file set and the three drug reference tables, and closing
// exactly what was opened.
#include "app/DosewrightDlg.h"
#include "storelink/StoreLinkStatus.h"
#include "support/DialogOnHostFolder.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using fakes::Box;
using fakes::Status;
using testing::HasSubstr;

// A value no record-manager call returns by itself.
constexpr int32_t kTripped = -777;

// Whether exactly `calls` fsclose calls have been made since ArmCloseCounter(calls):
// the switch trips on call calls + 1, which is the probe when the count is right.
void ArmCloseCounter(int32_t calls) {
    StoreLink_FailCall("fsclose", calls + 1, kTripped);
}
bool ExactlyThatManyClosesMade() {
    return fsclose(-1) == kTripped;
}

// A handle the record manager no longer knows.
bool IsClosed(TableHandle handle) {
    return fsgotof(handle, 1) == storelink::kErrBadHandle;
}

class DatabaseConnectionTest : public testing::Test {
protected:
    fs::path Folder() {
        if (m_folder.empty())
            m_folder = testsupport::BuildHostFolder(m_temp.Path(), nlohmann::json::object());
        return m_folder;
    }

    testsupport::TempFolder m_temp;
    fs::path m_folder;
};

TEST_F(DatabaseConnectionTest, OpensTheHostFileSetAndTheThreeReferenceTables) {
    testsupport::DialogOnHostFolder fixture(Folder());
    ASSERT_TRUE(fixture.OpenDatabase()) << fixture.errorText;
    const HostSession& session = fixture.dialog.Session();

    EXPECT_TRUE(session.FileSetOpen());
    const std::vector<TableHandle> handles{session.MedicationTable(), session.PatientTable(),
                                           session.DrugTable(), session.NdcTable(),
                                           session.RxNormTable()};
    for (TableHandle handle : handles) {
        EXPECT_GE(handle, 0);
        EXPECT_EQ(fsgotof(handle, 1), 0) << "handle " << handle;
    }
    EXPECT_EQ(std::set<TableHandle>(handles.begin(), handles.end()).size(), handles.size());
    EXPECT_EQ(fixture.errorText[0], '\0');
    EXPECT_TRUE(fixture.window.Events().empty());

    // Exit: the host closes its own file set, the utility its three tables.
    ArmCloseCounter(5);
    fixture.CloseDatabase();
    EXPECT_TRUE(ExactlyThatManyClosesMade());
    for (TableHandle handle : handles)
        EXPECT_TRUE(IsClosed(handle)) << "handle " << handle;
}

TEST_F(DatabaseConnectionTest, AMissingMedicationTableStopsWithTheHostsMessage) {
    fs::remove(Folder() / "MRRX99");
    testsupport::DialogOnHostFolder fixture(Folder());

    EXPECT_FALSE(fixture.OpenDatabase());

    const std::string message = fixture.errorText;
    EXPECT_THAT(message, HasSubstr("MRRX99"));
    EXPECT_EQ(fixture.window.Events(),
              (std::vector{Box(message, "Dosewright Error"), Status(message)}));
    const HostSession& session = fixture.dialog.Session();
    EXPECT_EQ(session.DrugTable(), -1);
    EXPECT_EQ(session.NdcTable(), -1);
    EXPECT_EQ(session.RxNormTable(), -1);

    // The start-up set the flag, so Exit still asks the host to close its files;
    // no table of the utility's is open.
    ArmCloseCounter(0);
    fixture.CloseDatabase();
    EXPECT_TRUE(ExactlyThatManyClosesMade());
}

// The application-logic call is always made for data set 99: with the file set
// of data set 98 open but no MRRX99, that call fails and its message is shown.
TEST_F(DatabaseConnectionTest, TheApplicationLogicFailureIsShownWithItsMessage) {
    fs::rename(Folder() / "MRRX99", Folder() / "MRRX98");
    fs::rename(Folder() / "MRPT99", Folder() / "MRPT98");
    testsupport::DialogOnHostFolder fixture(Folder());

    EXPECT_FALSE(fixture.OpenDatabase("98"));

    const std::string message = fixture.errorText;
    EXPECT_THAT(message, HasSubstr("MRRX99"));
    EXPECT_EQ(fixture.window.Events(),
              (std::vector{Box(message, "Dosewright Error"), Status(message)}));
    EXPECT_EQ(fixture.dialog.Session().DrugTable(), -1);

    // The host file set of data set 98 is open and is closed by Exit.
    ArmCloseCounter(2);
    fixture.CloseDatabase();
    EXPECT_TRUE(ExactlyThatManyClosesMade());
}

enum class Damage { Removed, Garbage };

struct OpenFailureCase {
    const char* file; // the table that will not open
    Damage damage;
    int opened; // reference tables opened before it
    const char* message;
};

void PrintTo(const OpenFailureCase& c, std::ostream* out) {
    *out << c.file << (c.damage == Damage::Removed ? " removed" : " garbage");
}

class ReferenceTableOpenFailure : public DatabaseConnectionTest,
                                  public testing::WithParamInterface<OpenFailureCase> {};

TEST_P(ReferenceTableOpenFailure, KeepsTheEarlierTablesOpenAndExitClosesExactlyThose) {
    const OpenFailureCase& c = GetParam();
    const fs::path table = Folder() / c.file;
    if (c.damage == Damage::Removed)
        fs::remove(table);
    else
        testsupport::WriteFileBytes(table, std::string(4096, 'x'));
    const int32_t code =
        c.damage == Damage::Removed ? storelink::kErrFileNotFound : storelink::kErrNotATable;
    testsupport::DialogOnHostFolder fixture(Folder());

    EXPECT_FALSE(fixture.OpenDatabase());

    const std::string message = std::string(c.message) + std::to_string(code) +
                                "\nPlease contact Technical Support for assistance.";
    EXPECT_EQ(fixture.window.Events(),
              (std::vector{Box(message, "Dosewright Error"), Status(message)}));
    const HostSession& session = fixture.dialog.Session();
    EXPECT_TRUE(session.FileSetOpen());
    const TableHandle handles[] = {session.DrugTable(), session.NdcTable(), session.RxNormTable()};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("reference table " + std::to_string(i));
        if (i < c.opened)
            EXPECT_GE(handles[i], 0);
        else if (i == c.opened)
            EXPECT_EQ(handles[i], code);
        else
            EXPECT_EQ(handles[i], -1);
    }

    // The host file set (two tables) and the reference tables that were opened.
    const TableHandle medications = session.MedicationTable();
    ArmCloseCounter(2 + c.opened);
    fixture.CloseDatabase();
    EXPECT_TRUE(ExactlyThatManyClosesMade());
    EXPECT_TRUE(IsClosed(medications));
    for (int i = 0; i < c.opened; ++i)
        EXPECT_TRUE(IsClosed(handles[i])) << "reference table " << i;
}

constexpr const char* kMrddMessage = "Failure opening MRDD99 table. Error Code:";
constexpr const char* kMrdndcMessage = "Failure opening MRDNDC99 table. Error Code:";
constexpr const char* kMrdrxnMessage = "Failure opening MRDRXN99 table. Error Code:";

INSTANTIATE_TEST_SUITE_P(
    Tables, ReferenceTableOpenFailure,
    testing::Values(OpenFailureCase{"MRDD99", Damage::Removed, 0, kMrddMessage},
                    OpenFailureCase{"MRDD99", Damage::Garbage, 0, kMrddMessage},
                    OpenFailureCase{"MRDNDC99", Damage::Removed, 1, kMrdndcMessage},
                    OpenFailureCase{"MRDNDC99", Damage::Garbage, 1, kMrdndcMessage},
                    OpenFailureCase{"MRDRXN99", Damage::Removed, 2, kMrdrxnMessage},
                    OpenFailureCase{"MRDRXN99", Damage::Garbage, 2, kMrdrxnMessage}),
    [](const testing::TestParamInfo<OpenFailureCase>& info) {
        return std::string(info.param.file) +
               (info.param.damage == Damage::Removed ? "Removed" : "Garbage");
    });

// Table files are named by the data set given, while the messages always name
// the tables of data set 99.
TEST_F(DatabaseConnectionTest, OpensTheTablesOfTheDataSetGiven) {
    for (const char* stem : {"MRRX", "MRPT", "MRDD", "MRDNDC"})
        fs::copy_file(Folder() / (std::string(stem) + "99"), Folder() / (std::string(stem) + "98"));
    fs::rename(Folder() / "MRDD99", Folder() / "MRDD99.away");
    testsupport::DialogOnHostFolder fixture(Folder());

    EXPECT_FALSE(fixture.OpenDatabase("98"));

    const std::string message = "Failure opening MRDRXN99 table. Error Code:" +
                                std::to_string(storelink::kErrFileNotFound) +
                                "\nPlease contact Technical Support for assistance.";
    EXPECT_EQ(fixture.window.Events(),
              (std::vector{Box(message, "Dosewright Error"), Status(message)}));
    EXPECT_GE(fixture.dialog.Session().DrugTable(), 0);
    EXPECT_GE(fixture.dialog.Session().NdcTable(), 0);
}

// Once closed, the connection no longer counts the host file set as its own: a
// second Exit leaves alone the file set the host has opened again since.
TEST_F(DatabaseConnectionTest, ASecondCloseLeavesTheHostFileSetOpenedAgainAlone) {
    testsupport::DialogOnHostFolder fixture(Folder());
    ASSERT_TRUE(fixture.OpenDatabase()) << fixture.errorText;
    fixture.CloseDatabase();
    char errorText[host::kErrorTextSize] = {};
    ASSERT_NE(OV_OpenDBFiles(errorText, "", "99"), host::kHostCallFailed) << errorText;
    const TableHandle medications = OV_GetDBfp(host::kHostTableMedications);

    ArmCloseCounter(0);
    fixture.dialog.CloseDatabase();
    EXPECT_TRUE(ExactlyThatManyClosesMade());
    EXPECT_FALSE(IsClosed(medications));
    EXPECT_FALSE(fixture.dialog.Session().FileSetOpen());

    OV_CloseDBFiles(errorText);
}

} // namespace

TEST_F(DatabaseConnectionTest, ClosingTwiceNeverClosesAHandleGivenOutAgain) {
    testsupport::DialogOnHostFolder fixture(Folder());
    ASSERT_TRUE(fixture.OpenDatabase()) << fixture.errorText;
    const TableHandle drugTable = fixture.dialog.Session().DrugTable();
    fixture.dialog.CloseDatabase();
    fixture.ForgetConnection();

    // The record manager hands the freed handle out again to the next opener.
    const std::string path = fixture.FolderPath() + "MRDD99";
    const TableHandle reopened = fsopen(path.c_str(), "w", "kwellrun", "tovk", "s");
    ASSERT_GE(reopened, 0);

    fixture.dialog.CloseDatabase();
    EXPECT_FALSE(IsClosed(reopened)) << "handle " << reopened << " (was " << drugTable << ")";
    EXPECT_FALSE(fixture.dialog.Session().FileSetOpen());
    fsclose(reopened);
}
