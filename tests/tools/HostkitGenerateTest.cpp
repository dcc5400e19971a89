// hostkit generate, run as the real program: synthetic practices that repeat
// for a seed, follow their ratios, and give a scan every kind of medication.
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testsupport::CommandResult;
using testsupport::DumpTable;
using testsupport::RunHostkit;
using testsupport::RunProgram;
using testsupport::TempFolder;

const std::vector<std::string> kTables = {"MRRX99", "MRPT99", "MRDD99", "MRDNDC99", "MRDRXN99"};

// The "name value" lines generate prints. The practices of the first generator
// unless `options` says otherwise.
std::map<std::string, int64_t> Generate(const fs::path& folder, int64_t medications, uint64_t seed,
                                        const std::vector<std::string>& options = {"--varied"}) {
    std::vector<std::string> arguments = {"generate", "--medications", std::to_string(medications),
                                          "--seed", std::to_string(seed)};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(folder.string());
    const CommandResult result = RunHostkit(arguments);
    if (result.exitStatus != 0) {
        throw std::runtime_error("hostkit generate failed: " + result.errors);
    }
    std::map<std::string, int64_t> summary;
    std::istringstream lines(result.output);
    std::string name;
    int64_t value = 0;
    while (lines >> name >> value) {
        summary[name] = value;
    }
    return summary;
}

std::string DumpText(const fs::path& folder, const std::string& table) {
    const CommandResult result = RunHostkit({"dump", folder.string(), table});
    EXPECT_EQ(result.exitStatus, 0) << result.errors;
    return result.output;
}

CommandResult RunScan(const fs::path& folder, const std::string& mode) {
    return RunProgram(
        {(fs::path(DOSEWRIGHT_BIN_DIR) / "dosewright-cli").string(), "-C", folder.string(), mode});
}

// "...: AFFECTED/EXAMINED" of the status text.
std::pair<int64_t, int64_t> ScanCounts(const CommandResult& result) {
    const std::size_t colon = result.output.find(": ");
    const std::size_t slash = result.output.find('/', colon);
    if (colon == std::string::npos || slash == std::string::npos) {
        ADD_FAILURE() << "no counts in: " << result.output << result.errors;
        return {-1, -1};
    }
    return {std::stoll(result.output.substr(colon + 2)),
            std::stoll(result.output.substr(slash + 1))};
}

TEST(HostkitGenerate, SameSeedGivesTheSameTablesAndAnotherSeedOthers) {
    TempFolder temp;
    Generate(temp / "first", 3000, 42);
    Generate(temp / "again", 3000, 42);
    Generate(temp / "other", 3000, 43);
    for (const std::string& table : kTables) {
        SCOPED_TRACE(table);
        const std::string first = DumpText(temp / "first", table);
        EXPECT_FALSE(first.empty());
        EXPECT_EQ(first, DumpText(temp / "again", table));
        EXPECT_NE(first, DumpText(temp / "other", table));
    }
    for (const char* file : {"KelvarVocabulary.tsv", "DrugInteraction.version"}) {
        EXPECT_EQ(testsupport::ReadFileBytes(temp / "first" / file),
                  testsupport::ReadFileBytes(temp / "other" / file));
    }
}

class HostkitGenerateSize : public ::testing::TestWithParam<int64_t> {};

TEST_P(HostkitGenerateSize, CountsFollowTheRatios) {
    const int64_t medications = GetParam();
    TempFolder temp;
    const auto summary = Generate(temp / "practice", medications, 7);
    const int64_t drugs = std::max<int64_t>(300, medications / 50);
    const int64_t patients = (medications + 9) / 10;
    EXPECT_EQ(summary.at("medications"), medications);
    EXPECT_EQ(summary.at("patients"), patients);
    EXPECT_EQ(summary.at("drugs"), drugs);

    const auto medicationRecords = DumpTable(temp / "practice", "MRRX99");
    const auto patientRecords = DumpTable(temp / "practice", "MRPT99");
    const auto drugRecords = DumpTable(temp / "practice", "MRDD99");
    const auto ndcRecords = DumpTable(temp / "practice", "MRDNDC99");
    const auto rxnormRecords = DumpTable(temp / "practice", "MRDRXN99");
    EXPECT_EQ(static_cast<int64_t>(medicationRecords.size()), medications);
    EXPECT_EQ(static_cast<int64_t>(patientRecords.size()), patients);
    EXPECT_EQ(static_cast<int64_t>(drugRecords.size()), drugs);
    EXPECT_EQ(static_cast<int64_t>(ndcRecords.size()), summary.at("ndcs"));
    EXPECT_EQ(static_cast<int64_t>(rxnormRecords.size()), summary.at("rxnorm"));

    // No two drugs share the keys a lookup finds them by, and no two NDCs are equal.
    std::set<std::string> drugKeys;
    for (const json& drug : drugRecords) {
        EXPECT_TRUE(drugKeys.insert(drug.dump()).second) << drug;
        EXPECT_FALSE(drug["drugName"].get<std::string>().empty());
    }
    std::set<std::string> ndcs;
    std::set<int32_t> drugsWithNdc;
    for (const json& ndc : ndcRecords) {
        EXPECT_TRUE(ndcs.insert(ndc["ndc"].get<std::string>()).second) << ndc;
        drugsWithNdc.insert(ndc["drugId"].get<int32_t>());
    }
    EXPECT_GT(drugsWithNdc.size(), drugs * 8 / 10);
    EXPECT_LT(drugsWithNdc.size(), static_cast<std::size_t>(drugs));

    std::map<std::string, int> candidatesOfDrug;
    std::set<std::string> termTypes;
    for (const json& candidate : rxnormRecords) {
        EXPECT_EQ(candidate["sourceKind"], 4);
        ++candidatesOfDrug[candidate["sourceId"].get<std::string>()];
        termTypes.insert(candidate["termType"].get<std::string>());
    }
    EXPECT_LT(candidatesOfDrug.size(), static_cast<std::size_t>(drugs)); // some have none
    for (const auto& [drug, count] : candidatesOfDrug) {
        EXPECT_LE(count, 4) << drug;
    }
    for (const char* termType : {"SCD", "SBD", "GPCK", "BPCK", "SY", "IN"}) {
        EXPECT_TRUE(termTypes.contains(termType)) << termType;
    }

    std::set<int32_t> entryIds;
    int bothEmpty = 0;
    for (const json& medication : medicationRecords) {
        EXPECT_TRUE(entryIds.insert(medication["entryId"].get<int32_t>()).second);
        bothEmpty += medication["rxNormId"] == "" && medication["drugCode"] == "";
    }
    if (medications >= 1000) { // about one in ten has neither an ID nor a drug code
        EXPECT_GT(bothEmpty, medications / 20);
        EXPECT_LT(bothEmpty, medications / 5);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, HostkitGenerateSize, ::testing::Values(10, 2000, 20000));

// By default a practice repeats itself as practices do: each distinct
// medication is given to about 14, a patient has about 4. Other ratios on request.
TEST(HostkitGenerate, MedicationsAndPatientsRecurAsAskedFor) {
    struct Ratios {
        std::vector<std::string> options;
        int64_t perText, perPatient;
    };
    TempFolder temp;
    int index = 0;
    for (const Ratios& ratios :
         {Ratios{{}, 14, 4}, Ratios{{"--per-text", "3"}, 3, 4},
          Ratios{{"--per-patient", "7"}, 14, 7}, Ratios{{"--varied"}, 1, 10}}) {
        SCOPED_TRACE(ratios.perText);
        constexpr int64_t kMedications = 7000;
        const fs::path folder = temp / std::to_string(index++);
        const auto summary = Generate(folder, kMedications, 5, ratios.options);
        EXPECT_EQ(summary.at("patients"),
                  (kMedications + ratios.perPatient - 1) / ratios.perPatient);
        const int64_t distinct = (kMedications + ratios.perText - 1) / ratios.perText;
        EXPECT_EQ(summary.at("texts"), distinct);
        std::set<std::string> texts;
        for (json medication : DumpTable(folder, "MRRX99")) {
            medication.erase("entryId");
            medication.erase("patientId");
            texts.insert(medication.dump());
        }
        // Medications drawn apart may still come out alike.
        EXPECT_LE(static_cast<int64_t>(texts.size()), distinct);
        EXPECT_GT(static_cast<int64_t>(texts.size()), distinct * 6 / 10);
    }
}

TEST(HostkitGenerate, ReportExaminesAllAffectsSomeAndRepairLeavesNoneToReport) {
    constexpr int64_t kMedications = 4000;
    TempFolder temp;
    const fs::path folder = temp / "practice";
    const auto summary = Generate(folder, kMedications, 3);
    const std::string drugsBefore = DumpText(folder, "MRDD99");

    const auto [affected, examined] = ScanCounts(RunScan(folder, "report"));
    EXPECT_EQ(examined, kMedications);
    EXPECT_EQ(affected, summary.at("changes"));
    EXPECT_GT(affected, kMedications / 10);
    EXPECT_LT(affected, kMedications / 2);

    // Every outcome that writes a line: a drug's ID, no drug (-1), not describable (-2).
    std::set<std::string> codes;
    std::istringstream csv(testsupport::ReadFileBytes(folder / "Dosewright.csv"));
    int64_t lines = 0;
    for (std::string line; std::getline(csv, line); ++lines) {
        const std::size_t first = line.find(',');
        const std::string code = line.substr(first + 1, line.find(',', first + 1) - first - 1);
        codes.insert(code.starts_with('-') ? code : "drug");
    }
    EXPECT_EQ(lines, affected);
    EXPECT_EQ(codes, (std::set<std::string>{"-1", "-2", "drug"}));

    EXPECT_EQ(ScanCounts(RunScan(folder, "repair")),
              std::make_pair(affected, int64_t{kMedications}));
    EXPECT_EQ(ScanCounts(RunScan(folder, "report")), std::make_pair(int64_t{0}, kMedications));
    EXPECT_EQ(DumpText(folder, "MRDD99"), drugsBefore);
}

TEST(HostkitGenerate, RefusesAFolderWithSomethingInItAndBadCounts) {
    TempFolder temp;
    fs::create_directory(temp / "full");
    testsupport::WriteFileBytes(temp / "full" / "keep", "mine");
    CommandResult result =
        RunHostkit({"generate", "--medications", "10", (temp / "full").string()});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.errors.find("not empty"), std::string::npos) << result.errors;
    EXPECT_EQ(testsupport::ReadFileBytes(temp / "full" / "keep"), "mine");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 1);

    fs::create_directory(temp / "empty");
    EXPECT_EQ(Generate(temp / "empty", 10, 1).at("medications"), 10);

    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"generate", (temp / "a").string()},
          {"generate", "--medications", "-1", (temp / "b").string()},
          {"generate", "--medications", "100000001", (temp / "c").string()},
          {"generate", "--medications", "ten", (temp / "d").string()},
          {"generate", "--medications", "10", "--seed", "x", (temp / "e").string()},
          {"generate", "--medications", "10", "--per-text", "0", (temp / "f").string()},
          {"generate", "--medications", "10", "--per-patient", "0", (temp / "g").string()},
          {"generate", "--medications", "10", "--varied", "--per-text", "2",
           (temp / "h").string()}}) {
        SCOPED_TRACE(arguments[arguments.size() - 2]);
        EXPECT_EQ(RunHostkit(arguments).exitStatus, 2);
    }
    EXPECT_FALSE(fs::exists(temp / "a") || fs::exists(temp / "b") || fs::exists(temp / "c"));
}

} // namespace
