#include "app/settings_form.h"

#include "state/run_settings.h"

namespace vendrit {

SettingsForm settings_form() {
  SettingsForm f;
  f.leave_sources = g_settings.copyonly == 1;
  f.larger_wins = g_settings.copylarge == 1;
  f.changelink = g_settings.changelink != 0;
  f.changebbs = g_settings.changebbs != 0;
  f.rebuild = g_favourites_rebuild != 0;
  f.backup = g_settings.backup != 0;
  f.wait = g_settings.wait != 0;
  f.use_ukagaka = g_settings.use_ukagaka != 0;
  f.no_move = g_settings.no_move != 0;
  f.foreign = g_foreign_server != 0;
  copy_text(f.backupprog, sizeof f.backupprog, g_settings.backupprog);
  return f;
}

void apply_settings_form(const SettingsForm& f) {
  g_settings.copyonly = f.leave_sources ? 1 : 0;
  g_settings.copylarge = f.larger_wins ? 1 : 0;
  g_settings.changelink = f.changelink;
  g_settings.changebbs = f.changebbs;
  g_favourites_rebuild = f.rebuild;
  g_settings.backup = f.backup;
  g_settings.wait = f.wait;
  g_settings.use_ukagaka = f.use_ukagaka;
  g_settings.no_move = f.no_move;
  g_foreign_server = f.foreign;
  copy_text(g_settings.backupprog, sizeof g_settings.backupprog, f.backupprog);
}

}  // namespace vendrit
