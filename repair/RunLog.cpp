// The run log Dosewright.log and the CSV report Dosewright.csv: one sentence and
// one line for every medication whose RxNorm ID a scan changes or would change.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "app/DosewrightDlg.h"
#include "repair/MedicationLineTexts.h"
#include "repair/RunLogFormat.h"

bool CDosewrightDlg::WriteRunLines(const _MRRX& record, const char* oldRxNormId,
                                   unsigned char reportOnly, int32_t resolutionCode) {
    MedicationLineTexts texts(m_session.PatientTable(), record, resolutionCode, &m_textMemo);
    texts.values.oldRxNormId = oldRxNormId;
    RunLineBuffer csvLine;
    FormatCsvLine(texts.values, csvLine);
    RunLineBuffer logLine;
    FormatLogSentence(texts.values, reportOnly != 0, logLine);
    return WriteFormattedLines(csvLine.view(), logLine, texts.patientFailure);
}

bool CDosewrightDlg::WriteUndoLines(const _MRRX& restored, const char* replacedRxNormId,
                                    int32_t resolutionCode) {
    MedicationLineTexts texts(m_session.PatientTable(), restored, resolutionCode);
    texts.values.oldRxNormId = replacedRxNormId;
    RunLineBuffer csvLine;
    FormatCsvLine(texts.values, csvLine);
    RunLineBuffer logLine;
    FormatUndoLogSentence(texts.values, logLine);
    return WriteFormattedLines(csvLine.view(), logLine, texts.patientFailure);
}

bool CDosewrightDlg::WriteLeftAloneLine(const _MRRX& record, const char* fromRxNormId,
                                        const char* toRxNormId, std::string_view reason,
                                        bool undoing) {
    // A scan's patients are remembered for the length of the scan; undo's are not.
    MedicationLineTexts texts(m_session.PatientTable(), record, 0, undoing ? nullptr : &m_textMemo);
    texts.values.oldRxNormId = fromRxNormId;
    texts.values.newRxNormId = toRxNormId;
    RunLineBuffer logLine;
    FormatLeftAloneSentence(texts.values, reason, undoing, logLine);
    // No CSV line: an empty text that still has an address (the file writes
    // are never handed a null pointer).
    return WriteFormattedLines(std::string_view(""), logLine, texts.patientFailure);
}

bool CDosewrightDlg::WriteRunNote(std::string_view sentence) {
    RunLineBuffer logLine;
    FormatRunNote(sentence, logLine);
    return WriteFormattedLines(std::string_view(""), logLine, 0);
}

bool CDosewrightDlg::WriteFormattedLines(std::string_view csvLine, const RunLineBuffer& logLine,
                                         int32_t patientFailure) {
    // Each affected medication's lines are on disk before the scan reads the next
    // record, so a run that dies leaves every change it made described.
    int error = 0;
    const RunFilesStatus written = m_runFiles.WriteLines(csvLine, logLine.view(), error);
    if (written != RunFilesStatus::Ok) {
        ShowFailureBoxThenStatus(RunFileWriteFailure(written, error));
        return false;
    }
    // The change is described without its patient and the scan goes on: one
    // damaged patient record must not stop every repair at the same medication.
    if (patientFailure != 0)
        ++m_patientLookupFailures;
    return true;
}
