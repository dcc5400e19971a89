// The utility's own texts as a user reads them, written out once for the tests
// that compare what the window, the fake window or the command line showed.
#pragma once

#include <string>

namespace expected {

inline const std::string kInstructions =
    "The \"Dosewright\" button will fix any medications that have an invalid RxNorm ID value by "
    "changing the value to correct RxNorm ID or removing the RxNorm ID if no valid ID can be "
    "found.\nThe \"Report Medications\" button will perform the same procedure but will only "
    "report the medications with invalid RxNorm ID.";
inline const std::string kBackupReminder =
    "Please make sure you have backed up your database before running the utility and pressing "
    "the \"Dosewright\" button";
inline const std::string kNoUpdateHistory =
    "Please verify you are running this utility in your orvale folder and you have access to the "
    "ProductUpdates.ovupdate file in the orvale\\updater folder.";
inline const std::string kDrugInteractionOutdated =
    "Please verify you are running this utility in your orvale folder and you have download and "
    "installed the latest version of Tessaly - Drug Interaction Installer.";
inline const std::string kPatchLevelMissing =
    "Please verify you are running this utility in your orvale folder and you have download and "
    "installed the latest Client and Server patches.";
// What an undo of a run without its end entry says after its count.
inline const std::string kCutOffNote =
    "The run was cut off: a change made after its last journaled one cannot be taken back from "
    "the journal. Please run a report to see what is left.";

} // namespace expected
