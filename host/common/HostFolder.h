// Names and fixed texts of a host folder (the database folder of an
// installation), shared by the host libraries that read it and by hostkit, which
// makes it, so that a folder hostkit builds is the folder the libraries read.
//
// Every name is relative to the folder, which is given with its trailing
// separator; a table lives at <folder><stem><data set>, with no extension.
#pragma once

namespace hostfolder {

// Environment variable naming the database folder; unset or empty means the
// current directory.
inline constexpr const char* kDatabaseFolderVariable = "ORVALE_DB";

// The data set every table name ends with.
inline constexpr const char* kDataSet = "99";

// Table stems.
inline constexpr const char* kMedicationTableStem = "MRRX";   // MRRX99, host table 90
inline constexpr const char* kPatientTableStem = "MRPT";      // MRPT99, host table 36
inline constexpr const char* kDrugDictionaryStem = "MRDD";    // MRDD99
inline constexpr const char* kNdcTableStem = "MRDNDC";        // MRDNDC99
inline constexpr const char* kDrugRxNormTableStem = "MRDRXN"; // MRDRXN99

// Every table of a host folder is opened with these, in this order after the path.
inline constexpr const char* kOpenMode = "w";
inline constexpr const char* kFirstCredential = "kwellrun";
inline constexpr const char* kSecondCredential = "tovk";
inline constexpr const char* kOpenFlag = "s";

// The drug-knowledge vocabulary (form and unit lines, tab separated).
inline constexpr const char* kVocabularyFile = "KelvarVocabulary.tsv";

// The installed drug-interaction data version: one line, the version text
// followed by a line end. The required one, and an older one that an out-of-date
// installation carries.
inline constexpr const char* kDrugInteractionVersionFile = "DrugInteraction.version";
inline constexpr const char* kRequiredDrugInteractionVersion = "2019.4.0";
inline constexpr const char* kOutdatedDrugInteractionVersion = "2018.2.0";

// The host's update history, and the title of the patch set a current
// installation lists in it.
inline constexpr const char* kUpdateHistoryFolder = "Updater";
inline constexpr const char* kUpdateHistoryFile = "Updater/ProductUpdates.ovupdate";
inline constexpr const char* kCurrentPatchSetTitle = "11 patches 10/31/2019";

} // namespace hostfolder
