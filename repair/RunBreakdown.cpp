#include "repair/RunBreakdown.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

#include "data/FormatText.h"
#include "repair/MedicationLineTexts.h"
#include "repair/RunSummaryText.h"

namespace {

bool AnyMode(journal::Mode) {
    return true;
}

// The number of distinct values of a list, which it sorts.
template <typename Value> int32_t DistinctCount(std::vector<Value>& values) {
    std::sort(values.begin(), values.end());
    return static_cast<int32_t>(std::unique(values.begin(), values.end()) - values.begin());
}

// Sums up one change after another, the texts of each read as it comes. A run
// may hold a million changes: each is kept as its drug text's number and its
// patient (8 bytes), each distinct drug text once.
class Tally {
public:
    Tally(const HostSession& session, RunBreakdown& breakdown)
        : m_session(session), m_breakdown(breakdown) {}

    void Add(const JournalChange& change) {
        const JournaledChangeTexts line(m_session, change);
        const RunLineValues& values = line.texts.values;
        RunBreakdown& b = m_breakdown;
        ++b.affected;
        if (values.newRxNormId.empty())
            ++b.removed;
        else if (values.oldRxNormId.empty())
            ++b.given;
        else
            ++b.replaced;
        if (values.resolutionCode > 0) {
            ++b.byDrug;
            m_drugIds.push_back(values.resolutionCode);
        } else if (values.resolutionCode == -1) {
            ++b.noDrug;
        } else if (values.resolutionCode == -2) {
            ++b.notDescribable;
        } else {
            ++b.otherCode;
        }
        // The texts end at their first NUL byte, so NUL parts them safely.
        m_text.clear();
        for (const std::string_view part :
             {values.drugName, values.strength, values.route, values.doseForm}) {
            m_text += part;
            m_text += '\0';
        }
        auto known = m_textNumbers.find(m_text);
        if (known == m_textNumbers.end()) {
            known = m_textNumbers.emplace(m_text, static_cast<uint32_t>(m_texts.size())).first;
            m_texts.push_back(&known->first);
        }
        m_medications.push_back(uint64_t{known->second} << 32 |
                                static_cast<uint32_t>(values.patientId));
        if (b.rows.size() < RunBreakdown::kKeptRows) {
            b.rows.push_back({values.entryId, values.resolutionCode,
                              std::string(values.newRxNormId), std::string(values.oldRxNormId),
                              std::string(values.drugCode), values.patientId,
                              std::string(values.patientRef), std::string(values.drugName),
                              std::string(values.strength), std::string(values.route),
                              std::string(values.doseForm)});
        }
    }

    void Finish() {
        RunBreakdown& b = m_breakdown;
        b.drugs = DistinctCount(m_drugIds);
        std::vector<int32_t> patients;
        patients.reserve(m_medications.size());
        for (const uint64_t medication : m_medications)
            patients.push_back(static_cast<int32_t>(static_cast<uint32_t>(medication)));
        b.patients = DistinctCount(patients);
        // By drug text, and within one by patient: each text's medications
        // and distinct patients are a run of the sorted list.
        struct TextCount {
            int32_t medications = 0;
            int32_t patients = 0;
            uint32_t number = 0;
        };
        std::sort(m_medications.begin(), m_medications.end());
        std::vector<TextCount> counts;
        for (std::size_t at = 0; at < m_medications.size(); ++at) {
            const auto number = static_cast<uint32_t>(m_medications[at] >> 32);
            if (counts.empty() || counts.back().number != number)
                counts.push_back({0, 0, number});
            ++counts.back().medications;
            counts.back().patients += at == 0 || m_medications[at] != m_medications[at - 1];
        }
        // The most medications first; among equals, the most patients, then by
        // text (NUL, the lowest byte, parts the texts: the order of the parts).
        const std::size_t top = std::min(counts.size(), RunBreakdown::kTopDrugs);
        std::partial_sort(counts.begin(), counts.begin() + static_cast<std::ptrdiff_t>(top),
                          counts.end(), [&](const TextCount& a, const TextCount& b) {
                              return std::tie(b.medications, b.patients, *m_texts[a.number]) <
                                     std::tie(a.medications, a.patients, *m_texts[b.number]);
                          });
        for (std::size_t i = 0; i < top; ++i) {
            DrugTextCount drug{{}, {}, {}, {}, counts[i].medications, counts[i].patients};
            const std::string& text = *m_texts[counts[i].number];
            std::size_t from = 0;
            for (std::string* part :
                 {&drug.drugName, &drug.strength, &drug.route, &drug.doseForm}) {
                const std::size_t end = text.find('\0', from);
                part->assign(text, from, end - from);
                from = end + 1;
            }
            b.topDrugs.push_back(std::move(drug));
        }
    }

private:
    const HostSession& m_session;
    RunBreakdown& m_breakdown;
    std::string m_text; // the drug text being looked up, its buffer reused
    std::unordered_map<std::string, uint32_t> m_textNumbers;
    std::vector<const std::string*> m_texts; // by number: the keys of m_textNumbers
    std::vector<uint64_t> m_medications;     // a text's number, then the patient
    std::vector<int32_t> m_drugIds;
};

} // namespace

RunBreakdown BreakDownRun(std::string_view databasePath, const HostSession& session,
                          std::string_view runName) {
    RunBreakdown breakdown;
    std::vector<std::string> names;
    int error = 0;
    if (!JournalFileNames(databasePath, names, error)) {
        breakdown.failure = FormatText(kJournalFolderFailure, error);
        return breakdown;
    }
    const std::size_t chosen = ChooseRun(databasePath, names, runName, names.size(), AnyMode);
    if (chosen == names.size()) {
        breakdown.failure =
            runName.empty()
                ? std::string("There is no run to sum up: the DosewrightJournal folder holds no "
                              "journal of a report, a repair or an undo.")
                : "There is no run " + std::string(runName) + " in the DosewrightJournal folder.";
        return breakdown;
    }
    Tally tally(session, breakdown);
    if (!ReadWholeRun(
            databasePath, names[chosen], breakdown.run,
            [&](const JournalChange& change) { tally.Add(change); }, breakdown.failure))
        return breakdown;
    tally.Finish();
    breakdown.ok = true;
    return breakdown;
}

std::string ShareText(int32_t part, int32_t whole) {
    if (whole <= 0)
        return "-";
    return FormatText("%.1f%%", 100.0 * part / whole);
}
