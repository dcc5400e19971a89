// The main dialog on a real host folder, for the tests of the database
// connection, the lookups, the scan and the run log.
//
//   testsupport::TempFolder temp;
//   testsupport::DialogOnHostFolder fixture(testsupport::BuildHostFolder(temp.Path(), json));
//   ASSERT_TRUE(fixture.OpenDatabase());
//   fixture.dialog.ScanMedications(examined, affected, 0);
//
// The dialog is left as the start-up leaves it when it reaches the database
// connection: the controls looked up in the fake window, the folder (ending with
// '/') taken as the database folder, no run file open, the reference-table handles -1, and the host
// libraries pointed at the folder through ORVALE_DB.
#pragma once

#include "app/DosewrightDlg.h"
#include "data/HostLibraries.h"
#include "fakes/FakeDialogWindow.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace testsupport {

class DialogOnHostFolder {
public:
    explicit DialogOnHostFolder(const std::filesystem::path& folder);
    // Closes the connection (unless the test has), turns the record manager's
    // failure switch off and restores ORVALE_DB.
    ~DialogOnHostFolder();
    DialogOnHostFolder(const DialogOnHostFolder&) = delete;
    DialogOnHostFolder& operator=(const DialogOnHostFolder&) = delete;

    // OpenDatabase with the folder; the host's message, if any, stays in errorText.
    bool OpenDatabase(const char* dataSet = "99");
    // CloseDatabase, once; the destructor then leaves the connection alone.
    void CloseDatabase();
    // The test closed the connection itself (Exit); the destructor leaves it alone.
    void ForgetConnection() { m_closed = true; }

    // The folder, ending with '/'.
    const std::string& FolderPath() const { return m_folderPath; }
    // The bytes of a file in the folder ("Dosewright.log"); empty when it does not exist.
    std::string FileBytes(const char* name) const;
    // Points the stream this process holds open on the folder's file `name` at
    // `device` instead ("/dev/full": every write fails for want of space). False
    // when no open file of that name was found.
    bool RedirectOpenFile(const char* name, const char* device) const;
    // The descriptor this process holds open on the folder's file `name`; -1 when none.
    int HeldDescriptor(const char* name) const;

    fakes::FakeDialogWindow window;
    CDosewrightDlg dialog;
    char errorText[host::kErrorTextSize] = {};

private:
    std::string m_folderPath;
    std::optional<std::string> m_previousVariable;
    bool m_closed = false;
};

// The texts of one MRRX99 medication as a fixture gives them.
struct MedicationTexts {
    std::string drugName;
    std::string strength;
    std::string doseForm;
    std::string route;
    std::string drugCode;
    std::string rxNormId;
    std::string termType;
};

// A fixture medication whose opaque bytes are all non-zero and differ from one
// entry to the next, so that a byte changed by mistake shows.
nlohmann::json MedicationJson(int32_t entryId, int32_t patientId, const MedicationTexts& texts);

} // namespace testsupport
