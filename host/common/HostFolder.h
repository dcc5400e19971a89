// What a host folder (the database folder of an installation) holds, by name.
// The host libraries and hostkit both work from these names, so a folder that
// hostkit builds is the folder the libraries read.
#pragma once

namespace hostfolder {

// Environment variable naming the database folder; unset or empty means the
// current directory.
inline constexpr const char* kDatabaseFolderVariable = "ORVALE_DB";

// Files directly under the database folder (the folder ends with '/').
inline constexpr const char* kDrugInteractionVersionFile = "DrugInteraction.version";
inline constexpr const char* kUpdateHistoryFile = "Updater/ProductUpdates.ovupdate";
inline constexpr const char* kVocabularyFile = "KelvarVocabulary.tsv";

// Drug-interaction data versions: the one this installation level requires, and
// an older one that an out-of-date installation carries.
inline constexpr const char* kRequiredDrugInteractionVersion = "2019.4.0";
inline constexpr const char* kOutdatedDrugInteractionVersion = "2018.1.0";

// Table files are named <stem><data set>, without an extension.
inline constexpr const char* kDataSet = "99";
inline constexpr const char* kMedicationStem = "MRRX"; // medications, host table 90
inline constexpr const char* kPatientStem = "MRPT";    // patients, host table 36
inline constexpr const char* kDrugStem = "MRDD";       // drug dictionary
inline constexpr const char* kNdcStem = "MRDNDC";      // NDC table
inline constexpr const char* kRxNormStem = "MRDRXN";   // drug-to-RxNorm table

// Every table of a host folder is opened with these, in this order after the path.
inline constexpr const char* kOpenMode = "w";
inline constexpr const char* kFirstCredential = "kwellrun";
inline constexpr const char* kSecondCredential = "tovk";
inline constexpr const char* kOpenFlag = "s";

} // namespace hostfolder
