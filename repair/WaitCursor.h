// The busy cursor for the length of a run, ended on every way out of it.
#pragma once

#include "platform/DialogWindow.h"

class WaitCursor {
public:
    explicit WaitCursor(platform::DialogWindow& window) : m_window(window) {
        m_window.BeginWaitCursor();
    }
    ~WaitCursor() { m_window.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    platform::DialogWindow& m_window;
};
