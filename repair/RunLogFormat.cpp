#include "repair/RunLogFormat.h"

#include <charconv>
#include <cstring>

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool NeedsQuotes(std::string_view text) {
    return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

void AppendCsvText(RunLineBuffer& line, std::string_view text) {
    if (!NeedsQuotes(text)) {
        line.Append(text);
        return;
    }
    line.Append('"');
    for (char c : text) {
        if (c == '"')
            line.Append('"');
        line.Append(c);
    }
    line.Append('"');
}

// The widest values: every text at its field's width, quoted, every quote doubled.
constexpr std::size_t kWidestTexts = 15 + 15 + 12 + 11 + 35 + 25 + 20 + 50;
constexpr std::size_t kWidestCsvLine = 3 * 11 + 2 * kWidestTexts + 2 * 8 + 10 + 2;
// The report sentence has 131 fixed characters; the sentence of a change left
// alone has 123 and a reason of at most 60.
constexpr std::size_t kWidestLogLine = 200 + kWidestTexts;
static_assert(kWidestCsvLine < kRunLineBufferSize && kWidestLogLine < kRunLineBufferSize);

std::string_view OrNull(std::string_view id) { return id.empty() ? "NULL" : id; }

// " for the medication NAME STRENGTH ROUTE FORM for Patient: REF"
void AppendMedication(const RunLineValues& values, RunLineBuffer& line) {
    line.Append(" for the medication ");
    line.Append(values.drugName);
    line.Append(' ');
    line.Append(values.strength);
    line.Append(' ');
    line.Append(values.route);
    line.Append(' ');
    line.Append(values.doseForm);
    line.Append(" for Patient: ");
    line.Append(values.patientRef);
}

} // namespace

void RunLineBuffer::Append(std::string_view text) {
    // One byte stays free so the buffer always holds a terminated text.
    // An empty text may carry no address at all (a patient who was not found),
    // and memcpy must never be handed a null pointer.
    if (text.empty())
        return;
    const std::size_t room = sizeof m_text - 1 - m_length;
    if (text.size() > room)
        text = text.substr(0, room);
    std::memcpy(m_text + m_length, text.data(), text.size());
    m_length += text.size();
}

void RunLineBuffer::AppendNumber(int32_t value) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    Append(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
}

void FormatCsvLine(const RunLineValues& values, RunLineBuffer& line) {
    line.AppendNumber(values.entryId);
    line.Append(',');
    line.AppendNumber(values.resolutionCode);
    line.Append(',');
    AppendCsvText(line, values.newRxNormId);
    line.Append(',');
    AppendCsvText(line, values.oldRxNormId);
    line.Append(',');
    AppendCsvText(line, values.drugCode);
    line.Append(',');
    line.AppendNumber(values.patientId);
    for (std::string_view text : {values.patientRef, values.drugName, values.strength,
                                  values.route, values.doseForm}) {
        line.Append(',');
        AppendCsvText(line, text);
    }
    line.Append(kLineEnd);
}

void FormatLogSentence(const RunLineValues& values, bool reportOnly, RunLineBuffer& line) {
    if (reportOnly) {
        line.Append("The RxNormID ");
        line.Append(OrNull(values.oldRxNormId));
        line.Append(" is incorrect, and should be changed to ");
        line.Append(OrNull(values.newRxNormId));
    } else {
        line.Append("The RxNormID was changed from ");
        line.Append(OrNull(values.oldRxNormId));
        line.Append(" to ");
        line.Append(OrNull(values.newRxNormId));
    }
    AppendMedication(values, line);
    line.Append(". Please verify this change is correct.");
    line.Append(kLineEnd);
}

void FormatUndoLogSentence(const RunLineValues& values, RunLineBuffer& line) {
    line.Append("The RxNormID was changed back from ");
    line.Append(OrNull(values.oldRxNormId));
    line.Append(" to ");
    line.Append(OrNull(values.newRxNormId));
    AppendMedication(values, line);
    line.Append(". Please verify this change is correct.");
    line.Append(kLineEnd);
}

void FormatLeftAloneSentence(const RunLineValues& values, std::string_view reason,
                             RunLineBuffer& line) {
    line.Append("The RxNormID was not changed back from ");
    line.Append(OrNull(values.oldRxNormId));
    line.Append(" to ");
    line.Append(OrNull(values.newRxNormId));
    AppendMedication(values, line);
    line.Append(", because ");
    line.Append(reason);
    line.Append(". Please verify this medication.");
    line.Append(kLineEnd);
}
