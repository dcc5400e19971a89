#include "repair/RunJournalReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/FileSystem.h"
#include "repair/RunJournal.h"

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
    const bool valid =
        read == sizeof header &&
        std::memcmp(header + journal::kHeaderMagic.offset, journal::kMagic,
                    journal::kHeaderMagic.width) == 0 &&
        journal::IsSealed(header, journal::kHeaderChecksum) &&
        journal::GetU32(header, journal::kHeaderVersion) == journal::kFormatVersion &&
        journal::GetU32(header, journal::kHeaderHeaderSize) == journal::kHeaderSize &&
        journal::GetU32(header, journal::kHeaderEntrySize) == journal::kEntrySize &&
        journal::GetU32(header, journal::kHeaderRecordLength) == journal::kRecordLength &&
        (mode == static_cast<uint32_t>(journal::Mode::Repair) ||
         mode == static_cast<uint32_t>(journal::Mode::Undo));
    if (!valid) {
        m_error = 0;
        return false;
    }
    m_mode = static_cast<journal::Mode>(mode);
    m_start = static_cast<int64_t>(journal::GetU64(header, journal::kHeaderStartTime));
    m_undoneRun = GetText(header, journal::kHeaderUndoneRun);
    return true;
}

RunJournalReader::Entry RunJournalReader::Next(JournalChange& change, JournalEnd& end) {
    if (!m_file.IsOpen())
        return Entry::None;
    std::size_t read = 0;
    if (!m_file.Read(m_entry, sizeof m_entry, read)) {
        m_error = platform::LastErrorCode();
        m_file.Close();
        return Entry::None;
    }
    const uint32_t kind = journal::GetU32(m_entry, journal::kEntryKind);
    const bool good = !m_ended && read == sizeof m_entry &&
                      journal::GetU32(m_entry, journal::kEntrySequence) == m_sequence + 1 &&
                      (kind == static_cast<uint32_t>(journal::EntryKind::Change) ||
                       kind == static_cast<uint32_t>(journal::EntryKind::End)) &&
                      journal::IsSealed(m_entry, journal::kEntryChecksum);
    if (!good) {
        m_tailIgnored = read > 0;
        m_file.Close();
        return Entry::None;
    }
    ++m_sequence;
    if (kind == static_cast<uint32_t>(journal::EntryKind::End)) {
        m_ended = true;
        end.result = journal::GetU32(m_entry, journal::kEndResult) ==
                             static_cast<uint32_t>(journal::Result::Completed)
                         ? journal::Result::Completed
                         : journal::Result::Stopped;
        end.examined = static_cast<int32_t>(journal::GetU32(m_entry, journal::kEndExamined));
        end.changed = static_cast<int32_t>(journal::GetU32(m_entry, journal::kEndChanged));
        end.status = GetText(m_entry, journal::kEndStatus);
        return Entry::End;
    }
    change.entryId = static_cast<int32_t>(journal::GetU32(m_entry, journal::kChangeEntryId));
    change.resolutionCode =
        static_cast<int32_t>(journal::GetU32(m_entry, journal::kChangeResolutionCode));
    GetBytes(m_entry, journal::kChangeOldRxNormId, change.oldRxNormId);
    GetBytes(m_entry, journal::kChangeOldTermType, change.oldTermType);
    GetBytes(m_entry, journal::kChangeNewRxNormId, change.newRxNormId);
    GetBytes(m_entry, journal::kChangeNewTermType, change.newTermType);
    GetBytes(m_entry, journal::kChangeRecord, &change.asRead);
    return Entry::Change;
}

std::vector<std::string> JournalFileNames(std::string_view databasePath) {
    std::string folder = JournalFolder(databasePath);
    folder.pop_back();
    std::vector<std::string> names;
    if (!platform::ListFolder(folder.c_str(), names))
        return {};
    std::erase_if(names, [](const std::string& name) {
        return !EndsWith(name, journal::kFileExtension) ||
               name.size() == std::strlen(journal::kFileExtension);
    });
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string_view extension = journal::kFileExtension;
        return SortKey(std::string_view(a).substr(0, a.size() - extension.size())) <
               SortKey(std::string_view(b).substr(0, b.size() - extension.size()));
    });
    return names;
}

JournalRunSummary SummarizeRun(std::string_view databasePath, std::string_view fileName) {
    JournalRunSummary summary;
    summary.name = fileName.substr(0, fileName.size() - std::strlen(journal::kFileExtension));
    RunJournalReader reader;
    if (!reader.Open(databasePath, fileName))
        return summary;
    summary.readable = true;
    summary.headerCut = reader.HeaderCut();
    summary.mode = reader.Mode();
    summary.startMilliseconds = reader.StartMilliseconds();
    summary.undoneRun = reader.UndoneRun();
    JournalChange change;
    for (RunJournalReader::Entry entry;
         (entry = reader.Next(change, summary.end)) != RunJournalReader::Entry::None;) {
        if (entry == RunJournalReader::Entry::Change)
            ++summary.changes;
        else
            summary.ended = true;
    }
    return summary;
}

std::string LocalTimeText(int64_t milliseconds) {
    const std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
    char text[32] = {};
    if (const std::tm* local = std::localtime(&seconds))
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    return text;
}
