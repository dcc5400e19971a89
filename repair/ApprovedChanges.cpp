#include "repair/ApprovedChanges.h"

#include <array>
#include <charconv>
#include <system_error>
#include <utility>

#include "repair/RunLogFormat.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Columns 1 to 6 are read (entry ID, resolution code, new and old RxNorm ID,
// drug code, patient ID); the others are only stepped over.
constexpr std::size_t kReadColumns = 6;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The text the report had before it put its apostrophe in front; a cell whose
// apostrophe a spreadsheet dropped is already that text.
std::string_view WithoutLeadingApostrophe(std::string_view cell) {
    if (!cell.empty() && cell.front() == '\'' && LooksLikeCsvFormula(cell.substr(1)))
        cell.remove_prefix(1);
    return cell;
}

bool ReadInt32(std::string_view cell, int32_t& value) {
    cell = TrimBlanks(cell);
    if (cell.empty())
        return false;
    const char* end = cell.data() + cell.size();
    const auto result = std::from_chars(cell.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

// A first row is the header when its column 1 holds something but no digit
// ("Entry ID"); a damaged entry ID such as "1O1" is an error, not a header.
bool IsHeader(std::string_view column1) {
    column1 = TrimBlanks(column1);
    return !column1.empty() && column1.find_first_of("0123456789") == std::string_view::npos;
}

uint64_t MedicationKey(int32_t entryId, int32_t patientId) {
    return (uint64_t{static_cast<uint32_t>(entryId)} << 32) | static_cast<uint32_t>(patientId);
}

struct Row {
    std::array<std::string, kReadColumns> cells; // unquoted, as they stand otherwise
    std::size_t columns = 0;
    bool blank = true;    // every cell empty or blanks only
    std::size_t line = 0; // the line the row starts on
};

struct RowProblem {
    std::size_t line = 0;
    std::string what;
};

// Reads the text row by row in one pass, counting lines as an editor shows
// them: CR LF, LF and a CR on its own each end one, inside a quoted cell too.
// A bare cell runs to the next comma or line end; a quoted one (blanks before
// its quote are dropped) holds anything, its quotes doubled.
class RowReader {
public:
    explicit RowReader(std::string_view text) : m_text(text) {}

    bool AtEnd() const { return m_pos >= m_text.size(); }

    // The next row into `row`; false with `problem` set when it is malformed.
    bool Next(Row& row, RowProblem& problem);

private:
    bool ReadQuoted(std::size_t column, std::string* keep, bool& blank, RowProblem& problem);
    void CountLineEnd(char c) {
        if (c == '\n' || (c == '\r' && (AtEnd() || m_text[m_pos] != '\n')))
            ++m_line;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
};

bool RowReader::Next(Row& row, RowProblem& problem) {
    for (std::string& cell : row.cells)
        cell.clear();
    row.columns = 0;
    row.blank = true;
    row.line = m_line;
    for (;;) {
        const std::size_t column = row.columns++;
        std::string* keep = column < kReadColumns ? &row.cells[column] : nullptr;
        std::size_t start = m_pos;
        while (start < m_text.size() && IsBlank(m_text[start]))
            ++start;
        if (start < m_text.size() && m_text[start] == '"') {
            m_pos = start + 1;
            if (!ReadQuoted(column, keep, row.blank, problem))
                return false;
        } else {
            std::size_t end = m_text.find_first_of(",\r\n", m_pos);
            if (end == std::string_view::npos)
                end = m_text.size();
            const std::string_view cell = m_text.substr(m_pos, end - m_pos);
            if (!TrimBlanks(cell).empty())
                row.blank = false;
            if (keep)
                keep->assign(cell);
            m_pos = end;
        }
        if (AtEnd())
            return true;
        const char c = m_text[m_pos++];
        if (c == ',')
            continue;
        ++m_line;
        if (c == '\r' && !AtEnd() && m_text[m_pos] == '\n')
            ++m_pos;
        return true;
    }
}

bool RowReader::ReadQuoted(std::size_t column, std::string* keep, bool& blank,
                           RowProblem& problem) {
    const std::size_t openLine = m_line;
    for (;;) {
        if (AtEnd()) {
            problem = {openLine, "the quote that opens column " + std::to_string(column + 1) +
                                     " is never closed"};
            return false;
        }
        const char c = m_text[m_pos++];
        if (c == '"') {
            if (AtEnd() || m_text[m_pos] != '"')
                break;
            ++m_pos;
        }
        CountLineEnd(c);
        if (!IsBlank(c))
            blank = false;
        if (keep)
            keep->push_back(c);
    }
    while (!AtEnd() && IsBlank(m_text[m_pos]))
        ++m_pos;
    if (!AtEnd() && m_text[m_pos] != ',' && !IsLineEnd(m_text[m_pos])) {
        problem = {m_line, "column " + std::to_string(column + 1) +
                               " goes on after its closing quote (a quote inside a quoted "
                               "text must be doubled)"};
        return false;
    }
    return true;
}

std::size_t LineOf(std::string_view text, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset; ++i)
        if (text[i] == '\n' || (text[i] == '\r' && text[i + 1] != '\n'))
            ++line;
    return line;
}

ApprovedParse Failed(std::string message) {
    ApprovedParse parse;
    parse.failure = std::move(message);
    return parse;
}

ApprovedParse FailedAt(std::string_view fileName, std::size_t line, std::string_view what) {
    std::string message = "Line " + std::to_string(line) + " of ";
    message.append(fileName);
    message += ": ";
    message.append(what);
    return Failed(std::move(message));
}

} // namespace

std::size_t ApprovedMedicationHash::operator()(uint64_t key) const noexcept {
    // The finaliser of SplitMix64: every bit of the key moves every bit of the hash.
    key ^= key >> 30;
    key *= 0xBF58476D1CE4E5B9u;
    key ^= key >> 27;
    key *= 0x94D049BB133111EBu;
    key ^= key >> 31;
    return static_cast<std::size_t>(key);
}

ApprovedParse ParseApprovedChanges(std::string_view text, std::string_view fileName) {
    if (text.size() > kApprovedFileMaxBytes)
        return Failed(std::string(fileName) + " is larger than " +
                      std::to_string(kApprovedFileMaxBytes / (1024 * 1024)) +
                      " MiB, too large for an approved file");
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    // A NUL is in no CSV text: a file saved as UTF-16, or not a text at all.
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        return FailedAt(fileName, LineOf(text, nul),
                        "a NUL byte; the file is not a CSV text (saved as UTF-16?)");

    ApprovedParse parse;
    RowReader reader(text);
    Row row;
    RowProblem problem;
    bool firstRow = true;
    std::size_t rows = 0;
    while (!reader.AtEnd()) {
        if (!reader.Next(row, problem))
            return FailedAt(fileName, problem.line, problem.what);
        if (row.blank)
            continue;
        const bool header = firstRow && IsHeader(row.cells[0]);
        firstRow = false;
        if (header)
            continue;
        if (++rows > kApprovedFileMaxRows)
            return FailedAt(fileName, row.line,
                            "more than " + std::to_string(kApprovedFileMaxRows) +
                                " rows, too many for an approved file");
        if (row.columns < kReadColumns)
            return FailedAt(fileName, row.line,
                            "the row has " + std::to_string(row.columns) +
                                " columns; the first 6 are needed");
        ApprovedChange change;
        if (!ReadInt32(row.cells[0], change.entryId))
            return FailedAt(fileName, row.line, "column 1 is not an entry ID");
        if (!ReadInt32(row.cells[5], change.patientId))
            return FailedAt(fileName, row.line, "column 6 is not a patient ID");
        change.newRxNormId = WithoutLeadingApostrophe(row.cells[2]);
        change.oldRxNormId = WithoutLeadingApostrophe(row.cells[3]);
        change.line = row.line;

        const auto [at, added] = parse.byMedication.try_emplace(
            MedicationKey(change.entryId, change.patientId), parse.changes.size());
        if (!added) {
            const ApprovedChange& earlier = parse.changes[at->second];
            if (earlier.oldRxNormId == change.oldRxNormId &&
                earlier.newRxNormId == change.newRxNormId)
                continue;
            return FailedAt(fileName, row.line,
                            "entry " + std::to_string(change.entryId) + " of patient " +
                                std::to_string(change.patientId) + " is on line " +
                                std::to_string(earlier.line) + " with a different change");
        }
        parse.changes.push_back(std::move(change));
    }
    parse.ok = true;
    return parse;
}

const ApprovedChange* FindApproved(const ApprovedParse& parse, int32_t entryId, int32_t patientId) {
    const auto at = parse.byMedication.find(MedicationKey(entryId, patientId));
    return at == parse.byMedication.end() ? nullptr : &parse.changes[at->second];
}
