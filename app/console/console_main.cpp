// Entry of the native Linux program.
#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <string>

#include "app/console/console_ui.h"
#include "app/startup.h"

int main(int argc, char** argv) {
  setlocale(LC_ALL, "");
  const char* codeset = nl_langinfo(CODESET);
  bool utf8 = codeset && strcmp(codeset, "UTF-8") == 0;
  std::string words;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) words += ' ';
    words += argv[i];
  }
  vendrit::ConsoleUi ui(stdin, stdout, stderr, utf8);
  return vendrit::vendrit_main(words.c_str(), &ui);
}
