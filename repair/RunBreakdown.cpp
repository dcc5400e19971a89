#include "repair/RunBreakdown.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <unordered_set>

#include "data/FormatText.h"
#include "repair/MedicationLineTexts.h"

namespace {

using DrugText = std::tuple<std::string, std::string, std::string, std::string>;

struct DrugTally {
    int32_t medications = 0;
    std::set<int32_t> patients;
};

bool AnyMode(journal::Mode) {
    return true;
}

// Sums up one change after another, the texts of each read as it comes.
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
            m_drugIds.insert(values.resolutionCode);
        } else if (values.resolutionCode == -1) {
            ++b.noDrug;
        } else if (values.resolutionCode == -2) {
            ++b.notDescribable;
        } else {
            ++b.otherCode;
        }
        m_patients.insert(values.patientId);
        DrugTally& drug = m_drugs[{std::string(values.drugName), std::string(values.strength),
                                   std::string(values.route), std::string(values.doseForm)}];
        ++drug.medications;
        drug.patients.insert(values.patientId);
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
        b.drugs = static_cast<int32_t>(m_drugIds.size());
        b.patients = static_cast<int32_t>(m_patients.size());
        std::vector<DrugTextCount> drugs;
        drugs.reserve(m_drugs.size());
        for (const auto& [text, tally] : m_drugs) {
            drugs.push_back({std::get<0>(text), std::get<1>(text), std::get<2>(text),
                             std::get<3>(text), tally.medications,
                             static_cast<int32_t>(tally.patients.size())});
        }
        // The most medications first; among equals, the most patients, then by text.
        const std::size_t top = std::min(drugs.size(), RunBreakdown::kTopDrugs);
        std::partial_sort(drugs.begin(), drugs.begin() + static_cast<std::ptrdiff_t>(top),
                          drugs.end(), [](const DrugTextCount& a, const DrugTextCount& b) {
                              return std::tie(b.medications, b.patients, a.drugName, a.strength,
                                              a.route, a.doseForm) <
                                     std::tie(a.medications, a.patients, b.drugName, b.strength,
                                              b.route, b.doseForm);
                          });
        drugs.resize(top);
        b.topDrugs = std::move(drugs);
    }

private:
    const HostSession& m_session;
    RunBreakdown& m_breakdown;
    std::map<DrugText, DrugTally> m_drugs;
    std::unordered_set<int32_t> m_patients;
    std::unordered_set<int32_t> m_drugIds;
};

} // namespace

RunBreakdown BreakDownRun(std::string_view databasePath, const HostSession& session,
                          std::string_view runName) {
    RunBreakdown breakdown;
    std::vector<std::string> names;
    int error = 0;
    if (!JournalFileNames(databasePath, names, error)) {
        breakdown.failure =
            FormatText("Failure reading the DosewrightJournal folder. Error Code:%d", error);
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
