// hostkit: makes and reads host folders for tests, the demo and benchmarks.
//
//   hostkit build FIXTURE.json DIR   create DIR as a complete host folder from a fixture
//   hostkit dump DIR TABLE           print every record of a table, one JSON object a line
//   hostkit generate --medications N [--seed S] [--per-text T] [--per-patient P] [--varied] DIR
//                                    create DIR as a synthetic practice of N medications
//
// Exit status: 0 done, 1 refused input or a failure, 2 a usage error.
#include "FixtureReader.h"
#include "HostFolderWriter.h"
#include "PracticeGenerator.h"
#include "TableDumper.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

std::vector<std::string> TableNames() {
    std::vector<std::string> names;
    for (const hostkit::TableLayout& layout : hostkit::AllTableLayouts()) {
        names.push_back(layout.name);
    }
    return names;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Makes and reads host folders.", "hostkit"};
    // Options begin with "-" on every platform, so a path such as /tmp/x is a path.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);

    std::string fixturePath;
    std::string buildFolder;
    CLI::App* build =
        app.add_subcommand("build", "Create DIR as a complete host folder from a fixture.");
    build->add_option("FIXTURE", fixturePath, "the fixture, a JSON file")->required();
    build->add_option("DIR", buildFolder, "the folder to create; must not exist or be empty")
        ->required();

    std::string dumpFolder;
    std::string tableName;
    CLI::App* dump =
        app.add_subcommand("dump", "Print every record of a table, one JSON object a line.");
    dump->add_option("DIR", dumpFolder, "the host folder")->required();
    dump->add_option("TABLE", tableName, "the table")
        ->required()
        ->check(CLI::IsMember(TableNames()));

    hostkit::PracticeSettings practice;
    std::string generateFolder;
    CLI::App* generate = app.add_subcommand(
        "generate", "Create DIR as a synthetic practice; the same seed gives the same tables.");
    generate->add_option("--medications", practice.medications, "how many medications")
        ->required()
        ->check(CLI::Range(int64_t{0}, hostkit::kMostGeneratedMedications));
    generate->add_option("--seed", practice.seed, "the seed of the practice")
        ->capture_default_str();
    CLI::Option* perText =
        generate
            ->add_option("--per-text", practice.medicationsPerText,
                         "medications per distinct medication text, on average (1: each drawn "
                         "afresh)")
            ->capture_default_str()
            ->check(CLI::Range(int64_t{1}, hostkit::kMostMedicationsPerText));
    CLI::Option* perPatient =
        generate
            ->add_option("--per-patient", practice.medicationsPerPatient,
                         "medications per patient, on average")
            ->capture_default_str()
            ->check(CLI::Range(int64_t{1}, hostkit::kMostMedicationsPerPatient));
    bool varied = false;
    generate
        ->add_flag("--varied", varied,
                   "the first generator's variety: --per-text 1 --per-patient 10, the same "
                   "tables as before these options")
        ->excludes(perText)
        ->excludes(perPatient);
    generate->add_option("DIR", generateFolder, "the folder to create; must not exist or be empty")
        ->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : kUsageError;
    }

    try {
        if (build->parsed()) {
            hostkit::WriteHostFolder(hostkit::ReadFixtureFile(fixturePath), buildFolder);
        } else if (generate->parsed()) {
            if (varied) {
                practice.medicationsPerText = hostkit::kVariedMedicationsPerText;
                practice.medicationsPerPatient = hostkit::kVariedMedicationsPerPatient;
            }
            hostkit::PracticeSummary summary;
            hostkit::CreateHostFolder(generateFolder, [&](const std::filesystem::path& temporary) {
                summary = hostkit::WritePractice(practice, temporary);
            });
            std::cout << hostkit::DescribeSummary(summary) << std::flush;
        } else if (dump->parsed()) {
            std::cout << hostkit::DumpTable(dumpFolder, *hostkit::FindTableLayout(tableName))
                      << std::flush;
            if (!std::cout) {
                std::cerr << "hostkit: the dump cannot be written\n";
                return kFailed;
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "hostkit: " << e.what() << '\n';
        return kFailed;
    }
    return 0;
}
