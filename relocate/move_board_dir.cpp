#include "relocate/move_board_dir.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "app/run_settings.h"
#include "app/work_buffer.h"
#include "platform/env.h"
#include "platform/safe_replace.h"
#include "relocate/copy_file_whole.h"
#include "relocate/relocate_paths.h"
#include "relocate/rewrite_favourite_paths.h"
#include "repair/thread_index.h"
#include "report/progress_log.h"

namespace vendrit {

namespace {

// Sizes are 32-bit byte counts: larger files are outside what is handled.
constexpr uint64_t kLargestDataFile = 0xFFFFFFFFu;

struct Thread {
  char name[kPathSize];
  char companion[kPathSize];
  char src_data[kPathSize], src_index[kPathSize];
  char dst_data[kPathSize], dst_index[kPathSize];
  char src_data_disk[kPathSize], src_index_disk[kPathSize];
  bool self_paired;  // a name without "." is its own index: no second file
  bool has_index;    // the source index file exists (never true when self-paired)
  uint64_t size;
};

bool exists(const char* path) {
  FileStatus st;
  return env()->stat(path, &st) && !st.is_dir;
}

// Creates every directory of the chain; only the last one's result counts.
int make_dir_chain(const char* path) {
  char prefix[kPathSize];
  for (size_t i = 0; path[i]; ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (is_sjis_lead(c) && path[i + 1]) {
      ++i;
    } else if ((c == '\\' || c == '/') && i > 0) {
      format_text(prefix, sizeof prefix, "%.*s", static_cast<int>(i), path);
      env()->make_dir(prefix);
    }
  }
  return env()->make_dir(path);
}

// Finds the source index file as it is named on disk and whether it exists.
// On a case-sensitive file system its name may differ in case from the data
// file's; the listing finds it.  When there is none, the name built from the
// data file's stays (and names a missing file).
bool find_index_on_disk(const char* source_disk, const char* listed, Thread* t) {
  char built[kPathSize];
  companion_name(built, listed);  // fits: the lower-cased twin did
  t->has_index = false;
  if (!join_path(t->src_index_disk, source_disk, built, false)) return false;
  if (t->self_paired) return true;
  if (exists(t->src_index_disk)) {
    t->has_index = true;
    return true;
  }
  std::unique_ptr<DirListing> listing = env()->list_dir(source_disk);
  DirEntry e;
  while (listing && listing->next(&e)) {
    char lowered[kPathSize];
    if (e.is_dir || !lower_name(lowered, e.name.c_str())) continue;
    if (strcmp(lowered, t->companion) == 0) {
      t->has_index = true;
      return join_path(t->src_index_disk, source_disk, e.name.c_str(), false);
    }
  }
  return true;
}

void report_delete_failure(const char* path, int err) {
  progress_print("\r\nFile:%sが削除できませんでした。errno=%d", path, err);
}

void report_move_failure(const char* path) {
  progress_print("\r\nFile:%sを移動出来ませんでした。", path);
}

// Every step below puts the index file before the data file.  The data file
// is what makes a run settle a thread, so as long as it stays at the source
// the next run takes the thread up again and completes what a failure or a
// crash cut short; an index file never travels by itself.

// Deletes the source pair, the index first.  An index that cannot be deleted
// keeps its data file too, so the pair stays whole for the next run.
void delete_source(const Thread& t) {
  if (t.has_index) {
    if (int err = env()->remove_file(t.src_index_disk)) {
      report_delete_failure(t.src_index, err);
      return;
    }
  }
  if (int err = env()->remove_file(t.src_data_disk)) report_delete_failure(t.src_data, err);
}

bool follow(const Thread& t) { return rewrite_favourite_paths(t.src_index, t.dst_index); }

void move_index_back(const Thread& t) {
  if (t.has_index && !env()->rename_file(t.dst_index, t.src_index_disk)) {
    progress_print("\r\nFile:%sを元に戻せませんでした。", t.dst_index);
  }
}

// True when an index file at the destination may be replaced: its data file
// was seen empty, or a second look finds none beside it (an orphan).  A
// destination that could not be seen at first is never overwritten blindly.
bool index_may_be_replaced(const Thread& t, bool empty_there) {
  FileStatus st;
  return empty_there || !env()->stat(t.dst_data, &st);
}

// Moves the pair to a destination whose data file is missing or empty
// (`empty_there`: seen and empty): the index, then the favourites, then the
// data file.  False (reported) when the thread stayed at the source; what had
// been done for it is undone.
bool move_pair(const Thread& t, bool empty_there) {
  Env* e = env();
  // Without an index at the source, one already at the destination is kept:
  // it is this thread's own when an earlier run was cut short after moving it.
  if (t.has_index && !e->rename_file(t.src_index_disk, t.dst_index) &&
      !(index_may_be_replaced(t, empty_there) && e->replace_file(t.src_index_disk, t.dst_index))) {
    report_move_failure(t.src_index);
    return false;
  }
  if (!follow(t)) {
    rewrite_favourite_paths(t.dst_index, t.src_index);  // those that did follow
    move_index_back(t);
    return false;
  }
  // An empty destination data file gives way in one step; otherwise the
  // rename never overwrites, so a destination we could not see survives.
  bool moved = empty_there ? e->replace_file(t.src_data_disk, t.dst_data)
                           : e->rename_file(t.src_data_disk, t.dst_data);
  if (moved) return true;
  report_move_failure(t.src_data);
  rewrite_favourite_paths(t.dst_index, t.src_index);
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
      if (!copy_file_whole(t.src_index, t.dst_index, t.src_index_disk, replace)) return false;
    } else {
      env()->remove_file(t.dst_index);  // stale: it described the replaced data
    }
  }
  return copy_file_whole(t.src_data, t.dst_data, t.src_data_disk, overwrite) != 0;
}

// Settles one thread by copyonly and copylarge, and makes the favourites
// follow it to the destination.  A source is deleted only once the
// destination holds the thread and the favourites name it there.
void transfer(const Thread& t) {
  FileStatus st;
  const bool seen = env()->stat(t.dst_data, &st) && !st.is_dir;
  const uint64_t dst_size = seen ? st.size : 0;
  const bool copyonly = g_settings.copyonly != 0, copylarge = g_settings.copylarge != 0;
  if (dst_size == 0) {
    if (copyonly) {
      if (copy_pair(t, seen)) follow(t);
    } else {
      move_pair(t, seen);
    }
    return;
  }
  bool arrived = true;
  if (dst_size < t.size && copylarge) arrived = copy_pair(t, true);
  const bool followed = follow(t);
  if (!copyonly && arrived && followed) delete_source(t);
}

// Builds the thread's paths from its lower-cased name (already in t->name);
// false (reported) when one would be cut.
bool prepare(const char* source, const char* source_disk, const char* destination,
             const DirEntry& entry, Thread* t) {
  if (!companion_name(t->companion, t->name)) {
    report_cut_path(t->companion, false);
    return false;
  }
  t->self_paired = strcmp(t->companion, t->name) == 0;
  t->size = entry.size;
  return join_path(t->src_data, source, t->name, false) &&
         join_path(t->src_index, source, t->companion, false) &&
         join_path(t->dst_data, destination, t->name, false) &&
         join_path(t->dst_index, destination, t->companion, false) &&
         join_path(t->src_data_disk, source_disk, entry.name.c_str(), false) &&
         find_index_on_disk(source_disk, entry.name.c_str(), t);
}

}  // namespace

bool companion_name(char* out, const char* name) {
  copy_text(out, kPathSize, name);
  char* dot = strrchr(out, '.');
  if (!dot) return true;
  *dot = '\0';
  return format_text(out, kPathSize, "%.*s.idx", static_cast<int>(dot - out), name);
}

void move_board_dir(const char* source, const char* destination, const char* source_disk) {
  if (!source_disk) source_disk = source;
  int err = make_dir_chain(destination);
  if (err != 0 && err != kErrExists) {
    progress_print("\r\nDir:%sを作成出来ませんでした。コピーを中止します。", destination);
    return;
  }
  std::unique_ptr<DirListing> listing = env()->list_dir(source_disk);
  if (!listing) return;
  DirEntry entry;
  while (listing->next(&entry)) {
    if (entry.is_dir) continue;
    Thread t;
    if (!lower_name(t.name, entry.name.c_str())) {
      report_cut_path(t.name, false);
      continue;
    }
    // Index files never travel by themselves, only beside their data file.
    if (strstr(t.name, ".idx")) continue;
    // A temporary file of ours left by an interrupted run is no thread.
    if (strcmp(entry.name.c_str(), kReplaceTempName) == 0) {
      char leftover[kPathSize];
      if (join_path(leftover, source_disk, entry.name.c_str(), false)) env()->remove_file(leftover);
      continue;
    }
    if (!prepare(source, source_disk, destination, entry, &t)) continue;
    if (g_settings.no_move) {
      // An index already at the destination was moved there by a run that
      // was cut short after deciding to move this thread; it still tells.
      const char* index = t.has_index || !exists(t.dst_index) ? t.src_index_disk : t.dst_index;
      ThreadIndex record;
      if (!read_thread_index(index, &record)) {
        progress_print("\r\nFile:%sが開けませんでした。", t.src_index);
        continue;
      }
      if (record.flags & kThreadFlagDropped) continue;
    }
    if (t.size > kLargestDataFile || !work_buffer_reserve(static_cast<size_t>(t.size) + 1)) {
      progress_print("\r\nFile:%sを読み込めませんでした。このファイルはスキップします。", t.src_data);
      continue;
    }
    transfer(t);
  }
}

}  // namespace vendrit
