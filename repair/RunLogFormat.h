// The texts of the run log sentence and the CSV line of one affected medication.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Lines are built in a buffer of this size; the longest possible line, every
// text at its field's width and quoted throughout, stays well inside it.
inline constexpr std::size_t kRunLineBufferSize = 1000;

struct RunLineValues {
    int32_t entryId = 0;
    int32_t resolutionCode = 0;   // the drug ID, -1 (no drug matched) or -2 (not describable)
    std::string_view newRxNormId; // empty when the ID was removed
    std::string_view oldRxNormId; // empty when there was none
    std::string_view drugCode;
    int32_t patientId = 0;
    std::string_view patientRef;
    std::string_view drugName;
    std::string_view strength;
    std::string_view route;
    std::string_view doseForm;
};

// A line under construction in a fixed buffer. The longest line the two formats
// can make is well below the buffer's size (checked where they are built), and
// nothing is ever written past its end.
class RunLineBuffer {
public:
    void Append(std::string_view text);
    void Append(char c) { Append(std::string_view(&c, 1)); }
    void AppendNumber(int32_t value);
    const char* data() const { return m_text; }
    std::size_t size() const { return m_length; }
    std::string_view view() const { return {m_text, m_length}; }

private:
    char m_text[kRunLineBufferSize] = {};
    std::size_t m_length = 0;
};

// Whether a spreadsheet would take a CSV text cell for a formula: it begins
// with =, +, -, @ (after any blanks and line ends), a tab or a carriage return.
bool LooksLikeCsvFormula(std::string_view text);

// "%d,%d,%s,%s,%s,%d,%s,%s,%s,%s,%s" and CR LF. A text holding a comma, a double
// quote, a carriage return or a line feed is enclosed in double quotes with its
// quotes doubled, so that every line has exactly 11 fields. A text beginning
// with =, +, -, @, a tab or a carriage return is led by an apostrophe (inside
// the quotes), so that a spreadsheet never takes it for a formula; numbers are
// written as they are.
void FormatCsvLine(const RunLineValues& values, RunLineBuffer& line);

// The repair-mode or report-mode sentence and CR LF; an empty old or new RxNorm ID
// reads NULL, and a carriage return or line feed inside a text reads as a blank.
void FormatLogSentence(const RunLineValues& values, bool reportOnly, RunLineBuffer& line);

// The sentence of a change an undo took back: from the RxNorm ID the run had
// written (`oldRxNormId`) back to the one it replaced (`newRxNormId`).
void FormatUndoLogSentence(const RunLineValues& values, RunLineBuffer& line);

// The sentence of a change an undo left alone (`undoing`: "was not changed
// back from"), or a repair did not make ("was not changed from"), and why
// (`reason`, a clause such as "the medication was changed since").
void FormatLeftAloneSentence(const RunLineValues& values, std::string_view reason, bool undoing,
                             RunLineBuffer& line);

// A sentence about the run itself (its journal, how it ended) and CR LF, its
// line ends read as blanks.
void FormatRunNote(std::string_view sentence, RunLineBuffer& line);
