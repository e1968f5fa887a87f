#include "app/settings_form.h"

namespace vendrit {

SettingsForm settings_form(const RunSettings& s, const RunChoices& c) {
  SettingsForm f;
  f.leave_sources = s.copyonly == 1;
  f.larger_wins = s.copylarge == 1;
  f.changelink = s.changelink != 0;
  f.changebbs = s.changebbs != 0;
  f.rebuild = c.favourites_rebuild != 0;
  f.backup = s.backup != 0;
  f.wait = s.wait != 0;
  f.use_ukagaka = s.use_ukagaka != 0;
  f.no_move = s.no_move != 0;
  f.foreign = c.foreign_server != 0;
  copy_text(f.backupprog, sizeof f.backupprog, s.backupprog);
  return f;
}

void apply_settings_form(const SettingsForm& f, RunSettings* s, RunChoices* c) {
  s->copyonly = f.leave_sources ? 1 : 0;
  s->copylarge = f.larger_wins ? 1 : 0;
  s->changelink = f.changelink;
  s->changebbs = f.changebbs;
  c->favourites_rebuild = f.rebuild;
  s->backup = f.backup;
  s->wait = f.wait;
  s->use_ukagaka = f.use_ukagaka;
  s->no_move = f.no_move;
  c->foreign_server = f.foreign;
  copy_text(s->backupprog, sizeof s->backupprog, f.backupprog);
}

}  // namespace vendrit
