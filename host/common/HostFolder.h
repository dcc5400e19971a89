// Names and fixed texts of a host folder (the database folder), shared by the
// host libraries that read it and by hostkit, which makes it.
//
// Every name is relative to the folder, which is given with its trailing
// separator; a table lives at <folder><stem><data set>, with no extension.
#pragma once

namespace hostfolder {

// The data set every table name ends with.
inline constexpr const char* kDataSet = "99";

// Table stems.
inline constexpr const char* kMedicationTableStem = "MRRX";   // MRRX99, host table 90
inline constexpr const char* kPatientTableStem = "MRPT";      // MRPT99, host table 36
inline constexpr const char* kDrugDictionaryStem = "MRDD";    // MRDD99
inline constexpr const char* kNdcTableStem = "MRDNDC";        // MRDNDC99
inline constexpr const char* kDrugRxNormTableStem = "MRDRXN"; // MRDRXN99

// The two credentials every table of the folder accepts.
inline constexpr const char* kFirstCredential = "kwellrun";
inline constexpr const char* kSecondCredential = "tovk";

// The drug-knowledge vocabulary (form and unit lines, tab separated).
inline constexpr const char* kVocabularyFile = "KelvarVocabulary.tsv";

// The installed drug-interaction data version: one line, the version text
// followed by a line end.
inline constexpr const char* kDrugInteractionVersionFile = "DrugInteraction.version";
inline constexpr const char* kRequiredDrugInteractionVersion = "2019.4.0";
inline constexpr const char* kOutdatedDrugInteractionVersion = "2018.2.0";

// The host's update history, and the title of the patch set a current
// installation lists in it.
inline constexpr const char* kUpdateHistoryFolder = "Updater";
inline constexpr const char* kUpdateHistoryFile = "Updater/ProductUpdates.ovupdate";
inline constexpr const char* kCurrentPatchSetTitle = "11 patches 10/31/2019";

} // namespace hostfolder
