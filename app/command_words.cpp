#include "app/command_words.h"

#include <cstring>

namespace vendrit {

CommandChoice apply_command_words(const char* line, RunSettings* settings) {
  CommandChoice choice;
  auto has = [line](const char* word) { return strstr(line, word) != nullptr; };
  if (has("auto")) {
    choice.run_mode = 2;  // nothing else is examined, setup included
    return choice;
  }
  if (has("aborn")) {
    ++choice.run_mode;
    settings->copyonly = 1;
  } else if (has("leave")) {
    ++choice.run_mode;
    settings->copyonly = 0;
  }
  if (has("new")) {
    ++choice.run_mode;
    settings->copylarge = 0;
  } else if (has("large")) {
    ++choice.run_mode;
    settings->copylarge = 1;
  }
  choice.setup = has("setup");
  // The user asked to see first: a run then waits for GO!.
  choice.preview = has("preview");
  if (choice.preview && choice.run_mode > 1) choice.run_mode = 1;
  return choice;
}

const char* const kCommandWordHelp[] = {
    "auto     一度実行して終了します",
    "aborn    移転元のログを残します",
    "leave    移転元のログを消します",
    "new      重複したら移転先のログを使います",
    "large    重複したらサイズの大きい方のログを使います",
    "setup    設定の画面だけを開きます",
    "preview  実行する内容を先に表示します（GO!を押すまで何も変更しません）",
    nullptr,
};

}  // namespace vendrit
