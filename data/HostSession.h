// The utility's hold on the host database: the host's own file set (its patient
// and medication tables) and the three drug reference tables the utility opens
// itself.
#pragma once

#include <cstdint>

// A record-manager table handle; negative means not open (or the open's error code).
using TableHandle = int32_t;

// Status shown when a composed path would not fit its buffer; never a record-manager value.
inline constexpr int32_t kPathDoesNotFit = -1000;

// Asks the host for the database folder (ending with its separator) into
// `databaseFolder` (host::kDatabasePathSize bytes). The host reports a failure
// by raising an exception of its own compiler, so the call is guarded; false
// then, with the host's message in `errorText` (host::kErrorTextSize bytes).
// Neither text is trusted to come back terminated: both are made so.
bool AskDatabaseFolder(char* databaseFolder, char* errorText);

// The drug reference tables, in the order they are opened.
enum class ReferenceTable { Drugs, Ndcs, RxNorms }; // MRDD99, MRDNDC99, MRDRXN99

class HostSession {
public:
    HostSession() = default;
    // Closes what is still open, as Close does.
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // From the start-up on, the host's file set counts as open: Close then asks
    // the host to close it whatever the start-up reached. No reference table is open.
    void Begin();

    // Opens the host's file set of `dataSet` and takes its patient and medication
    // tables. False when the host refused; its message is then in `errorText`
    // (host::kErrorTextSize bytes).
    bool OpenFileSet(const char* dataSet, char* errorText);

    // Opens one reference table of `dataSet` in `databasePath` (ending with its
    // separator) and keeps its handle. Returns the handle, or the negative status
    // of the failed open (kPathDoesNotFit when the path would not fit), which is
    // kept as the table's handle until Close.
    TableHandle OpenReferenceTable(ReferenceTable table, const char* databasePath,
                                   const char* dataSet);

    // Asks the host to close its file set (when it counts as open) and closes the
    // reference tables that are open. Closed handles are forgotten, so a second
    // Close never closes a handle the record manager has handed out again since.
    void Close();

    bool FileSetOpen() const { return m_bDbFilesOpen; }
    // The host's tables: never closed by the utility, the host closes them with its file set.
    TableHandle PatientTable() const { return m_hPatientTable; }
    TableHandle MedicationTable() const { return m_hMrrx; }
    // The reference tables: -1 until opened, then the handle or the open's error status.
    TableHandle DrugTable() const { return m_hMRDD99; }
    TableHandle NdcTable() const { return m_hMRDNDC99; }
    TableHandle RxNormTable() const { return m_hMRDRXN99; }

private:
    TableHandle& HandleOf(ReferenceTable table);

    bool m_bDbFilesOpen = false;      // Close calls OV_CloseDBFiles when set
    TableHandle m_hPatientTable = -1; // host file set, OV_GetDBfp(36)
    TableHandle m_hMrrx = -1;         // host file set, OV_GetDBfp(90)
    TableHandle m_hMRDD99 = -1;
    TableHandle m_hMRDNDC99 = -1;
    TableHandle m_hMRDRXN99 = -1;
};
