#include "store/listed_dir.h"

#include <memory>

#include "platform/text.h"
#include "store/relocate_paths.h"
#include "report/progress_log.h"

namespace vendrit {

bool list_entries(Run& run, const char* disk_path, ListedDir* dir) {
  dir->entries.clear();
  dir->by_name.clear();
  // Sizes are not needed here: whoever needs one asks for that file's alone.
  std::unique_ptr<DirListing> listing = run.env->list_dir(disk_path, false);
  if (!listing) return false;
  DirEntry e;
  while (listing->next(&e)) {
    if (e.name == "." || e.name == "..") continue;
    ListedEntry entry{e.name, e.name, e.kind, NameProblem::kNone};
    char lowered[kPathSize];
    copy_text(lowered, sizeof lowered, e.name.c_str());
    lower_sjis(lowered);
    entry.name = lowered;
    if (e.unnamed) {
      entry.problem = NameProblem::kNoSjisForm;
    } else if (e.name.size() >= kPathSize) {
      entry.problem = NameProblem::kTooLong;
    } else if (find_separator(e.name.c_str())) {
      entry.problem = NameProblem::kSeparator;
    } else if (!dir->by_name.emplace(entry.name, dir->entries.size()).second) {
      entry.problem = NameProblem::kCaseTwin;
    }
    dir->entries.push_back(std::move(entry));
  }
  // A listing that broke off may have missed the index beside a data file:
  // nothing of the directory is used.
  if (listing->failed()) {
    progress_print(run.progress, "\r\nDir:%sを調べられませんでした。スキップします。", disk_path);
    dir->entries.clear();
    dir->by_name.clear();
    return false;
  }
  return true;
}

const ListedEntry* find_entry(const ListedDir& dir, const char* name) {
  auto it = dir.by_name.find(name);
  return it == dir.by_name.end() ? nullptr : &dir.entries[it->second];
}

void report_untouched(Progress& p, const char* dir, const ListedEntry& entry, bool where_dir) {
  const char* kind = where_dir ? "Dir" : "File";
  char path[kPathSize];
  format_text(path, sizeof path, "%s\\%s", dir, entry.disk.c_str());
  switch (entry.problem) {
    case NameProblem::kTooLong:
      report_cut_path(p, path, where_dir);
      return;
    case NameProblem::kSeparator:
    case NameProblem::kCaseTwin:
    case NameProblem::kNoSjisForm:
      progress_print(p, "\r\n%s:%sは扱えない名前です。スキップします。", kind, path);
      return;
    case NameProblem::kNone: break;
  }
  if (entry.kind == FileKind::kLink && where_dir) {
    progress_print(p, "\r\nDir:%sはリンクです。スキップします。", path);
  } else if (entry.kind == FileKind::kLink) {
    progress_print(p, "\r\nFile:%sはリンクです。スキップします。", path);
  } else if (where_dir) {
    progress_print(p, "\r\nDir:%sは通常のファイルではありません。スキップします。", path);
  } else {
    report_not_regular(p, path);
  }
}

void report_not_regular(Progress& p, const char* path) {
  progress_print(p, "\r\nFile:%sは通常のファイルではありません。スキップします。", path);
}

}  // namespace vendrit
