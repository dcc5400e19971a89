// Resource and control ids of the program, as the host's installed copy has them.
#pragma once

namespace res {

inline constexpr int IDD_ABOUTBOX = 100;           // About box template
inline constexpr int IDS_ABOUTBOX = 101;           // "&About Dosewright..."
inline constexpr int IDD_DOSEWRIGHT_DIALOG = 102;  // main dialog template
inline constexpr int IDR_MAINFRAME = 128;          // application icon
inline constexpr int IDM_ABOUTBOX = 0x0010;        // system-menu command of the About item
inline constexpr int IDM_UNDOLASTREPAIR = 0x0040;  // window-menu command "Undo Last Repair..."
inline constexpr int IDM_REPAIR_APPROVED = 0x0050; // "Repair Approved Medications..."
inline constexpr int IDM_RUN_SUMMARY = 0x0060; // "Run Summary": writes and opens Dosewright.html

// The run files' items, beside About in the window menu.
inline constexpr int IDS_OPEN_RUN_LOG = 103;       // "Open Run &Log"
inline constexpr int IDS_OPEN_CSV_REPORT = 104;    // "Open &CSV Report"
inline constexpr int IDM_OPEN_RUN_LOG = 0x0020;    // opens Dosewright.log
inline constexpr int IDM_OPEN_CSV_REPORT = 0x0030; // opens Dosewright.csv

// Controls of the main dialog.
inline constexpr int IDOK = 1;          // the repair button, "Dosewright"
inline constexpr int IDCANCEL = 2;      // "Exit"
inline constexpr int IDC_REPORT = 3;    // "Report Medications"
inline constexpr int IDC_STATUS = 1000; // the status line
inline constexpr int IDC_STATIC = -1;   // the instruction text

} // namespace res
