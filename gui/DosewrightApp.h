// The application object: one modal dialog, and the process ends with it.
#pragma once

#include <wx/app.h>

class CDosewrightApp final : public wxApp {
public:
    bool OnInit() override;
    // Runs the main dialog modally instead of a message loop of its own.
    int OnRun() override;
};
