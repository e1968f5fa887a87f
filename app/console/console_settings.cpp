#include "app/console/console_settings.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/main_window.h"
#include "app/settings_form.h"
#include "platform/text.h"

namespace vendrit {

namespace {

const char* mark(bool on) { return on ? "[x]" : "[ ]"; }

void show_form(const std::function<void(const char*)>& show, const SettingsForm& f) {
  char title[kPathSize];
  format_window_title(title, sizeof title);
  char text[2048];
  format_text(text, sizeof text,
              "\n%s\n"
              " 1 移転元ログファイルを…  %s\n"
              " 2 ログがダブったら…  %s\n"
              " 3 %s リンクを書換\n"
              " 4 %s 板名を書換\n"
              " 5 %s お気に入り再構築\n"
              " 6 %s 外部プログラムを使用してバックアップする\n"
              " 7     %s\n"
              " 8 %s 外部プログラム終了時、ダイアログを表示\n"
              " 9 %s DirectSSTP発射\n"
              "10 %s dat落ちスレッドは動かさない\n"
              "11 %s 外部鯖のリンクを確認する\n"
              "番号で切替 (7: 外部プログラムを入力)、ok で決定、cancel でキャンセル > ",
              title, f.leave_sources ? "放置する" : "あぼ～んする",
              f.larger_wins ? "サイズの大きい方" : "新鯖優先", mark(f.changelink),
              mark(f.changebbs), mark(f.rebuild), mark(f.backup),
              f.backupprog[0] ? f.backupprog : "(外部プログラムなし)", mark(f.wait),
              mark(f.use_ukagaka), mark(f.no_move), mark(f.foreign));
  show(text);
}

bool read_line(FILE* in, std::string* line) {
  char buf[kPathSize * 2];
  if (!fgets(buf, sizeof buf, in)) return false;
  line->assign(buf);
  while (!line->empty() && (line->back() == '\n' || line->back() == '\r')) line->pop_back();
  return true;
}

}  // namespace

int run_console_settings(FILE* in, const std::function<void(const char*)>& show,
                         RunSettings* settings, RunChoices* choices) {
  SettingsForm f = settings_form(*settings, *choices);
  for (;;) {
    show_form(show, f);
    std::string line;
    if (!read_line(in, &line)) return 0;
    if (line == "ok") {
      apply_settings_form(f, settings, choices);
      return 1;
    }
    if (line == "cancel") return 0;
    switch (atoi(line.c_str())) {
      case 1: f.leave_sources = !f.leave_sources; break;
      case 2: f.larger_wins = !f.larger_wins; break;
      case 3: f.changelink = !f.changelink; break;
      case 4: f.changebbs = !f.changebbs; break;
      case 5: f.rebuild = !f.rebuild; break;
      case 6: f.backup = !f.backup; break;
      case 7: {
        show("外部プログラム > ");
        std::string prog;
        if (!read_line(in, &prog)) return 0;
        copy_text(f.backupprog, sizeof f.backupprog, prog.c_str());
        break;
      }
      case 8: f.wait = !f.wait; break;
      // The notification switch acts at once, as in the dialog.
      case 9: settings->use_ukagaka = f.use_ukagaka = !f.use_ukagaka; break;
      case 10: f.no_move = !f.no_move; break;
      case 11: f.foreign = !f.foreign; break;
      default: break;
    }
  }
}

}  // namespace vendrit
