// Everything a host folder holds, as bytes ready to be written.
#pragma once

#include "TableLayouts.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hostkit {

struct TableRecords {
    const TableLayout* layout;
    std::vector<std::string> records; // each layout->recordLength bytes, in insertion order
};

struct HostFolderContent {
    std::vector<TableRecords> tables;         // one for each of AllTableLayouts(), in that order
    std::string vocabulary;                   // KelvarVocabulary.tsv
    std::string drugInteractionVersion;       // DrugInteraction.version, without its line end
    std::optional<std::string> updateHistory; // Updater/ProductUpdates.ovupdate; none: no file
};

// A dose-form line of the vocabulary (Windows-1252 bytes).
struct DoseFormEntry {
    std::string text;     // the dose form as medications write it
    std::string formCode; // at most 4 characters
};

// A file built into hostkit: its bytes, unchanged, and their number.
struct EmbeddedFile {
    const unsigned char* bytes;
    std::size_t size;
};

// The default vocabulary, built into hostkit from host/kelvar/DefaultVocabulary.tsv.
std::string_view DefaultVocabularyText();

// A vocabulary whose forms are exactly `forms`, with the default vocabulary's units.
std::string VocabularyWithForms(const std::vector<DoseFormEntry>& forms);

// The update history of an installation that has the current patch set.
std::string CurrentUpdateHistory();

} // namespace hostkit
