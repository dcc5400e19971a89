// The breakdown of a run as one page a browser shows without anything else:
// inline style, bar charts drawn in inline SVG, and a small inline script that
// sorts and filters the table of medications (the page reads whole without it).
#pragma once

#include <string>
#include <string_view>

#include "repair/RunBreakdown.h"

// The page's name in the database folder, where the window writes it.
inline constexpr const char* kSummaryPageFileName = "Dosewright.html";

// The page, UTF-8. `folder` is the database folder as the system names it.
// Every text of the database (Windows-1252) is shown as the characters it
// stands for, and every text is escaped: nothing it holds becomes markup.
std::string RunSummaryPage(const RunBreakdown& breakdown, std::string_view folder);

// Writes the page to `path`, whole or not at all; false with `failure` saying
// why, the file then removed.
bool WriteRunSummaryPage(const RunBreakdown& breakdown, std::string_view folder,
                         const std::string& path, std::string& failure);
