// Host folders with one table file damaged: replaced by other bytes, emptied,
// cut short, written with another record length or for other credentials, or
// with index keys that no longer fit their key. The utility never crashes on
// them: it stops with a message that names the table, leaves the file as it
// was, and loses nothing it changed before. A patient table that opens but
// cannot be read stops nothing: the repair names no patient.
// Host folders with something other
// than a regular file under a name the utility writes (a link, a FIFO, a
// folder): the run stops before the scan, and the table is left as it was.
// A damaged run journal is read as far as it is whole, and undo takes back
// exactly the changes read.
#include "robust/ChildProcess.h"
#include "robust/PracticeFixture.h"
#include "robust/RepairCheck.h"
#include "storelink/StoreLinkAdmin.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <random>
#include <sqlite3.h>
#include <sys/stat.h>

namespace robust {
namespace {

constexpr uint32_t kSeed = 5150;
constexpr int kMedications = 40;

enum class Damage {
    Garbage,        // the same size, other bytes
    Empty,          // no byte left
    HeaderOnly,     // the first 100 bytes
    Halved,         // the first half
    LongerRecords,  // a table of records one byte longer, same contents
    ShorterRecords, // one byte shorter
    OtherCredentials,
    WiderKeys, // every stored key one byte longer than its key (a damaged index)
};

const char* DamageName(Damage damage) {
    switch (damage) {
    case Damage::Garbage:
        return "Garbage";
    case Damage::Empty:
        return "Empty";
    case Damage::HeaderOnly:
        return "HeaderOnly";
    case Damage::Halved:
        return "Halved";
    case Damage::LongerRecords:
        return "LongerRecords";
    case Damage::ShorterRecords:
        return "ShorterRecords";
    case Damage::OtherCredentials:
        return "OtherCredentials";
    case Damage::WiderKeys:
        return "WiderKeys";
    }
    return "";
}

// Rewrites a table with the record manager's own writer, from its records.
void Rewrite(const fs::path& folder, const std::string& table, Damage damage) {
    const fs::path path = folder / table;
    storelink::TableDefinition definition = storelink::ReadTableDefinition(path.string());
    const std::vector<std::string> records = testsupport::ReadRecords(
        folder, table, definition.recordLength, definition.keys.front().number);
    if (damage == Damage::OtherCredentials) {
        definition.firstCredential = "otherapp";
        definition.secondCredential = "qzxw";
    } else {
        definition.recordLength += damage == Damage::LongerRecords ? 1 : -1;
        // Keys must stay inside the shorter record.
        for (storelink::KeyDefinition& key : definition.keys) {
            for (storelink::KeySegment& segment : key.segments) {
                if (segment.offset + segment.width > definition.recordLength)
                    segment.width = definition.recordLength - segment.offset;
            }
        }
    }
    const fs::path rewritten = folder / (table + ".rewritten");
    {
        storelink::TableWriter writer(rewritten.string(), definition);
        for (std::string record : records) {
            record.resize(static_cast<std::size_t>(definition.recordLength), ' ');
            writer.Insert(record.data(), record.size());
        }
        writer.Commit();
    }
    fs::rename(rewritten, path);
}

// Lengthens every key the table file stores for its records by a zero byte,
// with SQLite itself: the records stay as they were, their index does not fit.
void WidenKeys(const fs::path& folder, const std::string& table) {
    const fs::path path = folder / table;
    const storelink::TableDefinition definition = storelink::ReadTableDefinition(path.string());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.string().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    for (const storelink::KeyDefinition& key : definition.keys) {
        const std::string column = "key_" + std::to_string(key.number);
        const std::string select = "SELECT id, " + column + " FROM records";
        const std::string update = "UPDATE records SET " + column + " = ?1 WHERE id = ?2";
        std::vector<std::pair<sqlite3_int64, std::string>> keys;
        sqlite3_stmt* statement = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, select.c_str(), -1, &statement, nullptr), SQLITE_OK);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, 1));
            keys.emplace_back(
                sqlite3_column_int64(statement, 0),
                std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, 1))));
        }
        sqlite3_finalize(statement);
        ASSERT_EQ(sqlite3_prepare_v2(db, update.c_str(), -1, &statement, nullptr), SQLITE_OK);
        for (auto& [id, bytes] : keys) {
            bytes.push_back('\0');
            sqlite3_bind_blob(statement, 1, bytes.data(), static_cast<int>(bytes.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_int64(statement, 2, id);
            EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE) << sqlite3_errmsg(db);
            sqlite3_reset(statement);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
}

void Spoil(const fs::path& folder, const std::string& table, Damage damage) {
    const fs::path path = folder / table;
    std::string bytes = testsupport::ReadFileBytes(path);
    switch (damage) {
    case Damage::Garbage: {
        std::mt19937 random(kSeed);
        for (char& byte : bytes)
            byte = static_cast<char>(random() & 0xFFu);
        break;
    }
    case Damage::Empty:
        bytes.clear();
        break;
    case Damage::HeaderOnly:
        bytes.resize(100);
        break;
    case Damage::Halved:
        bytes.resize(bytes.size() / 2);
        break;
    case Damage::WiderKeys:
        WidenKeys(folder, table);
        return;
    default:
        Rewrite(folder, table, damage);
        return;
    }
    testsupport::WriteFileBytes(path, bytes);
}

struct DamageCase {
    const char* table;
    Damage damage;
};

void PrintTo(const DamageCase& c, std::ostream* out) {
    *out << c.table << " " << DamageName(c.damage);
}

class DamagedTableTest : public testing::TestWithParam<DamageCase> {
protected:
    static void SetUpTestSuite() {
        s_practice = std::make_unique<RepairedPractice>(PracticeShape{kMedications, kSeed, true});
    }
    static void TearDownTestSuite() { s_practice.reset(); }

    static std::unique_ptr<RepairedPractice> s_practice;
};

std::unique_ptr<RepairedPractice> DamagedTableTest::s_practice;

TEST_P(DamagedTableTest, StopsWithAMessageNamingTheTableAndLosesNothing) {
    const DamageCase& c = GetParam();
    const fs::path work = s_practice->temp.Path() / "work";
    CopyFolder(s_practice->folder, work);
    Spoil(work, c.table, c.damage);
    const std::string damaged = testsupport::ReadFileBytes(work / c.table);

    const ChildResult result = RunChild(CliOptions(work, "repair"));
    ASSERT_EQ(result.signal, 0) << "the run died: " << result.errors;
    const CompleteRepair& complete = s_practice->complete;
    if (std::string_view(c.table) == "MRPT99" && result.exitStatus == 0) {
        // A patient table that opens but gives no patient: the repair goes on
        // and names no patient, and says for how many.
        EXPECT_EQ(MedicationRecords(work), complete.repaired);
        EXPECT_EQ(FailedPatientLookups(result), complete.changed.size()) << result.errors;
        CompleteRepair described = complete;
        for (const std::size_t change : complete.changed)
            described = WithoutPatientOf(described, change);
        EXPECT_TRUE(DescribesChanges("the CSV report", FileBytesOrEmpty(work / "Dosewright.csv"),
                                     described.csvLine, complete.changed, false));
        EXPECT_TRUE(DescribesChanges("the run log", FileBytesOrEmpty(work / "Dosewright.log"),
                                     described.logLine, complete.changed, false));
        return;
    }
    std::string message;
    ASSERT_TRUE(StoppedWithOneMessage(result, message));
    EXPECT_NE(message.find(c.table), std::string::npos) << message;

    if (c.damage != Damage::Halved && c.damage != Damage::WiderKeys) {
        EXPECT_TRUE(SameBytes(testsupport::ReadFileBytes(work / c.table), damaged));
    }
    if (std::string_view(c.table) != "MRRX99") {
        std::vector<std::size_t> changed;
        ASSERT_TRUE(RecordsAreWhole(complete, MedicationRecords(work), changed));
        EXPECT_TRUE(DescribesChanges("the CSV report", FileBytesOrEmpty(work / "Dosewright.csv"),
                                     complete.csvLine, changed, false));
        EXPECT_TRUE(DescribesChanges("the run log", FileBytesOrEmpty(work / "Dosewright.log"),
                                     complete.logLine, changed, false));
    }
}

std::vector<DamageCase> AllCases() {
    std::vector<DamageCase> cases;
    for (const char* table : {"MRRX99", "MRPT99", "MRDD99", "MRDNDC99", "MRDRXN99"}) {
        for (Damage damage : {Damage::Garbage, Damage::Empty, Damage::HeaderOnly, Damage::Halved,
                              Damage::LongerRecords, Damage::ShorterRecords,
                              Damage::OtherCredentials, Damage::WiderKeys}) {
            cases.push_back({table, damage});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Tables, DamagedTableTest, testing::ValuesIn(AllCases()),
                         [](const testing::TestParamInfo<DamageCase>& info) {
                             return std::string(info.param.table) + "_" +
                                    DamageName(info.param.damage);
                         });

TEST(OutputNameTest, AnythingButARegularFileUnderAnOutputNameStopsTheRunAndLeavesTheTable) {
    const RepairedPractice practice(PracticeShape{9, kSeed, true});
    const fs::path work = practice.temp.Path() / "work";
    const fs::path outside = practice.temp.Path() / "outside.txt";
    enum class Kind { LinkToTable, LinkOutside, Fifo, Folder };
#if defined(_WIN32)
    // Symbolic links (a privilege of administrators on Windows) and FIFOs are POSIX's.
    const Kind kinds[] = {Kind::Folder};
#else
    const Kind kinds[] = {Kind::LinkToTable, Kind::LinkOutside, Kind::Fifo, Kind::Folder};
#endif
    for (const char* name : {"Dosewright.lock", "Dosewright.log", "Dosewright.csv"}) {
        for (const Kind kind : kinds) {
            // A report must change nothing at all, so the links are tried on one.
            const bool report = kind == Kind::LinkToTable || kind == Kind::LinkOutside;
            SCOPED_TRACE(std::string(name) + " case " + std::to_string(static_cast<int>(kind)));
            CopyFolder(practice.folder, work);
            testsupport::WriteFileBytes(outside, "someone else's file");
            const std::string table = testsupport::ReadFileBytes(work / "MRRX99");
            const fs::path path = work / name;
            if (kind == Kind::LinkToTable)
                fs::create_symlink(work / "MRRX99", path);
            else if (kind == Kind::LinkOutside)
                fs::create_symlink(outside, path);
#if !defined(_WIN32)
            else if (kind == Kind::Fifo)
                ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
#endif
            else
                fs::create_directory(path);

            const ChildResult result = RunChild(CliOptions(work, report ? "report" : "repair"));
            std::string message;
            ASSERT_TRUE(StoppedWithOneMessage(result, message));
            EXPECT_EQ(message, "Failure opening " + std::string(name) + " file");
            EXPECT_TRUE(SameBytes(testsupport::ReadFileBytes(work / "MRRX99"), table));
            EXPECT_EQ(testsupport::ReadFileBytes(outside), "someone else's file");
        }
    }
}

// --- Damaged run journals ---------------------------------------------------------------------

constexpr std::size_t kJournalHeaderSize = 128;
constexpr std::size_t kJournalEntrySize = 832;

struct JournalDamageCase {
    const char* what;
    // Spoils the journal of a complete repair of `changes` changes; returns how
    // many of them an undo must still find (-1: the journal is refused).
    std::function<int(std::string& journal, int changes)> spoil;
    const char* listed; // how undo --list ends the run's line
};

const JournalDamageCase kJournalDamage[] = {
    {"cut inside the header",
     [](std::string& j, int) {
         j.resize(60);
         return 0;
     },
     "cut off as it began, before any change"},
    {"a byte of the header changed",
     [](std::string& j, int) {
         j[40] ^= 1;
         return -1;
     },
     "not readable: damaged, or not a run journal"},
    {"cut inside the end of the run",
     [](std::string& j, int changes) {
         j.resize(j.size() - kJournalEntrySize / 2);
         return changes;
     },
     "cut off"},
    {"cut inside a change",
     [](std::string& j, int changes) {
         j.resize(kJournalHeaderSize + kJournalEntrySize * (changes / 2) + 300);
         return changes / 2;
     },
     "cut off"},
    {"a byte of a change changed",
     [](std::string& j, int changes) {
         j[kJournalHeaderSize + kJournalEntrySize * (changes / 2) + 700] ^= 0x20;
         return changes / 2;
     },
     "cut off"},
    {"zeros after the end, as a power failure may leave them",
     [](std::string& j, int changes) {
         j.append(2 * kJournalEntrySize, '\0');
         return changes;
     },
     "completed"},
    {"a change written again after the end",
     [](std::string& j, int changes) {
         j += j.substr(kJournalHeaderSize, kJournalEntrySize);
         return changes;
     },
     "completed"},
};

void PrintTo(const JournalDamageCase& c, std::ostream* out) {
    *out << c.what;
}

class DamagedJournalTest : public testing::TestWithParam<JournalDamageCase> {
protected:
    static void SetUpTestSuite() {
        s_practice = std::make_unique<RepairedPractice>(PracticeShape{kMedications, kSeed, true});
    }
    static void TearDownTestSuite() { s_practice.reset(); }

    static std::unique_ptr<RepairedPractice> s_practice;
};

std::unique_ptr<RepairedPractice> DamagedJournalTest::s_practice;

TEST_P(DamagedJournalTest, UndoTakesBackTheChangesReadAndNoOther) {
    const JournalDamageCase& c = GetParam();
    const CompleteRepair& complete = s_practice->complete;
    const int changes = static_cast<int>(complete.changed.size());
    const fs::path work = s_practice->temp.Path() / "work";
    CopyFolder(s_practice->temp.Path() / "complete", work);
    std::vector<fs::path> journals;
    for (const auto& entry : fs::directory_iterator(work / "DosewrightJournal"))
        journals.push_back(entry.path());
    ASSERT_EQ(journals.size(), 1u);
    std::string journal = testsupport::ReadFileBytes(journals[0]);
    ASSERT_EQ(journal.size(), kJournalHeaderSize + kJournalEntrySize * (changes + 1));
    const int kept = c.spoil(journal, changes);
    testsupport::WriteFileBytes(journals[0], journal);

    ChildOptions list = CliOptions(work, "undo");
    list.argv.push_back("--list");
    const ChildResult listed = RunChild(list);
    ASSERT_EQ(listed.exitStatus, 0) << listed.errors;
    EXPECT_TRUE(listed.output.starts_with(journals[0].stem().string() + "  ")) << listed.output;
    EXPECT_NE(listed.output.find(c.listed), std::string::npos) << listed.output;

    const ChildResult undo = RunChild(CliOptions(work, "undo"));
    std::vector<std::string> expected = complete.repaired;
    if (kept < 0) {
        std::string message;
        ASSERT_TRUE(StoppedWithOneMessage(undo, message));
        EXPECT_TRUE(message.starts_with("Failure reading the run journal ")) << message;
    } else {
        ASSERT_EQ(undo.exitStatus, 0) << undo.errors;
        EXPECT_EQ(undo.output, "Number of Medications restored: " + std::to_string(kept) + "/" +
                                   std::to_string(kept) +
                                   "\nPlease refer to Dosewright.log for more details.\n");
        for (int i = 0; i < kept; ++i)
            expected[complete.changed[i]] = complete.original[complete.changed[i]];
    }
    EXPECT_TRUE(MedicationRecords(work) == expected);
}

INSTANTIATE_TEST_SUITE_P(Journals, DamagedJournalTest, testing::ValuesIn(kJournalDamage),
                         [](const testing::TestParamInfo<JournalDamageCase>& info) {
                             std::string name;
                             for (const char* at = info.param.what; *at; ++at) {
                                 if (std::isalnum(static_cast<unsigned char>(*at)))
                                     name += *at;
                             }
                             return name;
                         });

} // namespace
} // namespace robust
