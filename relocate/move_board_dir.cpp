#include "relocate/move_board_dir.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "state/run_settings.h"
#include "state/work_buffer.h"
#include "platform/env.h"
#include "platform/safe_replace.h"
#include "relocate/copy_file_whole.h"
#include "store/listed_dir.h"
#include "store/relocate_paths.h"
#include "relocate/rewrite_favourite_paths.h"
#include "store/thread_index.h"
#include "report/progress_log.h"

namespace vendrit {

namespace {

// Sizes are 32-bit byte counts: larger files are outside what is handled.
constexpr uint64_t kLargestDataFile = 0xFFFFFFFFu;

struct Thread {
  char name[kPathSize];       // lower-cased data file name
  char companion[kPathSize];  // lower-cased index file name
  PathPair src_data, src_index, dst_data, dst_index;
  bool self_paired;  // a name without "." is its own index: no second file
  bool has_index;    // the source index file exists (never true when self-paired)
  uint64_t size;
};

// What a destination name holds before anything is put there.
enum class Spot { kAbsent, kFile, kDir, kUntouchable };

Spot look_at(const char* path, uint64_t* size) {
  FileStatus st;
  *size = 0;
  if (!env()->stat(path, &st)) return Spot::kAbsent;
  switch (st.kind) {
    case FileKind::kFile: *size = st.size; return Spot::kFile;
    case FileKind::kDir: return Spot::kDir;
    default: return Spot::kUntouchable;
  }
}

bool exists(const char* path) {
  uint64_t size;
  return look_at(path, &size) == Spot::kFile;
}

enum class Chain { kReady, kLink, kFailed };

// Creates the directories of `path` that are missing.  Every one after the
// first must be a real directory or be made one here: a link on the way
// would lead the threads out of the log tree.  `stop` gets the name that
// ended the chain.
Chain make_dir_chain(const char* path, char* stop) {
  Env* e = env();
  char prefix[kPathSize];
  bool first = true;
  for (size_t i = 0;; i += sjis_char_size(path + i)) {
    const char c = path[i];
    if (c != '\0' && ((c != '\\' && c != '/') || i == 0)) continue;
    format_text(prefix, sizeof prefix, "%.*s", static_cast<int>(i), path);
    copy_text(stop, kPathSize, prefix);
    if (first) {
      e->make_dir(prefix);  // log itself: it may be a link, and usually exists
      first = false;
    } else {
      FileStatus st;
      if (!e->stat(prefix, &st)) {
        if (!e->make_dir(prefix) && Env::last_error() != kErrExists) return Chain::kFailed;
      } else if (st.kind == FileKind::kLink) {
        return Chain::kLink;
      } else if (st.kind != FileKind::kDir) {
        return Chain::kFailed;
      }
    }
    if (c == '\0') return Chain::kReady;
  }
}

// After a failed remove_file, with its cause.
void report_delete_failure(const char* path) {
  progress_print("\r\nFile:%sが削除できませんでした。errno=%d", path, Env::last_error());
}

void report_move_failure(const char* path) {
  progress_print("\r\nFile:%sを移動出来ませんでした。", path);
}

// Every step below puts the index file before the favourites and those
// before the data file.  The data file is what makes a run settle a thread,
// so as long as it stays at the source the next run takes the thread up
// again and completes what a failure or a crash cut short; an index file
// never travels by itself.
//
// A thread taken up again that way has no index left at the source but one
// at the destination: its favourites may have followed already, and making
// them follow again must not move a second entry for the same thread.
bool completing(const Thread& t) {
  return !t.self_paired && !t.has_index && exists(t.dst_index.disk);
}

bool follow(const Thread& t, bool again) {
  return rewrite_favourite_paths(t.src_index.text, t.dst_index.text, again);
}

void unfollow(const Thread& t) { rewrite_favourite_paths(t.dst_index.text, t.src_index.text, false); }

// Deletes the source index file (when there is one); false (reported) when
// it stays, and with it the whole thread.
bool delete_source_index(const Thread& t) {
  if (!t.has_index) return true;
  if (!env()->remove_file(t.src_index.disk)) {
    report_delete_failure(t.src_index.text);
    return false;
  }
  return true;
}

void delete_source_data(const Thread& t) {
  if (!env()->remove_file(t.src_data.disk)) report_delete_failure(t.src_data.text);
}

void move_index_back(const Thread& t) {
  if (t.has_index && !env()->rename_file(t.dst_index.disk, t.src_index.disk)) {
    progress_print("\r\nFile:%sを元に戻せませんでした。", t.dst_index.text);
  }
}

// True when an index file at the destination may be replaced: it is a
// regular file, and its data file was seen empty or a second look finds
// none beside it (an orphan).  A destination that could not be seen at first
// is never overwritten blindly.
bool index_may_be_replaced(const Thread& t, bool empty_there) {
  uint64_t size;
  if (look_at(t.dst_index.disk, &size) != Spot::kFile) return false;
  return empty_there || look_at(t.dst_data.disk, &size) == Spot::kAbsent;
}

// Moves the pair to a destination whose data file is missing or empty
// (`empty_there`: seen and empty): the index, then the favourites, then the
// data file.  False (reported) when the thread stayed at the source; what had
// been done for it is undone.
bool move_pair(const Thread& t, bool empty_there) {
  Env* e = env();
  const bool again = completing(t);
  // Without an index at the source, one already at the destination is kept:
  // it is this thread's own when an earlier run was cut short after moving it.
  if (t.has_index && !e->rename_file(t.src_index.disk, t.dst_index.disk) &&
      !(index_may_be_replaced(t, empty_there) &&
        e->replace_file(t.src_index.disk, t.dst_index.disk))) {
    report_move_failure(t.src_index.text);
    return false;
  }
  if (!follow(t, again)) {
    unfollow(t);  // those that did follow
    move_index_back(t);
    return false;
  }
  // An empty destination data file gives way in one step; otherwise the
  // rename never overwrites, so a destination we could not see survives.
  bool moved = empty_there ? e->replace_file(t.src_data.disk, t.dst_data.disk)
                           : e->rename_file(t.src_data.disk, t.dst_data.disk);
  if (moved) return true;
  report_move_failure(t.src_data.text);
  unfollow(t);
  move_index_back(t);
  return false;
}

// Copies the pair to the destination, the index first.  `overwrite` is false
// when the destination data file could not be seen: then nothing there is
// replaced.  True when both arrived whole.
bool copy_pair(const Thread& t, bool overwrite) {
  if (!t.self_paired) {
    if (t.has_index) {
      const bool replace = overwrite || index_may_be_replaced(t, false);
      if (!copy_file_whole(t.src_index, t.dst_index, replace)) return false;
    } else if (exists(t.dst_index.disk)) {
      env()->remove_file(t.dst_index.disk);  // stale: it described the replaced data
    }
  }
  return copy_file_whole(t.src_data, t.dst_data, overwrite) != 0;
}

// The source is the losing copy of a thread that the destination holds.
// Two names of one file are never settled against each other: deleting
// one would delete the thread.
bool is_other_file(const Thread& t) {
  FileIdentity a, b;
  if (!env()->identity(t.src_data.disk, &a) || !env()->identity(t.dst_data.disk, &b)) {
    progress_print("\r\nFile:%sを読み込めませんでした。このファイルはスキップします。",
                   t.src_data.text);
    return false;
  }
  if (a == b) {
    progress_print("\r\nFile:%sは移動先と同じファイルです。スキップします。", t.src_data.text);
    return false;
  }
  return true;
}

// Settles one thread by copyonly and copylarge, and makes the favourites
// follow it to the destination.  A source is deleted only once the
// destination holds the thread on the disk and the favourites name it there.
void transfer(const Thread& t, const PathPair& destination) {
  uint64_t dst_size;
  const Spot spot = look_at(t.dst_data.disk, &dst_size);
  if (spot == Spot::kUntouchable) {
    report_not_regular(t.dst_data.text);
    return;
  }
  const bool seen = spot == Spot::kFile;
  const bool copyonly = g_settings.copyonly != 0, copylarge = g_settings.copylarge != 0;
  if (dst_size == 0) {
    if (copyonly) {
      if (copy_pair(t, seen)) follow(t, false);
    } else {
      move_pair(t, seen);
    }
    return;
  }
  if (!is_other_file(t)) return;
  // A copy that failed (reported) leaves the thread and its favourites as
  // they are, for the next run to take up whole.
  const bool copy = dst_size < t.size && copylarge;
  if (copy && !copy_pair(t, true)) return;
  if (copyonly) {
    follow(t, false);
    return;
  }
  // The copies were flushed before they took their names; the names must be
  // on the disk too before the only other copy goes.
  if (copy && !env()->sync_dir(destination.disk)) {
    report_move_failure(t.src_data.text);
    return;
  }
  // The losing source goes in the order of a move: index, favourites, data.
  const bool again = completing(t);
  if (delete_source_index(t) && follow(t, again)) delete_source_data(t);
}

// Builds the thread's paths from its lower-cased name; false when it is not
// to be touched (reported, or its index file was reported on its own).
bool prepare(const PathPair& source, const PathPair& destination, const ListedDir& dir,
             const ListedEntry& entry, Thread* t) {
  copy_text(t->name, sizeof t->name, entry.name.c_str());
  if (!companion_name(t->companion, t->name)) {
    report_cut_path(t->companion, false);
    return false;
  }
  t->self_paired = strcmp(t->companion, t->name) == 0;
  const ListedEntry* index = t->self_paired ? nullptr : find_entry(dir, t->companion);
  if (index && (index->kind != FileKind::kFile || index->problem != NameProblem::kNone)) {
    return false;  // the pair stays whole where it is
  }
  t->has_index = index != nullptr;
  char built[kPathSize];
  companion_name(built, entry.disk.c_str());  // fits: the lower-cased twin did
  // Files arrive at the destination under their lower-cased names.
  if (!join_pair(&t->src_data, source, t->name, entry.disk.c_str(), false) ||
      !join_pair(&t->src_index, source, t->companion, index ? index->disk.c_str() : built,
                 false) ||
      !join_pair(&t->dst_data, destination, t->name, t->name, false) ||
      !join_pair(&t->dst_index, destination, t->companion, t->companion, false)) {
    return false;
  }
  // The data file's size, asked for here rather than for every entry listed.
  FileStatus st;
  if (!env()->stat(t->src_data.disk, &st)) {
    progress_print("\r\nFile:%sを読み込めませんでした。このファイルはスキップします。",
                   t->src_data.text);
    return false;
  }
  if (st.kind != FileKind::kFile) {
    report_not_regular(t->src_data.text);
    return false;
  }
  t->size = st.size;
  return true;
}

// Creates the destination and makes sure that it is another directory than
// the source.  False (reported) when the board is to be left alone.
bool destination_ready(const PathPair& source, const PathPair& destination_pair) {
  const char* destination = destination_pair.disk;
  char stop[kPathSize];
  switch (make_dir_chain(destination, stop)) {
    case Chain::kReady: break;
    case Chain::kLink:
      progress_print("\r\nDir:%sはリンクです。コピーを中止します。", stop);
      return false;
    case Chain::kFailed:
      progress_print("\r\nDir:%sを作成出来ませんでした。コピーを中止します。",
                     destination_pair.text);
      return false;
  }
  // However the two are spelt, and whatever link makes them one, a board is
  // never moved onto itself.
  FileIdentity a, b;
  if (!env()->identity(source.disk, &a) || !env()->identity(destination, &b)) {
    progress_print("\r\nDir:%sを調べられませんでした。スキップします。", destination_pair.text);
    return false;
  }
  if (a == b) {
    progress_print("\r\nDir:%sは移動先と同じフォルダです。スキップします。", source.text);
    return false;
  }
  return true;
}

}  // namespace

bool companion_name(char* out, const char* name) {
  copy_text(out, kPathSize, name);
  char* dot = strrchr(out, '.');
  if (!dot) return true;
  *dot = '\0';
  return format_text(out, kPathSize, "%.*s.idx", static_cast<int>(dot - out), name);
}

void move_board_dir(const char* source, const char* destination, const char* source_disk,
                    const char* destination_disk) {
  PathPair from, to;
  copy_text(from.text, kPathSize, source);
  copy_text(from.disk, kPathSize, source_disk ? source_disk : source);
  copy_text(to.text, kPathSize, destination);
  copy_text(to.disk, kPathSize, destination_disk ? destination_disk : destination);
  if (!destination_ready(from, to)) return;
  ListedDir dir;
  if (!list_entries(from.disk, &dir)) return;
  for (const ListedEntry& entry : dir.entries) {
    // Sub-directories of a board are not touched.
    if (entry.kind == FileKind::kDir) continue;
    if (entry.problem != NameProblem::kNone || entry.kind != FileKind::kFile) {
      report_untouched(from.disk, entry, false);
      continue;
    }
    // A temporary file of ours left by an interrupted run is no thread.
    if (is_leftover_temporary(entry.disk.c_str())) {
      char leftover[kPathSize];
      if (join_path(leftover, from.disk, entry.disk.c_str(), false)) env()->remove_file(leftover);
      continue;
    }
    // Index files never travel by themselves, only beside their data file.
    if (strstr(entry.name.c_str(), ".idx")) continue;
    Thread t;
    if (!prepare(from, to, dir, entry, &t)) continue;
    if (g_settings.no_move) {
      // An index already at the destination was moved there by a run that
      // was cut short after deciding to move this thread; it still tells.
      const char* index =
          t.has_index || !exists(t.dst_index.disk) ? t.src_index.disk : t.dst_index.disk;
      ThreadIndex record;
      if (!read_thread_index(index, &record)) {
        progress_print("\r\nFile:%sが開けませんでした。", t.src_index.text);
        continue;
      }
      if (record.flags & kThreadFlagDropped) continue;
    }
    if (t.size > kLargestDataFile || !work_buffer_reserve(static_cast<size_t>(t.size) + 1)) {
      progress_print("\r\nFile:%sを読み込めませんでした。このファイルはスキップします。",
                     t.src_data.text);
      continue;
    }
    transfer(t, to);
  }
}

}  // namespace vendrit
