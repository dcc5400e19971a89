// The items both windows add to the window menu after Close (the system menu
// on Windows; under GTK, which has none an application can add to, the
// window's context menu), in order.
#pragma once

#include "repair/RunFiles.h"
#include "resources/ResourceIds.h"

inline constexpr const char* kUndoLastRepairCaption = "Undo Last Repair...";

struct WindowMenuItem {
    int command;
    int caption;         // its string resource, or 0 for kUndoLastRepairCaption
    const char* runFile; // the run file it opens, or null
};

inline constexpr WindowMenuItem kWindowMenuItems[] = {
    {res::IDM_ABOUTBOX, res::IDS_ABOUTBOX, nullptr},
    {res::IDM_OPEN_RUN_LOG, res::IDS_OPEN_RUN_LOG, kLogFileName},
    {res::IDM_OPEN_CSV_REPORT, res::IDS_OPEN_CSV_REPORT, kCsvFileName},
    {res::IDM_UNDOLASTREPAIR, 0, nullptr},
};

// The run file `command` opens; null for a command that opens none.
inline const char* RunFileOfCommand(int command) {
    for (const WindowMenuItem& item : kWindowMenuItems) {
        if (item.command == command)
            return item.runFile;
    }
    return nullptr;
}
