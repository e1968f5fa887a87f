#include "app/startup.h"

#include "app/command_words.h"
#include "platform/text.h"
#include "report/progress_log.h"
#include "report/sstp_notify.h"

namespace vendrit {

namespace {

const char kMsgSecondInstance[] = "Vendritの多重起動は出来ません";
const char kMsgNoRoot[] = "起動したフォルダを調べられませんでした";
const char kMsgNoWorkBuffer[] = "作業用バッファが確保できませんでした";

void release_markers(Env* e) {
  e->root_lock_release();
  e->instance_marker_release();
}

int refuse(Run* run, const char* message) {
  run->progress.ui->show_error(message);
  release_markers(run->env);
  return -1;
}

}  // namespace

int vendrit_main(const char* command_line, Ui* ui, Run* run) {
  Env* e = run->env;
  run->progress.ui = ui;

  // Every path of the program (its own files, the reader's) stays below the
  // start directory, whatever directory changes happen later.
  if (!e->fix_root()) {
    ui->show_error(kMsgNoRoot);
    return -1;
  }

  if (!e->instance_marker_acquire()) {
    ui->show_error(kMsgSecondInstance);  // the marker belongs to the other instance
    return -1;
  }
  // Another user's instance, or one started from another session, may be
  // working on this reader root: two never work on one root together.
  if (!e->root_lock_acquire()) {
    e->instance_marker_release();
    ui->show_error(kMsgSecondInstance);
    return -1;
  }

  Catalogue& c = run->catalogue;
  collect_favourites_list(e, c);
  if (!work_buffer_allocate(run->work)) return refuse(run, kMsgNoWorkBuffer);
  load_exclusion_list(e, run->work, c);
  switch (load_board_list(e, run->work, c)) {
    case BoardListOutcome::kFileMissing: return refuse(run, kMsgBoardListMissing);
    case BoardListOutcome::kFull: return refuse(run, kMsgBoardListFull);
    case BoardListOutcome::kLoaded: break;
  }
  switch (report_duplicates(e, run->work, c)) {
    case DuplicateOutcome::kReportFailed: return refuse(run, kMsgDuplicatesNotExcluded);
    case DuplicateOutcome::kReported: return refuse(run, kMsgDuplicatesReported);
    case DuplicateOutcome::kNone: break;
  }

  char words[kPathSize];
  copy_text(words, sizeof words, command_line ? command_line : "");
  lower_sjis(words);
  load_run_settings(e, &run->settings);
  CommandChoice choice = apply_command_words(words, &run->settings);
  run->choices = RunChoices();
  run->choices.run_mode = choice.run_mode;
  run->choices.preview = choice.preview;

  if (choice.run_mode != 2 && choice.setup) {
    // Settings mode: no host has been looked up, so nothing is announced.
    run->progress.sstp_target = 0;
    if (ui->run_settings_dialog(false) != 0) save_run_settings(e, run->settings);
    release_markers(e);
    return 0;
  }

  progress_log_detect(run->progress, e);
  run->progress.sstp_target = find_sstp_target(e);
  // The message buffer lives in this block; without it nothing can be shown.
  if (!copy_data_block_allocate(run->progress)) return refuse(run, kMsgNoWorkBuffer);

  ui->run_main_window();

  release_markers(e);
  return 0;
}

}  // namespace vendrit
