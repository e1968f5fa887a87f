#include "relocate/walk_log_tree.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {


class WalkLogTreeTest : public RootTest {};

// A board moves to its first record on another server, from servers of either family one or two
// levels below log; capitals on disk match lower-case; emptied directories go, those with
// filtered names and excluded ones stay.
TEST_F(WalkLogTreeTest, WhatMoves) {
  const std::string pink = sister("old"), caps = server("OLD");
  const std::string other = server("other"), far = server("far");
  const std::string overlong = std::string(250, 'x') + ".dat";  // a path of more than 259 bytes below log
  for (const std::string& s : {kOld, kNew}) add_board(s, "news");
  add_board(kNew, "tech");
  add_exclusion(other, "news");
  add_exclusion(far, "*all");
  write_tree("log", {"p\\q\\" + kOld + "\\news\\4.dat=D", "_" + kOld + "\\news\\5.dat=D",
                     other + "\\news\\1.dat=D", far + "\\tech\\1.dat=D", "grp\\" + kOld + "\\news\\1.dat=D",
                     pink + "\\tech\\2.dat=D", caps + "\\News\\123.DAT=D", caps + "\\News\\123.IDX=D",
                     pink + "\\tech\\" + overlong + "=D"});
  walk_log_tree(run_, "log");
  EXPECT_EQ(snapshot_tree("log"), (std::vector<std::string>{
      "_" + kOld + "/", "_" + kOld + "/news/", "_" + kOld + "/news/5.dat=D",
      far + "/", far + "/tech/", far + "/tech/1.dat=D",
      "grp/", "grp/" + kNew + "/", "grp/" + kNew + "/news/", "grp/" + kNew + "/news/1.dat=D",
      kNew + "/", kNew + "/news/", kNew + "/news/123.dat=D", kNew + "/news/123.idx=D", kNew + "/tech/", kNew + "/tech/2.dat=D",
      pink + "/", pink + "/tech/", pink + "/tech/" + overlong + "=D",
      other + "/", other + "/news/", other + "/news/1.dat=D",
      "p/", "p/q/", "p/q/" + kOld + "/", "p/q/" + kOld + "/news/", "p/q/" + kOld + "/news/4.dat=D"}));
  // A path that would be cut is never used: its line is the only trace, as a cut path used instead
  // names a file that cannot be read.
  const std::string line = "File:" + ("log\\" + pink + "\\tech\\" + overlong).substr(0, 259) + "はパスが長すぎます。";
  EXPECT_NE(ui_->output.find(line), std::string::npos) << ui_->output;
}

}  // namespace
}  // namespace vendrit
