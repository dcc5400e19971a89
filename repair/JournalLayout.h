// The run journal's file format.
//
// Every repair run, every undo run and every report writes one journal file in the folder
// DosewrightJournal of the database folder, named by the run's start time
// (UTC): "YYYYMMDD-HHMMSS.mmmZ.journal", with "_2", "_3", ... before the
// extension when that name is taken. A file is created once and never written
// again after its run.
//
// The file is a header followed by entries, all of fixed size. Integers are
// little-endian, texts are bytes as the medication record holds them.
//
// Header (kHeaderSize bytes):
//
//   offset width  meaning
//        0    16  magic: kMagic, the text "Dosewright jrnl" and a zero byte
//       16     4  format version, kFormatVersion
//       20     4  header size in bytes, kHeaderSize
//       24     4  entry size in bytes, kEntrySize
//       28     4  length of a medication record, 771
//       32     4  mode of the run: 1 repair, 2 undo, 3 report (version 2 on)
//       36     4  zero
//       40     8  start of the run, milliseconds since 1970-01-01 00:00 UTC
//       48    64  undo: the name of the run it undoes, zero-padded; else zeros
//      112     8  run number: one more than the highest of the folder's journals,
//                 taken under the run lock; the order of the runs (version 2 on;
//                 version 1 has zeros here, and its runs come before numbered ones)
//      120     8  checksum of bytes 0-119
//
// Entry (kEntrySize bytes), one for every change, written and handed to the
// operating system before the change is written to the medication table, and
// one at the end of the run:
//
//        0     4  kind: 1 change, 2 end of the run
//        4     4  sequence number: 1 for the first entry, one more for each next one
//      change:
//        8     4  entryId of the medication
//       12     4  resolution code of the change (the drug ID, -1 or -2)
//       16    15  rxNormId before the change
//       31     3  termType before the change
//       34    15  rxNormId after the change
//       49     3  termType after the change
//       52   771  the medication record as it was read, before the change
//      823     1  zero
//      end of the run:
//        8     4  result: 1 completed, 2 stopped on a failure
//       12     4  medications examined
//       16     4  medications changed
//       20   400  the failure that stopped the run, zero-padded; zeros when completed
//      420   404  zeros
//      both:
//      824     8  checksum of bytes 0-823
//
// A report changes nothing, so its entries (kFindingEntrySize bytes) keep only
// what it found, one for every medication it would change, and its end:
//
//        0     4  kind: 1 finding, 2 end of the run
//        4     4  sequence number, as above
//      finding:
//        8    44  entryId, resolution code, rxNormId and termType before and
//                 after, at the offsets of a change
//       52     4  patientId of the medication
//       56    64  zeros
//      end of the run:
//        8    12  result, medications examined, medications affected, as above
//       20   100  the first line of the failure that stopped the run, zero-padded,
//                 ending "..." where it was longer
//      both:
//      120     8  checksum of bytes 0-119
//
// Checksum: two 32-bit sums s0 and s1, starting at 0, over the covered bytes
// taken as little-endian 32-bit words x[0], x[1], ... two at a time:
// s0 += x[i] + s1; s1 += x[i+1] + s0 (arithmetic modulo 2^32). Stored as s0
// then s1.
//
// Entry n (from 1) starts at kHeaderSize + (n - 1) * kEntrySize and holds
// sequence number n. A reader takes an entry when it is whole, of a known kind,
// holds the sequence number of its place and matches its checksum. A whole
// entry that does not is damaged: the reader names it and goes on at the next
// place, so one spoilt entry costs one change and not the rest of the run. A
// last entry that is not whole is where a killed run stopped writing. A file
// without an end entry was cut off: its run ended without one (killed, a power
// failure). Whatever follows the end entry is ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace journal {

struct Field {
    std::size_t offset;
    std::size_t width;
};

inline constexpr const char* kFolderName = "DosewrightJournal";
inline constexpr const char* kFileExtension = ".journal";

inline constexpr char kMagic[16] = "Dosewright jrnl";
inline constexpr uint32_t kFormatVersion = 2;
// The first version, without a run number; still read.
inline constexpr uint32_t kUnnumberedVersion = 1;
inline constexpr std::size_t kHeaderSize = 128;
inline constexpr std::size_t kEntrySize = 832;
inline constexpr std::size_t kFindingEntrySize = 128;
inline constexpr std::size_t kFindingStatusWidth = 100;
inline constexpr std::size_t kRecordLength = 771;
inline constexpr std::size_t kStatusTextWidth = 400;
inline constexpr std::size_t kRunNameWidth = 64;

enum class Mode : uint32_t { Repair = 1, Undo = 2, Report = 3 };
enum class EntryKind : uint32_t { Change = 1, End = 2 };
enum class Result : uint32_t { Completed = 1, Stopped = 2 };

// Header fields.
inline constexpr Field kHeaderMagic{0, 16};
inline constexpr Field kHeaderVersion{16, 4};
inline constexpr Field kHeaderHeaderSize{20, 4};
inline constexpr Field kHeaderEntrySize{24, 4};
inline constexpr Field kHeaderRecordLength{28, 4};
inline constexpr Field kHeaderMode{32, 4};
inline constexpr Field kHeaderStartTime{40, 8};
inline constexpr Field kHeaderUndoneRun{48, kRunNameWidth};
inline constexpr Field kHeaderRunNumber{112, 8};
inline constexpr Field kHeaderChecksum{120, 8};

// Fields of every entry.
inline constexpr Field kEntryKind{0, 4};
inline constexpr Field kEntrySequence{4, 4};
inline constexpr Field kEntryChecksum{824, 8};

// Fields of a change entry.
inline constexpr Field kChangeEntryId{8, 4};
inline constexpr Field kChangeResolutionCode{12, 4};
inline constexpr Field kChangeOldRxNormId{16, 15};
inline constexpr Field kChangeOldTermType{31, 3};
inline constexpr Field kChangeNewRxNormId{34, 15};
inline constexpr Field kChangeNewTermType{49, 3};
inline constexpr Field kChangeRecord{52, kRecordLength};

// Fields of a report's entries.
inline constexpr Field kFindingPatientId{52, 4};
inline constexpr Field kFindingStatus{20, kFindingStatusWidth};
inline constexpr Field kFindingChecksum{120, 8};

// The size of the entries of a run of `mode`, and where their checksum is.
constexpr std::size_t EntrySizeOf(Mode mode) {
    return mode == Mode::Report ? kFindingEntrySize : kEntrySize;
}
constexpr Field EntryChecksumOf(Mode mode) {
    return mode == Mode::Report ? kFindingChecksum : kEntryChecksum;
}

// Fields of the end entry.
inline constexpr Field kEndResult{8, 4};
inline constexpr Field kEndExamined{12, 4};
inline constexpr Field kEndChanged{16, 4};
inline constexpr Field kEndStatus{20, kStatusTextWidth};

static_assert(kHeaderUndoneRun.offset + kHeaderUndoneRun.width <= kHeaderRunNumber.offset);
static_assert(kHeaderRunNumber.offset + kHeaderRunNumber.width == kHeaderChecksum.offset);
static_assert(kHeaderChecksum.offset + kHeaderChecksum.width == kHeaderSize);
static_assert(kChangeRecord.offset + kChangeRecord.width < kEntryChecksum.offset);
static_assert(kEndStatus.offset + kEndStatus.width < kEntryChecksum.offset);
static_assert(kEntryChecksum.offset + kEntryChecksum.width == kEntrySize);
static_assert(kEntryChecksum.offset % 8 == 0 && kHeaderChecksum.offset % 8 == 0);
static_assert(kFindingPatientId.offset >= kChangeNewTermType.offset + kChangeNewTermType.width);
static_assert(kFindingStatus.offset + kFindingStatus.width == kFindingChecksum.offset);
static_assert(kFindingChecksum.offset + kFindingChecksum.width == kFindingEntrySize);

// Reading and writing the fields of a header or an entry in a byte buffer.
uint32_t GetU32(const unsigned char* bytes, Field field);
uint64_t GetU64(const unsigned char* bytes, Field field);
void PutU32(unsigned char* bytes, Field field, uint32_t value);
void PutU64(unsigned char* bytes, Field field, uint64_t value);

// The checksum of the first `size` bytes (a multiple of 8), as the header and
// every entry store it.
void Checksum(const unsigned char* bytes, std::size_t size, uint32_t& s0, uint32_t& s1);
// Stores the checksum of everything before `field` in `field`.
void Seal(unsigned char* bytes, Field field);
// Whether `field` holds the checksum of everything before it.
bool IsSealed(const unsigned char* bytes, Field field);

} // namespace journal

// The journal folder of a database folder, ending with the separator.
std::string JournalFolder(std::string_view databasePath);
