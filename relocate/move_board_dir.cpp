#include "relocate/move_board_dir.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/safe_replace.h"
#include "relocate/copy_file_whole.h"
#include "store/listed_dir.h"
#include "store/relocate_paths.h"
#include "relocate/rewrite_favourite_paths.h"
#include "store/thread_index.h"
#include "relocate/thread_decision.h"
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

Spot look_at(Env* env, const char* path, uint64_t* size) {
  FileStatus st;
  *size = 0;
  if (!env->stat(path, &st)) return Spot::kAbsent;
  switch (st.kind) {
    case FileKind::kFile: *size = st.size; return Spot::kFile;
    case FileKind::kDir: return Spot::kDir;
    default: return Spot::kUntouchable;
  }
}

bool exists(Env* env, const char* path) {
  uint64_t size;
  return look_at(env, path, &size) == Spot::kFile;
}

enum class Chain { kReady, kLink, kFailed };

// Creates the directories of `path` that are missing (`create` false: only
// looks, as far as they are there).  Every one after the first must be a
// real directory or be made one here: a link on the way would lead the
// threads out of the log tree.  `stop` gets the name that ended the chain.
Chain make_dir_chain(Env* e, const char* path, char* stop, bool create) {
  char prefix[kPathSize];
  bool first = true;
  for (size_t i = 0;; i += sjis_char_size(path + i)) {
    const char c = path[i];
    if (c != '\0' && ((c != '\\' && c != '/') || i == 0)) continue;
    format_text(prefix, sizeof prefix, "%.*s", static_cast<int>(i), path);
    copy_text(stop, kPathSize, prefix);
    if (first) {
      if (create) e->make_dir(prefix);  // log itself: it may be a link, and usually exists
      first = false;
    } else {
      FileStatus st;
      if (!e->stat(prefix, &st)) {
        if (!create) return Chain::kReady;  // the rest would be made
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
void report_delete_failure(Progress& p, const char* path) {
  progress_print(p, "\r\nFile:%sが削除できませんでした。errno=%d", path, Env::last_error());
}

void report_move_failure(Progress& p, const char* path) {
  progress_print(p, "\r\nFile:%sを移動出来ませんでした。", path);
}

// Deletes the source index file (when there is one); false (reported) when
// it stays, and with it the whole thread.
bool delete_source_index(Run& run, const Thread& t) {
  if (!t.has_index) return true;
  if (!run.env->remove_file(t.src_index.disk)) {
    report_delete_failure(run.progress, t.src_index.text);
    return false;
  }
  return true;
}

void delete_source_data(Run& run, const Thread& t) {
  if (!run.env->remove_file(t.src_data.disk)) report_delete_failure(run.progress, t.src_data.text);
}

void move_index_back(Run& run, const Thread& t) {
  if (t.has_index && !run.env->rename_file(t.dst_index.disk, t.src_index.disk)) {
    progress_print(run.progress, "\r\nFile:%sを元に戻せませんでした。", t.dst_index.text);
  }
}

// True when an index file at the destination may be replaced: it is a
// regular file, and its data file was seen empty or a second look finds
// none beside it (an orphan).  A destination that could not be seen at first
// is never overwritten blindly.
bool index_may_be_replaced(Env* env, const Thread& t, bool empty_there) {
  uint64_t size;
  if (look_at(env, t.dst_index.disk, &size) != Spot::kFile) return false;
  return empty_there || look_at(env, t.dst_data.disk, &size) == Spot::kAbsent;
}

// Copies the pair to the destination, the index first.  `overwrite` is false
// when the destination data file could not be seen: then nothing there is
// replaced.  True when both arrived whole.
bool copy_pair(Run& run, const Thread& t, bool overwrite) {
  if (!t.self_paired) {
    if (t.has_index) {
      const bool replace = overwrite || index_may_be_replaced(run.env, t, false);
      if (!copy_file_whole(run, t.src_index, t.dst_index, replace)) return false;
    } else if (exists(run.env, t.dst_index.disk)) {
      run.env->remove_file(t.dst_index.disk);  // stale: it described the replaced data
    }
  }
  return copy_file_whole(run, t.src_data, t.dst_data, overwrite) != 0;
}

// Builds the thread's paths from its lower-cased name; false when it is not
// to be touched (reported, or its index file was reported on its own).
bool prepare(Run& run, const PathPair& source, const PathPair& destination, const ListedDir& dir,
             const ListedEntry& entry, Thread* t) {
  Progress& p = run.progress;
  copy_text(t->name, sizeof t->name, entry.name.c_str());
  if (!companion_name(t->companion, t->name)) {
    report_cut_path(p, t->companion, false);
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
  if (!join_pair(p, &t->src_data, source, t->name, entry.disk.c_str(), false) ||
      !join_pair(p, &t->src_index, source, t->companion, index ? index->disk.c_str() : built,
                 false) ||
      !join_pair(p, &t->dst_data, destination, t->name, t->name, false) ||
      !join_pair(p, &t->dst_index, destination, t->companion, t->companion, false)) {
    return false;
  }
  // The data file's size, asked for here rather than for every entry listed.
  FileStatus st;
  if (!run.env->stat(t->src_data.disk, &st)) {
    progress_print(p, "\r\nFile:%sを読み込めませんでした。このファイルはスキップします。",
                   t->src_data.text);
    return false;
  }
  if (st.kind != FileKind::kFile) {
    report_not_regular(p, t->src_data.text);
    return false;
  }
  t->size = st.size;
  return true;
}

// Creates the destination (or, for a preview, looks whether it is there)
// and makes sure that it is another directory than the source.  False
// (reported) when the board is to be left alone.
bool destination_ready(Run& run, const PathPair& source, const PathPair& destination_pair,
                       bool create) {
  Env* e = run.env;
  Progress& p = run.progress;
  const char* destination = destination_pair.disk;
  char stop[kPathSize];
  switch (make_dir_chain(e, destination, stop, create)) {
    case Chain::kReady: break;
    case Chain::kLink:
      progress_print(p, "\r\nDir:%sはリンクです。コピーを中止します。", stop);
      return false;
    case Chain::kFailed:
      progress_print(p, "\r\nDir:%sを作成出来ませんでした。コピーを中止します。",
                     destination_pair.text);
      return false;
  }
  // Not there yet (a preview): a run would make it, and it cannot be the source.
  FileStatus st;
  if (!create && !e->stat(destination, &st)) return true;
  // However the two are spelt, and whatever link makes them one, a board is
  // never moved onto itself.
  FileIdentity a, b;
  if (!e->identity(source.disk, &a) || !e->identity(destination, &b)) {
    progress_print(p, "\r\nDir:%sを調べられませんでした。スキップします。", destination_pair.text);
    return false;
  }
  if (a == b) {
    progress_print(p, "\r\nDir:%sは移動先と同じフォルダです。スキップします。", source.text);
    return false;
  }
  return true;
}

// One thread with what was decided for it and how far it got.
struct Job {
  Thread t;
  Decision d;
  bool empty_there = false;  // the destination data file was seen, empty
  bool alive = true;         // no step failed yet
  bool undo = false;         // a move to take back: favourites, then the index
  size_t favourites = 0;     // its entry in the board's favourite moves
};

Destination destination_of(Spot spot, uint64_t size) {
  switch (spot) {
    case Spot::kAbsent: return Destination::kAbsent;
    case Spot::kFile: return size ? Destination::kFile : Destination::kEmpty;
    case Spot::kDir: return Destination::kDirectory;
    case Spot::kUntouchable: break;
  }
  return Destination::kNotRegular;
}

// What no_move needs to know: whether the index says the thread dropped out.
// An index already at the destination was moved there by a run that was cut
// short after deciding to move this thread; it still tells.
Dropped dropped_of(Env* env, const Thread& t) {
  const char* index = t.has_index || !exists(env, t.dst_index.disk) ? t.src_index.disk : t.dst_index.disk;
  ThreadIndex record;
  if (!read_thread_index(env, index, &record)) return Dropped::kUnusable;
  return record.flags & kThreadFlagDropped ? Dropped::kYes : Dropped::kNo;
}

// Whether the two data files are one file on disk, whatever their names.
SameFile same_of(Env* env, const Thread& t) {
  FileIdentity a, b;
  if (!env->identity(t.src_data.disk, &a) || !env->identity(t.dst_data.disk, &b)) {
    return SameFile::kUnknown;
  }
  return a == b ? SameFile::kSame : SameFile::kOther;
}

// Finds out what is needed about the thread, in the order that asks least,
// and decides.  Nothing is changed on disk.
Decision plan_thread(Run& run, const Thread& t, const Policy& policy, bool* empty_there) {
  Env* e = run.env;
  ThreadFacts f;
  f.source_size = t.size;
  f.source_index = t.has_index;
  f.self_paired = t.self_paired;
  if (policy.no_move) f.dropped = dropped_of(e, t);
  f.buffer = t.size <= kLargestDataFile && work_buffer_reserve(run.work, static_cast<size_t>(t.size) + 1);
  if (!(policy.no_move && f.dropped != Dropped::kNo) && f.buffer) {
    const Spot spot = look_at(e, t.dst_data.disk, &f.destination_size);
    f.destination = destination_of(spot, f.destination_size);
    // Only a thread without its index at the source asks whether one is there.
    uint64_t size;
    f.destination_index = !t.self_paired && !t.has_index && look_at(e, t.dst_index.disk, &size) == Spot::kFile;
    if (needs_identity(f)) f.same = same_of(e, t);
  }
  *empty_there = f.destination == Destination::kEmpty;
  return decide_thread(f, policy);
}

// The line for a thread that stays where it is; false for one that goes on.
bool report_staying(Progress& p, const Job& j, const Policy& policy) {
  const Thread& t = j.t;
  switch (j.d.verdict) {
    case Verdict::kIndexUnusable: progress_print(p, "\r\nFile:%sが開けませんでした。", t.src_index.text); break;
    case Verdict::kLeaveDropped: break;
    case Verdict::kTooLarge:
    case Verdict::kSameUnknown:
      progress_print(p, "\r\nFile:%sを読み込めませんでした。このファイルはスキップします。", t.src_data.text);
      break;
    case Verdict::kNotRegular: report_not_regular(p, t.dst_data.text); break;
    case Verdict::kDirectoryThere:
      if (policy.copyonly) {
        progress_print(p, "\r\nFile:%s 移動先ファイルを作成出来ませんでした。", t.dst_data.text);
      } else {
        report_move_failure(p, t.src_data.text);
      }
      break;
    case Verdict::kSameFile:
      progress_print(p, "\r\nFile:%sは移動先と同じファイルです。スキップします。", t.src_data.text);
      break;
    default: return false;
  }
  return true;
}

bool drops_source(Verdict v) { return v == Verdict::kDropSource || v == Verdict::kReplaceThenDrop; }

// The first step of every thread: the index moves, the copies are made, a
// losing source's index goes.  Each thread whose step fails stays as it was.
void index_step(Run& run, std::vector<Job>* jobs, const PathPair& destination) {
  Env* e = run.env;
  bool replaced = false;
  for (Job& j : *jobs) {
    const Thread& t = j.t;
    switch (j.d.verdict) {
      case Verdict::kMove:
        // Without an index at the source, one already at the destination is
        // kept: it is this thread's own when an earlier run was cut short.
        if (t.has_index && !e->rename_file(t.src_index.disk, t.dst_index.disk) &&
            !(index_may_be_replaced(e, t, j.empty_there) &&
              e->replace_file(t.src_index.disk, t.dst_index.disk))) {
          report_move_failure(run.progress, t.src_index.text);
          j.alive = false;
        }
        break;
      case Verdict::kCopy: j.alive = copy_pair(run, t, j.empty_there); break;
      case Verdict::kCopyOver: j.alive = copy_pair(run, t, true); break;
      case Verdict::kReplaceThenDrop: replaced = (j.alive = copy_pair(run, t, true)) || replaced; break;
      default: break;
    }
  }
  // The copies were flushed before they took their names; the names must be
  // on the disk too before the only other copy goes.
  const bool names_kept = !replaced || e->sync_dir(destination.disk);
  for (Job& j : *jobs) {
    if (!j.alive || !drops_source(j.d.verdict)) continue;
    if (j.d.verdict == Verdict::kReplaceThenDrop && !names_kept) {
      report_move_failure(run.progress, j.t.src_data.text);
      j.alive = false;
    } else {
      j.alive = delete_source_index(run, j.t);
    }
  }
}

// The favourites of every thread still going follow it, each file rewritten
// once for the board.  A thread whose favourites could not all follow goes no
// further: a move is taken back, a copy and a losing source stay as they are
// for the next run.
void favourites_step(Run& run, std::vector<Job>* jobs, std::vector<FavouriteMove>* moves) {
  for (Job& j : *jobs) {
    if (!j.alive) continue;
    FavouriteMove m;
    m.source_index = j.t.src_index.text;
    m.destination_index = j.t.dst_index.text;
    m.again = j.d.again;
    j.favourites = moves->size();
    moves->push_back(m);
  }
  follow_favourites(run, moves);
  for (Job& j : *jobs) {
    if (!j.alive || !(*moves)[j.favourites].failed) continue;
    j.alive = false;
    j.undo = j.d.verdict == Verdict::kMove;
  }
}

// The last step: the data file moves, or the losing source's goes.
void data_step(Run& run, std::vector<Job>* jobs) {
  Env* e = run.env;
  for (Job& j : *jobs) {
    if (!j.alive) continue;
    const Thread& t = j.t;
    if (j.d.verdict == Verdict::kMove) {
      // An empty destination data file gives way in one step; otherwise the
      // rename never overwrites, so a destination we could not see survives.
      bool moved = j.empty_there ? e->replace_file(t.src_data.disk, t.dst_data.disk)
                                 : e->rename_file(t.src_data.disk, t.dst_data.disk);
      if (!moved) {
        report_move_failure(run.progress, t.src_data.text);
        j.undo = true;
      }
    } else if (drops_source(j.d.verdict)) {
      delete_source_data(run, t);
    }
  }
}

// Takes back the moves that failed after their index moved: their
// favourites, in the files where they followed, then their index files.
void undo_step(Run& run, std::vector<Job>* jobs, std::vector<FavouriteMove>* moves) {
  std::vector<FavouriteMove> back;
  for (const Job& j : *jobs) {
    if (j.undo) back.push_back((*moves)[j.favourites]);
  }
  if (back.empty()) return;
  unfollow_favourites(run, &back);
  for (const Job& j : *jobs) {
    if (j.undo) move_index_back(run, j.t);
  }
}

// The two directories of a moved board, as the program names them and as
// they are spelt on disk.
struct BoardDirs {
  BoardDirs(const char* source, const char* destination, const char* source_disk,
            const char* destination_disk) {
    copy_text(from.text, kPathSize, source);
    copy_text(from.disk, kPathSize, source_disk ? source_disk : source);
    copy_text(to.text, kPathSize, destination);
    copy_text(to.disk, kPathSize, destination_disk ? destination_disk : destination);
  }
  PathPair from, to;
};

// Decides every thread of the board before anything is done with any: the
// run (`act`) then takes each step for all of them, in listing order, and a
// preview only counts.  Threads that stay are reported here; the others
// are in `jobs`.  False when the whole board is left alone.
bool decide_board(Run& run, const BoardDirs& b, bool act, std::vector<Job>* jobs) {
  if (!destination_ready(run, b.from, b.to, act)) return false;
  ListedDir dir;
  if (!list_entries(run, b.from.disk, &dir)) return false;
  const RunSettings& s = run.settings;
  const Policy policy{s.copyonly != 0, s.copylarge != 0, s.no_move != 0};
  for (const ListedEntry& entry : dir.entries) {
    // Sub-directories of a board are not touched.
    if (entry.kind == FileKind::kDir) continue;
    if (entry.problem != NameProblem::kNone || entry.kind != FileKind::kFile) {
      report_untouched(run.progress, b.from.disk, entry, false);
      continue;
    }
    // A temporary file of ours left by an interrupted run is no thread.
    if (is_leftover_temporary(entry.disk.c_str())) {
      char leftover[kPathSize];
      if (act && join_path(run.progress, leftover, b.from.disk, entry.disk.c_str(), false)) {
        run.env->remove_file(leftover);
      }
      continue;
    }
    // Index files never travel by themselves, only beside their data file.
    if (is_index_name(entry.name.c_str())) continue;
    Job j;
    if (!prepare(run, b.from, b.to, dir, entry, &j.t)) continue;
    j.d = plan_thread(run, j.t, policy, &j.empty_there);
    // A preview keeps them all, to count them.
    j.alive = !report_staying(run.progress, j, policy);
    if (j.alive || !act) jobs->push_back(j);
  }
  return true;
}

// Counts a thread of a preview, and notes where its index file will be.
void count_and_foresee(const Job& j, BoardPreview* p, IndexFates* fates) {
  const Thread& t = j.t;
  const Verdict v = j.d.verdict;
  switch (v) {
    case Verdict::kMove:
    case Verdict::kCopy: ++p->moving; break;
    case Verdict::kCopyOver:
    case Verdict::kReplaceThenDrop: ++p->source_wins; break;
    case Verdict::kKeepBoth:
    case Verdict::kDropSource: ++p->destination_wins; break;
    case Verdict::kLeaveDropped: ++p->dropped; break;
    default: ++p->skipped; return;
  }
  if (!fates || v == Verdict::kLeaveDropped || v == Verdict::kKeepBoth) return;
  // The source index leaves its directory unless it is copied; one that
  // arrives takes the place of any there; a copy without a source index
  // removes the destination's, which described the data replaced.
  const bool copies = v == Verdict::kCopy || v == Verdict::kCopyOver;
  if (t.has_index && !copies) fates->gone.insert(t.src_index.text);
  if (v == Verdict::kDropSource) return;
  if (t.has_index) {
    fates->arriving.push_back({j.t.dst_index.text, t.src_index.disk});
    long sep = last_separator(fates->arriving.back().dir.data());
    if (sep >= 0) fates->arriving.back().dir.resize(static_cast<size_t>(sep));
  }
  if (t.has_index || (v != Verdict::kMove && !t.self_paired)) fates->gone.insert(t.dst_index.text);
}

}  // namespace

bool companion_name(char* out, const char* name) {
  copy_text(out, kPathSize, name);
  char* dot = strrchr(out, '.');
  if (!dot) return true;
  *dot = '\0';
  return format_text(out, kPathSize, "%.*s.idx", static_cast<int>(dot - out), name);
}

void move_board_dir(Run& run, const char* source, const char* destination, const char* source_disk,
                    const char* destination_disk) {
  BoardDirs b(source, destination, source_disk, destination_disk);
  std::vector<Job> jobs;
  if (!decide_board(run, b, true, &jobs)) return;
  std::vector<FavouriteMove> moves;
  index_step(run, &jobs, b.to);
  favourites_step(run, &jobs, &moves);
  data_step(run, &jobs);
  undo_step(run, &jobs, &moves);
}

BoardPreview preview_board_dir(Run& run, const char* source, const char* destination,
                               const char* source_disk, const char* destination_disk,
                               IndexFates* fates) {
  BoardDirs b(source, destination, source_disk, destination_disk);
  BoardPreview p;
  std::vector<Job> jobs;
  // The run's lines for threads that stay are counted here, not shown.
  const bool muted = progress_mute(run.progress, true);
  const bool ready = decide_board(run, b, false, &jobs);
  progress_mute(run.progress, muted);
  if (!ready) {
    p.left = true;
    return p;
  }
  std::vector<FavouriteMove> moves;
  for (Job& j : jobs) {
    count_and_foresee(j, &p, fates);
    if (!j.alive) continue;
    FavouriteMove m;
    m.source_index = j.t.src_index.text;
    m.destination_index = j.t.dst_index.text;
    m.again = j.d.again;
    moves.push_back(m);
  }
  p.favourites = foresee_favourites(run, &moves);
  return p;
}

}  // namespace vendrit
