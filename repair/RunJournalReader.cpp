#include "repair/RunJournalReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <tuple>

#include "data/FormatText.h"
#include "platform/FileSystem.h"

namespace {

void GetBytes(const unsigned char* bytes, journal::Field field, void* to) {
    std::memcpy(to, bytes + field.offset, field.width);
}

// A zero-padded text field.
std::string GetText(const unsigned char* bytes, journal::Field field) {
    const auto* begin = reinterpret_cast<const char*>(bytes + field.offset);
    return std::string(begin, strnlen(begin, field.width));
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// A run's name split into the time it was started and the number of the name
// taken when that one was in use (1 for none), so that names sort in the order
// the runs were started.
std::pair<std::string_view, long> SortKey(std::string_view name) {
    const std::size_t mark = name.rfind('_');
    if (mark == std::string_view::npos)
        return {name, 1};
    return {name.substr(0, mark),
            std::strtol(std::string(name.substr(mark + 1)).c_str(), nullptr, 10)};
}

} // namespace

bool RunJournalReader::Open(std::string_view databasePath, std::string_view fileName) {
    const std::string folder = JournalFolder(databasePath);
    if (!m_file.OpenToRead(folder.c_str(), std::string(fileName).c_str())) {
        m_error = platform::LastErrorCode();
        return false;
    }
    unsigned char header[journal::kHeaderSize] = {};
    std::size_t read = 0;
    if (!m_file.Read(header, sizeof header, read)) {
        m_error = platform::LastErrorCode();
        return false;
    }
    // A run killed before its header was whole changed nothing: the header is
    // on the disk before the first change.
    if (read < sizeof header &&
        std::memcmp(header, journal::kMagic, std::min(read, journal::kHeaderMagic.width)) == 0) {
        m_headerCut = true;
        m_file.Close();
        return true;
    }
    const uint32_t mode = journal::GetU32(header, journal::kHeaderMode);
    const uint32_t version = journal::GetU32(header, journal::kHeaderVersion);
    const bool knownMode = mode == static_cast<uint32_t>(journal::Mode::Repair) ||
                           mode == static_cast<uint32_t>(journal::Mode::Undo) ||
                           (mode == static_cast<uint32_t>(journal::Mode::Report) &&
                            version == journal::kFormatVersion);
    const bool valid =
        read == sizeof header &&
        std::memcmp(header + journal::kHeaderMagic.offset, journal::kMagic,
                    journal::kHeaderMagic.width) == 0 &&
        journal::IsSealed(header, journal::kHeaderChecksum) &&
        (version == journal::kFormatVersion || version == journal::kUnnumberedVersion) &&
        journal::GetU32(header, journal::kHeaderHeaderSize) == journal::kHeaderSize && knownMode &&
        journal::GetU32(header, journal::kHeaderEntrySize) ==
            journal::EntrySizeOf(static_cast<journal::Mode>(mode)) &&
        journal::GetU32(header, journal::kHeaderRecordLength) == journal::kRecordLength;
    if (!valid) {
        m_error = 0;
        return false;
    }
    m_mode = static_cast<journal::Mode>(mode);
    m_entrySize = journal::EntrySizeOf(m_mode);
    m_start = static_cast<int64_t>(journal::GetU64(header, journal::kHeaderStartTime));
    m_undoneRun = GetText(header, journal::kHeaderUndoneRun);
    if (version == journal::kFormatVersion)
        m_runNumber = journal::GetU64(header, journal::kHeaderRunNumber);
    return true;
}

bool RunJournalReader::ReadWholeEntry() {
    std::size_t read = 0;
    if (!m_file.Read(m_entry, m_entrySize, read)) {
        m_error = platform::LastErrorCode();
        return false;
    }
    if (read > 0 && read < m_entrySize)
        m_tailIgnored = true; // where a killed run stopped writing
    return read == m_entrySize;
}

bool RunJournalReader::IsGoodEntry() const {
    const uint32_t kind = journal::GetU32(m_entry, journal::kEntryKind);
    return journal::GetU32(m_entry, journal::kEntrySequence) == m_sequence + 1 &&
           (kind == static_cast<uint32_t>(journal::EntryKind::Change) ||
            kind == static_cast<uint32_t>(journal::EntryKind::End)) &&
           journal::IsSealed(m_entry, journal::EntryChecksumOf(m_mode));
}

RunJournalReader::Entry RunJournalReader::Stop() {
    if (m_file.IsOpen())
        m_file.Close();
    return Entry::None;
}

RunJournalReader::Entry RunJournalReader::Next(JournalChange& change, JournalEnd& end) {
    if (m_pending) {
        m_pending = false;
        return Decode(change, end);
    }
    if (!m_file.IsOpen())
        return Entry::None;
    if (!ReadWholeEntry())
        return Stop();
    if (m_ended) {
        m_tailIgnored = true; // nothing is written after the end of a run
        return Stop();
    }
    if (IsGoodEntry())
        return Decode(change, end);
    return DamageFrom(m_sequence + 1);
}

// The entry at place `first` is whole but damaged: the damage runs on to the
// next good entry, which is kept for the next call, or to the end of the file.
RunJournalReader::Entry RunJournalReader::DamageFrom(uint64_t first) {
    m_damage = {first, first};
    m_sequence = first;
    for (uint64_t inRow = 1; inRow < kDamageSearchLimit; ++inRow) {
        if (!ReadWholeEntry()) {
            Stop();
            return Entry::Damaged;
        }
        if (IsGoodEntry()) {
            m_pending = true;
            return Entry::Damaged;
        }
        m_damage.last = ++m_sequence;
    }
    // Too much to be a few spoilt entries (zeros or garbage of any size): the
    // rest of the file is damage, as many entries as it has room for.
    std::uint64_t size = 0;
    if (m_file.Size(size) && size > journal::kHeaderSize)
        m_damage.last = std::max(m_damage.last, (size - journal::kHeaderSize) / m_entrySize);
    Stop();
    return Entry::Damaged;
}

RunJournalReader::Entry RunJournalReader::Decode(JournalChange& change, JournalEnd& end) {
    ++m_sequence;
    if (journal::GetU32(m_entry, journal::kEntryKind) ==
        static_cast<uint32_t>(journal::EntryKind::End)) {
        m_ended = true;
        end.result = journal::GetU32(m_entry, journal::kEndResult) ==
                             static_cast<uint32_t>(journal::Result::Completed)
                         ? journal::Result::Completed
                         : journal::Result::Stopped;
        end.examined = static_cast<int32_t>(journal::GetU32(m_entry, journal::kEndExamined));
        end.changed = static_cast<int32_t>(journal::GetU32(m_entry, journal::kEndChanged));
        end.status = GetText(m_entry, m_mode == journal::Mode::Report ? journal::kFindingStatus
                                                                      : journal::kEndStatus);
        return Entry::End;
    }
    change.entryId = static_cast<int32_t>(journal::GetU32(m_entry, journal::kChangeEntryId));
    change.resolutionCode =
        static_cast<int32_t>(journal::GetU32(m_entry, journal::kChangeResolutionCode));
    GetBytes(m_entry, journal::kChangeOldRxNormId, change.oldRxNormId);
    GetBytes(m_entry, journal::kChangeOldTermType, change.oldTermType);
    GetBytes(m_entry, journal::kChangeNewRxNormId, change.newRxNormId);
    GetBytes(m_entry, journal::kChangeNewTermType, change.newTermType);
    change.recordKept = m_mode != journal::Mode::Report;
    if (change.recordKept) {
        GetBytes(m_entry, journal::kChangeRecord, &change.asRead);
    } else {
        change.asRead = _MRRX{};
        change.asRead.entryId = change.entryId;
        change.asRead.patientId =
            static_cast<int32_t>(journal::GetU32(m_entry, journal::kFindingPatientId));
        std::memcpy(change.asRead.rxNormId, change.oldRxNormId, sizeof change.oldRxNormId);
        std::memcpy(change.asRead.termType, change.oldTermType, sizeof change.oldTermType);
    }
    return Entry::Change;
}

namespace {

// The journal files of the folder in the order their runs ran, and the
// highest run number among them (0 for none).
bool OrderedJournals(std::string_view databasePath, std::vector<std::string>& names, int& error,
                     uint64_t& highest) {
    std::string folder = JournalFolder(databasePath);
    folder.pop_back();
    names.clear();
    error = 0;
    highest = 0;
    if (!platform::ListFolder(folder.c_str(), names)) {
        error = platform::LastErrorCode();
        names.clear();
        return platform::IsNotFoundError(error);
    }
    const std::string_view extension = journal::kFileExtension;
    std::erase_if(names, [&](const std::string& name) {
        return !EndsWith(name, extension) || name.size() == extension.size();
    });
    struct Placed {
        uint64_t runNumber;
        int unnumbered; // 1: a header that cannot be read, placed after its number
        std::pair<std::string_view, long> byName;
        const std::string* name;
    };
    std::vector<Placed> order;
    order.reserve(names.size());
    for (const std::string& name : names) {
        order.push_back({0, 0,
                         SortKey(std::string_view(name).substr(0, name.size() - extension.size())),
                         &name});
    }
    // In the order of the names first: a journal whose header cannot be read
    // (cut as it began, or damaged) has no number, and keeps its place after
    // the numbered run its name follows.
    std::sort(order.begin(), order.end(),
              [](const Placed& a, const Placed& b) { return a.byName < b.byName; });
    uint64_t carried = 0;
    for (Placed& placed : order) {
        RunJournalReader reader;
        if (reader.Open(databasePath, *placed.name) && !reader.HeaderCut()) {
            placed.runNumber = reader.RunNumber();
            carried = std::max(carried, placed.runNumber);
        } else {
            placed.runNumber = carried;
            placed.unnumbered = 1;
        }
    }
    highest = carried;
    std::stable_sort(order.begin(), order.end(), [](const Placed& a, const Placed& b) {
        return std::tie(a.runNumber, a.unnumbered) < std::tie(b.runNumber, b.unnumbered);
    });
    std::vector<std::string> sorted;
    sorted.reserve(order.size());
    for (const Placed& placed : order)
        sorted.push_back(*placed.name);
    names = std::move(sorted);
    return true;
}

} // namespace

bool JournalFileNames(std::string_view databasePath, std::vector<std::string>& names, int& error) {
    uint64_t highest = 0;
    return OrderedJournals(databasePath, names, error, highest);
}

std::string NewestUndoableRun(std::string_view databasePath,
                              const std::vector<std::string>& names) {
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        // One whose header cannot be read is offered: its undo says why it fails.
        RunJournalReader reader;
        if (!reader.Open(databasePath, *name) || reader.HeaderCut() ||
            reader.Mode() != journal::Mode::Report)
            return *name;
    }
    return {};
}

uint64_t NextRunNumber(std::string_view databasePath) {
    std::vector<std::string> names;
    int error = 0;
    uint64_t highest = 0;
    OrderedJournals(databasePath, names, error, highest);
    return highest + 1;
}

namespace {

// What the header of a journal that opened says of its run.
void TakeHeader(const RunJournalReader& reader, JournalRunSummary& summary) {
    summary.readable = true;
    summary.headerCut = reader.HeaderCut();
    summary.mode = reader.Mode();
    summary.startMilliseconds = reader.StartMilliseconds();
    summary.undoneRun = reader.UndoneRun();
    summary.runNumber = reader.RunNumber();
}

} // namespace

JournalRunSummary SummarizeRun(std::string_view databasePath, std::string_view fileName) {
    JournalRunSummary summary;
    summary.name = fileName.substr(0, fileName.size() - std::strlen(journal::kFileExtension));
    RunJournalReader reader;
    if (!reader.Open(databasePath, fileName))
        return summary;
    TakeHeader(reader, summary);
    JournalChange change;
    for (RunJournalReader::Entry entry;
         (entry = reader.Next(change, summary.end)) != RunJournalReader::Entry::None;) {
        if (entry == RunJournalReader::Entry::Change)
            ++summary.changes;
        else if (entry == RunJournalReader::Entry::Damaged)
            summary.damaged += reader.Damage().Count();
        else
            summary.ended = true;
    }
    return summary;
}

std::size_t ChooseRun(std::string_view databasePath, const std::vector<std::string>& names,
                      std::string_view name, std::size_t before, bool (*accepts)(journal::Mode)) {
    if (!name.empty()) {
        const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
            return n == name || (n.size() == name.size() + std::strlen(journal::kFileExtension) &&
                                 n.starts_with(name) && n.ends_with(journal::kFileExtension));
        });
        return static_cast<std::size_t>(found - names.begin());
    }
    for (std::size_t i = before; i-- > 0;) {
        RunJournalReader reader;
        if (reader.Open(databasePath, names[i]) && !reader.HeaderCut() && accepts(reader.Mode()))
            return i;
    }
    return names.size();
}

bool ReadWholeRun(std::string_view databasePath, const std::string& fileName,
                  JournalRunSummary& summary,
                  const std::function<void(const JournalChange&)>& onChange, std::string& failure) {
    const std::string stem =
        fileName.substr(0, fileName.size() - std::strlen(journal::kFileExtension));
    RunJournalReader reader;
    if (!reader.Open(databasePath, fileName) || reader.HeaderCut()) {
        failure = "The run " + stem + " cannot be read: it is damaged or no run journal.";
        return false;
    }
    summary.name = stem;
    TakeHeader(reader, summary);
    JournalChange change;
    for (RunJournalReader::Entry entry;
         (entry = reader.Next(change, summary.end)) != RunJournalReader::Entry::None;) {
        if (entry == RunJournalReader::Entry::Damaged) {
            failure =
                FormatText("The run %s is damaged: %llu of its entries could not be read.",
                           stem.c_str(), static_cast<unsigned long long>(reader.Damage().Count()));
            return false;
        }
        if (entry == RunJournalReader::Entry::Change) {
            onChange(change);
            ++summary.changes;
        } else {
            summary.ended = true;
        }
    }
    if (reader.ErrorCode() != 0) {
        failure = FormatText("The run %s cannot be read. Error Code:%d", stem.c_str(),
                             reader.ErrorCode());
        return false;
    }
    return true;
}

std::string LocalTimeText(int64_t milliseconds) {
    const std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
    char text[32] = {};
    if (const std::tm* local = std::localtime(&seconds))
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    return text;
}
