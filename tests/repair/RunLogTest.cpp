// The run log sentence and the CSV line of one affected medication: their exact
// bytes, the patient reference from the patient table, and what happens when a
// line cannot be written.
#include "repair/RunLogFormat.h"

#include "app/DosewrightDlg.h"
#include "storelink/StoreLinkStatus.h"
#include "support/DialogOnHostFolder.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using fakes::Box;
using fakes::Status;
using testsupport::CsvFields;

struct LineCase {
    const char* what;
    RunLineValues values;
    const char* csv;
    const char* repairLog;
    const char* reportLog;
};

void PrintTo(const LineCase& c, std::ostream* out) {
    *out << c.what;
}

RunLineValues Values(int32_t entryId, int32_t code, std::string_view newId, std::string_view oldId,
                     std::string_view drugCode, int32_t patientId, std::string_view patientRef,
                     std::string_view drugName, std::string_view strength, std::string_view route,
                     std::string_view doseForm) {
    return {entryId,    code,     newId,    oldId, drugCode, patientId,
            patientRef, drugName, strength, route, doseForm};
}

const LineCase kLineCases[] = {
    {"an ID removed",
     Values(12, -1, "", "314076", "", 7, "DOE0007", "Lisinopril", "10 MG", "Oral", "Tablet"),
     "12,-1,,314076,,7,DOE0007,Lisinopril,10 MG,Oral,Tablet\r\n",
     "The RxNormID was changed from 314076 to NULL for the medication Lisinopril 10 MG Oral "
     "Tablet for Patient: DOE0007. Please verify this change is correct.\r\n",
     "The RxNormID 314076 is incorrect, and should be changed to NULL for the medication "
     "Lisinopril 10 MG Oral Tablet for Patient: DOE0007. Please verify this change is "
     "correct.\r\n"},
    {"an ID given to a medication that had none",
     Values(3, 102, "104377", "", "ZES10", 8, "ROE0008", "Zestril", "10 MG", "Oral", "Tablet"),
     "3,102,104377,,ZES10,8,ROE0008,Zestril,10 MG,Oral,Tablet\r\n",
     "The RxNormID was changed from NULL to 104377 for the medication Zestril 10 MG Oral Tablet "
     "for Patient: ROE0008. Please verify this change is correct.\r\n",
     "The RxNormID NULL is incorrect, and should be changed to 104377 for the medication Zestril "
     "10 MG Oral Tablet for Patient: ROE0008. Please verify this change is correct.\r\n"},
    {"a patient not in the patient table, empty texts, code -2",
     Values(-5, -2, "", "349545", "", 99, "", "Abilify", "", "", "Tablet"),
     "-5,-2,,349545,,99,,Abilify,,,Tablet\r\n",
     "The RxNormID was changed from 349545 to NULL for the medication Abilify   Tablet for "
     "Patient: . Please verify this change is correct.\r\n",
     "The RxNormID 349545 is incorrect, and should be changed to NULL for the medication Abilify "
     "  Tablet for Patient: . Please verify this change is correct.\r\n"},
    {"the widest numbers",
     Values(2147483647, -2147483647 - 1, "123456789012345", "1", "ABCDEFGHIJKL", -2147483647 - 1,
            "ABCDEFGHIJK", "Namenda", "10 MG", "Oral", "Tablet"),
     "2147483647,-2147483648,123456789012345,1,ABCDEFGHIJKL,-2147483648,ABCDEFGHIJK,Namenda,10 "
     "MG,Oral,Tablet\r\n",
     "The RxNormID was changed from 1 to 123456789012345 for the medication Namenda 10 MG Oral "
     "Tablet for Patient: ABCDEFGHIJK. Please verify this change is correct.\r\n",
     "The RxNormID 1 is incorrect, and should be changed to 123456789012345 for the medication "
     "Namenda 10 MG Oral Tablet for Patient: ABCDEFGHIJK. Please verify this change is "
     "correct.\r\n"},
    {"a comma in the drug name and the dose form",
     Values(4, 104, "996563", "996561", "", 7, "DOE0007", "Memantine HCl, USP", "10 MG", "Oral",
            "Tablet, Film Coated"),
     "4,104,996563,996561,,7,DOE0007,\"Memantine HCl, USP\",10 MG,Oral,\"Tablet, Film "
     "Coated\"\r\n",
     "The RxNormID was changed from 996561 to 996563 for the medication Memantine HCl, USP 10 MG "
     "Oral Tablet, Film Coated for Patient: DOE0007. Please verify this change is correct.\r\n",
     "The RxNormID 996561 is incorrect, and should be changed to 996563 for the medication "
     "Memantine HCl, USP 10 MG Oral Tablet, Film Coated for Patient: DOE0007. Please verify this "
     "change is correct.\r\n"},
    {"double quotes, a line break and Windows-1252 bytes",
     Values(6, 105, "", "12 \"A\"", "X\r\nY", 7, "O'NE\xC9", "Caf\xE9 \"Forte\"", "5\nMG", "Oral",
            "Tablet"),
     "6,105,,\"12 \"\"A\"\"\",\"X\r\nY\",7,O'NE\xC9,\"Caf\xE9 \"\"Forte\"\"\",\"5\nMG\",Oral,"
     "Tablet\r\n",
     "The RxNormID was changed from 12 \"A\" to NULL for the medication Caf\xE9 \"Forte\" 5 MG "
     "Oral Tablet for Patient: O'NE\xC9. Please verify this change is correct.\r\n",
     "The RxNormID 12 \"A\" is incorrect, and should be changed to NULL for the medication "
     "Caf\xE9 \"Forte\" 5 MG Oral Tablet for Patient: O'NE\xC9. Please verify this change is "
     "correct.\r\n"},
    // Text cells a spreadsheet would run as formulas; numbers stay as they are.
    // A line end in a text cannot start a forged sentence in the log.
    {"texts that begin like formulas, and line ends",
     Values(-7, -2, "=1+1", "+123", "-5", -3, "@SUM(A1)", "=HYPERLINK(\"http://x\",\"y\")",
            "\t10 MG", "\rOral", "Tablet\r\nThe RxNormID was changed"),
     "-7,-2,'=1+1,'+123,'-5,-3,'@SUM(A1),\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",'\t10 MG,"
     "\"'\rOral\",\"Tablet\r\nThe RxNormID was changed\"\r\n",
     "The RxNormID was changed from +123 to =1+1 for the medication =HYPERLINK(\"http://x\",\"y\") "
     "\t10 MG  Oral Tablet  The RxNormID was changed for Patient: @SUM(A1). Please verify this "
     "change is correct.\r\n",
     "The RxNormID +123 is incorrect, and should be changed to =1+1 for the medication "
     "=HYPERLINK(\"http://x\",\"y\") \t10 MG  Oral Tablet  The RxNormID was changed for Patient: "
     "@SUM(A1). Please verify this change is correct.\r\n"},
    // A formula behind blanks or a line end is one too; IDs are texts of the
    // table like any other, line ends and all.
    {"formulas behind blanks and line ends, IDs holding line ends",
     Values(8, 101, "1\nX-FORGED-ID\r", " =2", "  @A1", 9, "\n+1", "Aspirin", "81 MG", "Oral",
            "Tablet"),
     "8,101,\"1\nX-FORGED-ID\r\",' =2,'  @A1,9,\"'\n+1\",Aspirin,81 MG,Oral,Tablet\r\n",
     "The RxNormID was changed from  =2 to 1 X-FORGED-ID  for the medication Aspirin 81 MG Oral "
     "Tablet for Patient:  +1. Please verify this change is correct.\r\n",
     "The RxNormID  =2 is incorrect, and should be changed to 1 X-FORGED-ID  for the medication "
     "Aspirin 81 MG Oral Tablet for Patient:  +1. Please verify this change is correct.\r\n"},
};

class RunLineFormatTest : public testing::TestWithParam<LineCase> {};

TEST_P(RunLineFormatTest, WritesTheExactLines) {
    const LineCase& c = GetParam();
    RunLineBuffer csv;
    FormatCsvLine(c.values, csv);
    EXPECT_EQ(csv.view(), c.csv);
    RunLineBuffer repairLog;
    FormatLogSentence(c.values, false, repairLog);
    EXPECT_EQ(repairLog.view(), c.repairLog);
    RunLineBuffer reportLog;
    FormatLogSentence(c.values, true, reportLog);
    EXPECT_EQ(reportLog.view(), c.reportLog);
}

// A text that begins like a formula reads back with the apostrophe before it.
TEST_P(RunLineFormatTest, EveryCsvLineHasElevenFieldsThatReadBackAsTheValues) {
    const RunLineValues& v = GetParam().values;
    RunLineBuffer csv;
    FormatCsvLine(v, csv);
    ASSERT_TRUE(csv.view().ends_with("\r\n"));
    const std::vector<std::string> fields = CsvFields(csv.view().substr(0, csv.size() - 2));
    auto text = [](std::string_view value) {
        const std::size_t first = value.find_first_not_of(" \t\r\n");
        const bool formula =
            (!value.empty() && (value[0] == '\t' || value[0] == '\r')) ||
            (first != std::string_view::npos &&
             std::string_view("=+-@").find(value[first]) != std::string_view::npos);
        return (formula ? "'" : "") + std::string(value);
    };
    const std::vector<std::string> expected{
        std::to_string(v.entryId), std::to_string(v.resolutionCode),
        text(v.newRxNormId),       text(v.oldRxNormId),
        text(v.drugCode),          std::to_string(v.patientId),
        text(v.patientRef),        text(v.drugName),
        text(v.strength),          text(v.route),
        text(v.doseForm)};
    EXPECT_EQ(fields, expected);
}

// Whatever the texts hold, each sentence of the log (a scan's, an undo's, a
// change undo left alone) is one line: nothing can forge a line of its own.
TEST_P(RunLineFormatTest, EverySentenceIsOneLine) {
    const RunLineValues& v = GetParam().values;
    RunLineBuffer sentences[4];
    FormatLogSentence(v, false, sentences[0]);
    FormatLogSentence(v, true, sentences[1]);
    FormatUndoLogSentence(v, sentences[2]);
    FormatLeftAloneSentence(v, "it was changed\r\nsince", true, sentences[3]);
    for (const RunLineBuffer& sentence : sentences) {
        SCOPED_TRACE(sentence.view());
        EXPECT_TRUE(sentence.view().ends_with("\r\n"));
        EXPECT_EQ(std::count(sentence.view().begin(), sentence.view().end(), '\n'), 1);
        EXPECT_EQ(std::count(sentence.view().begin(), sentence.view().end(), '\r'), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, RunLineFormatTest, testing::ValuesIn(kLineCases),
                         [](const testing::TestParamInfo<LineCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

TEST(RunLineFormat, TheWidestLinesFitTheirBuffer) {
    // Every text at its field's width, beginning like a formula and otherwise
    // made of double quotes, so that the CSV line doubles every one of them.
    const std::string q15 = "=" + std::string(14, '"'), q12 = "=" + std::string(11, '"'),
                      q11 = "=" + std::string(10, '"'), q35 = "=" + std::string(34, '"'),
                      q25 = "=" + std::string(24, '"'), q20 = "=" + std::string(19, '"'),
                      q50 = "=" + std::string(49, '"');
    const RunLineValues values = Values(-2147483647 - 1, -2147483647 - 1, q15, q15, q12,
                                        -2147483647 - 1, q11, q35, q25, q20, q50);
    RunLineBuffer csv;
    FormatCsvLine(values, csv);
    EXPECT_LT(csv.size(), kRunLineBufferSize);
    EXPECT_TRUE(csv.view().ends_with(",\"'=" + std::string(2 * 49 + 1, '"') + "\r\n"));
    EXPECT_EQ(CsvFields(csv.view().substr(0, csv.size() - 2)).size(), 11u);
    for (bool reportOnly : {false, true}) {
        RunLineBuffer log;
        FormatLogSentence(values, reportOnly, log);
        EXPECT_LT(log.size(), kRunLineBufferSize);
        EXPECT_TRUE(log.view().ends_with(q11 + ". Please verify this change is correct.\r\n"));
    }
}

// WriteRunLines on a host folder: the patient comes from the patient table, the
// texts from the record bytes, and both lines are on disk when it returns.
class WriteRunLinesTest : public testing::Test {
protected:
    void SetUp() override {
        const nlohmann::json fixture = {
            {"patients",
             {{{"patientId", 7}, {"patientRef", "DOE0007"}},
              {{"patientId", 8}, {"patientRef", "ROE-0008-XY"}},
              {{"patientId", 9}, {"patientRef", ""}}}},
        };
        m_dialog.emplace(testsupport::BuildHostFolder(m_temp.Path(), fixture));
        ASSERT_TRUE(m_dialog->OpenDatabase()) << m_dialog->errorText;
    }

    void OpenStreamsInFolder() {
        ASSERT_TRUE(Dialog().OpenRunFiles(0));
        ASSERT_TRUE(Dialog().Files().IsCsvOpen() && Dialog().Files().IsLogOpen());
    }

    CDosewrightDlg& Dialog() { return m_dialog->dialog; }
    fakes::FakeDialogWindow& Window() { return m_dialog->window; }

    testsupport::TempFolder m_temp;
    std::optional<testsupport::DialogOnHostFolder> m_dialog;
};

// A medication record whose bytes outside the texts are not spaces or zeros.
_MRRX Medication(int32_t entryId, int32_t patientId, const testsupport::MedicationTexts& texts) {
    _MRRX record;
    std::memset(&record, 0x7F, sizeof record);
    record.entryId = entryId;
    record.patientId = patientId;
    auto put = [](auto& field, const std::string& text) {
        std::memset(field, ' ', sizeof field);
        std::memcpy(field, text.data(), std::min(text.size(), sizeof field));
    };
    put(record.drugName, texts.drugName);
    put(record.strength, texts.strength);
    put(record.doseForm, texts.doseForm);
    put(record.route, texts.route);
    put(record.drugCode, texts.drugCode);
    put(record.rxNormId, texts.rxNormId);
    put(record.termType, texts.termType);
    return record;
}

TEST_F(WriteRunLinesTest, TakesThePatientFromThePatientTableAndFlushesBothLines) {
    OpenStreamsInFolder();
    struct Written {
        _MRRX record;
        const char* oldId;
        unsigned char reportOnly;
        int32_t code;
        const char* csv;
        const char* log;
    };
    const Written written[] = {
        {Medication(1, 7, {"Lisinopril", "10 MG", "Tablet", "Oral", "", "314076", "SCD"}), "", 0,
         101, "1,101,314076,,,7,DOE0007,Lisinopril,10 MG,Oral,Tablet\r\n",
         "The RxNormID was changed from NULL to 314076 for the medication Lisinopril 10 MG Oral "
         "Tablet for Patient: DOE0007. Please verify this change is correct.\r\n"},
        // The patient reference fills its 11 characters; the drug name its 35,
        // running straight into the strength.
        {Medication(2, 8,
                    {"Acetaminophen and Codeine Phosphate", "300 MG / 15 MG", "Tablet", "Oral",
                     "APAPCOD", "", ""}),
         "993770", 1, -1,
         "2,-1,,993770,APAPCOD,8,ROE-0008-XY,Acetaminophen and Codeine Phosphate,300 MG / 15 "
         "MG,Oral,Tablet\r\n",
         "The RxNormID 993770 is incorrect, and should be changed to NULL for the medication "
         "Acetaminophen and Codeine Phosphate 300 MG / 15 MG Oral Tablet for Patient: "
         "ROE-0008-XY. Please verify this change is correct.\r\n"},
        // A patient whose reference is empty, and one who is not in the table.
        {Medication(3, 9, {"Atenolol", "50 MG", "Tablet", "Oral", "", "", ""}), "197381", 0, -2,
         "3,-2,,197381,,9,,Atenolol,50 MG,Oral,Tablet\r\n",
         "The RxNormID was changed from 197381 to NULL for the medication Atenolol 50 MG Oral "
         "Tablet for Patient: . Please verify this change is correct.\r\n"},
        {Medication(4, 4040, {"Baclofen", "10 MG", "Tablet", "Oral", "", "197391", "SCD"}),
         "197392", 1, 104, "4,104,197391,197392,,4040,,Baclofen,10 MG,Oral,Tablet\r\n",
         "The RxNormID 197392 is incorrect, and should be changed to 197391 for the medication "
         "Baclofen 10 MG Oral Tablet for Patient: . Please verify this change is correct.\r\n"},
    };
    std::string csv;
    std::string log;
    for (const Written& w : written) {
        SCOPED_TRACE(w.csv);
        ASSERT_TRUE(Dialog().WriteRunLines(w.record, w.oldId, w.reportOnly, w.code));
        csv += w.csv;
        log += w.log;
        // Read while both streams are still open: the lines are already on disk.
        EXPECT_EQ(m_dialog->FileBytes("Dosewright.csv"), csv);
        EXPECT_EQ(m_dialog->FileBytes("Dosewright.log"), log);
    }
    EXPECT_TRUE(Window().Events().empty());
}

// A patient the table cannot give leaves the reference empty; only an error of
// the table is counted as a failed look-up, and the lines are written either way.
TEST_F(WriteRunLinesTest, APatientTableThatFailsLeavesThePatientOutAndIsCounted) {
    OpenStreamsInFolder();
    const struct {
        const char* operation;
        int32_t status;
        int32_t counted;
    } cases[] = {{"fspos", -18, 1}, {"fsget", -18, 1}, {"fsget", 0, 0}, {"fspos", 2, 0}};
    const _MRRX record =
        Medication(1, 7, {"Lisinopril", "10 MG", "Tablet", "Oral", "", "314076", "SCD"});
    std::string csv;
    int32_t failures = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.operation) + " " + std::to_string(c.status));
        StoreLink_FailCall(c.operation, 1, c.status);
        ASSERT_TRUE(Dialog().WriteRunLines(record, "", 0, 101));
        failures += c.counted;
        EXPECT_EQ(Dialog().PatientLookupFailures(), failures);
        csv += "1,101,314076,,,7,,Lisinopril,10 MG,Oral,Tablet\r\n";
        EXPECT_EQ(m_dialog->FileBytes("Dosewright.csv"), csv);
    }
    StoreLink_FailCall("*", 0, 0);
    EXPECT_TRUE(m_dialog->FileBytes("Dosewright.log")
                    .ends_with("for Patient: . Please verify "
                               "this change is correct.\r\n"));
    EXPECT_TRUE(Window().Events().empty());
}

struct WriteFailureCase {
    const char* what;
    bool csvFails; // else the log fails
};

std::string WriteFailureMessage(const char* fileName, int error) {
    return std::string("Failure writing the ") + fileName +
           " file. Error Code:" + std::to_string(error) +
           "\nPlease verify there is free space in the orvale folder and you have access to "
           "write files in it.";
}

void PrintTo(const WriteFailureCase& c, std::ostream* out) {
    *out << c.what;
}

class WriteRunLinesFailureTest : public WriteRunLinesTest,
                                 public testing::WithParamInterface<WriteFailureCase> {};

TEST_P(WriteRunLinesFailureTest, StopsWithAMessageAfterTheCsvLine) {
#if defined(_WIN32)
    GTEST_SKIP() << "Linux only: the run's open files are found in /proc/self/fd";
#endif
    const WriteFailureCase& c = GetParam();
    // A device that takes no byte: every flush fails with "no space left".
    OpenStreamsInFolder();
    ASSERT_TRUE(
        m_dialog->RedirectOpenFile(c.csvFails ? "Dosewright.csv" : "Dosewright.log", "/dev/full"));
    const _MRRX record =
        Medication(1, 7, {"Lisinopril", "10 MG", "Tablet", "Oral", "", "314076", "SCD"});

    EXPECT_FALSE(Dialog().WriteRunLines(record, "", 0, 101));

    const std::string message =
        WriteFailureMessage(c.csvFails ? "Dosewright.csv" : "Dosewright.log", ENOSPC);
    EXPECT_EQ(Window().Events(), (std::vector{Box(message, "Dosewright Error"), Status(message)}));
    // The CSV line comes first; nothing reaches the log when the CSV line failed.
    EXPECT_EQ(m_dialog->FileBytes("Dosewright.log"), "");
    if (!c.csvFails) {
        EXPECT_EQ(m_dialog->FileBytes("Dosewright.csv"),
                  "1,101,314076,,,7,DOE0007,Lisinopril,10 MG,Oral,Tablet\r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, WriteRunLinesFailureTest,
                         testing::Values(WriteFailureCase{"the CSV report", true},
                                         WriteFailureCase{"the run log", false}),
                         [](const testing::TestParamInfo<WriteFailureCase>& info) {
                             return info.param.csvFails ? "Csv" : "Log";
                         });

} // namespace
