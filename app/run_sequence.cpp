#include "app/run_sequence.h"

#include <memory>

#include "relocate/walk_log_tree.h"
#include "repair/favourites_stream.h"
#include "repair/repair_pass.h"
#include "store/index_fates.h"
#include "report/backup_program.h"
#include "report/progress_log.h"
#include "report/sstp_notify.h"

namespace vendrit {

void run_sequence(Run& run) {
  Ui& ui = *run.progress.ui;
  Progress& p = run.progress;
  auto announce = [&run](int id, bool pause) {
    sstp_notify(run.progress, run.env, run.settings, id, pause);
  };
  ui.output_clear();
  progress_show(p, "開始します");
  if (run.settings.backup) {
    progress_show(p, "\r\n外部バックアッププログラム起動中");
    announce(3, true);
    if (run_backup_program(run.env, ui, run.settings) != 0) {
      progress_show(p, "\r\n外部バックアッププログラムの起動に失敗しました");
      ui.set_buttons_enabled(true);
      return;
    }
  }
  // Nothing is touched from anywhere but the reader's root.
  if (!run.env->enter_root()) {
    ui.show_error("起動したフォルダに戻れませんでした");
    ui.set_buttons_enabled(true);
    return;
  }
  ui.output_remove_selection();
  progress_log_open(p, run.env);
  progress_timestamp(p, run.env);
  announce(4, true);
  walk_log_tree(run, "log");
  progress_log_close(p);
  announce(5, true);
  std::unique_ptr<ReplacingWriter> favourites;
  if (run.choices.favourites_rebuild) {
    progress_print(p, "\r\n-------お気に入り同時修復");
    favourites = favourites_stream_open(run.env);
    if (!favourites) {
      // The pass still runs; its favourites lines are skipped.
      progress_print(p, "\r\nFile:%sを書けませんでした。このファイルはスキップします。",
                     kFavouritesFileName);
    }
  }
  repair_pass(run, "log", favourites.get());
  if (favourites && !favourites->commit()) {
    progress_print(p, "\r\nFile:%sを書けませんでした。このファイルはスキップします。",
                   kFavouritesFileName);
  }
  run.choices.favourites_rebuild = 0;
  ui.show_progress(0, 0, false);
  announce(8, false);
  progress_show(p, "\r\n終了しました");
  ui.beep();
  ui.set_buttons_enabled(true);
  if (run.choices.run_mode == 2) ui.post_exit();
}

void preview_sequence(Run& run) {
  Progress& p = run.progress;
  progress_show(p, "\r\n-------プレビュー（GO!を押すまで何も変更しません）");
  IndexFates fates;
  if (preview_log_tree(run, "log", &fates) == 0) progress_show(p, "\r\n移転する板はありません");
  progress_show(p, "\r\n-------書き換える.idx %d件", preview_repair_pass(run, "log", fates));
  p.ui->set_buttons_enabled(true);
}

}  // namespace vendrit
