#include "state/run_settings.h"

#include "platform/ini_file.h"

namespace vendrit {

namespace {
constexpr char kSection[] = "vendrit";
}

void load_run_settings(Env* env, RunSettings* s) {
  RunSettings defaults;
  auto number = [env](const char* key, int def) {
    return ini_read_int(env, kIniFileName, kSection, key, def);
  };
  s->copyonly = number("copyonly", defaults.copyonly);
  s->copylarge = number("copylarge", defaults.copylarge);
  s->changelink = number("changelink", defaults.changelink);
  s->changebbs = number("changebbs", defaults.changebbs);
  s->backup = number("backup", defaults.backup);
  s->wait = number("wait", defaults.wait);
  s->use_ukagaka = number("use_ukagaka", defaults.use_ukagaka);
  ini_read_string(env, kIniFileName, kSection, "backupprog", "", s->backupprog,
                  kBackupProgIniChars + 1);
  s->no_move = number("no_move", defaults.no_move);
}

void save_run_settings(Env* env, const RunSettings& s) {
  auto flag = [env](const char* key, int value) {
    ini_write_string(env, kIniFileName, kSection, key, value ? "1" : "0");
  };
  flag("copyonly", s.copyonly);
  flag("copylarge", s.copylarge);
  flag("changelink", s.changelink);
  flag("changebbs", s.changebbs);
  flag("backup", s.backup);
  flag("wait", s.wait);
  flag("use_ukagaka", s.use_ukagaka);
  ini_write_string(env, kIniFileName, kSection, "backupprog", s.backupprog);
  flag("no_move", s.no_move);
}

}  // namespace vendrit
