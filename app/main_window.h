// What the main window shows, shared by the Win32 dialog and the console
// shell: the exclusion summary and the title.
#pragma once

#include <cstddef>

#include "catalogue/catalogue.h"
#include "state/ui.h"

namespace vendrit {

constexpr double kVersion = 3.08;
constexpr char kBuildLabel[] = "EM64T";

// "Vendrit Version 3.08 [EM64T Version]".
void format_window_title(char* buf, size_t size);

// Empties the output control and shows the exclusion list with its matched flags.
void show_exclusion_summary(Ui& ui, const Catalogue& catalogue);

}  // namespace vendrit
