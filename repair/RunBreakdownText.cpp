#include "repair/RunBreakdownText.h"

#include <algorithm>

#include "repair/RunSummaryText.h"

std::vector<BreakdownBar> KindsOfChange(const RunBreakdown& breakdown) {
    // An undo's changes go the other way: they put back what a repair changed.
    if (breakdown.run.mode == journal::Mode::Undo) {
        return {
            {"ID given", "an RxNorm ID the repair had removed, put back", breakdown.given},
            {"ID replaced", "the RxNorm ID the repair had replaced, put back", breakdown.replaced},
            {"ID removed", "an RxNorm ID the repair had given, taken away", breakdown.removed},
        };
    }
    return {
        {"ID given", "an RxNorm ID where there was none", breakdown.given},
        {"ID replaced", "a wrong RxNorm ID replaced by the right one", breakdown.replaced},
        {"ID removed", "an RxNorm ID that cannot be right removed", breakdown.removed},
    };
}

std::vector<BreakdownBar> ResolutionCodes(const RunBreakdown& breakdown) {
    std::vector<BreakdownBar> codes = {
        {"drug ID",
         "the code is the drug dictionary's drug found; the ID is what its RxNorm candidates "
         "give (" +
             std::to_string(breakdown.drugs) + (breakdown.drugs == 1 ? " drug)" : " drugs)"),
         breakdown.byDrug},
        {"-1", "no drug in the drug dictionary has this name, dose form, route and strength",
         breakdown.noDrug},
        {"-2",
         "the name, dose form, route or strength cannot be put in the drug dictionary's terms",
         breakdown.notDescribable},
        {"other", "a code this program does not write", breakdown.otherCode},
    };
    std::erase_if(codes, [](const BreakdownBar& bar) { return bar.count == 0; });
    return codes;
}

std::string DrugTextLabel(const DrugTextCount& drug) {
    std::string label;
    for (const std::string* part : {&drug.drugName, &drug.strength, &drug.route, &drug.doseForm}) {
        if (part->empty())
            continue;
        if (!label.empty())
            label += ' ';
        label += *part;
    }
    return label.empty() ? "(no drug text)" : label;
}

std::string ExaminedText(const RunBreakdown& breakdown) {
    if (!breakdown.run.ended)
        return "not known: the run was cut off";
    return std::to_string(breakdown.run.end.examined);
}

std::string AffectedText(const RunBreakdown& breakdown) {
    std::string text = std::to_string(breakdown.affected);
    if (breakdown.run.ended)
        text += " (" + ShareText(breakdown.affected, breakdown.run.end.examined) + ")";
    return text;
}

namespace {

// Rows of cells as aligned columns, the numbers' (`numbers`) right-aligned.
std::string Aligned(const std::vector<std::vector<std::string>>& rows,
                    const std::vector<bool>& numbers) {
    std::vector<std::size_t> widths(numbers.size());
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line = " ";
        for (std::size_t i = 0; i < row.size(); ++i) {
            const std::string pad(widths[i] - row[i].size(), ' ');
            line += (i == 0 ? " " : "   ") + (numbers[i] ? pad + row[i] : row[i] + pad);
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    return text;
}

std::string BarsText(const std::vector<BreakdownBar>& bars, const char* heading) {
    std::vector<std::vector<std::string>> rows = {{heading, "medications", ""}};
    for (const BreakdownBar& bar : bars)
        rows.push_back({bar.label, std::to_string(bar.count), bar.meaning});
    return Aligned(rows, {false, true, false});
}

} // namespace

std::string RunBreakdownText(const RunBreakdown& breakdown, std::string_view folder) {
    std::string text = "Run:       " + RunListLine(breakdown.run) + "\n";
    text += "Folder:    " + std::string(folder) + "\n";
    text += "Examined:  " + ExaminedText(breakdown) + "\n";
    text += "Affected:  " + AffectedText(breakdown) + "\n";
    text += "Patients touched: " + std::to_string(breakdown.patients) + "\n";
    if (breakdown.affected == 0)
        return text;
    text += "\n" + BarsText(KindsOfChange(breakdown), "Kind of change");
    text += "\n" + BarsText(ResolutionCodes(breakdown), "Resolution code");
    std::vector<std::vector<std::string>> drugs = {
        {"Drugs with the most affected medications", "medications", "patients"}};
    for (const DrugTextCount& drug : breakdown.topDrugs)
        drugs.push_back(
            {DrugTextLabel(drug), std::to_string(drug.medications), std::to_string(drug.patients)});
    text += "\n" + Aligned(drugs, {false, true, true});
    return text;
}
