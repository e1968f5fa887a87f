#include "app/run_sequence.h"

#include "relocate/walk_log_tree.h"
#include "repair/favourites_stream.h"
#include "repair/repair_pass.h"
#include "store/index_fates.h"
#include "report/backup_program.h"
#include "report/progress_log.h"
#include "report/sstp_notify.h"

namespace vendrit {

void run_sequence(Run& run) {
  auto announce = [&run](int id, bool pause) { sstp_notify(run.env, run.settings, id, pause); };
  g_ui->output_clear();
  progress_show("開始します");
  if (run.settings.backup) {
    progress_show("\r\n外部バックアッププログラム起動中");
    announce(3, true);
    if (run_backup_program(run.env, run.settings) != 0) {
      progress_show("\r\n外部バックアッププログラムの起動に失敗しました");
      g_ui->set_buttons_enabled(true);
      return;
    }
  }
  // Nothing is touched from anywhere but the reader's root.
  if (!run.env->enter_root()) {
    g_ui->show_error("起動したフォルダに戻れませんでした");
    g_ui->set_buttons_enabled(true);
    return;
  }
  g_ui->output_remove_selection();
  progress_log_open(run.env);
  progress_timestamp(run.env);
  announce(4, true);
  walk_log_tree(run, "log");
  progress_log_close();
  announce(5, true);
  if (run.choices.favourites_rebuild) {
    progress_print("\r\n-------お気に入り同時修復");
    if (!favourites_stream_open(run.env)) {
      // The pass still runs; its favourites lines are skipped.
      progress_print("\r\nFile:%sを書けませんでした。このファイルはスキップします。",
                     kFavouritesFileName);
    }
  }
  repair_pass(run, "log");
  if (run.choices.favourites_rebuild && favourites_stream_is_open() && !favourites_stream_close()) {
    progress_print("\r\nFile:%sを書けませんでした。このファイルはスキップします。",
                   kFavouritesFileName);
  }
  run.choices.favourites_rebuild = 0;
  g_ui->show_progress(0, 0, false);
  announce(8, false);
  progress_show("\r\n終了しました");
  g_ui->beep();
  g_ui->set_buttons_enabled(true);
  if (run.choices.run_mode == 2) g_ui->post_exit();
}

void preview_sequence(Run& run) {
  progress_show("\r\n-------プレビュー（GO!を押すまで何も変更しません）");
  IndexFates fates;
  if (preview_log_tree(run, "log", &fates) == 0) progress_show("\r\n移転する板はありません");
  progress_show("\r\n-------書き換える.idx %d件", preview_repair_pass(run, "log", fates));
  g_ui->set_buttons_enabled(true);
}

}  // namespace vendrit
