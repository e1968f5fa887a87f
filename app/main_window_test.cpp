// The window texts and the run sequence, driven through a recording Ui.
#include "app/main_window.h"
#include "app/run_sequence.h"

#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

class MainWindowTest : public RootTest {};

TEST_F(MainWindowTest, TitleAndExclusionSummary) {
  char title[260];
  format_window_title(title, sizeof title);
  EXPECT_STREQ(title, "Vendrit Version 3.08 [EM64T Version]");
  show_exclusion_summary(*ui_, catalogue_);
  EXPECT_EQ(ui_->output, "処理除外鯖はありません");
  add_exclusion("srv.example", "*all");
  add_exclusion("other.example", "news");
  catalogue_.exclusions[0].number = 1;
  show_exclusion_summary(*ui_, catalogue_);
  EXPECT_EQ(ui_->output, "処理除外鯖\r\nsrv.example" + std::string(19, ' ') + "\t全板" + std::string(16, ' ') +
                             "\t○\r\nother.example" + std::string(17, ' ') + "\tnews" + std::string(16, ' ') + "\t×\r\n");
}

// A run replaces the text, beeps, re-enables the buttons, exits only in auto mode; a failed backup ends it first.
TEST_F(MainWindowTest, RunSequence) {
  for (int row = 0; row < 4; ++row) {
    const int backup = settings_.backup = row / 2;
    const int mode = choices_.run_mode = row % 2 + 1;
    SCOPED_TRACE(row);
    *ui_ = RecordingUi(), ui_->output = "left over";
    write_file("vendrit.log", "");
    progress_.logging = true;
    run_sequence(run_);
    if (backup) {
      EXPECT_EQ(ui_->output, "開始します\r\n外部バックアッププログラム起動中\r\n外部バックアッププログラムの起動に失敗しました");
      EXPECT_EQ(read_file("vendrit.log"), "");
    } else {
      EXPECT_EQ(ui_->output.rfind("開始します\r\n========== ", 0), 0u) << ui_->output;
      EXPECT_NE(ui_->output.find(" ==========\r\n終了しました"), std::string::npos);
    }
    EXPECT_EQ(ui_->buttons, std::vector<bool>{true});
    EXPECT_EQ(std::vector<int>({ui_->selection_removals, ui_->beeps, ui_->exits_posted}),
              std::vector<int>({!backup, !backup, !backup && mode == 2}));
  }
}

// A preview tells, board by board, what the run will do, and changes nothing; the
// run then does just that, showing its progress board by board.
TEST_F(MainWindowTest, PreviewForetellsTheRunAndChangesNothing) {
  // Server names of different lengths: each favourites entry that follows moves those after it,
  // in both files whichever thread goes first.
  const std::string old = std::string("old") + kMainSuffix, now = std::string("newer") + kMainSuffix;
  const std::string from = "log\\" + old + "\\news\\", to = "log\\" + now + "\\news\\";
  add_board(now.c_str(), "news");
  settings_.no_move = 1;
  // 1 moves; 2 meets a larger copy there; 3 dropped out and stays; 4 meets a directory.
  for (const char* n : {"1", "2", "3", "4"}) {
    write_file(from + n + ".dat", "data");
    write_file(from + n + ".idx", index_text(Index(n[0] == '3' ? 0x10 : 0, old)));
  }
  write_file(to + "2.dat", "the larger copy there");
  write_file(to + "2.idx", index_text(Index(0, old)));
  make_dirs(to + "4.dat");
  add_favourites("fav.idx", old + "\\news\\1.idx\r\n" + old + "\\news\\2.idx\r\n");
  add_favourites("fav2.idx", old + "\\news\\2.idx\r\n" + old + "\\news\\1.idx\r\n");
  const std::vector<std::string> before = snapshot_tree(".");
  preview_sequence(run_);
  EXPECT_EQ(snapshot_tree("."), before);
  EXPECT_EQ(ui_->output, "\r\n-------プレビュー（GO!を押すまで何も変更しません）\r\nBBS:news  " + old + "->" + now +
                             "\r\n　移動 1　移動先と重複 1（移動元を使う 0、移動先を使う 1）"
                             "　dat落ちで残す 1　飛ばす 1　お気に入り 4\r\n-------書き換える.idx 2件");
  EXPECT_EQ(ui_->buttons, std::vector<bool>{true});
  run_sequence(run_);
  EXPECT_EQ(read_file("fav.idx"), now + "\\news\\1.idx\r\n" + now + "\\news\\2.idx\r\n");
  EXPECT_EQ(read_file("fav2.idx"), now + "\\news\\2.idx\r\n" + now + "\\news\\1.idx\r\n");
  EXPECT_EQ(snapshot_tree(from), (std::vector<std::string>{"3.dat=data", "3.idx=" + index_text(Index(0x10, old)),
                                                           "4.dat=data", "4.idx=" + index_text(Index(0, old))}));
  for (const char* n : {"1", "2"}) EXPECT_EQ(read_file(to + n + ".idx"), index_text(Index(0, now))) << n;
  // One board, done with a failure line (the directory in 4.dat's place); then cleared.
  EXPECT_EQ(ui_->progress, (std::vector<std::vector<int>>{{1, 1, 1}, {0, 0, 0}}));
}

// The rebuild is for one run; an unwritable or unreplaceable favorite.idx is reported, kept, leaves no temporary.
TEST_F(MainWindowTest, FavouritesRebuild) {
  for (int failure = 0; failure < 3; ++failure) {
    SCOPED_TRACE(failure);
    write_file("favorite.idx", "old list\r\n");
    fault_.reset();
    if (failure == 1) fault_.lock_file("favorite.idx");
    if (failure == 2) fault_.fail_from(FaultOp::kRename, 1);
    choices_.favourites_rebuild = 1;
    run_sequence(run_);
    const size_t at = ui_->output.find("\r\n-------お気に入り同時修復");
    EXPECT_EQ(ui_->output.find("\r\nFile:favorite.idxを書けませんでした。このファイルはスキップします。") != std::string::npos,
              failure != 0);
    EXPECT_LT(at, ui_->output.find("終了しました"));
    EXPECT_EQ(choices_.favourites_rebuild, 0);
    EXPECT_EQ(read_file("favorite.idx"), failure ? "old list\r\n" : "");
    EXPECT_EQ(snapshot_tree(".").size(), 1u);
  }
}

}  // namespace
}  // namespace vendrit
