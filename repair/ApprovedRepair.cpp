#include "repair/ApprovedRepair.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <utility>

#include "data/FormatText.h"
#include "data/RecordField.h"
#include "platform/FileSystem.h"

namespace {

std::string IdOf(const _MRRX& record) {
    return GetFieldText(RecordBytes(record), kMrrxRxNormId);
}

// An RxNorm ID as the log shows it.
std::string Shown(const std::string& id) {
    return id.empty() ? "NULL" : id;
}

} // namespace

void ApprovedRepair::Begin(ApprovedParse approved) {
    m_approved = std::move(approved);
    m_rows.assign(m_approved.changes.size(), Row::NotReached);
    m_active = true;
}

ApprovedRepair::Row& ApprovedRepair::RowOf(const ApprovedChange& change) {
    return m_rows[static_cast<std::size_t>(&change - m_approved.changes.data())];
}

void ApprovedRepair::End() {
    m_active = false;
}

void ApprovedRepair::NoteMedication(const _MRRX& record) {
    const ApprovedChange* change = FindApproved(m_approved, record.entryId, record.patientId);
    if (change && RowOf(*change) == Row::NotReached)
        RowOf(*change) = Row::Reached;
}

ApprovedRepair::Verdict ApprovedRepair::Judge(const _MRRX& asRead, const _MRRX& changed,
                                              std::string& reason) {
    const ApprovedChange* found = FindApproved(m_approved, asRead.entryId, asRead.patientId);
    if (!found)
        return Verdict::NotListed;
    const ApprovedChange& approved = *found;
    if (approved.oldRxNormId == IdOf(asRead) && approved.newRxNormId == IdOf(changed)) {
        RowOf(approved) = Row::Applied;
        return Verdict::Approved;
    }
    RowOf(approved) = Row::Differed;
    reason = "the change approved was from " + Shown(approved.oldRxNormId) + " to " +
             Shown(approved.newRxNormId);
    return Verdict::Differs;
}

std::vector<std::string> ApprovedRepair::UnmadeSentences() const {
    std::vector<std::string> sentences;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i] != Row::Reached && m_rows[i] != Row::NotReached)
            continue;
        const ApprovedChange& change = m_approved.changes[i];
        sentences.push_back(FormatText(
            "The approved change from %s to %s of the medication %d of patient %d (line %zu of "
            "the approved file) was not made, because %s.",
            Shown(change.oldRxNormId).c_str(), Shown(change.newRxNormId).c_str(), change.entryId,
            change.patientId, change.line,
            m_rows[i] == Row::Reached ? "the repair would change nothing of it now"
                                      : "no medication in MRRX99 is that one"));
    }
    return sentences;
}

int32_t ApprovedRepair::Applied() const {
    return static_cast<int32_t>(std::count(m_rows.begin(), m_rows.end(), Row::Applied));
}

int32_t ApprovedRepair::LeftAlone() const {
    return static_cast<int32_t>(std::count_if(m_rows.begin(), m_rows.end(), [](Row row) {
        return row == Row::Reached || row == Row::Differed;
    }));
}

int32_t ApprovedRepair::Unmatched() const {
    return static_cast<int32_t>(std::count(m_rows.begin(), m_rows.end(), Row::NotReached));
}

std::string ApprovedRepairResultText(int32_t fixed, int32_t examined,
                                     const ApprovedRepair& repair) {
    return FormatText("Number of Medications fixed: %d/%d\nApproved changes made: %d of %d; left "
                      "alone because the medication or the dictionary changed since: %d; "
                      "matching no medication: %d.\nPlease refer to Dosewright.log for more "
                      "details.",
                      fixed, examined, repair.Applied(), repair.Rows(), repair.LeftAlone(),
                      repair.Unmatched());
}

ApprovedParse LoadApprovedChanges(const char* path) {
    ApprovedParse refused;
    auto fail = [&](const std::string& why) {
        refused.failure = std::string("The approved file ") + path + " cannot be read: " + why;
        return refused;
    };
    std::FILE* file = platform::OpenRegularFile(path, "rb");
    if (!file) {
        const int error = platform::LastErrorCode();
        const platform::PathKind kind = platform::KindOfPath(path);
        return fail(kind == platform::PathKind::File || kind == platform::PathKind::Nothing
                        ? platform::DescribeErrorCode(error)
                        : std::string("it is ") + platform::PathKindText(kind) +
                              ", not a file of its own");
    }
    std::uint64_t size = 0;
    std::string text;
    bool read = platform::StreamFileSize(file, size);
    if (read && size > kApprovedFileMaxBytes) {
        std::fclose(file);
        return fail(FormatText("it has %llu bytes, more than the %llu an approved file may have",
                               static_cast<unsigned long long>(size),
                               static_cast<unsigned long long>(kApprovedFileMaxBytes)));
    }
    if (read) {
        text.resize(static_cast<std::size_t>(size));
        read = std::fread(text.data(), 1, text.size(), file) == text.size();
    }
    std::fclose(file);
    if (!read)
        return fail(platform::DescribeErrorCode(platform::LastErrorCode()));
    return ParseApprovedChanges(text, path);
}
