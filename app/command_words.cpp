#include "app/command_words.h"

#include <cstring>

#include "state/run_settings.h"

namespace vendrit {

CommandChoice apply_command_words(const char* line) {
  CommandChoice choice;
  auto has = [line](const char* word) { return strstr(line, word) != nullptr; };
  if (has("auto")) {
    choice.run_mode = 2;  // nothing else is examined, setup included
    return choice;
  }
  if (has("aborn")) {
    ++choice.run_mode;
    g_settings.copyonly = 1;
  } else if (has("leave")) {
    ++choice.run_mode;
    g_settings.copyonly = 0;
  }
  if (has("new")) {
    ++choice.run_mode;
    g_settings.copylarge = 0;
  } else if (has("large")) {
    ++choice.run_mode;
    g_settings.copylarge = 1;
  }
  choice.setup = has("setup");
  return choice;
}

}  // namespace vendrit
