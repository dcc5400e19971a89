// The installation check a technician runs first (dosewright-cli doctor): each
// thing a run needs, checked in turn, with nothing changed. The host's
// libraries and their functions, the database folder the host names, the
// update history and its patch set, the drug-interaction version, the tables
// and their record counts, the run lock, the journal folder, and the free disk
// space against the journal of a repair.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/HostLibraryCheck.h"

namespace platform {
class LibraryLoader;
}

struct DoctorFinding {
    bool ok;
    std::string check;  // what was checked ("StoreLinkDll.dll", "database folder", ...)
    std::string detail; // what was found, or what is wrong
};

class InstallationDoctor {
public:
    // `libraries`: the program's check of the host's libraries, already run;
    // it keeps those it found fit loaded while the doctor calls into them.
    InstallationDoctor(platform::LibraryLoader& loader, const HostLibraryCheck& libraries)
        : m_loader(loader), m_libraries(libraries) {}

    // Runs every check that can run. True when everything a run needs is there.
    bool Run();
    const std::vector<DoctorFinding>& Findings() const { return m_findings; }

private:
    bool CheckLibraries();
    bool CheckDatabaseFolder();
    void CheckUpdateHistory();
    void CheckDrugInteractionVersion();
    void CheckTables();
    void CheckRunLock();
    void CheckJournalFolder();
    void CheckDiskSpace();
    void Add(bool ok, std::string check, std::string detail);

    platform::LibraryLoader& m_loader;
    const HostLibraryCheck& m_libraries;
    std::vector<DoctorFinding> m_findings;
    std::string m_folder;            // the database folder, ending with its separator
    std::uint64_t m_medications = 0; // records of the medication table, once counted
};
