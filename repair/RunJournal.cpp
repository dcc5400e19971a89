#include "repair/RunJournal.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "data/FormatText.h"
#include "platform/FileSystem.h"
#include "repair/RunJournalReader.h"

namespace {

// Further names tried when the one of the present moment is taken.
constexpr int kNameAttempts = 100;

void PutBytes(unsigned char* bytes, journal::Field field, const void* from) {
    std::memcpy(bytes + field.offset, from, field.width);
}

// Copies at most the field's width of `text`; the rest of the field stays zero.
// An empty text may carry no address at all, and memcpy is never handed null.
void PutText(unsigned char* bytes, journal::Field field, std::string_view text) {
    if (text.empty())
        return;
    std::memcpy(bytes + field.offset, text.data(), std::min(text.size(), field.width));
}

int64_t NowMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace

std::string JournalFailureText(std::string_view databasePath, const char* format, int error) {
    std::string text = FormatText(format, error);
    std::string folder = JournalFolder(databasePath);
    folder.pop_back();
    const platform::PathKind kind = platform::KindOfPath(folder.c_str());
    if (kind != platform::PathKind::Folder && kind != platform::PathKind::Nothing) {
        text += FormatText("\n%s is %s; it must be a folder of its own.", journal::kFolderName,
                           platform::PathKindText(kind));
    }
    return text;
}

std::string RunJournal::NameOf(int64_t startMilliseconds) {
    using namespace std::chrono;
    const sys_time<milliseconds> time{milliseconds(startMilliseconds)};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss<milliseconds> clock{time - day};
    char name[40];
    std::snprintf(
        name, sizeof name, "%04d%02u%02u-%02d%02d%02d.%03dZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
        static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    return name;
}

bool RunJournal::Fail() {
    m_error = platform::LastErrorCode();
    m_broken = true;
    return false;
}

bool RunJournal::Begin(std::string_view databasePath, journal::Mode mode,
                       std::string_view undoneRun) {
    const std::string folder = JournalFolder(databasePath);
    const std::string folderPath = folder.substr(0, folder.size() - 1);
    if (!platform::IsFolder(folderPath.c_str()) && !platform::CreateFolder(folderPath.c_str()))
        return Fail();

    const uint64_t runNumber = NextRunNumber(databasePath);
    const int64_t start = NowMilliseconds();
    const std::string stem = NameOf(start);
    for (int attempt = 1; attempt <= kNameAttempts && !m_file.IsOpen(); ++attempt) {
        m_name = attempt == 1 ? stem : stem + "_" + std::to_string(attempt);
        const std::string fileName = m_name + journal::kFileExtension;
        if (!m_file.CreateNew(folder.c_str(), fileName.c_str()) &&
            !platform::IsAlreadyExistsError(platform::LastErrorCode())) {
            return Fail();
        }
    }
    if (!m_file.IsOpen())
        return Fail();

    unsigned char header[journal::kHeaderSize] = {};
    PutBytes(header, journal::kHeaderMagic, journal::kMagic);
    journal::PutU32(header, journal::kHeaderVersion, journal::kFormatVersion);
    journal::PutU32(header, journal::kHeaderHeaderSize, journal::kHeaderSize);
    m_mode = mode;
    journal::PutU32(header, journal::kHeaderEntrySize,
                    static_cast<uint32_t>(journal::EntrySizeOf(mode)));
    journal::PutU32(header, journal::kHeaderRecordLength, journal::kRecordLength);
    journal::PutU32(header, journal::kHeaderMode, static_cast<uint32_t>(mode));
    journal::PutU64(header, journal::kHeaderStartTime, static_cast<uint64_t>(start));
    PutText(header, journal::kHeaderUndoneRun, undoneRun);
    journal::PutU64(header, journal::kHeaderRunNumber, runNumber);
    journal::Seal(header, journal::kHeaderChecksum);
    // The header reaches the disk before the first change does.
    if (!m_file.Append(header, sizeof header) || !m_file.Sync())
        return Fail();
    m_syncer.Start(m_file);
    return true;
}

bool RunJournal::AppendEntry() {
    if (m_broken)
        return false;
    journal::PutU32(m_entry, journal::kEntrySequence, ++m_sequence);
    journal::Seal(m_entry, journal::EntryChecksumOf(m_mode));
    if (!SyncStillSucceeds())
        return false;
    if (!m_file.Append(m_entry, journal::EntrySizeOf(m_mode)))
        return Fail();
    m_syncer.NoteAppended();
    return true;
}

bool RunJournal::RecordChange(const _MRRX& asRead, const _MRRX& changed, int32_t resolutionCode) {
    std::memset(m_entry, 0, sizeof m_entry);
    journal::PutU32(m_entry, journal::kEntryKind,
                    static_cast<uint32_t>(journal::EntryKind::Change));
    journal::PutU32(m_entry, journal::kChangeEntryId, static_cast<uint32_t>(asRead.entryId));
    journal::PutU32(m_entry, journal::kChangeResolutionCode, static_cast<uint32_t>(resolutionCode));
    PutBytes(m_entry, journal::kChangeOldRxNormId, asRead.rxNormId);
    PutBytes(m_entry, journal::kChangeOldTermType, asRead.termType);
    PutBytes(m_entry, journal::kChangeNewRxNormId, changed.rxNormId);
    PutBytes(m_entry, journal::kChangeNewTermType, changed.termType);
    if (m_mode == journal::Mode::Report)
        journal::PutU32(m_entry, journal::kFindingPatientId,
                        static_cast<uint32_t>(asRead.patientId));
    else
        PutBytes(m_entry, journal::kChangeRecord, &asRead);
    return AppendEntry();
}

bool RunJournal::SyncStillSucceeds() {
    if (m_broken)
        return false;
    const int error = m_syncer.Error();
    if (error == 0)
        return true;
    m_error = error;
    m_broken = true;
    return false;
}

bool RunJournal::End(journal::Result result, int32_t examined, int32_t changed,
                     std::string_view status) {
    if (!m_file.IsOpen())
        return false;
    std::memset(m_entry, 0, sizeof m_entry);
    journal::PutU32(m_entry, journal::kEntryKind, static_cast<uint32_t>(journal::EntryKind::End));
    journal::PutU32(m_entry, journal::kEndResult, static_cast<uint32_t>(result));
    journal::PutU32(m_entry, journal::kEndExamined, static_cast<uint32_t>(examined));
    journal::PutU32(m_entry, journal::kEndChanged, static_cast<uint32_t>(changed));
    if (m_mode != journal::Mode::Report) {
        PutText(m_entry, journal::kEndStatus, status);
    } else {
        // Its first line, as the list of runs shows it.
        std::string_view line = status.substr(0, status.find('\n'));
        std::string shortened(line);
        if (shortened.size() > journal::kFindingStatusWidth)
            shortened = std::string(line.substr(0, journal::kFindingStatusWidth - 3)) + "...";
        PutText(m_entry, journal::kFindingStatus, shortened);
    }
    // The syncer stops first: the last sync is this thread's, and its result
    // is the run's.
    m_syncer.Stop();
    bool written = AppendEntry() && (m_file.Sync() || Fail());
    if (!m_file.Close() && written)
        written = Fail();
    return written;
}
