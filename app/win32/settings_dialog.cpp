#include "app/win32/settings_dialog.h"

namespace vendrit {

// Placeholder until dialog 108 and its procedure exist: it answers Cancel,
// so nothing is saved.
int open_settings_dialog(HINSTANCE, HWND) { return 0; }

}  // namespace vendrit
