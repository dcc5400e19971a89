#include "ovapplogic/OVAppLogic.h"

#include "common/HostFolder.h"
#include "ovutilities/DatabaseFolder.h"
#include "ovutilities/MessageText.h"
#include "ovutilities/OVUtilities.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr int32_t kFailed = 1;

int32_t Fail(char* errorText, const char* format, const char* argument) {
    if (errorText != nullptr) {
        std::snprintf(errorText, ovutilities::kErrorTextSize, format, argument);
    }
    return kFailed;
}

} // namespace

extern "C" int32_t HOST_CALL OVAppLogic_Ordinal244(const char* dataSet, char* errorText) {
    if (dataSet == nullptr || std::strcmp(dataSet, hostfolder::kDataSet) != 0) {
        // The data set's name is not quoted whole: it is the caller's text of any length.
        return Fail(errorText,
                    "The application logic cannot start for data set \"%.20s\": this "
                    "installation holds data set 99 only.",
                    dataSet == nullptr ? "" : dataSet);
    }

    // The folder is the utility library's answer, with its message.
    const ovutilities::DatabaseFolder found = ovutilities::FindDatabaseFolder();
    if (!found.found) {
        // Shortened as the utility library shortens it for its error text.
        char folderError[ovutilities::kErrorTextSize] = {};
        ovutilities::CopyMessage(folderError, sizeof folderError, found.message);
        return Fail(errorText, "%s", folderError);
    }
    const char* folder = found.path.c_str();

    char tablePath[ovutilities::kDatabasePathSize + 16] = {};
    std::snprintf(tablePath, sizeof tablePath, "%s%s%s", folder, hostfolder::kMedicationTableStem,
                  hostfolder::kDataSet);
    struct stat status {};
    if (stat(tablePath, &status) != 0 || (status.st_mode & S_IFMT) != S_IFREG) {
        return Fail(errorText,
                    "The application logic cannot start: the medication table %s is missing.",
                    tablePath);
    }
    return 0;
}
