#include "app/InstallationDoctor.h"

#include <cstring>
#include <utility>

#include "app/InstallationCheck.h"
#include "data/DrugRecords.h"
#include "data/HostLibraries.h"
#include "data/HostSession.h"
#include "data/MedicationRecord.h"
#include "data/PatientRecord.h"
#include "platform/FileSystem.h"
#include "repair/JournalLayout.h"

namespace {

constexpr const char* kLockFileName = "Dosewright.lock";
std::string ErrorCode() {
    return "Error Code:" + std::to_string(platform::LastErrorCode());
}

// The records of an open table in the order of `key`; false with the
// record manager's status when it fails on the way.
bool CountRecords(TableHandle table, int32_t key, int32_t length, std::uint64_t& count,
                  int32_t& status) {
    count = 0;
    status = fsgotof(table, key);
    if (status < 0)
        return false;
    std::vector<unsigned char> record(static_cast<std::size_t>(length));
    for (;;) {
        status = fsgetn(table, key, record.data(), length);
        if (status > 0)
            ++count;
        else if (status == 0 || status == host::kStatusEndOfFile)
            return true;
        else
            return false;
    }
}

} // namespace

void InstallationDoctor::Add(bool ok, std::string check, std::string detail) {
    m_findings.push_back({ok, std::move(check), std::move(detail)});
}

bool InstallationDoctor::Run() {
    m_findings.clear();
    m_folder.clear();
    m_medications = 0;
    // Without its libraries the host cannot be asked anything.
    if (CheckLibraries() && CheckDatabaseFolder()) {
        CheckUpdateHistory();
        CheckDrugInteractionVersion();
        CheckTables();
        CheckRunLock();
        CheckJournalFolder();
        CheckDiskSpace();
    }
    for (const DoctorFinding& finding : m_findings) {
        if (!finding.ok)
            return false;
    }
    return true;
}

bool InstallationDoctor::CheckLibraries() {
    for (const HostLibraryFinding& finding : m_libraries.Findings())
        Add(finding.ok, finding.library, finding.detail);
    return m_libraries.FirstProblem().empty();
}

bool InstallationDoctor::CheckDatabaseFolder() {
    char folder[host::kDatabasePathSize] = {};
    char errorText[host::kErrorTextSize] = {};
    InitMidWare(host::kMidWareInitArgument);
    if (!AskDatabaseFolder(folder, errorText)) {
        Add(false, "database folder", errorText);
        return false;
    }
    const std::size_t length = std::strlen(folder);
    if (length > LongestDatabaseFolder()) {
        Add(false, "database folder",
            std::string(folder) + " is too long for this utility: it may have at most " +
                std::to_string(LongestDatabaseFolder()) + " characters");
        return false;
    }
    m_folder = folder;
    Add(true, "database folder", m_folder);
    return true;
}

void InstallationDoctor::CheckUpdateHistory() {
    const std::string path = m_folder + kUpdateHistoryName;
    if (!platform::PathExists(path.c_str())) {
        Add(false, "update history", path + " is missing");
        return;
    }
    switch (SearchUpdateHistory(path.c_str())) {
    case PatchSetSearch::Found:
        Add(true, "update history", path + " records the patch set");
        return;
    case PatchSetSearch::Missing:
        Add(false, "update history", path + " does not record the patch set this utility needs");
        return;
    case PatchSetSearch::CannotOpen:
    case PatchSetSearch::CannotRead:
        Add(false, "update history", path + " cannot be read. " + ErrorCode());
        return;
    }
}

void InstallationDoctor::CheckDrugInteractionVersion() {
    char versionText[host::kVersionCheckBufferSize] = {};
    const DrugInteractionVersion version = AskDrugInteractionVersion(m_loader, versionText);
    versionText[sizeof versionText - 1] = '\0';
    if (version == DrugInteractionVersion::NoLibrary ||
        version == DrugInteractionVersion::NoEntryPoint)
        Add(false, "drug-interaction version", "the utility library cannot tell it");
    else
        Add(version == DrugInteractionVersion::Current, "drug-interaction version", versionText);
}

// The host's file set and the three reference tables, opened and read through
// to count their records, then closed.
void InstallationDoctor::CheckTables() {
    HostSession session;
    session.Begin();
    char errorText[host::kErrorTextSize] = {};
    if (!session.OpenFileSet(host::kDataSet, errorText)) {
        errorText[sizeof errorText - 1] = '\0';
        Add(false, "tables", errorText);
        return;
    }
    struct Table {
        const char* name;
        TableHandle handle;
        int32_t key;
        std::size_t length;
    };
    const Table tables[] = {
        {"MRRX99", session.MedicationTable(), kMrrxWalkKey, kMrrxRecordLength},
        {"MRPT99", session.PatientTable(), kMrptPatientKey, kMrptRecordLength},
        {"MRDD99",
         session.OpenReferenceTable(ReferenceTable::Drugs, m_folder.c_str(), host::kDataSet),
         kMrddSearchKey, kMrddRecordLength},
        {"MRDNDC99",
         session.OpenReferenceTable(ReferenceTable::Ndcs, m_folder.c_str(), host::kDataSet),
         kMrdndcSearchKey, kMrdndcRecordLength},
        {"MRDRXN99",
         session.OpenReferenceTable(ReferenceTable::RxNorms, m_folder.c_str(), host::kDataSet),
         kMrdrxnSearchKey, kMrdrxnRecordLength},
    };
    for (const Table& table : tables) {
        std::uint64_t count = 0;
        int32_t status = table.handle;
        if (table.handle < 0) {
            Add(false, table.name, "cannot be opened. Error Code:" + std::to_string(status));
        } else if (!CountRecords(table.handle, table.key, static_cast<int32_t>(table.length), count,
                                 status)) {
            Add(false, table.name, "cannot be read. Error Code:" + std::to_string(status));
        } else {
            Add(true, table.name, "open, " + std::to_string(count) + " record(s)");
            if (table.handle == session.MedicationTable())
                m_medications = count;
        }
    }
    session.Close();
}

// Free when no run holds it; taken and given back at once to find out. A
// missing lock file is left missing.
void InstallationDoctor::CheckRunLock() {
    const std::string path = m_folder + kLockFileName;
    if (!platform::PathExists(path.c_str())) {
        Add(true, "run lock", "free (no lock file yet)");
        return;
    }
    platform::RunLock lock;
    switch (lock.Acquire(path.c_str())) {
    case platform::RunLock::Result::Acquired:
        lock.Release();
        Add(true, "run lock", "free");
        return;
    case platform::RunLock::Result::HeldByAnother:
        Add(false, "run lock", "held by a Dosewright run in progress");
        return;
    case platform::RunLock::Result::Failed:
        Add(false, "run lock", path + " cannot be locked. " + ErrorCode());
        return;
    }
}

void InstallationDoctor::CheckJournalFolder() {
    const std::string path = m_folder + journal::kFolderName;
    if (platform::PathExists(path.c_str())) {
        const bool writable = platform::IsWritableFolder(path.c_str());
        Add(writable, "journal folder",
            writable ? path + " can take a repair's journal"
                     : path + " is not a folder this user can write to");
        return;
    }
    const bool writable = platform::IsWritableFolder(m_folder.c_str());
    Add(writable, "journal folder",
        writable ? path + " is made by the first repair" : m_folder + " cannot take the folder");
}

// A repair that changes every medication journals each change, and its end.
void InstallationDoctor::CheckDiskSpace() {
    const std::uint64_t needed = journal::kHeaderSize + (m_medications + 1) * journal::kEntrySize;
    std::uint64_t free = 0;
    if (!platform::FreeDiskSpace(m_folder.c_str(), free)) {
        Add(false, "disk space", "cannot be found out. " + ErrorCode());
        return;
    }
    const auto megabytes = [](std::uint64_t bytes) {
        return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
    };
    Add(free >= needed, "disk space",
        megabytes(free) + " free; a repair's journal may take up to " + megabytes(needed));
}
