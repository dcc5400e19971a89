// The record manager as its callers see it: real table files made with
// TableWriter in a scratch folder, read and rewritten through fsopen ... fsupdate.
#include "data/HostLibraries.h"
#include "storelink/StoreLinkAdmin.h"
#include "storelink/StoreLinkStatus.h"
#include "storelink/TableFileWatch.h"
#include "support/HostFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>
#if defined(_WIN32)
#include <process.h>
#else
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace storelink;
namespace fs = std::filesystem;

// The test table's record: 32 bytes.
constexpr int32_t kRecordLength = 32;
constexpr int kIdOffset = 0;       // 4, int32 little-endian: key 7, and key 1 after the name
constexpr int kNameOffset = 4;     // 10, text, zero-terminated when shorter: key 1
constexpr int kNameWidth = 10;     //
constexpr int kTagOffset = 14;     // 6, text: key 2 (many equal values)
constexpr int kTagWidth = 6;       //
constexpr int kSerialOffset = 20;  // 4, int32: the order in which the record was inserted
constexpr int kPayloadOffset = 24; // 8, bytes the tests rewrite
constexpr int kPayloadWidth = 8;   //

constexpr const char* kFirst = host::kFirstCredential;
constexpr const char* kSecond = host::kSecondCredential;

using Record = std::array<uint8_t, kRecordLength>;

int32_t IntAt(const Record& record, int offset) {
    return static_cast<int32_t>(static_cast<uint32_t>(record[offset]) |
                                static_cast<uint32_t>(record[offset + 1]) << 8 |
                                static_cast<uint32_t>(record[offset + 2]) << 16 |
                                static_cast<uint32_t>(record[offset + 3]) << 24);
}

void PutInt(Record& record, int offset, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        record[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
    }
}

// A text field's value: up to the first zero byte or the field's width.
std::string TextAt(const Record& record, int offset, int width) {
    const auto* begin = reinterpret_cast<const char*>(record.data() + offset);
    return std::string(begin, strnlen(begin, static_cast<std::size_t>(width)));
}

// `name` is copied as given (it may hold a zero byte followed by other bytes).
Record MakeRecord(int32_t id, const std::string& name, const std::string& tag, int32_t serial) {
    Record record{};
    PutInt(record, kIdOffset, id);
    std::memcpy(record.data() + kNameOffset, name.data(),
                std::min<std::size_t>(name.size(), kNameWidth));
    std::memcpy(record.data() + kTagOffset, tag.data(),
                std::min<std::size_t>(tag.size(), kTagWidth));
    PutInt(record, kSerialOffset, serial);
    std::fill_n(record.begin() + kPayloadOffset, kPayloadWidth, uint8_t{'.'});
    return record;
}

TableDefinition TestDefinition() {
    TableDefinition definition;
    definition.recordLength = kRecordLength;
    definition.firstCredential = kFirst;
    definition.secondCredential = kSecond;
    definition.keys = {
        {7, {{kIdOffset, 4, SegmentType::Int32}}},
        {1, {{kNameOffset, kNameWidth, SegmentType::Text}, {kIdOffset, 4, SegmentType::Int32}}},
        {2, {{kTagOffset, kTagWidth, SegmentType::Text}}},
    };
    return definition;
}

// The order each key must give, stated with plain comparisons (signed numbers,
// texts as unsigned bytes); equal keys stay in insertion order.
std::vector<int32_t> ExpectedSerials(std::vector<Record> records, int32_t keyNumber) {
    auto keyOf = [keyNumber](const Record& r) {
        if (keyNumber == 7) {
            return std::make_tuple(std::string(), IntAt(r, kIdOffset));
        }
        if (keyNumber == 1) {
            return std::make_tuple(TextAt(r, kNameOffset, kNameWidth), IntAt(r, kIdOffset));
        }
        return std::make_tuple(TextAt(r, kTagOffset, kTagWidth), 0);
    };
    std::stable_sort(records.begin(), records.end(),
                     [&](const Record& a, const Record& b) { return keyOf(a) < keyOf(b); });
    std::vector<int32_t> serials;
    for (const Record& r : records) {
        serials.push_back(IntAt(r, kSerialOffset));
    }
    return serials;
}

class ScratchFolder {
public:
    ScratchFolder() {
#if defined(_WIN32)
        static int counter = 0;
        m_path = fs::temp_directory_path() /
                 ("storelink-test-" + std::to_string(_getpid()) + "-" + std::to_string(counter++));
        if (!fs::create_directory(m_path)) {
            throw std::runtime_error("cannot make a scratch folder");
        }
#else
        std::string pattern = (fs::temp_directory_path() / "storelink-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a scratch folder");
        }
        m_path = pattern;
#endif
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string operator/(const std::string& name) const {
        return (m_path / name).string();
    }

private:
    fs::path m_path;
};

void WriteTable(const std::string& path, const std::vector<Record>& records,
                const TableDefinition& definition = TestDefinition()) {
    TableWriter writer(path, definition);
    for (const Record& record : records) {
        writer.Insert(record.data(), record.size());
    }
    writer.Commit();
}

int32_t Open(const std::string& path) {
    return fsopen(path.c_str(), "w", kFirst, kSecond, "s");
}

// Serials of the records fsgetn delivers from the handle's position to the end.
std::vector<int32_t> WalkRest(int32_t handle, int32_t keyNumber, int32_t& endStatus) {
    std::vector<int32_t> serials;
    Record record{};
    while ((endStatus = fsgetn(handle, keyNumber, record.data(), kRecordLength)) > 0) {
        serials.push_back(IntAt(record, kSerialOffset));
    }
    return serials;
}

std::vector<int32_t> WalkAll(int32_t handle, int32_t keyNumber) {
    EXPECT_EQ(fsgotof(handle, keyNumber), 0);
    int32_t endStatus = 0;
    std::vector<int32_t> serials = WalkRest(handle, keyNumber, endStatus);
    EXPECT_EQ(endStatus, kEndOfFile);
    return serials;
}

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

// Ids, names and tags chosen for their order: negative and extreme numbers,
// names of different lengths, a name filling its field, a name with bytes after
// its terminator, a byte above 0x7F, and many equal tags.
std::vector<Record> OrderingRecords() {
    const std::vector<std::tuple<int32_t, std::string, std::string>> rows = {
        {5, "bob", "B"},       {-3, "al", "A"},        {INT32_MAX, "zed", "B"},
        {0, "alice", "A"},     {INT32_MIN, "al", "B"}, {-1, std::string("al\0XYZ", 6), "A"},
        {1, "ALBERTINES", ""}, {5, "\xE9mile", "B"},   {256, "", "A"},
        {65536, "al ", "B"},   {-256, "b", "A"},
    };
    std::vector<Record> records;
    for (const auto& [id, name, tag] : rows) {
        records.push_back(MakeRecord(id, name, tag, static_cast<int32_t>(records.size())));
    }
    return records;
}

class StoreLinkTable : public ::testing::Test {
protected:
    void TearDown() override {
        StoreLink_FailCall("*", 0, 0);
        for (int32_t handle : m_handles) {
            fsclose(handle);
        }
    }
    int32_t OpenTracked(const std::string& path) {
        const int32_t handle = Open(path);
        if (handle >= 0) {
            m_handles.push_back(handle);
        }
        return handle;
    }
    int32_t MakeAndOpen(const std::vector<Record>& records) {
        WriteTable(m_table, records);
        return OpenTracked(m_table);
    }

    ScratchFolder m_folder;
    std::string m_table = m_folder / "TEST99";
    std::vector<int32_t> m_handles;
};

TEST_F(StoreLinkTable, EveryKeyWalksAllRecordsInKeyOrderWithTiesInInsertionOrder) {
    const std::vector<Record> records = OrderingRecords();
    const int32_t handle = MakeAndOpen(records);
    ASSERT_GE(handle, 0);
    for (int32_t keyNumber : {7, 1, 2}) {
        SCOPED_TRACE("key " + std::to_string(keyNumber));
        EXPECT_EQ(WalkAll(handle, keyNumber), ExpectedSerials(records, keyNumber));
        Record record{};
        EXPECT_EQ(fsgetn(handle, keyNumber, record.data(), kRecordLength), kEndOfFile)
            << "past the end stays at the end";
    }
}

TEST_F(StoreLinkTable, RecordsComeBackByteForByte) {
    std::vector<Record> records = OrderingRecords();
    std::mt19937 random(7);
    for (Record& record : records) {
        for (int i = kPayloadOffset; i < kRecordLength; ++i) {
            record[i] = static_cast<uint8_t>(random());
        }
    }
    const int32_t handle = MakeAndOpen(records);
    ASSERT_GE(handle, 0);
    ASSERT_EQ(fsgotof(handle, 2), 0);
    Record record{};
    std::size_t count = 0;
    while (fsgetn(handle, 2, record.data(), kRecordLength) == kRecordLength) {
        EXPECT_EQ(record, records[static_cast<std::size_t>(IntAt(record, kSerialOffset))]);
        ++count;
    }
    EXPECT_EQ(count, records.size());
}

struct PositionCase {
    const char* what;
    int32_t keyNumber;
    int32_t id;
    std::string name;
    std::string tag;
    int32_t status;
    int32_t serial; // of the record fsget then reads
};

TEST_F(StoreLinkTable, PositionsOnTheFirstRecordNotBelowTheSearchKey) {
    const std::vector<Record> records = OrderingRecords();
    const int32_t handle = MakeAndOpen(records);
    ASSERT_GE(handle, 0);
    const std::vector<PositionCase> cases = {
        {"equal number", 7, -3, "", "", kExactMatch, 1},
        {"smallest number", 7, INT32_MIN, "", "", kExactMatch, 4},
        {"between negative numbers", 7, -100, "", "", kPositioned, 1},
        {"equal numbers: the first inserted", 7, 5, "", "", kExactMatch, 0},
        {"between 5 and 256", 7, 6, "", "", kPositioned, 8},
        {"just below the largest number", 7, INT32_MAX - 1, "", "", kPositioned, 2},
        {"equal text and number", 1, 0, "alice", "", kExactMatch, 3},
        {"shorter text", 1, INT32_MIN, "ali", "", kPositioned, 3},
        {"text with bytes after its terminator", 1, -1, "al", "", kExactMatch, 5},
        {"text filling its field", 1, 1, "ALBERTINES", "", kExactMatch, 6},
        {"a byte above 0x7F sorts last", 1, 0, "zz", "", kPositioned, 7},
        {"equal tags: the first inserted", 2, 0, "", "B", kExactMatch, 0},
        {"empty tag", 2, 0, "", "", kExactMatch, 6},
    };
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(c.what);
        Record search = MakeRecord(c.id, c.name, c.tag, 0);
        EXPECT_EQ(fspos(handle, c.keyNumber, search.data()), c.status);
        Record read{};
        EXPECT_EQ(fsget(handle, c.keyNumber, read.data(), kRecordLength), kRecordLength);
        EXPECT_EQ(IntAt(read, kSerialOffset), c.serial);

        // fsgetn goes on with the records after it, in key order.
        const std::vector<int32_t> order = ExpectedSerials(records, c.keyNumber);
        const auto at = std::find(order.begin(), order.end(), c.serial);
        int32_t endStatus = 0;
        EXPECT_EQ(WalkRest(handle, c.keyNumber, endStatus),
                  std::vector<int32_t>(at + 1, order.end()));
        EXPECT_EQ(endStatus, kEndOfFile);
    }
}

TEST_F(StoreLinkTable, NoKeyAtOrAboveLeavesTheLastRecordWhichTheCallerSeesDiffer) {
    const int32_t handle = MakeAndOpen(OrderingRecords());
    ASSERT_GE(handle, 0);
    Record search = MakeRecord(0, "\xFFzzz", "", 0); // above every name
    ASSERT_EQ(fspos(handle, 1, search.data()), kPositionedPastEnd);
    Record read = search;
    ASSERT_EQ(fsget(handle, 1, read.data(), kRecordLength), kRecordLength);
    EXPECT_EQ(IntAt(read, kSerialOffset), 7);
    EXPECT_NE(TextAt(read, kNameOffset, kNameWidth), TextAt(search, kNameOffset, kNameWidth));
    EXPECT_EQ(fsgetn(handle, 1, read.data(), kRecordLength), kEndOfFile);
}

TEST_F(StoreLinkTable, EmptyTable) {
    const int32_t handle = MakeAndOpen({});
    ASSERT_GE(handle, 0);
    Record record = MakeRecord(1, "a", "b", 0);
    EXPECT_EQ(fspos(handle, 7, record.data()), kEmptyTable);
    EXPECT_EQ(fsget(handle, 7, record.data(), kRecordLength), kErrNoCurrentRecord);
    EXPECT_EQ(fsgetn(handle, 7, record.data(), kRecordLength), kEndOfFile);
    EXPECT_EQ(fsgotof(handle, 1), 0);
    EXPECT_EQ(fsgetn(handle, 1, record.data(), kRecordLength), kEndOfFile);
}

TEST_F(StoreLinkTable, UpdateRewritesTheRecordLastReadAndTheWalkGoesOn) {
    std::vector<Record> records;
    for (int32_t i = 0; i < 40; ++i) {
        records.push_back(MakeRecord(i * 10, "n" + std::to_string(i % 7), "t", i));
    }
    const int32_t handle = MakeAndOpen(records);
    ASSERT_GE(handle, 0);

    ASSERT_EQ(fsgotof(handle, 7), 0);
    Record record{};
    std::vector<int32_t> walked;
    while (fsgetn(handle, 7, record.data(), kRecordLength) > 0) {
        const int32_t serial = IntAt(record, kSerialOffset);
        walked.push_back(serial);
        if (serial % 3 != 0 && serial != 13) {
            continue;
        }
        std::fill_n(record.begin() + kPayloadOffset, kPayloadWidth, uint8_t{'U'});
        if (serial == 12) {
            PutInt(record, kIdOffset, -5); // moves the record to the front of key 7
        }
        if (serial == 13) {
            PutInt(record, kIdOffset, 100000); // moves it behind every other record
        }
        ASSERT_EQ(fsupdate(handle, record.data(), kRecordLength), 0) << "serial " << serial;
        Record again{};
        ASSERT_EQ(fsget(handle, 7, again.data(), kRecordLength), kRecordLength);
        EXPECT_EQ(again, record) << "fsget after fsupdate reads the new bytes";
    }
    // Each record once, in the order the walk found them (serial 13 moved
    // behind the position and is met once more).
    std::vector<int32_t> expected(40);
    for (int32_t i = 0; i < 40; ++i) {
        expected[static_cast<std::size_t>(i)] = i;
    }
    expected.push_back(13);
    EXPECT_EQ(walked, expected);

    ASSERT_EQ(fsclose(handle), 0);
    m_handles.clear();
    const int32_t reopened = OpenTracked(m_table);
    ASSERT_GE(reopened, 0);
    std::vector<Record> stored;
    ASSERT_EQ(fsgotof(reopened, 1), 0);
    while (fsgetn(reopened, 1, record.data(), kRecordLength) > 0) {
        stored.push_back(record);
    }
    ASSERT_EQ(stored.size(), records.size());
    for (const Record& r : stored) {
        const int32_t serial = IntAt(r, kSerialOffset);
        SCOPED_TRACE("serial " + std::to_string(serial));
        const bool updated = serial % 3 == 0 || serial == 13;
        EXPECT_EQ(r[kPayloadOffset], updated ? 'U' : '.');
        EXPECT_EQ(IntAt(r, kIdOffset), serial == 12 ? -5 : serial == 13 ? 100000 : serial * 10);
    }
    EXPECT_EQ(WalkAll(reopened, 7).front(), 12) << "key columns follow the new bytes";
}

TEST_F(StoreLinkTable, UpdateAfterPositionAndReadRewritesThatRecord) {
    const int32_t handle = MakeAndOpen(OrderingRecords());
    ASSERT_GE(handle, 0);
    Record record = MakeRecord(256, "", "", 0);
    ASSERT_EQ(fsupdate(handle, record.data(), kRecordLength), kErrNoCurrentRecord)
        << "nothing read yet";
    ASSERT_EQ(fspos(handle, 7, record.data()), kExactMatch);
    ASSERT_EQ(fsget(handle, 7, record.data(), kRecordLength), kRecordLength);
    record[kPayloadOffset] = 'P';
    ASSERT_EQ(fsupdate(handle, record.data(), kRecordLength), 0);
    Record search = MakeRecord(256, "", "", 0);
    ASSERT_EQ(fspos(handle, 7, search.data()), kExactMatch);
    ASSERT_EQ(fsget(handle, 7, search.data(), kRecordLength), kRecordLength);
    EXPECT_EQ(search, record);
}

TEST_F(StoreLinkTable, HandlesKeepTheirOwnPositions) {
    const std::vector<Record> records = OrderingRecords();
    const int32_t first = MakeAndOpen(records);
    const int32_t second = OpenTracked(m_table);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    ASSERT_NE(first, second);
    ASSERT_EQ(fsgotof(first, 7), 0);
    ASSERT_EQ(fsgotof(second, 1), 0);
    std::vector<int32_t> byId;
    std::vector<int32_t> byName;
    Record record{};
    for (bool more = true; more;) {
        more = false;
        if (fsgetn(first, 7, record.data(), kRecordLength) > 0) {
            byId.push_back(IntAt(record, kSerialOffset));
            more = true;
        }
        if (fsgetn(second, 1, record.data(), kRecordLength) > 0) {
            byName.push_back(IntAt(record, kSerialOffset));
            more = true;
        }
    }
    EXPECT_EQ(byId, ExpectedSerials(records, 7));
    EXPECT_EQ(byName, ExpectedSerials(records, 1));
}

// A second process is a forked copy of the test (POSIX only here).
#if !defined(_WIN32)
// Reads `id` through `handle` by positioning on it; returns its first payload byte.
uint8_t PayloadOf(int32_t handle, int32_t id) {
    Record record = MakeRecord(id, "", "", 0);
    EXPECT_EQ(fspos(handle, 7, record.data()), kExactMatch);
    EXPECT_EQ(fsget(handle, 7, record.data(), kRecordLength), kRecordLength);
    return record[kPayloadOffset];
}

// Rewrites the payload of `id` through `handle`.
int32_t RewritePayload(int32_t handle, int32_t id, uint8_t payload) {
    Record record = MakeRecord(id, "", "", 0);
    if (fspos(handle, 7, record.data()) != kExactMatch ||
        fsget(handle, 7, record.data(), kRecordLength) != kRecordLength) {
        return -1;
    }
    std::fill_n(record.begin() + kPayloadOffset, kPayloadWidth, payload);
    return fsupdate(handle, record.data(), kRecordLength);
}

TEST_F(StoreLinkTable, EveryCallSeesWhatOtherHandlesCommittedBeforeIt) {
    std::vector<Record> records;
    for (int32_t i = 0; i < 50; ++i) {
        records.push_back(MakeRecord(i, "n", "t", i));
    }
    const int32_t reader = MakeAndOpen(records);
    const int32_t writer = OpenTracked(m_table);
    ASSERT_GE(reader, 0);
    ASSERT_GE(writer, 0);

    EXPECT_EQ(PayloadOf(reader, 10), '.');
    ASSERT_EQ(RewritePayload(writer, 10, 'A'), 0);
    EXPECT_EQ(PayloadOf(reader, 10), 'A') << "positioning after another handle's update";

    // In the middle of a walk: records ahead of the reader, and the one it stands on.
    ASSERT_EQ(fsgotof(reader, 7), 0);
    Record record{};
    for (int32_t i = 0; i <= 20; ++i) {
        ASSERT_EQ(fsgetn(reader, 7, record.data(), kRecordLength), kRecordLength);
    }
    ASSERT_EQ(RewritePayload(writer, 20, 'B'), 0);
    ASSERT_EQ(RewritePayload(writer, 21, 'C'), 0);
    ASSERT_EQ(fsget(reader, 7, record.data(), kRecordLength), kRecordLength);
    EXPECT_EQ(IntAt(record, kIdOffset), 20);
    EXPECT_EQ(record[kPayloadOffset], 'B');
    ASSERT_EQ(fsgetn(reader, 7, record.data(), kRecordLength), kRecordLength);
    EXPECT_EQ(IntAt(record, kIdOffset), 21) << "the walk goes on where it was";
    EXPECT_EQ(record[kPayloadOffset], 'C');

    // The reader's own update, then another process's.
    record[kPayloadOffset + 1] = 'R';
    ASSERT_EQ(fsupdate(reader, record.data(), kRecordLength), 0);
    EXPECT_EQ(PayloadOf(writer, 21), 'C');
    EXPECT_EQ(fsclose(writer), 0);
    m_handles.pop_back();

    // The child starts before this process opened anything of the table again
    // (an open table must never cross a fork); it updates when told to.
    const int32_t handle = reader;
    ASSERT_EQ(fsclose(handle), 0);
    m_handles.clear();
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(fromChild), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char go = 0;
        int32_t status = -1;
        if (read(toChild[0], &go, 1) == 1) {
            const int32_t other = Open(m_table);
            status = other < 0 ? other : RewritePayload(other, 30, 'P');
        }
        _exit(write(fromChild[1], &status, sizeof status) == sizeof status ? 0 : 1);
    }
    const int32_t held = OpenTracked(m_table);
    ASSERT_GE(held, 0);
    EXPECT_EQ(PayloadOf(held, 30), '.');
    ASSERT_EQ(write(toChild[1], "g", 1), 1);
    int32_t childStatus = 1;
    ASSERT_EQ(read(fromChild[0], &childStatus, sizeof childStatus),
              static_cast<ssize_t>(sizeof childStatus));
    int waitStatus = 0;
    waitpid(child, &waitStatus, 0);
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) {
        close(fd);
    }
    ASSERT_EQ(childStatus, 0);
    EXPECT_EQ(PayloadOf(held, 30), 'P') << "positioning after another process's update";
}

// The utility shows its own finding of a changed record with the host's code.
static_assert(host::kStatusRecordChanged == kErrRecordChanged);

// An update is based on what its handle read: it is refused, writing nothing,
// when the record changed since, and goes through when the record still holds
// those bytes. Read by a walk and by positioning.
TEST_F(StoreLinkTable, UpdateIsRefusedWhenTheRecordChangedSinceThisHandleReadIt) {
    std::vector<Record> records;
    for (int32_t i = 0; i < 20; ++i) {
        records.push_back(MakeRecord(i, "n", "t", i));
    }
    constexpr int32_t kId = 10;
    struct Case {
        const char* what;
        uint8_t otherWrites; // the payload another handle writes after the read, or 0
        bool readAgain;      // the reader then reads the record once more (fsget)
        bool updateTwice;    // the reader updates twice from one read
        int32_t status;      // of the reader's (last) update
        uint8_t stored;      // the record's payload afterwards
    };
    const Case cases[] = {
        {"nobody else wrote", 0, false, false, 0, 'R'},
        {"another handle rewrote it", 'O', false, false, kErrRecordChanged, 'O'},
        {"another handle wrote the same bytes back", '.', false, false, 0, 'R'},
        {"another handle rewrote it, the reader read it again", 'O', true, false, 0, 'R'},
        {"the reader's second update from one read", 0, false, true, 0, 'R'},
    };
    for (const bool walk : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (walk ? ", read by a walk" : ", read by fspos"));
            WriteTable(m_table, records);
            const int32_t reader = OpenTracked(m_table);
            const int32_t other = OpenTracked(m_table);
            ASSERT_GE(reader, 0);
            ASSERT_GE(other, 0);
            Record record = MakeRecord(kId, "", "", 0);
            if (walk) {
                ASSERT_EQ(fsgotof(reader, 7), 0);
                do {
                    ASSERT_EQ(fsgetn(reader, 7, record.data(), kRecordLength), kRecordLength);
                } while (IntAt(record, kIdOffset) != kId);
            } else {
                ASSERT_EQ(fspos(reader, 7, record.data()), kExactMatch);
                ASSERT_EQ(fsget(reader, 7, record.data(), kRecordLength), kRecordLength);
            }
            if (c.otherWrites != 0) {
                ASSERT_EQ(RewritePayload(other, kId, c.otherWrites), 0);
            }
            if (c.readAgain) {
                ASSERT_EQ(fsget(reader, 7, record.data(), kRecordLength), kRecordLength);
            }
            record[kPayloadOffset] = 'R';
            if (c.updateTwice) {
                ASSERT_EQ(fsupdate(reader, record.data(), kRecordLength), 0);
            }
            record[kPayloadOffset + 1] = 'R';
            EXPECT_EQ(fsupdate(reader, record.data(), kRecordLength), c.status);
            EXPECT_EQ(PayloadOf(other, kId), c.stored);
            if (walk) {
                ASSERT_EQ(fsgetn(reader, 7, record.data(), kRecordLength), kRecordLength);
                EXPECT_EQ(IntAt(record, kIdOffset), kId + 1) << "the walk goes on after either";
            }
            for (int32_t handle : m_handles) {
                fsclose(handle);
            }
            m_handles.clear();
            fs::remove(m_table + "-wal");
            fs::remove(m_table + "-shm");
            fs::remove(m_table);
        }
    }
}

// Another file renamed over the table while a handle has it open, or the file
// removed: the next write through the handle fails, and so does the next read
// once the handle has looked again; so does every call after that. The file now
// at the path is left as it is.
TEST_F(StoreLinkTable, ATableFileReplacedUnderAHandleFailsItsNextCalls) {
    std::vector<Record> records;
    for (int32_t i = 0; i < 20; ++i) {
        records.push_back(MakeRecord(i, "n", "t", i));
    }
    const std::string backup = m_folder / "BACKUP99";
    WriteTable(backup, records);
    enum class Change { RenamedOver, Removed, RenamedAway };
    enum class Next { Update, Walk, Position, GotoFirst };
    const struct {
        const char* what;
        Change change;
        Next next;
    } cases[] = {
        {"renamed over, then an update", Change::RenamedOver, Next::Update},
        {"renamed over, then a walk", Change::RenamedOver, Next::Walk},
        {"renamed over, then fspos", Change::RenamedOver, Next::Position},
        {"renamed over, then fsgotof", Change::RenamedOver, Next::GotoFirst},
        {"removed, then an update", Change::Removed, Next::Update},
        {"renamed away, then a walk", Change::RenamedAway, Next::Walk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteTable(m_table, records);
        const int32_t handle = OpenTracked(m_table);
        ASSERT_GE(handle, 0);
        Record record{};
        ASSERT_EQ(fsgotof(handle, 7), 0);
        ASSERT_EQ(fsgetn(handle, 7, record.data(), kRecordLength), kRecordLength);

        std::string after; // what the path holds after the change
        if (c.change == Change::RenamedOver) {
            const std::string copy = m_folder / "COPY99";
            fs::copy_file(backup, copy, fs::copy_options::overwrite_existing);
            fs::rename(copy, m_table);
            after = ReadFileBytes(m_table);
        } else if (c.change == Change::Removed) {
            fs::remove(m_table);
        } else {
            fs::rename(m_table, m_folder / "AWAY99");
        }
        if (c.next != Next::Update) {
            // Reads look at the path now and then, never on every call.
            usleep(static_cast<useconds_t>(
                std::chrono::microseconds(TableFileWatch::kReadCheckInterval).count() * 3 / 2));
        }
        record[kPayloadOffset] = 'X';
        int32_t status = 0;
        switch (c.next) {
        case Next::Update:
            status = fsupdate(handle, record.data(), kRecordLength);
            break;
        case Next::Walk:
            status = fsgetn(handle, 7, record.data(), kRecordLength);
            break;
        case Next::Position:
            status = fspos(handle, 7, record.data());
            break;
        case Next::GotoFirst:
            status = fsgotof(handle, 7);
            break;
        }
        EXPECT_EQ(status, kErrTableReplaced);
        EXPECT_EQ(fsgetn(handle, 7, record.data(), kRecordLength), kErrTableReplaced)
            << "every later call fails too";
        EXPECT_EQ(fsupdate(handle, record.data(), kRecordLength), kErrTableReplaced);
        EXPECT_EQ(fs::exists(m_table) ? ReadFileBytes(m_table) : std::string(), after);
        if (c.change == Change::RenamedOver) {
            const int32_t reopened = OpenTracked(m_table);
            ASSERT_GE(reopened, 0);
            EXPECT_EQ(WalkAll(reopened, 7).size(), records.size()) << "the new file opens";
        }
        for (int32_t open : m_handles) {
            fsclose(open);
        }
        m_handles.clear();
        for (const char* name : {"TEST99", "TEST99-wal", "TEST99-shm", "AWAY99"}) {
            fs::remove(m_folder / name);
        }
    }
}

// While a handle reads, other processes must see the table's WAL index in use
// and the handle's read lock, or a checkpoint there could reuse the log under
// it. The locks are SQLite's, in the index file (<table>-shm): the shared lock
// on byte 128 saying the index is in use, and a read lock on one of the bytes
// 123 to 127. Opening and closing other handles of the table must keep them.
TEST_F(StoreLinkTable, OtherProcessesSeeTheLocksOfAReadingHandle) {
    std::vector<Record> records;
    for (int32_t i = 0; i < 20; ++i) {
        records.push_back(MakeRecord(i, "n", "t", i));
    }
    const int32_t reader = MakeAndOpen(records);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(PayloadOf(reader, 5), '.'); // the handle now keeps its read transaction
    const int32_t other = Open(m_table);
    ASSERT_GE(other, 0);
    EXPECT_EQ(PayloadOf(other, 6), '.');
    ASSERT_EQ(fsclose(other), 0);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = ::open((m_table + "-shm").c_str(), O_RDONLY | O_CLOEXEC);
        auto lockedByOthers = [fd](off_t start, off_t length) {
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            lock.l_start = start;
            lock.l_len = length;
            return fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
        };
        if (fd < 0) {
            _exit(4);
        }
        _exit((lockedByOthers(128, 1) ? 0 : 1) | (lockedByOthers(123, 5) ? 0 : 2));
    }
    int waitStatus = 0;
    ASSERT_EQ(waitpid(child, &waitStatus, 0), child);
    ASSERT_TRUE(WIFEXITED(waitStatus));
    EXPECT_EQ(WEXITSTATUS(waitStatus), 0)
        << "1: the index no longer shows in use, 2: the reader's lock is gone, 4: no index";
}

#endif

TEST_F(StoreLinkTable, RejectsBadArguments) {
    const int32_t handle = MakeAndOpen(OrderingRecords());
    ASSERT_GE(handle, 0);
    Record record = MakeRecord(5, "bob", "B", 0);
    uint8_t* buffer = record.data();
    const int32_t closed = OpenTracked(m_table);
    ASSERT_EQ(fsclose(closed), 0);

    struct Case {
        const char* what;
        int32_t status;
        int32_t expected;
    };
    // In this order: the fsget/fsgetn/fsupdate cases before anything was read.
    const std::vector<Case> cases = {
        {"fsget before any positioning", fsget(handle, 7, buffer, kRecordLength),
         kErrNoCurrentRecord},
        {"fsgetn before any positioning", fsgetn(handle, 7, buffer, kRecordLength),
         kErrNoCurrentRecord},
        {"fspos with an unknown key", fspos(handle, 3, buffer), kErrKeyNumber},
        {"fsgotof with an unknown key", fsgotof(handle, -1), kErrKeyNumber},
        {"fsget with an unknown key", fsget(handle, 8, buffer, kRecordLength), kErrKeyNumber},
        {"fsgetn with an unknown key", fsgetn(handle, 0, buffer, kRecordLength), kErrKeyNumber},
        {"fspos without a buffer", fspos(handle, 7, nullptr), kErrBadArgument},
        {"positioned", fspos(handle, 7, buffer), kExactMatch},
        {"fsget with a short length", fsget(handle, 7, buffer, kRecordLength - 1),
         kErrRecordLength},
        {"fsgetn with a long length", fsgetn(handle, 7, buffer, kRecordLength + 1),
         kErrRecordLength},
        {"fsget without a buffer", fsget(handle, 7, nullptr, kRecordLength), kErrBadArgument},
        {"read", fsget(handle, 7, buffer, kRecordLength), kRecordLength},
        {"fsupdate with a short length", fsupdate(handle, buffer, 0), kErrRecordLength},
        {"fsupdate without a buffer", fsupdate(handle, nullptr, kRecordLength), kErrBadArgument},
        {"a closed handle", fsgotof(closed, 7), kErrBadHandle},
        {"a negative handle", fsget(-1, 7, buffer, kRecordLength), kErrBadHandle},
        {"a handle never given out", fspos(4096, 7, buffer), kErrBadHandle},
        {"fsupdate on a closed handle", fsupdate(closed, buffer, kRecordLength), kErrBadHandle},
        {"fsclose twice", fsclose(closed), kErrBadHandle},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.status, c.expected) << c.what;
    }
    Record unchanged = MakeRecord(5, "bob", "B", 0);
    ASSERT_EQ(fsget(handle, 7, record.data(), kRecordLength), kRecordLength);
    EXPECT_EQ(TextAt(record, kNameOffset, kNameWidth), "bob")
        << "the refused calls changed nothing";
    EXPECT_EQ(record[kPayloadOffset], unchanged[kPayloadOffset]);
}

TEST_F(StoreLinkTable, OpenRefusesWhatIsNotItsTableWithANegativeCode) {
    WriteTable(m_table, OrderingRecords());
    const std::string tableBytes = ReadFileBytes(m_table);

    const std::string random = m_folder / "RANDOM99";
    std::string noise(8192, '\0');
    std::mt19937 generator(42);
    for (char& c : noise) {
        c = static_cast<char>(generator());
    }
    WriteFileBytes(random, noise);
    WriteFileBytes(m_folder / "EMPTY99", "");
    // A database of another kind: the same file with another mark in its header.
    const std::string foreign = m_folder / "FOREIGN99";
    std::string foreignBytes = tableBytes;
    foreignBytes[68] = 0;
    foreignBytes[69] = 0;
    WriteFileBytes(foreign, foreignBytes);
    fs::create_directory(m_folder / "FOLDER99");
    const std::string missing = m_folder / "MISSING99";

    struct Case {
        const char* what;
        std::string path;
        const char* mode;
        const char* first;
        const char* second;
        const char* flag;
        int32_t expected;
    };
    const std::vector<Case> cases = {
        {"wrong first credential", m_table, "w", "kwellrum", kSecond, "s", kErrCredentials},
        {"wrong second credential", m_table, "w", kFirst, "tovx", "s", kErrCredentials},
        {"credential in another case", m_table, "w", "KWELLRUN", kSecond, "s", kErrCredentials},
        {"credential with more letters", m_table, "w", kFirst, "tovkk", "s", kErrCredentials},
        {"empty credential", m_table, "w", "", kSecond, "s", kErrCredentials},
        {"mode other than w", m_table, "r", kFirst, kSecond, "s", kErrBadArgument},
        {"flag other than s", m_table, "w", kFirst, kSecond, "x", kErrBadArgument},
        {"missing file", missing, "w", kFirst, kSecond, "s", kErrFileNotFound},
        {"file in a missing folder", m_folder / "NO/TABLE99", "w", kFirst, kSecond, "s",
         kErrFileNotFound},
        {"a folder", m_folder / "FOLDER99", "w", kFirst, kSecond, "s", kErrNotATable},
        {"random bytes", random, "w", kFirst, kSecond, "s", kErrNotATable},
        {"empty file", m_folder / "EMPTY99", "w", kFirst, kSecond, "s", kErrNotATable},
        {"another kind of database", foreign, "w", kFirst, kSecond, "s", kErrNotATable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int32_t handle = fsopen(c.path.c_str(), c.mode, c.first, c.second, c.flag);
        EXPECT_EQ(handle, c.expected);
        if (handle >= 0) {
            fsclose(handle);
        }
    }
    EXPECT_EQ(fsopen(nullptr, "w", kFirst, kSecond, "s"), kErrBadArgument);
    EXPECT_EQ(fsopen(m_table.c_str(), "w", nullptr, kSecond, "s"), kErrBadArgument);

    EXPECT_FALSE(fs::exists(missing)) << "fsopen never creates a table";
    EXPECT_EQ(ReadFileBytes(random), noise);
    EXPECT_EQ(ReadFileBytes(foreign), foreignBytes) << "a file that is not a table is not changed";
    EXPECT_EQ(ReadFileBytes(m_table), tableBytes) << "a refused open leaves the table alone";
    EXPECT_GE(OpenTracked(m_table), 0);
}

TEST_F(StoreLinkTable, TruncatedTableGivesANegativeCodeAtOpenOrRead) {
    std::vector<Record> records;
    for (int32_t i = 0; i < 3000; ++i) {
        records.push_back(
            MakeRecord(i, "name" + std::to_string(i % 97), "t" + std::to_string(i % 5), i));
    }
    WriteTable(m_table, records);
    const std::string whole = ReadFileBytes(m_table);
    for (const double share : {0.1, 0.5, 0.9, 0.999}) {
        SCOPED_TRACE("kept share " + std::to_string(share));
        const std::string path =
            m_folder / ("CUT" + std::to_string(static_cast<int>(share * 1000)));
        WriteFileBytes(path, whole.substr(0, static_cast<std::size_t>(whole.size() * share)));
        const int32_t handle = Open(path);
        if (handle < 0) {
            EXPECT_TRUE(handle == kErrNotATable || handle == kErrIo) << handle;
            continue;
        }
        // Every record still reachable in all three keys would mean the cut went unseen.
        int32_t failure = 0;
        Record record{};
        for (int32_t keyNumber : {7, 1, 2}) {
            fsgotof(handle, keyNumber);
            int32_t status = 0;
            int32_t count = 0;
            while ((status = fsgetn(handle, keyNumber, record.data(), kRecordLength)) > 0) {
                ++count;
            }
            if (status != kEndOfFile) {
                failure = status;
            } else {
                EXPECT_EQ(count, 3000) << "a walk ended early without an error, key " << keyNumber;
            }
        }
        EXPECT_TRUE(failure == kErrNotATable || failure == kErrIo) << failure;
        fsclose(handle);
    }
}

TEST(StoreLinkWriter, RefusesBadDefinitionsExistingFilesAndWrongLengths) {
    ScratchFolder folder;
    const std::string path = folder / "T99";
    struct Case {
        const char* what;
        void (*spoil)(TableDefinition&);
    };
    const std::vector<Case> cases = {
        {"no record", [](TableDefinition& d) { d.recordLength = 0; }},
        {"no key", [](TableDefinition& d) { d.keys.clear(); }},
        {"key without segments", [](TableDefinition& d) { d.keys[0].segments.clear(); }},
        {"same key number twice", [](TableDefinition& d) { d.keys[1].number = 7; }},
        {"segment past the record", [](TableDefinition& d) { d.keys[2].segments[0].offset = 27; }},
        {"negative offset", [](TableDefinition& d) { d.keys[2].segments[0].offset = -1; }},
        {"Int32 of 2 bytes", [](TableDefinition& d) { d.keys[0].segments[0].width = 2; }},
        {"unknown segment type",
         [](TableDefinition& d) { d.keys[0].segments[0].type = static_cast<SegmentType>(9); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TableDefinition definition = TestDefinition();
        c.spoil(definition);
        EXPECT_THROW(TableWriter writer(path, definition), std::runtime_error);
        EXPECT_FALSE(fs::exists(path));
    }

    {
        TableWriter writer(path, TestDefinition());
        Record record{};
        EXPECT_THROW(writer.Insert(record.data(), kRecordLength - 1), std::runtime_error);
    }
    EXPECT_TRUE(fs::is_empty(folder / "")) << "a writer never committed leaves nothing behind";

    WriteTable(path, {MakeRecord(1, "a", "b", 0)});
    const std::string bytes = ReadFileBytes(path);
    try {
        TableWriter second(path, TestDefinition());
        ADD_FAILURE() << "an existing table was overwritten";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST(StoreLinkWriter, TheFileCarriesItsDefinition) {
    ScratchFolder folder;
    const std::string path = folder / "T99";
    TableDefinition definition = TestDefinition();
    definition.secondCredential = std::string("to\xF6k");
    WriteTable(path, {}, definition);
    const TableDefinition read = ReadTableDefinition(path);
    EXPECT_EQ(read.recordLength, definition.recordLength);
    EXPECT_EQ(read.firstCredential, definition.firstCredential);
    EXPECT_EQ(read.secondCredential, definition.secondCredential);
    auto sorted = [](std::vector<KeyDefinition> keys) {
        std::vector<std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t>> flat;
        for (const KeyDefinition& key : keys) {
            for (std::size_t i = 0; i < key.segments.size(); ++i) {
                const KeySegment& s = key.segments[i];
                flat.emplace_back(key.number, static_cast<int32_t>(i), s.offset, s.width,
                                  static_cast<int32_t>(s.type));
            }
        }
        std::sort(flat.begin(), flat.end());
        return flat;
    };
    EXPECT_EQ(sorted(read.keys), sorted(definition.keys));

    const std::string random = folder / "R99";
    WriteFileBytes(random, std::string(4096, 'x'));
    for (const std::string& bad : {random, folder / "MISSING99"}) {
        try {
            ReadTableDefinition(bad);
            ADD_FAILURE() << bad << " read as a table";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(bad), std::string::npos) << error.what();
        }
    }
}

// --- The failure switch --------------------------------------------------------------------

TEST_F(StoreLinkTable, FailureSwitchFailsExactlyTheChosenCallAndDoesNothingInIt) {
    const std::vector<Record> records = OrderingRecords();
    WriteTable(m_table, records);
    const std::vector<int32_t> order = ExpectedSerials(records, 7);

    StoreLink_FailCall("fsgetn", 2, -77);
    const int32_t handle = OpenTracked(m_table);
    ASSERT_GE(handle, 0);
    ASSERT_EQ(fsgotof(handle, 7), 0);
    Record record{};
    ASSERT_EQ(fsgetn(handle, 7, record.data(), kRecordLength), kRecordLength);
    EXPECT_EQ(IntAt(record, kSerialOffset), order[0]);
    record.fill(0xEE);
    EXPECT_EQ(fsgetn(handle, 7, record.data(), kRecordLength), -77);
    EXPECT_EQ(record[0], 0xEE) << "the failed call wrote nothing";
    ASSERT_EQ(fsgetn(handle, 7, record.data(), kRecordLength), kRecordLength);
    EXPECT_EQ(IntAt(record, kSerialOffset), order[1]) << "the failed call did not move";
    ASSERT_EQ(fsgetn(handle, 7, record.data(), kRecordLength), kRecordLength) << "fires once";

    // "*" counts every record operation; the count starts when the switch is set.
    StoreLink_FailCall("*", 3, 0);
    EXPECT_EQ(fsget(handle, 7, record.data(), kRecordLength), kRecordLength);
    EXPECT_EQ(fsgotof(handle, 1), 0);
    EXPECT_EQ(fsopen(m_table.c_str(), "w", kFirst, kSecond, "s"), 0) << "third call: fsopen";
    EXPECT_EQ(fsgetn(handle, 1, record.data(), kRecordLength), kRecordLength);

    StoreLink_FailCall("fsupdate", 1, kErrIo);
    StoreLink_FailCall("fsupdate", 0, 0); // off again
    EXPECT_EQ(fsupdate(handle, record.data(), kRecordLength), 0);
}

// One pass of a caller over the table: walk key 7 and rewrite every record,
// then look one record up and close. Returns the first error status, or 0.
int32_t RewriteEverything(const std::string& path) {
    const int32_t handle = Open(path);
    if (handle < 0) {
        return handle;
    }
    int32_t status = fsgotof(handle, 7);
    Record record{};
    while (status >= 0 && (status = fsgetn(handle, 7, record.data(), kRecordLength)) > 0) {
        std::fill_n(record.begin() + kPayloadOffset, kPayloadWidth, uint8_t{'R'});
        status = fsupdate(handle, record.data(), kRecordLength);
    }
    if (status == kEndOfFile) {
        record = MakeRecord(0, "", "", 0);
        status = fspos(handle, 7, record.data());
    }
    if (status >= 0) {
        status = fsget(handle, 7, record.data(), kRecordLength);
    }
    const int32_t closeStatus = fsclose(handle);
    if (closeStatus < 0) {
        fsclose(handle); // the switch fires once; the handle still closes
    }
    return status < 0 ? status : closeStatus;
}

TEST(StoreLinkFailureSweep, AFailureAtAnyCallLeavesWholeRecordsAndEarlierUpdates) {
    ScratchFolder folder;
    std::vector<Record> records;
    for (int32_t i = 0; i < 12; ++i) {
        records.push_back(MakeRecord(11 - i, "n", "t", i));
    }
    const std::string pristine = folder / "PRISTINE99";
    WriteTable(pristine, records);
    const std::string pristineBytes = ReadFileBytes(pristine);
    const std::string path = folder / "SWEEP99";

    constexpr int32_t kInjected = -99;
    bool ranToTheEnd = false;
    for (int32_t n = 1; !ranToTheEnd && n < 200; ++n) {
        SCOPED_TRACE("failing call " + std::to_string(n));
        WriteFileBytes(path, pristineBytes);
        StoreLink_FailCall("*", n, kInjected);
        const int32_t status = RewriteEverything(path);
        StoreLink_FailCall("*", 0, 0);
        ranToTheEnd = status == 0;
        if (!ranToTheEnd) {
            EXPECT_EQ(status, kInjected);
        }
        // The rewritten records are exactly a prefix of the walk; every record whole.
        const int32_t handle = Open(path);
        ASSERT_GE(handle, 0);
        ASSERT_EQ(fsgotof(handle, 7), 0);
        Record record{};
        bool inPrefix = true;
        int32_t count = 0;
        int32_t rewrittenCount = 0;
        while (fsgetn(handle, 7, record.data(), kRecordLength) > 0) {
            Record expected = records[static_cast<std::size_t>(IntAt(record, kSerialOffset))];
            const bool rewritten = record[kPayloadOffset] == 'R';
            EXPECT_TRUE(inPrefix || !rewritten) << "a rewrite after a failure";
            inPrefix = inPrefix && rewritten;
            if (rewritten) {
                ++rewrittenCount;
                std::fill_n(expected.begin() + kPayloadOffset, kPayloadWidth, uint8_t{'R'});
            }
            EXPECT_EQ(record, expected);
            ++count;
        }
        EXPECT_EQ(count, 12);
        // Calls 1 and 2 are fsopen and fsgotof; then fsgetn and fsupdate alternate, so
        // the k-th fsupdate is call 2 + 2k: failing call n leaves (n - 3) / 2 rewrites.
        EXPECT_EQ(rewrittenCount, std::clamp((n - 3) / 2, 0, 12));
        fsclose(handle);
    }
    EXPECT_TRUE(ranToTheEnd);
}

#if !defined(_WIN32) // the rest run in forked copies of the test
// Run only as the child of the next test, with STORELINK_FAIL set before the
// library was loaded.
TEST(StoreLinkFailureSwitchChild, ArmedFromTheEnvironment) {
    const char* expected = std::getenv("STORELINK_TEST_FIRST_OPEN");
    const char* table = std::getenv("STORELINK_TEST_TABLE");
    if (expected == nullptr || table == nullptr) {
        GTEST_SKIP() << "runs only as the child of StoreLinkFailureSwitch.ArmedFromTheEnvironment";
    }
    const int32_t first = Open(table);
    if (std::string(expected) == "handle") {
        EXPECT_GE(first, 0);
    } else {
        EXPECT_EQ(first, std::atoi(expected));
        EXPECT_GE(Open(table), 0) << "only the chosen call fails";
    }
}

TEST(StoreLinkFailureSwitch, ArmedFromTheEnvironment) {
    ScratchFolder folder;
    const std::string table = folder / "T99";
    WriteTable(table, {});
    struct Case {
        const char* setting;
        const char* firstOpen;
    };
    const std::vector<Case> cases = {
        {"fsopen:1:-77", "-77"},     {"*:1:-5", "-5"},
        {"fsopen:2:-77", "handle"},  {"fsopen:1", "handle"}, // malformed: ignored
        {"nothing:1:-77", "handle"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("STORELINK_FAIL", c.setting, 1);
            setenv("STORELINK_TEST_FIRST_OPEN", c.firstOpen, 1);
            setenv("STORELINK_TEST_TABLE", table.c_str(), 1);
            execl("/proc/self/exe", "StoreLinkTest",
                  "--gtest_filter=StoreLinkFailureSwitchChild.ArmedFromTheEnvironment",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    }
}

// --- Durability ------------------------------------------------------------------------------

TEST(StoreLinkDurability, AnUpdateThatReturnedSurvivesTheProcessBeingKilled) {
    ScratchFolder folder;
    const std::string path = folder / "T99";
    std::vector<Record> records;
    for (int32_t i = 0; i < 200; ++i) {
        records.push_back(MakeRecord(i, "n", "t", i));
    }
    WriteTable(path, records);

    for (const int32_t target : {0, 57, 199}) {
        SCOPED_TRACE("record " + std::to_string(target));
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            int32_t status = Open(path);
            Record record{};
            if (status >= 0) {
                const int32_t handle = status;
                status = fsgotof(handle, 7);
                while (status >= 0 &&
                       (status = fsgetn(handle, 7, record.data(), kRecordLength)) > 0 &&
                       IntAt(record, kIdOffset) != target) {
                }
                if (status > 0) {
                    std::fill_n(record.begin() + kPayloadOffset, kPayloadWidth, uint8_t{'K'});
                    status = fsupdate(handle, record.data(), kRecordLength);
                }
            }
            if (write(fds[1], &status, sizeof status) != sizeof status) {
                _exit(1);
            }
            for (;;) {
                pause(); // killed here, with the table still open
            }
        }
        close(fds[1]);
        int32_t updateStatus = 1;
        const ssize_t got = read(fds[0], &updateStatus, sizeof updateStatus);
        kill(child, SIGKILL);
        int waitStatus = 0;
        waitpid(child, &waitStatus, 0);
        close(fds[0]);
        ASSERT_EQ(got, static_cast<ssize_t>(sizeof updateStatus));
        ASSERT_EQ(updateStatus, 0);
        ASSERT_TRUE(WIFSIGNALED(waitStatus));

        const int32_t handle = Open(path);
        ASSERT_GE(handle, 0);
        Record record = MakeRecord(target, "", "", 0);
        ASSERT_EQ(fspos(handle, 7, record.data()), kExactMatch);
        ASSERT_EQ(fsget(handle, 7, record.data(), kRecordLength), kRecordLength);
        EXPECT_EQ(record[kPayloadOffset], 'K');
        EXPECT_EQ(IntAt(record, kSerialOffset), target);
        fsclose(handle);
    }
}

TEST(StoreLinkDurability, AFailedWriteIsReportedAndChangesNothing) {
    ScratchFolder folder;
    const std::string path = folder / "T99";
    std::vector<Record> records;
    for (int32_t i = 0; i < 20; ++i) {
        records.push_back(MakeRecord(i, "n", "t", i));
    }
    WriteTable(path, records);

    // A child whose files may not grow: the log write of its update fails as
    // it would on a full disk.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int32_t handle = Open(path);
        if (handle < 0 || PayloadOf(handle, 7) != '.') {
            _exit(2);
        }
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1024, 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        const int32_t status = RewritePayload(handle, 7, 'F');
        _exit(status == kErrIo ? 0 : 3);
    }
    int waitStatus = 0;
    ASSERT_EQ(waitpid(child, &waitStatus, 0), child);
    ASSERT_TRUE(WIFEXITED(waitStatus));
    EXPECT_EQ(WEXITSTATUS(waitStatus), 0) << "2: could not read, 3: fsupdate did not give kErrIo";

    const int32_t handle = Open(path);
    ASSERT_GE(handle, 0);
    EXPECT_EQ(PayloadOf(handle, 7), '.');
    EXPECT_EQ(WalkAll(handle, 7).size(), records.size());
    fsclose(handle);
}

#endif

} // namespace
