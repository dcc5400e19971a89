#include "HostFolderContent.h"

#include "common/HostFolder.h"

namespace hostkit {
namespace detail {

// The default vocabulary's file; defined by the source the build generates from it.
extern const EmbeddedFile kDefaultVocabulary[];

} // namespace detail

std::string_view DefaultVocabularyText() {
    const EmbeddedFile& file = detail::kDefaultVocabulary[0];
    return {reinterpret_cast<const char*>(file.bytes), file.size};
}

std::string VocabularyWithForms(const std::vector<DoseFormEntry>& forms) {
    std::string vocabulary = "# Dose forms of this host folder; units as by default.\n";
    for (const DoseFormEntry& form : forms) {
        vocabulary += "form\t" + form.text + "\t" + form.formCode + "\n";
    }
    std::string_view rest = DefaultVocabularyText();
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.starts_with("unit\t")) {
            vocabulary.append(line);
            vocabulary += '\n';
        }
    }
    return vocabulary;
}

std::string CurrentUpdateHistory() {
    return std::string("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n"
                       "<ProductUpdates>\n"
                       "  <Update id=\"2019-07\" title=\"10 patches 07/31/2019\" "
                       "installed=\"2019-08-14T19:02:11\" result=\"Succeeded\"/>\n"
                       "  <Update id=\"2019-10\" title=\"") +
           hostfolder::kCurrentPatchSetTitle +
           "\" installed=\"2019-11-12T18:45:37\" result=\"Succeeded\"/>\n"
           "</ProductUpdates>\n";
}

} // namespace hostkit
