// The items both windows add to the window menu after Close (the system menu
// on Windows; under GTK, which has none an application can add to, the
// window's context menu), in order, and when each is offered.
#pragma once

#include "app/StartupOutcome.h"
#include "repair/RunFiles.h"
#include "resources/ResourceIds.h"

struct WindowMenuItem {
    enum class Offered {
        Always,
        WhenRunFileExists, // its run file is there to open
        WhenUndoCanRun,    // the medication table is open (undo and the run summary need no more)
        AfterAGoodStart,   // as the action buttons
    };
    int command;
    int caption;         // its string resource, or 0 for `text`
    const char* text;    // its caption when it has no string resource
    const char* runFile; // the run file it opens, or null
    Offered offered;
};

inline constexpr WindowMenuItem kWindowMenuItems[] = {
    {res::IDM_ABOUTBOX, res::IDS_ABOUTBOX, nullptr, nullptr, WindowMenuItem::Offered::Always},
    {res::IDM_OPEN_RUN_LOG, res::IDS_OPEN_RUN_LOG, nullptr, kLogFileName,
     WindowMenuItem::Offered::WhenRunFileExists},
    {res::IDM_OPEN_CSV_REPORT, res::IDS_OPEN_CSV_REPORT, nullptr, kCsvFileName,
     WindowMenuItem::Offered::WhenRunFileExists},
    {res::IDM_RUN_SUMMARY, 0, "Run Summary", nullptr, WindowMenuItem::Offered::WhenUndoCanRun},
    {res::IDM_UNDOLASTREPAIR, 0, "Undo Last Repair...", nullptr,
     WindowMenuItem::Offered::WhenUndoCanRun},
    {res::IDM_REPAIR_APPROVED, 0, "Repair Approved Medications...", nullptr,
     WindowMenuItem::Offered::AfterAGoodStart},
};

// The item of `command`, or null.
inline const WindowMenuItem* WindowMenuItemOf(int command) {
    for (const WindowMenuItem& item : kWindowMenuItems) {
        if (item.command == command)
            return &item;
    }
    return nullptr;
}

// The run file `command` opens; null for a command that opens none.
inline const char* RunFileOfCommand(int command) {
    const WindowMenuItem* item = WindowMenuItemOf(command);
    return item ? item->runFile : nullptr;
}

// Whether `item` is offered after the start `startup`; `runFileExists` tells
// of the item's run file.
inline bool IsOffered(const WindowMenuItem& item, const StartupOutcome& startup,
                      bool runFileExists) {
    switch (item.offered) {
    case WindowMenuItem::Offered::Always:
        return true;
    case WindowMenuItem::Offered::WhenRunFileExists:
        return runFileExists;
    case WindowMenuItem::Offered::WhenUndoCanRun:
        return startup.CanUndo();
    case WindowMenuItem::Offered::AfterAGoodStart:
        break;
    }
    return startup.IsReady();
}
