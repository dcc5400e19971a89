#include "repair/RunSummaryPage.h"

#include <algorithm>
#include <cstdio>

#include "data/FormatText.h"
#include "data/Windows1252.h"
#include "platform/FileSystem.h"
#include "repair/RunBreakdownText.h"
#include "repair/RunSummaryText.h"

namespace {

// A text that is already UTF-8, escaped for the page: a control character
// shows as a blank.
void AppendEscapedCodePoint(std::string& page, char32_t c) {
    switch (c) {
    case '&':
        page += "&amp;";
        return;
    case '<':
        page += "&lt;";
        return;
    case '>':
        page += "&gt;";
        return;
    case '"':
        page += "&quot;";
        return;
    case '\'':
        page += "&#39;";
        return;
    default:
        break;
    }
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        c = ' ';
    AppendUtf8(page, c);
}

// A text of the database (Windows-1252 bytes), escaped for the page.
std::string Html(std::string_view windows1252) {
    std::string text;
    text.reserve(windows1252.size());
    for (const char byte : windows1252)
        AppendEscapedCodePoint(text, Windows1252CodePoint(static_cast<unsigned char>(byte)));
    return text;
}

// A text of this program or of the system (a folder's name): UTF-8 when it is
// well formed, else the system's Windows-1252.
std::string HtmlOfSystemText(std::string_view text) {
    if (!IsWellFormedUtf8(text))
        return Html(text);
    std::string escaped;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x80)
            AppendEscapedCodePoint(escaped, static_cast<unsigned char>(c));
        else
            escaped += c;
    }
    return escaped;
}

std::string Number(int32_t value) {
    return std::to_string(value);
}

constexpr const char* kStyle = R"(<style>
body { font: 14px/1.4 system-ui, sans-serif; color: #1b1b1b; margin: 24px; }
h1 { font-size: 22px; margin: 0 0 12px; } h2 { font-size: 17px; margin: 28px 0 8px; }
dl.counts { display: grid; grid-template-columns: max-content auto; gap: 2px 16px; margin: 0; }
dl.counts dt { color: #555; } dl.counts dd { margin: 0; font-weight: 600; }
svg text { font: 13px system-ui, sans-serif; fill: #1b1b1b; }
svg rect.bar { fill: #3b6ea8; }
ul.meanings { margin: 4px 0 0; padding-left: 20px; color: #444; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 3px 8px; text-align: left; vertical-align: top; }
th { background: #eef1f5; white-space: nowrap; } td.n, th.n { text-align: right; }
table.sortable th { cursor: pointer; }
input#filter { margin: 0 0 8px; padding: 4px 6px; width: 320px; }
@media print {
  body { margin: 0; font-size: 9px; }
  h1 { font-size: 16px; } h2 { font-size: 13px; margin-top: 16px; }
  table { width: 100%; } th { white-space: normal; } th, td { padding: 1px 3px; }
  input#filter, .screen { display: none; }
  thead { display: table-header-group; }
  tr, svg, section.chart { break-inside: avoid; }
  svg rect.bar { fill: #555; print-color-adjust: exact; -webkit-print-color-adjust: exact; }
}
</style>
)";

// Sorts the table by the column whose heading is clicked (again: the other
// way round) and shows only the rows that hold the filter's text.
constexpr const char* kScript = R"(<script>
(function () {
  var table = document.getElementById('medications');
  var body = table.tBodies[0];
  var filter = document.getElementById('filter');
  filter.hidden = false;
  filter.addEventListener('input', function () {
    var words = filter.value.toLowerCase();
    for (var i = 0; i < body.rows.length; i++) {
      var row = body.rows[i];
      row.hidden = words !== '' && row.textContent.toLowerCase().indexOf(words) < 0;
    }
  });
  var headings = table.tHead.rows[0].cells;
  for (var c = 0; c < headings.length; c++) {
    headings[c].addEventListener('click', (function (column) {
      var up = true;
      return function () {
        var numeric = headings[column].className === 'n';
        var rows = Array.prototype.slice.call(body.rows);
        rows.sort(function (a, b) {
          var x = a.cells[column].textContent, y = b.cells[column].textContent;
          var order = numeric ? Number(x) - Number(y) : x.localeCompare(y);
          return up ? order : -order;
        });
        up = !up;
        rows.forEach(function (row) { body.appendChild(row); });
      };
    })(c));
  }
})();
</script>
)";

// A horizontal bar chart: a bar a line, its label left, its count right.
std::string BarChart(const std::string& id, const std::string& title,
                     const std::vector<BreakdownBar>& bars) {
    constexpr int kLabelWidth = 130;
    constexpr int kBarWidth = 420;
    constexpr int kLine = 26;
    int32_t most = 1;
    for (const BreakdownBar& bar : bars)
        most = std::max(most, bar.count);
    const int height = kLine * static_cast<int>(bars.size()) + 4;
    std::string svg = "<section class=\"chart\"><h2>" + title + "</h2>\n";
    svg += FormatText("<svg id=\"%s\" role=\"img\" aria-label=\"%s\" width=\"%d\" height=\"%d\" "
                      "viewBox=\"0 0 %d %d\">\n",
                      id.c_str(), title.c_str(), kLabelWidth + kBarWidth + 70, height,
                      kLabelWidth + kBarWidth + 70, height);
    int y = 2;
    for (const BreakdownBar& bar : bars) {
        const int width = bar.count == 0 ? 0 : std::max(1, bar.count * kBarWidth / most);
        svg += "<g class=\"bar\"><title>" + Html(bar.meaning) + "</title>";
        svg += FormatText("<text class=\"label\" x=\"0\" y=\"%d\">", y + 16) + Html(bar.label) +
               "</text>";
        svg += FormatText("<rect class=\"bar\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"20\"/>",
                          kLabelWidth, y + 1, width);
        svg += FormatText("<text class=\"count\" x=\"%d\" y=\"%d\">%d</text></g>\n",
                          kLabelWidth + width + 6, y + 16, bar.count);
        y += kLine;
    }
    svg += "</svg>\n<ul class=\"meanings\">\n";
    for (const BreakdownBar& bar : bars)
        svg += "<li><b>" + Html(bar.label) + "</b>: " + Html(bar.meaning) + "</li>\n";
    return svg + "</ul></section>\n";
}

std::string Header(const RunBreakdown& breakdown, std::string_view folder) {
    const JournalRunSummary& run = breakdown.run;
    auto item = [](const char* id, const char* term, const std::string& html) {
        return FormatText("<dt>%s</dt><dd id=\"%s\">", term, id) + html + "</dd>\n";
    };
    std::string header = "<header><h1>Dosewright run summary</h1>\n<dl class=\"counts\">\n";
    header += item("folder", "Practice folder", HtmlOfSystemText(folder));
    header += item("run", "Run", Html(run.name));
    header += item("started", "Started", Html(LocalTimeText(run.startMilliseconds)));
    header += item("mode", "Mode", Html(RunModeText(run)));
    header += item("ended", "Ended", Html(RunEndText(run)));
    header += item("examined", "Examined", Html(ExaminedText(breakdown)));
    header += item("affected", "Affected", Number(breakdown.affected));
    header += item("share", "Share affected",
                   Html(run.ended ? ShareText(breakdown.affected, run.end.examined) : "-"));
    header += item("patients", "Patients touched", Number(breakdown.patients));
    return header + "</dl></header>\n";
}

std::string TopDrugs(const RunBreakdown& breakdown) {
    std::string table = "<section><h2>Drugs with the most affected medications</h2>\n"
                        "<table id=\"top-drugs\"><thead><tr><th>Drug name</th><th>Strength</th>"
                        "<th>Route</th><th>Dose form</th><th class=\"n\">Medications</th>"
                        "<th class=\"n\">Patients</th></tr></thead><tbody>\n";
    for (const DrugTextCount& drug : breakdown.topDrugs) {
        table += "<tr><td>" + Html(drug.drugName) + "</td><td>" + Html(drug.strength) +
                 "</td><td>" + Html(drug.route) + "</td><td>" + Html(drug.doseForm) +
                 "</td><td class=\"n\">" + Number(drug.medications) + "</td><td class=\"n\">" +
                 Number(drug.patients) + "</td></tr>\n";
    }
    return table + "</tbody></table></section>\n";
}

std::string Medications(const RunBreakdown& breakdown) {
    std::string table = "<section><h2>Affected medications</h2>\n"
                        "<input id=\"filter\" type=\"search\" placeholder=\"Show only rows "
                        "holding...\" aria-label=\"Filter the rows\" hidden>\n"
                        "<table id=\"medications\" class=\"sortable\"><thead><tr>"
                        "<th class=\"n\">Entry</th><th class=\"n\">Resolution</th>"
                        "<th>New RxNorm ID</th><th>Old RxNorm ID</th><th>Drug code</th>"
                        "<th class=\"n\">Patient</th><th>Patient ref</th><th>Drug name</th>"
                        "<th>Strength</th><th>Route</th><th>Dose form</th></tr></thead><tbody>\n";
    for (const BreakdownRow& row : breakdown.rows) {
        table += "<tr><td class=\"n\">" + Number(row.entryId) + "</td><td class=\"n\">" +
                 Number(row.resolutionCode) + "</td><td>" + Html(row.newRxNormId) + "</td><td>" +
                 Html(row.oldRxNormId) + "</td><td>" + Html(row.drugCode) +
                 "</td><td class=\"n\">" + Number(row.patientId) + "</td><td>" +
                 Html(row.patientRef) + "</td><td>" + Html(row.drugName) + "</td><td>" +
                 Html(row.strength) + "</td><td>" + Html(row.route) + "</td><td>" +
                 Html(row.doseForm) + "</td></tr>\n";
    }
    table += "</tbody></table>\n";
    const auto shown = static_cast<int32_t>(breakdown.rows.size());
    if (breakdown.affected > shown) {
        table += FormatText("<p id=\"more\">The first %d of %d affected medications; the other "
                            "%d are in Dosewright.csv.</p>\n",
                            shown, breakdown.affected, breakdown.affected - shown);
    }
    return table + "</section>\n";
}

} // namespace

std::string RunSummaryPage(const RunBreakdown& breakdown, std::string_view folder) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                       "<title>Dosewright run summary: " +
                       Html(RunModeText(breakdown.run)) + " of " +
                       Html(LocalTimeText(breakdown.run.startMilliseconds)) + "</title>\n";
    page += kStyle;
    page += "</head><body>\n" + Header(breakdown, folder);
    page += BarChart("kinds", "Kinds of change", KindsOfChange(breakdown));
    page += BarChart("codes", "Resolution codes", ResolutionCodes(breakdown));
    page += TopDrugs(breakdown) + Medications(breakdown);
    page += kScript;
    return page + "</body></html>\n";
}

bool WriteRunSummaryPage(const RunBreakdown& breakdown, std::string_view folder,
                         const std::string& path, std::string& failure) {
    const std::string page = RunSummaryPage(breakdown, folder);
    std::FILE* file = platform::OpenRegularFile(path.c_str(), "wb");
    bool written = file && std::fwrite(page.data(), 1, page.size(), file) == page.size();
    int error = written ? 0 : platform::LastErrorCode();
    if (file && std::fclose(file) != 0 && written) {
        written = false;
        error = platform::LastErrorCode();
    }
    if (written)
        return true;
    if (file)
        platform::DeleteFile(path.c_str());
    failure = "Failure writing the run summary " + path + ": " + platform::DescribeErrorCode(error);
    return false;
}
