// The screenshot run of scripts/screenshot, and nothing else: with the
// environment variable DOSEWRIGHT_AUTOMATE=report the program answers its
// message boxes itself (printing them to standard error as "TITLE: TEXT"),
// presses "Report Medications" once the window is up, and prints the status
// line to standard output, so that the window can be photographed with a
// result in it. The window then stays open until it is closed.
#pragma once

class CDosewrightWindow;

// True when the run was asked for and has been prepared.
bool PrepareScreenshotRun(CDosewrightWindow& window);
void EndScreenshotRun();
