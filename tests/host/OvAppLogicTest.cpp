// The application-logic function: data set 99 with its medication table only.
#include "ovapplogic/OVAppLogic.h"
#include "data/HostLibraries.h"

#include "host/HostScratchFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using hosttest::DatabaseFolderScope;
using hosttest::ScratchFolder;

TEST(AppLogic, StartsForDataSet99WithItsMedicationTableOnly) {
    struct Case {
        const char* name;
        const char* dataSet;
        const char* medicationTable; // "file", "folder" or "" for none
        bool folderExists;
        const char* messagePart; // "" when it must succeed
    };
    const std::vector<Case> cases = {
        {"ready", "99", "file", true, ""},
        {"other data set", "98", "file", true, "data set \"98\""},
        {"null data set", nullptr, "file", true, "data set \"\""},
        {"long data set", "99999999999999999999999999", "file", true, "\"99999999999999999999\":"},
        {"no medication table", "99", "", true, "medication table"},
        {"a folder named like the table", "99", "folder", true, "MRRX99 is missing"},
        {"no database folder", "99", "", false, "does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder scratch;
        DatabaseFolderScope scope;
        scope.Name(c.folderExists ? scratch.Path() : scratch.Path() + "gone");
        if (std::string(c.medicationTable) == "file") {
            scratch.Write("MRRX99", "table");
        } else if (std::string(c.medicationTable) == "folder") {
            std::filesystem::create_directory(scratch.Path() + "MRRX99");
        }
        char error[host::kErrorTextSize] = {};
        const int32_t result = OVAppLogic_Ordinal244(c.dataSet, error);
        if (std::string(c.messagePart).empty()) {
            EXPECT_EQ(result, 0) << error;
            EXPECT_STREQ(error, "");
        } else {
            EXPECT_EQ(result, host::kHostCallFailed);
            EXPECT_NE(std::string(error).find(c.messagePart), std::string::npos) << error;
        }
    }
}

} // namespace
