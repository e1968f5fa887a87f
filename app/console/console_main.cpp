// Entry of the native Linux program.
#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <string>

#include "app/command_words.h"
#include "app/console/console_ui.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "platform/env.h"

int main(int argc, char** argv) {
  setlocale(LC_ALL, "");
  const char* codeset = nl_langinfo(CODESET);
  bool utf8 = codeset && strcmp(codeset, "UTF-8") == 0;
  vendrit::Run run(vendrit::platform_env());
  vendrit::ConsoleUi ui(stdin, stdout, stderr, utf8, &run);
  // As a Linux command answers them, before anything else is looked at.
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--help") == 0) {
      for (const char* const* line = vendrit::kCommandWordHelp; *line; ++line) {
        ui.output_append(*line);
        ui.output_append("\n");
      }
      return 0;
    }
    if (strcmp(argv[i], "--version") == 0) {
      char title[256];
      vendrit::format_window_title(title, sizeof title);
      ui.output_append(title);
      ui.output_append("\n");
      return 0;
    }
  }
  std::string words;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) words += ' ';
    words += argv[i];
  }
  return vendrit::vendrit_main(words.c_str(), &ui, &run);
}
