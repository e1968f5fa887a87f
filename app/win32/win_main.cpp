// Entry of vendrit.exe: a GUI-subsystem program whose command words are the
// command line after the program name.
#include <windows.h>

#include <commctrl.h>

#include "app/startup.h"
#include "app/win32/win32_ui.h"
#include "platform/env.h"
#include "platform/win32/wide_text.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  std::string words = vendrit::narrow(command_line ? command_line : L"");
  vendrit::Run run(vendrit::platform_env());
  vendrit::Win32Ui ui(instance, &run);
  return vendrit::vendrit_main(words.c_str(), &ui, &run);
}
