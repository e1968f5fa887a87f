#include "relocate/walk_log_tree.h"

#include <cstring>
#include <memory>

#include "store/listed_dir.h"
#include "relocate/move_board_dir.h"
#include "store/relocate_paths.h"
#include "relocate/rewrite_favourite_paths.h"
#include "report/progress_log.h"
#include "vendrit_config.h"

namespace vendrit {

namespace {

// Below log\A\B only server directories are looked into.
constexpr int kDeepestWalkedSeparators = 1;

bool skipped_by_name(const char* name) {
  return name[0] == '.' || strchr(name, '_') || strstr(name, "localhost");
}

// The board list may spell a server with capitals while the walk knows it by
// its lower-cased directory name: the two are one server.
void lower_server(char* out, const char* server) {
  copy_text(out, kServerNameSize, server);
  lower_sjis(out);
}

// What a walk does with the boards it finds, in which run.
struct Walk {
  Run& run;
  enum Mode { kCount, kRun, kPreview } mode;
  int boards = 0;          // moved boards met so far
  int total = 0;           // kRun: the moved boards a counting walk met
  IndexFates* fates = nullptr;
  bool acts() const { return mode == kRun; }
};

// The line that starts a moved board, in a run and in a preview.
void report_board(Progress& p, const BoardRecord& home, const char* old_server) {
  progress_print(p, "\r\nBBS:%s  %s->%s", home.board_id, old_server, home.server);
}

// A preview's lines for one moved board: the run's "BBS:" line, then what
// would happen to its threads.  The walk's other lines are the run's.
void preview_board(Run& run, const BoardRecord& home, const char* old_server,
                   const PathPair& source, const PathPair& destination, IndexFates* fates) {
  const BoardPreview p = preview_board_dir(run, source.text, destination.text, source.disk,
                                           destination.disk, fates);
  Progress& out = run.progress;
  const bool muted = progress_mute(out, false);
  report_board(out, home, old_server);
  if (p.left) {
    progress_print(out, "\r\n　この板は移動しません");
  } else {
    progress_print(out, "\r\n　移動 %d　移動先と重複 %d（移動元を使う %d、移動先を使う %d）", p.moving,
                   p.source_wins + p.destination_wins, p.source_wins, p.destination_wins);
    progress_print(out, "　dat落ちで残す %d　飛ばす %d　お気に入り %d", p.dropped, p.skipped,
                   p.favourites);
  }
  progress_mute(out, muted);
}

// The first board record for `board_id` on a server other than `old_server`.
const BoardRecord* find_new_home(const Catalogue& c, const char* board_id, const char* old_server) {
  for (const BoardRecord& r : c.boards) {
    if (strcmp(r.board_id, board_id) != 0) continue;
    char server[kServerNameSize];
    lower_server(server, r.server);
    if (strcmp(server, old_server) != 0) return &r;
  }
  return nullptr;
}

// One board directory `entry` of the server directory `server`; `holder`
// lists the directory that holds the server directory.
void visit_board_dir(Walk* w, const PathPair& server, const ListedDir* holder,
                     const ListedEntry& entry) {
  Run& run = w->run;
  long sep = last_separator(server.text), disk_sep = last_separator(server.disk);
  if (sep < 0 || disk_sep < 0) return;  // a server directory needs the directory holding it
  const char* old_server = server.text + sep + 1;
  PathPair source;
  if (!join_pair(run.progress, &source, server, entry.name.c_str(), entry.disk.c_str(), true)) return;
  if (is_excluded(run.catalogue, old_server, entry.name.c_str())) return;
  const BoardRecord* home = find_new_home(run.catalogue, entry.name.c_str(), old_server);
  if (!home) {
    if (w->acts()) run.env->remove_dir(source.disk);
    return;
  }
  // The new server directory as it is already spelt on disk, if it is there.
  char lowered[kServerNameSize];
  lower_server(lowered, home->server);
  const ListedEntry* there = holder ? find_entry(*holder, lowered) : nullptr;
  const char* server_disk =
      there && there->problem == NameProblem::kNone ? there->disk.c_str() : home->server;
  PathPair destination;
  if (!format_text(destination.text, kPathSize, "%.*s\\%s\\%s", static_cast<int>(sep), server.text,
                   home->server, home->board_id) ||
      !format_text(destination.disk, kPathSize, "%.*s\\%s\\%s", static_cast<int>(disk_sep),
                   server.disk, server_disk, home->board_id)) {
    report_cut_path(run.progress, destination.text, true);
    return;
  }
  ++w->boards;
  switch (w->mode) {
    case Walk::kCount: return;
    case Walk::kPreview: preview_board(run, *home, old_server, source, destination, w->fates); return;
    case Walk::kRun: break;
  }
  report_board(run.progress, *home, old_server);
  move_board_dir(run, source.text, destination.text, source.disk, destination.disk);
  run.env->remove_dir(source.disk);
  run.progress.ui->show_progress(w->boards, w->total, run.progress.failures > 0);
}

// `dir.text` is the program path (lower-case below log), `dir.disk` the same
// directory as spelt on disk; `holder` lists the directory above it.
void walk(Walk* w, const PathPair& dir, const ListedDir* holder) {
  const bool server_dir = is_server_dir(dir.text);
  if (!server_dir && count_separators(dir.text) > kDeepestWalkedSeparators) return;
  // Read whole first: the walk creates and removes directories here.
  ListedDir entries;
  if (!list_entries(w->run, dir.disk, &entries)) return;
  for (const ListedEntry& e : entries.entries) {
    if (e.kind != FileKind::kDir && e.kind != FileKind::kLink) continue;
    if (skipped_by_name(e.name.c_str())) continue;
    // A link is never walked, moved into or removed: it may lead anywhere.
    if (e.kind == FileKind::kLink || e.problem != NameProblem::kNone) {
      report_untouched(w->run.progress, dir.disk, e, true);
      continue;
    }
    if (server_dir) {
      visit_board_dir(w, dir, holder, e);
      continue;
    }
    PathPair child;
    if (!join_pair(w->run.progress, &child, dir, e.name.c_str(), e.disk.c_str(), true)) continue;
    walk(w, child, &entries);
    if (w->acts()) w->run.env->remove_dir(child.disk);
  }
}

void walk_from(Walk* w, const char* path) {
  PathPair root;
  copy_text(root.text, kPathSize, path);
  copy_text(root.disk, kPathSize, path);
  // Only the run's own walk says what it met: the others are quiet.
  const bool muted = progress_mute(w->run.progress, !w->acts());
  favourites_forget(w->run);
  walk(w, root, nullptr);
  favourites_forget(w->run);
  progress_mute(w->run.progress, muted);
}

}  // namespace

void walk_log_tree(Run& run, const char* path) {
  Walk count{run, Walk::kCount};
  walk_from(&count, path);
  Walk moving{run, Walk::kRun};
  moving.total = count.boards;
  walk_from(&moving, path);
}

int preview_log_tree(Run& run, const char* path, IndexFates* fates) {
  Walk w{run, Walk::kPreview};
  w.fates = fates;
  walk_from(&w, path);
  return w.boards;
}

}  // namespace vendrit
