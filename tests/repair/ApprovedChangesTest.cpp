#include "repair/ApprovedChanges.h"
#include "repair/RunLogFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

struct Expected {
    int32_t entryId;
    int32_t patientId;
    std::string oldRxNormId;
    std::string newRxNormId;
    std::size_t line;
};

// The report's lines: a removed ID, an old ID the report neutralised ('-1),
// and a drug name that must be quoted (comma, quotes, CR LF).
std::string Report(std::string_view lineEnd = "\r\n", std::string_view extra = "") {
    const RunLineValues rows[] = {
        {101, 5, "104377", "", "D1", 7, "DOE7", "Aspirin", "81 MG", "Oral", "Tablet"},
        {102, 5, "352307", "-1", "D2", 7, "DOE7", "=HYPERLINK(\"x\")", "5 MG", "Oral", "Tablet"},
        {103, -1, "", "349545", "D3", 8, "DOE8", "Tabs, \"chewable\"\r\nnew", "", "Oral", ""},
    };
    std::string text;
    for (const RunLineValues& values : rows) {
        RunLineBuffer line;
        FormatCsvLine(values, line);
        text.append(line.view().substr(0, line.size() - 2)).append(extra).append(lineEnd);
    }
    return text;
}

const Expected kA{101, 7, "", "104377", 1};
const Expected kB{102, 7, "-1", "352307", 2};
const Expected kC{103, 8, "349545", "", 3};

struct Case {
    const char* what;
    std::string text;
    std::string failure; // empty: the file is read
    std::vector<Expected> changes;
};

TEST(ApprovedChangesTest, ReadsWhatTheReportAndSpreadsheetsWriteAndRefusesTheRest) {
    const std::string header = "Entry ID,Code,New RxNorm ID,Old RxNorm ID,Drug,Patient ID\r\n";
    const std::string rowA = "101,5,104377,,D1,7,DOE7,Aspirin,81 MG,Oral,Tablet\r\n";
    const Case cases[] = {
        {"the report as written", Report(), "", {kA, kB, kC}},
        {"re-saved with LF and a byte-order mark", "\xEF\xBB\xBF" + Report("\n"), "", {kA, kB, kC}},
        {"a header row",
         header + Report(),
         "",
         {{101, 7, "", "104377", 2}, {102, 7, "-1", "352307", 3}, {103, 8, "349545", "", 4}}},
        {"extra columns", Report("\r\n", ",x,\"y,z\""), "", {kA, kB, kC}},
        {"apostrophe dropped", "102,5,352307,-1,D2,7\r\n", "", {{102, 7, "-1", "352307", 1}}},
        {"an apostrophe that neutralises nothing is kept",
         "102,5,352307,'12,D2,7\r\n",
         "",
         {{102, 7, "'12", "352307", 1}}},
        {"numbers with blanks", " 101 ,5,104377,,D1,\t7 \r\n", "", {kA}},
        {"quoted numbers and IDs", "\"101\",5,\"104377\",\"\",D1,\"7\"", "", {kA}},
        {"six columns and no line end", "101,5,104377,,D1,7", "", {kA}},
        {"blank and cleared rows",
         "\r\n  \r\n,,,,,,,,,,\r\n" + rowA,
         "",
         {{101, 7, "", "104377", 4}}},
        {"CR line ends", "101,5,104377,,D1,7\r102,5,352307,'-1,D2,7\r", "", {kA, kB}},
        {"duplicate identical rows kept once", Report() + rowA, "", {kA, kB, kC}},
        {"duplicate different",
         Report() + "101,5,999,,D1,7\r\n",
         "Line 5 of approved.csv: entry 101 of patient 7 is on line 1 with a different change",
         {}},
        {"bad entry ID", rowA + "1O1,5,104377,,D1,7\r\n", "Line 2 of approved.csv: column 1", {}},
        {"a damaged first entry ID is no header", "1O1,5,104377,,D1,7\r\n", "Line 1 of", {}},
        {"entry ID beyond 32 bits", "2147483648,5,1,,D1,7\r\n", "column 1 is not an entry ID", {}},
        {"bad patient ID", "101,5,104377,,D1,7.0\r\n", "column 6 is not a patient ID", {}},
        {"a second header", header + header, "Line 2 of approved.csv: column 1", {}},
        {"fewer than six columns",
         rowA + "101,5,104377,,D1\r\n",
         "Line 2 of approved.csv: the row has 5",
         {}},
        {"unterminated quote",
         rowA + "102,5,352307,,D2,7,\"DOE7,\r\n",
         "Line 2 of approved.csv: the quote that opens column 7 is never closed",
         {}},
        {"text after a closing quote", "101,5,\"104\"377,,D1,7\r\n", "column 3 goes on after", {}},
        {"NUL", rowA + "102,5,352307,,D2,7\0\r\n"s, "Line 2 of approved.csv: a NUL byte", {}},
        {"empty file", "", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ApprovedParse parse = ParseApprovedChanges(c.text, "approved.csv");
        if (!c.failure.empty()) {
            EXPECT_FALSE(parse.ok);
            EXPECT_NE(parse.failure.find(c.failure), std::string::npos) << parse.failure;
            EXPECT_TRUE(parse.changes.empty());
            continue;
        }
        ASSERT_TRUE(parse.ok) << parse.failure;
        ASSERT_EQ(parse.changes.size(), c.changes.size());
        for (std::size_t i = 0; i < c.changes.size(); ++i) {
            const Expected& e = c.changes[i];
            const ApprovedChange& got = parse.changes[i];
            EXPECT_EQ(got.entryId, e.entryId);
            EXPECT_EQ(got.patientId, e.patientId);
            EXPECT_EQ(got.oldRxNormId, e.oldRxNormId);
            EXPECT_EQ(got.newRxNormId, e.newRxNormId);
            EXPECT_EQ(got.line, e.line);
            EXPECT_EQ(FindApproved(parse, e.entryId, e.patientId), &got);
            // The entry ID alone does not name a medication.
            EXPECT_EQ(FindApproved(parse, e.entryId, e.patientId + 1000), nullptr);
        }
    }
}

} // namespace
