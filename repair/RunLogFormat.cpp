#include "repair/RunLogFormat.h"

#include <charconv>
#include <cstring>

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool NeedsQuotes(std::string_view text) {
    return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

// A text column: quoted when it holds a separator, a quote or a line end, and
// led by an apostrophe when it would begin a formula, so that a name such as
// =HYPERLINK(...) is shown as text when the report is opened in a spreadsheet.
void AppendCsvText(RunLineBuffer& line, std::string_view text) {
    const bool quoted = NeedsQuotes(text);
    if (quoted)
        line.Append('"');
    if (LooksLikeCsvFormula(text))
        line.Append('\'');
    for (char c : text) {
        if (c == '"')
            line.Append('"');
        line.Append(c);
    }
    if (quoted)
        line.Append('"');
}

// A text of the log sentence: a line end inside it becomes a blank, so that one
// medication is always one line and no text can start a sentence of its own.
void AppendLogText(RunLineBuffer& line, std::string_view text) {
    for (char c : text)
        line.Append(c == '\r' || c == '\n' ? ' ' : c);
}

// The widest values: every text at its field's width, quoted, led by an
// apostrophe, every quote doubled.
constexpr std::size_t kWidestTexts = 15 + 15 + 12 + 11 + 35 + 25 + 20 + 50;
constexpr std::size_t kWidestCsvLine = 3 * 11 + 2 * kWidestTexts + 3 * 8 + 10 + 2;
// The report sentence has 131 fixed characters; the sentence of a change left
// alone has 123 and a reason of at most 60.
constexpr std::size_t kWidestLogLine = 200 + kWidestTexts;
static_assert(kWidestCsvLine < kRunLineBufferSize && kWidestLogLine < kRunLineBufferSize);

std::string_view OrNull(std::string_view id) {
    return id.empty() ? "NULL" : id;
}

// "LEAD<old ID>BETWEEN<new ID> for the medication NAME STRENGTH ROUTE FORM for
// Patient: REF": the start of every sentence of the log, its texts as they
// stand but for line ends, whatever the table holds.
void AppendChange(const RunLineValues& values, std::string_view lead, std::string_view between,
                  RunLineBuffer& line) {
    line.Append(lead);
    AppendLogText(line, OrNull(values.oldRxNormId));
    line.Append(between);
    AppendLogText(line, OrNull(values.newRxNormId));
    line.Append(" for the medication ");
    AppendLogText(line, values.drugName);
    line.Append(' ');
    AppendLogText(line, values.strength);
    line.Append(' ');
    AppendLogText(line, values.route);
    line.Append(' ');
    AppendLogText(line, values.doseForm);
    line.Append(" for Patient: ");
    AppendLogText(line, values.patientRef);
}

} // namespace

bool LooksLikeCsvFormula(std::string_view text) {
    if (!text.empty() && (text.front() == '\t' || text.front() == '\r'))
        return true;
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos &&
           std::string_view("=+-@").find(text[first]) != std::string_view::npos;
}

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
    for (std::string_view text :
         {values.patientRef, values.drugName, values.strength, values.route, values.doseForm}) {
        line.Append(',');
        AppendCsvText(line, text);
    }
    line.Append(kLineEnd);
}

void FormatLogSentence(const RunLineValues& values, bool reportOnly, RunLineBuffer& line) {
    if (reportOnly)
        AppendChange(values, "The RxNormID ", " is incorrect, and should be changed to ", line);
    else
        AppendChange(values, "The RxNormID was changed from ", " to ", line);
    line.Append(". Please verify this change is correct.");
    line.Append(kLineEnd);
}

void FormatUndoLogSentence(const RunLineValues& values, RunLineBuffer& line) {
    AppendChange(values, "The RxNormID was changed back from ", " to ", line);
    line.Append(". Please verify this change is correct.");
    line.Append(kLineEnd);
}

void FormatLeftAloneSentence(const RunLineValues& values, std::string_view reason, bool undoing,
                             RunLineBuffer& line) {
    AppendChange(values,
                 undoing ? "The RxNormID was not changed back from "
                         : "The RxNormID was not changed from ",
                 " to ", line);
    line.Append(", because ");
    AppendLogText(line, reason);
    line.Append(". Please verify this medication.");
    line.Append(kLineEnd);
}

void FormatRunNote(std::string_view sentence, RunLineBuffer& line) {
    AppendLogText(line, sentence);
    line.Append(kLineEnd);
}
