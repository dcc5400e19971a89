// Host folders with one table file damaged: replaced by other bytes, emptied,
// cut short, written with another record length or for other credentials, or
// with index keys that no longer fit their key. The utility never crashes on
// them: it stops with a message that names the table, leaves the file as it
// was, and loses nothing it changed before. A patient table that opens but
// cannot be read stops nothing: the repair names no patient.
// Host folders with something other
// than a regular file under a name the utility writes (a link, a FIFO, a
// folder): the run stops before the scan, and the table is left as it was.
#include "robust/ChildProcess.h"
#include "robust/PracticeFixture.h"
#include "robust/RepairCheck.h"
#include "storelink/StoreLinkAdmin.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

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
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
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
    for (const char* name : {"Dosewright.lock", "Dosewright.log", "Dosewright.csv"}) {
        for (const Kind kind : {Kind::LinkToTable, Kind::LinkOutside, Kind::Fifo, Kind::Folder}) {
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
            else if (kind == Kind::Fifo)
                ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
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

} // namespace
} // namespace robust
