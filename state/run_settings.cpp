#include "state/run_settings.h"

#include "platform/ini_file.h"

namespace vendrit {

RunSettings g_settings;
int g_favourites_rebuild = 0;
int g_foreign_server = 0;
int g_run_mode = 0;
bool g_preview = false;

namespace {
constexpr char kSection[] = "vendrit";
}

void load_run_settings(Env* env) {
  RunSettings defaults;
  g_settings.copyonly = ini_read_int(env, kIniFileName, kSection, "copyonly", defaults.copyonly);
  g_settings.copylarge = ini_read_int(env, kIniFileName, kSection, "copylarge", defaults.copylarge);
  g_settings.changelink = ini_read_int(env, kIniFileName, kSection, "changelink", defaults.changelink);
  g_settings.changebbs = ini_read_int(env, kIniFileName, kSection, "changebbs", defaults.changebbs);
  g_settings.backup = ini_read_int(env, kIniFileName, kSection, "backup", defaults.backup);
  g_settings.wait = ini_read_int(env, kIniFileName, kSection, "wait", defaults.wait);
  g_settings.use_ukagaka = ini_read_int(env, kIniFileName, kSection, "use_ukagaka", defaults.use_ukagaka);
  ini_read_string(env, kIniFileName, kSection, "backupprog", "", g_settings.backupprog,
                  kBackupProgIniChars + 1);
  g_settings.no_move = ini_read_int(env, kIniFileName, kSection, "no_move", defaults.no_move);
}

void save_run_settings(Env* env) {
  auto flag = [env](const char* key, int value) {
    ini_write_string(env, kIniFileName, kSection, key, value ? "1" : "0");
  };
  flag("copyonly", g_settings.copyonly);
  flag("copylarge", g_settings.copylarge);
  flag("changelink", g_settings.changelink);
  flag("changebbs", g_settings.changebbs);
  flag("backup", g_settings.backup);
  flag("wait", g_settings.wait);
  flag("use_ukagaka", g_settings.use_ukagaka);
  ini_write_string(env, kIniFileName, kSection, "backupprog", g_settings.backupprog);
  flag("no_move", g_settings.no_move);
}

}  // namespace vendrit
