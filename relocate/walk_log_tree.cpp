#include "relocate/walk_log_tree.h"

#include <cstring>
#include <memory>

#include "platform/env.h"
#include "relocate/move_board_dir.h"
#include "relocate/relocate_paths.h"
#include "report/progress_log.h"
#include "vendrit_config.h"

namespace vendrit {

namespace {

// Below log\A\B only server directories are looked into.
constexpr int kDeepestWalkedSeparators = 1;

bool skipped_by_name(const char* name) {
  return name[0] == '.' || strchr(name, '_') || strstr(name, "localhost");
}

// The first board record for `board_id` on a server other than `old_server`.
const BoardRecord* find_new_home(const char* board_id, const char* old_server) {
  for (int i = 0; i < g_board_count; ++i) {
    const BoardRecord& r = g_boards[i];
    if (strcmp(r.board_id, board_id) == 0 && strcmp(r.server, old_server) != 0) return &r;
  }
  return nullptr;
}

// One board directory `name` of the server directory `path`.
void visit_board_dir(const char* path, const char* disk, const char* name, const char* listed) {
  long sep = last_separator(path);
  if (sep < 0) return;  // a server directory needs the directory holding it
  const char* old_server = path + sep + 1;
  char source[kPathSize], source_disk[kPathSize];
  if (!join_path(source, path, name, true) || !join_path(source_disk, disk, listed, true)) return;
  if (is_excluded(old_server, name)) return;
  const BoardRecord* home = find_new_home(name, old_server);
  if (!home) {
    env()->remove_dir(source_disk);
    return;
  }
  char destination[kPathSize];
  if (!format_text(destination, sizeof destination, "%.*s\\%s\\%s", static_cast<int>(sep), path,
                   home->server, home->board_id)) {
    report_cut_path(destination, true);
    return;
  }
  progress_print("\r\nBBS:%s  %s->%s", home->board_id, old_server, home->server);
  move_board_dir(source, destination, source_disk);
  env()->remove_dir(source_disk);
}

// `path` is the program path (lower-case below log), `disk` the same
// directory named as listed.
void walk(const char* path, const char* disk) {
  std::unique_ptr<DirListing> listing = env()->list_dir(disk);
  if (!listing) return;
  const bool server_dir = is_server_dir(path);
  const bool walk_children = count_separators(path) <= kDeepestWalkedSeparators;
  DirEntry entry;
  while (listing->next(&entry)) {
    char name[kPathSize];
    lower_name(name, entry.name.c_str());
    if (!entry.is_dir || skipped_by_name(name)) continue;
    if (server_dir) {
      visit_board_dir(path, disk, name, entry.name.c_str());
      continue;
    }
    if (!walk_children) continue;
    char child[kPathSize], child_disk[kPathSize];
    if (!join_path(child, path, name, true) ||
        !join_path(child_disk, disk, entry.name.c_str(), true)) {
      continue;
    }
    walk(child, child_disk);
    env()->remove_dir(child_disk);
  }
}

}  // namespace

bool is_server_dir(const char* path) {
  return strstr(path, kMainSuffix) || strstr(path, kSisterSuffix);
}

void walk_log_tree(const char* path) { walk(path, path); }

}  // namespace vendrit
