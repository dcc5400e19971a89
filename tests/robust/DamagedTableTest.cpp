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
#include "platform/FileSystem.h"
#include "repair/JournalLayout.h"
#include "robust/ChildProcess.h"
#include "robust/PracticeFixture.h"
#include "robust/RepairCheck.h"
#include "storelink/StoreLinkAdmin.h"
#include "support/ExpectedTexts.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
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
            if (std::string(name) == "Dosewright.lock") {
                // The lock's message says what is in the file's place, and why it failed.
                const char* what = kind == Kind::Fifo     ? "a FIFO"
                                   : kind == Kind::Folder ? "a folder"
                                                          : "a symbolic link";
                EXPECT_TRUE(
                    message.starts_with("Failure opening Dosewright.lock file. Error Code:"))
                    << message;
                EXPECT_TRUE(message.ends_with(std::string("\nDosewright.lock is ") + what +
                                              "; it must be a file of its own."))
                    << message;
            } else {
                EXPECT_EQ(message, "Failure opening " + std::string(name) + " file");
            }
            EXPECT_TRUE(SameBytes(testsupport::ReadFileBytes(work / "MRRX99"), table));
            EXPECT_EQ(testsupport::ReadFileBytes(outside), "someone else's file");
        }
    }
}

// --- Damaged run journals ---------------------------------------------------------------------

constexpr std::size_t kJournalHeaderSize = 128;
constexpr std::size_t kJournalEntrySize = 832;

// What an undo of a spoilt journal must come to.
struct UndoExpected {
    int upTo = 0;          // the changes before this one come back (-1: the journal is refused)
    std::vector<int> stay; // but for these, which keep what the repair wrote
    int counted = 0;       // the changes the status line counts
    std::string note;      // the status line's line between the count and the log's name
    int exitStatus = 0;
};

// The status line's note when `lost` entries could not be read or made no sense.
std::string LostNote(int lost) {
    return lost == 1 ? "1 change of the run could not be taken back: its journal entry could "
                       "not be read or is not plausible."
                     : std::to_string(lost) + " changes of the run could not be taken back: "
                                              "their journal entries could not be read or are "
                                              "not plausible.";
}

std::size_t EntryAt(int index) {
    return kJournalHeaderSize + kJournalEntrySize * static_cast<std::size_t>(index);
}

struct JournalDamageCase {
    const char* what;
    // Spoils the journal of a complete repair of `changes` changes.
    std::function<UndoExpected(std::string& journal, int changes)> spoil;
    const char* listed;            // how undo --list ends the run's line
    std::uintmax_t sparseSize = 0; // the file made this long after the spoiling, without data
};

const JournalDamageCase kJournalDamage[] = {
    {"cut inside the header",
     [](std::string& j, int) {
         j.resize(60);
         return UndoExpected{};
     },
     "cut off as it began, before any change"},
    {"a byte of the header changed",
     [](std::string& j, int) {
         j[40] ^= 1;
         return UndoExpected{-1, {}, 0, "", 0};
     },
     "not readable: damaged, or not a run journal"},
    {"cut inside the end of the run",
     [](std::string& j, int changes) {
         j.resize(j.size() - kJournalEntrySize / 2);
         return UndoExpected{changes, {}, changes, expected::kCutOffNote, 0};
     },
     "cut off"},
    {"cut inside a change",
     [](std::string& j, int changes) {
         j.resize(EntryAt(changes / 2) + 300);
         return UndoExpected{changes / 2, {}, changes / 2, expected::kCutOffNote, 0};
     },
     "cut off"},
    {"a byte of a change changed",
     [](std::string& j, int changes) {
         j[EntryAt(changes / 2) + 700] ^= 0x20;
         return UndoExpected{changes, {changes / 2}, changes - 1, LostNote(1), 1};
     },
     "damaged: 1 entry could not be read; completed"},
    {"three changes zeroed, and the end of the run lost",
     [](std::string& j, int changes) {
         std::fill_n(j.begin() + static_cast<std::ptrdiff_t>(EntryAt(2)), 3 * kJournalEntrySize,
                     '\0');
         j.resize(EntryAt(changes));
         return UndoExpected{
             changes, {2, 3, 4}, changes - 3, LostNote(3) + "\n" + expected::kCutOffNote, 1};
     },
     "damaged: 3 entries could not be read"},
    {"a change sealed over an ID of control characters and a record of 0xFF bytes",
     [](std::string& j, int changes) {
         char* entry = j.data() + EntryAt(1);
         std::memcpy(entry + 16, "\xff\r\nDROP", 7); // the ID before the change
         std::memset(entry + 52, 0xff, 771);         // the record as read
         journal::Seal(reinterpret_cast<unsigned char*>(entry), journal::kEntryChecksum);
         return UndoExpected{changes, {1}, changes, LostNote(1), 1};
     },
     "completed"},
    {"20 GB of nothing after the header",
     [](std::string& j, int) {
         j.resize(kJournalHeaderSize);
         const auto entries = static_cast<int>((20ull << 30) / kJournalEntrySize);
         return UndoExpected{0, {}, 0, LostNote(entries) + "\n" + expected::kCutOffNote, 1};
     },
     "damaged: 25811101 entries could not be read", kJournalHeaderSize + (20ull << 30)},
    {"zeros after the end, as a power failure may leave them",
     [](std::string& j, int changes) {
         j.append(2 * kJournalEntrySize, '\0');
         return UndoExpected{changes, {}, changes, "", 0};
     },
     "completed"},
    {"a change written again after the end",
     [](std::string& j, int changes) {
         j += j.substr(kJournalHeaderSize, kJournalEntrySize);
         return UndoExpected{changes, {}, changes, "", 0};
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
    fs::remove_all(work);
    CopyFolder(s_practice->temp.Path() / "complete", work);
    std::vector<fs::path> journals;
    for (const auto& entry : fs::directory_iterator(work / "DosewrightJournal"))
        journals.push_back(entry.path());
    ASSERT_EQ(journals.size(), 1u);
    std::string journal = testsupport::ReadFileBytes(journals[0]);
    ASSERT_EQ(journal.size(), EntryAt(changes + 1));
    const UndoExpected expected = c.spoil(journal, changes);
    testsupport::WriteFileBytes(journals[0], journal);
    if (c.sparseSize > 0)
        fs::resize_file(journals[0], c.sparseSize);

    ChildOptions list = CliOptions(work, "undo");
    list.argv.push_back("--list");
    const ChildResult listed = RunChild(list);
    ASSERT_EQ(listed.exitStatus, 0) << listed.errors;
    EXPECT_TRUE(listed.output.starts_with(journals[0].stem().string() + "  ")) << listed.output;
    EXPECT_NE(listed.output.find(c.listed), std::string::npos) << listed.output;

    const ChildResult undo = RunChild(CliOptions(work, "undo"));
    std::vector<std::string> records = complete.repaired;
    if (expected.upTo < 0) {
        std::string message;
        ASSERT_TRUE(StoppedWithOneMessage(undo, message));
        EXPECT_TRUE(message.starts_with("Failure reading the run journal ")) << message;
    } else {
        const int restored = expected.upTo - static_cast<int>(expected.stay.size());
        EXPECT_EQ(undo.exitStatus, expected.exitStatus) << undo.errors;
        EXPECT_EQ(undo.output, "Number of Medications restored: " + std::to_string(restored) + "/" +
                                   std::to_string(expected.counted) +
                                   (expected.note.empty() ? "" : "\n" + expected.note) +
                                   "\nPlease refer to Dosewright.log for more details.\n");
        // The note reaches standard error too: in an error box when a change was lost.
        if (!expected.note.empty()) {
            EXPECT_NE(undo.errors.find(expected.note), std::string::npos) << undo.errors;
            EXPECT_EQ(undo.errors.find("Dosewright Error: ") != std::string::npos,
                      expected.exitStatus != 0)
                << undo.errors;
        }
        for (int i = 0; i < expected.upTo; ++i) {
            if (std::find(expected.stay.begin(), expected.stay.end(), i) == expected.stay.end())
                records[complete.changed[i]] = complete.original[complete.changed[i]];
        }
    }
    EXPECT_TRUE(MedicationRecords(work) == records);
}

// Undo around its journal: what it needs of the folder, which run it takes,
// and what undo --list shows.
TEST_F(DamagedJournalTest, UndoNeedsOnlyTheMedicationTableAndTakesTheRunThatRanLast) {
    const CompleteRepair& complete = s_practice->complete;
    enum class Records { Original, Repaired };
    const struct {
        const char* what;
        // Prepares the folder; what it returns is held while undo runs.
        std::function<std::unique_ptr<platform::RunLock>(const fs::path& work,
                                                         const fs::path& journal)>
            prepare;
        bool list; // undo --list, else undo
        int exitStatus;
        const char* shown; // in what the program prints
        Records records;
    } cases[] = {
        {"no drug dictionary",
         [](const fs::path& work, const fs::path&) {
             for (const char* table : {"MRDD99", "MRDNDC99", "MRDRXN99"})
                 fs::remove(work / table);
             return nullptr;
         },
         false, 0, "Number of Medications restored: ", Records::Original},
        {"an undo made while the clock was years behind, undone in turn",
         [](const fs::path& work, const fs::path& journal) {
             EXPECT_EQ(RunChild(CliOptions(work, "undo")).exitStatus, 0);
             for (const auto& entry : fs::directory_iterator(work / "DosewrightJournal")) {
                 if (entry.path() != journal)
                     fs::rename(entry.path(),
                                entry.path().parent_path() / "20000101-000000.000Z.journal");
             }
             return nullptr;
         },
         false, 0, "Number of Medications restored: ", Records::Repaired},
        {"a run cut off that still holds the lock",
         [](const fs::path& work, const fs::path& journal) {
             fs::resize_file(journal, fs::file_size(journal) - kJournalEntrySize);
             auto lock = std::make_unique<platform::RunLock>();
             EXPECT_EQ(lock->Acquire((work / "Dosewright.lock").c_str()),
                       platform::RunLock::Result::Acquired);
             return lock;
         },
         true, 0, "changes  running", Records::Repaired},
        {"a file in the journal folder's place",
         [](const fs::path& work, const fs::path&) {
             fs::remove_all(work / "DosewrightJournal");
             testsupport::WriteFileBytes(work / "DosewrightJournal", "x");
             return nullptr;
         },
         true, 1, "DosewrightJournal is a file; it must be a folder of its own.",
         Records::Repaired},
        {"control characters in the header of a journal",
         [](const fs::path&, const fs::path& journal) {
             std::string bytes = testsupport::ReadFileBytes(journal);
             bytes.replace(48, 9, "\x1b[2J\r\nEND");
             bytes[32] = 2; // an undo, of the run the text names
             journal::Seal(reinterpret_cast<unsigned char*>(bytes.data()),
                           journal::kHeaderChecksum);
             testsupport::WriteFileBytes(journal, bytes);
             return nullptr;
         },
         true, 0, "undo of \\x1B[2J\\x0D\\x0AEND  ", Records::Repaired},
    };
    const fs::path work = s_practice->temp.Path() / "work";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(work);
        CopyFolder(s_practice->temp.Path() / "complete", work);
        const fs::path journal = fs::directory_iterator(work / "DosewrightJournal")->path();
        const std::unique_ptr<platform::RunLock> held = c.prepare(work, journal);
        ChildOptions options = CliOptions(work, "undo");
        if (c.list)
            options.argv.push_back("--list");
        const ChildResult result = RunChild(options);
        EXPECT_EQ(result.exitStatus, c.exitStatus) << result.errors;
        EXPECT_NE((result.output + result.errors).find(c.shown), std::string::npos)
            << result.output << result.errors;
        EXPECT_TRUE(MedicationRecords(work) ==
                    (c.records == Records::Original ? complete.original : complete.repaired));
    }
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
