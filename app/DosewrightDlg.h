// The main dialog and the context of every operation of the utility.
//
// The operations are defined in the folders of their subsystems: the start-up
// in app/, the reference files in deploy/, the database connection and the drug
// lookups in data/, the scan, the resolution and the run log in repair/.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/StartupOutcome.h"
#include "data/DrugRecords.h"
#include "data/HostLibraries.h"
#include "data/HostSession.h"
#include "data/MedicationRecord.h"
#include "repair/ApprovedRepair.h"
#include "repair/ChangeStep.h"
#include "repair/MedicationTextMemo.h"
#include "repair/RunFiles.h"

class RunJournal;
class RunLineBuffer;

namespace platform {
class Control;
class DialogWindow;
class LibraryLoader;
} // namespace platform

inline constexpr const char* kErrorTitle = "Dosewright Error";
inline constexpr const char* kFileErrorTitle = "Dosewright File Error";

class CDosewrightDlg {
public:
    CDosewrightDlg(platform::DialogWindow& window, platform::LibraryLoader& libraryLoader);
    ~CDosewrightDlg();
    CDosewrightDlg(const CDosewrightDlg&) = delete;
    CDosewrightDlg& operator=(const CDosewrightDlg&) = delete;

    // --- Window commands ------------------------------------------------------------------
    // The start-up sequence; runs once before the window becomes visible. Always
    // true; how it ended is Startup().
    bool OnInitDialog();
    // The start-up of an undo without the window: the same steps up to the
    // database folder, then only the host's file set (the medication and
    // patient tables). An undo needs nothing of the drug dictionary, so a
    // dictionary that fails to open never keeps a repair from being taken back.
    bool OnInitForUndo();
    // Each runs one scan; true when it ran to its end (the window ignores it, the
    // command-line front end turns it into its exit status).
    bool OnBnClickedRepair();
    bool OnBnClickedReport();
    // A repair that makes only the changes in `approved` (rows of a report a
    // person kept), and only where the repair would make exactly that change
    // now; the status line gives the approved rows' counts as well.
    bool OnRepairApproved(ApprovedParse approved);
    // The window's "Repair Approved Medications...": asks for the approved
    // file, then Yes/No with the number of its rows, then runs that repair.
    // False when cancelled, declined, refused or failed.
    bool OnRepairApprovedMedications();
    // The window's "Run Summary": writes the page of the newest kept run into
    // the database folder as Dosewright.html, its path into `pagePath`. False,
    // with a message box that says why, when there is no run to sum up or the
    // page cannot be written.
    bool OnRunSummary(std::string& pagePath);
    // Closes the database connection; the window then ends the dialog.
    void OnBnClickedExit();

    // --- Failure display -------------------------------------------------------------------
    // A modal message box owned by the dialog, OK only. A null title shows the
    // application's name.
    void ShowMessage(std::string_view text, const char* title) const;
    // Replaces the status line's text.
    void SetStatusText(std::string_view text) const;
    // The two orders in which a failure is shown.
    void ShowFailureBoxThenStatus(std::string_view text) const;
    void ShowFailureStatusThenBox(std::string_view text) const;
    // The failure shown last, for the end entry of a run's journal.
    const std::string& LastFailure() const { return m_lastFailure; }

    // --- Start-up steps ----------------------------------------------------------------------
    // The first step: the host file set counts as open from here on (Exit asks
    // the host to close it whatever the start-up reaches), and the dialog looks
    // up its controls in the window.
    void PrepareContext();
    // Takes the database folder (ending with its separator) the operations work
    // in. A folder too long for the names the utility appends to it is refused
    // and the failure shown.
    bool AcceptDatabaseFolder(const char* databaseFolder);

    // --- Reference files ------------------------------------------------------------------
    bool DeployReferenceFiles();
    bool WriteReferenceFile(const char* folder, int resourceId, const char* fileName);

    // --- Database connection ----------------------------------------------------------------
    bool OpenDatabase(const char* dataSet, const char* databasePath, char* errorText);
    void CloseDatabase();

    // --- Drug reference lookups ---------------------------------------------------------------
    bool FindDrugId(int32_t& drugId, const char* drugName, const char* formCode,
                    const char* routeCode, const char* strength, const char* strengthUnit);
    bool DrugHasNdc(int32_t drugId, bool& failed);
    bool GetDrugRxNormList(int32_t drugId, RxNormCandidateList& list);

    // --- Repair -------------------------------------------------------------------------------
    // Opens the run files in the database folder (those not open yet); false
    // when one could not be opened, the failure shown.
    bool OpenRunFiles(unsigned char reportOnly);
    bool ScanMedications(int32_t& examined, int32_t& affected, unsigned char reportOnly);
    bool ResolveRxNorm(int32_t& affected, const RxNormCandidateList& list, _MRRX record,
                       unsigned char reportOnly, int32_t resolutionCode);
    // Writes the CSV line and the log sentence of one affected medication and
    // flushes both; false when they could not be written, the failure shown. A
    // patient that cannot be looked up leaves the patient reference empty.
    bool WriteRunLines(const _MRRX& record, const char* oldRxNormId, unsigned char reportOnly,
                       int32_t resolutionCode);
    // Patient look-ups of the last scan that the patient table answered with an
    // error; the lines of those medications name no patient. The scan goes on
    // past them and the window does not show them; the command line reports them.
    int32_t PatientLookupFailures() const { return m_patientLookupFailures; }
    // The CSV line and the log sentence of a change an undo took back: the record
    // as restored, and the RxNorm ID it held before.
    bool WriteUndoLines(const _MRRX& restored, const char* replacedRxNormId,
                        int32_t resolutionCode);
    // The log sentence of a change an undo left alone (from the ID the run
    // wrote back to the one it replaced), or, `undoing` false, of a change a
    // repair did not make (from the ID held to the one it would write), and why.
    bool WriteLeftAloneLine(const _MRRX& record, const char* fromRxNormId, const char* toRxNormId,
                            std::string_view reason, bool undoing = true);
    // A sentence of the log about the run itself, not one medication.
    bool WriteRunNote(std::string_view sentence);
    // Ends a run that went through: its journal's end (when it keeps one), then
    // the run files closed. False, with the failure shown, when either fails.
    bool EndCompletedRun(RunJournal& runJournal, int32_t counted, int32_t changed);

    // --- Undo ---------------------------------------------------------------------------------
    // Takes back the changes of a journaled run (the newest when `runName` is
    // empty), where the records still hold what it wrote, and shows "Number of
    // Medications restored: N/M". True when it ran to its end and every change
    // the journal held could be read; what could not, and a run that was cut
    // off, are said in a box as well.
    bool OnUndo(std::string_view runName);
    // The window's "Undo Last Repair...": asks Yes/No, naming the newest run's
    // time and changes, then undoes it. False when declined or failed.
    bool OnUndoLastRepair();

    platform::DialogWindow& Window() const { return m_window; }
    platform::LibraryLoader& Loader() const { return m_libraryLoader; }

    // --- Read-only views of the context --------------------------------------------------------
    const StartupOutcome& Startup() const { return m_startup; }
    // The database folder, ending with its separator; empty before the start-up took it.
    const char* DatabasePath() const { return m_szDbPath; }
    const HostSession& Session() const { return m_session; }
    const RunFiles& Files() const { return m_runFiles; }
    // What a scan learned from the host, kept for the length of the scan; its
    // capacity can be changed before a scan (0: every medication asks the host).
    MedicationTextMemo& TextMemo() { return m_textMemo; }
    // The status line's text as the window shows it; empty before the start-up.
    std::string StatusText() const;

private:
    // Ends the start-up as Blocked with the failure the status line shows.
    bool BlockStartup();
    // One medication of the scan; false when the scan must stop.
    bool SettleMedication(const _MRRX& record, unsigned char reportOnly, int32_t& affected,
                          RxNormCandidateList& candidates);
    // Writes a change the scan decided (repair mode), reports and counts it;
    // in a repair of approved changes, only an approved one.
    bool ApplyScanChange(const _MRRX& asRead, const _MRRX& changed, const char* oldRxNormId,
                         unsigned char reportOnly, int32_t resolutionCode, int32_t& affected,
                         FailureOrder order);
    // Writes the lines (no CSV line when empty) and flushes them; shows a failure.
    bool WriteFormattedLines(std::string_view csvLine, const RunLineBuffer& logLine,
                             int32_t patientFailure);
    // The first start-up steps, which both starts take: the context, both
    // actions disabled, the instructions, the backup reminder, the database
    // folder from the host and its length. False when one failed, shown.
    bool BeginStartup(char* databaseFolder, char* errorText);

    platform::DialogWindow& m_window;
    platform::LibraryLoader& m_libraryLoader;
    platform::Control* m_pInstructions = nullptr; // static -1: the instruction text
    platform::Control* m_pStatus = nullptr;       // static 1000: failures, progress, results
    platform::Control* m_pRepairButton = nullptr; // button 1
    platform::Control* m_pReportButton = nullptr; // button 3
    StartupOutcome m_startup;
    HostSession m_session;
    RunFiles m_runFiles;
    mutable std::string m_lastFailure; // the failure shown last
    ApprovedRepair m_approvedRepair;   // active while a repair of approved changes runs
    // A change of the run: its journal entry, the checked update, its lines.
    ChangeStep m_changeStep{m_session, m_szDbPath,
                            [this](std::string_view text, FailureOrder order) {
                                if (order == FailureOrder::BoxFirst)
                                    ShowFailureBoxThenStatus(text);
                                else
                                    ShowFailureStatusThenBox(text);
                            }};
    char m_szDbPath[host::kDatabasePathSize] = {}; // database folder, ends with the separator
    int32_t m_patientLookupFailures = 0;
    MedicationTextMemo m_textMemo; // what the scan running has learned from the host
};
