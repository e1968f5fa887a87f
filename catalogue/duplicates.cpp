// Duplicate-board detection: a board id listed under two or more servers has
// no single destination, so start-up refuses to run and appends the groups to
// exclude.lst for the user to resolve.
#include <cstring>

#include "catalogue/catalogue.h"

namespace vendrit {

const char kMsgDuplicatesNotExcluded[] = "板の重複が除外されていません";
const char kMsgDuplicatesReported[] =
    "板の重複が除外されていません\n「exclude.lst」に重複鯖を出力します";

bool assign_duplicate_group(Catalogue& c, BoardRecord& cand) {
  // Only boards with the candidate's id can matter to it, so scanning its
  // bucket gives exactly what a scan of the whole list would, without the
  // quadratic cost.
  std::vector<int>& same_id = c.boards_by_id[cand.board_id];
  bool identical_repeat = false;
  for (int i : same_id) {
    if (strcmp(c.boards[i].server, cand.server) == 0) {
      identical_repeat = true;
      break;
    }
  }
  cand.number = 0;
  for (int i : same_id) {
    BoardRecord& earlier = c.boards[i];
    if (strcmp(earlier.server, cand.server) == 0) continue;
    if (earlier.number != 0) {
      cand.number = earlier.number;
    } else {
      earlier.number = cand.number = ++c.duplicate_groups;
    }
  }
  bool keep = cand.number != 0 || !identical_repeat;
  if (keep) same_id.push_back(static_cast<int>(c.boards.size()));  // its place once kept
  return keep;
}

DuplicateOutcome report_duplicates(Env* env, WorkBuffer& work, const Catalogue& c) {
  if (c.duplicate_groups == 0) return DuplicateOutcome::kNone;
  // The report is built with CR LF line ends: exclude.lst is a text file and
  // gets them on every platform.
  size_t used = 0;
  auto append = [&](const char* text) {
    size_t n = strlen(text);
    if (used + n <= work.size) {
      memcpy(work.data + used, text, n);
      used += n;
    }
  };
  for (int g = c.duplicate_groups; g >= 1; --g) {
    append("#---------------\r\n");
    for (const BoardRecord& b : c.boards) {
      if (b.number != g) continue;
      append(b.server);
      append("\t");
      append(b.board_id);
      append("\r\n");
    }
  }
  std::unique_ptr<File> file = env->open("exclude.lst", OpenMode::kAppend);
  if (!file) return DuplicateOutcome::kReportFailed;
  file->write(work.data, used);
  file->close();
  return DuplicateOutcome::kReported;
}

}  // namespace vendrit
