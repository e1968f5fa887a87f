// The main window on Windows: dialog 101 with the output control and the
// three buttons GO!, 設定 and EXIT.  Its thread owns the dialog; GO! starts
// one worker thread that runs the run sequence to its end.
#pragma once

#include <windows.h>

#include "store/run.h"

namespace vendrit {

// Commands posted to the window: GO! at start-up in auto mode, EXIT at the
// end of an auto run, the preview at start-up.  The high word (0xF5) marks
// them as not coming from a click; only the low word selects the control
// (the preview's is no control's).
constexpr WPARAM kPostedGoCommand = 0x00F503EB;
constexpr WPARAM kPostedExitCommand = 0x00F503FD;
constexpr WPARAM kPostedPreviewCommand = 0x00F57F00;

// Runs dialog 101 modally with no owner until it ends; its buttons work on `run`.
void run_main_dialog(HINSTANCE instance, Run& run);

}  // namespace vendrit
