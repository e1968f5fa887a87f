#include "repair/repair_pass.h"

#include <cstring>
#include <memory>

#include "store/listed_dir.h"
#include "store/relocate_paths.h"
#include "platform/text.h"
#include "repair/favourites_stream.h"
#include "repair/foreign_host.h"
#include "store/thread_index.h"
#include "repair/thread_links.h"
#include "report/progress_log.h"
#include "vendrit_config.h"

namespace vendrit {

namespace {

constexpr size_t kPartSize = 256;  // server name, board part, index path, link prefixes

const char kMsgCannotOpen[] = "\r\nFile:%sを開けませんでした。スキップします";
const char kMsgCannotWrite[] = "\r\nFile:%sを書けませんでした。このファイルはスキップします。";
const char kMsgHeader[] = "\r\n書き換え中 BBS:%s";
const char kMsgFavourite[] = "\r\n「%s」を登録します";

// log\<server>\<board>: the server name and the board part.  False for an
// index file lying anywhere else (directly in log, in a server directory, or
// deeper), which must not be processed with a broken split.
bool split_board_dir(const char* dir, char* server, char* board_part) {
  const char* start = strstr(dir, "log\\");
  if (!start) return false;
  start += 4;
  const char* sep = find_separator(start);
  if (!sep || sep == start || sep[1] == '\0' || find_separator(sep + 1)) return false;
  format_text(server, kPartSize, "%.*s", static_cast<int>(sep - start), start);
  copy_text(board_part, kPartSize, sep + 1);
  return true;
}

// The regional boards and the rental boards keep favourites with kFavouriteFlagsRegional.
bool is_regional_or_rental(const char* index_path) {
  return strstr(index_path, kRegionalSuffix) || strstr(index_path, kRentalHost1) ||
         strstr(index_path, kRentalHost2);
}

void rename_board_from_list(const Catalogue& c, ThreadIndex* record) {
  for (const BoardRecord& b : c.boards) {
    if (strcmp(b.server, record->host) == 0 && strcmp(b.board_id, record->board_id) == 0) {
      copy_text(record->board_name, sizeof record->board_name, b.board_name);
      return;
    }
  }
}

void add_favourite(Progress& p, ReplacingWriter* favourites, const char* server,
                   const ThreadIndex& record, const char* name) {
  // Without an open stream (favorite.idx could not be created; the run
  // sequence has said so) the lines are skipped.
  if (!favourites) return;
  char line[kPartSize + sizeof record.board_id + kPathSize + 4];
  format_text(line, sizeof line, "%s\\%s\\%s\n", server, record.board_id, name);
  favourites_stream_write(favourites, line);
  progress_print(p, kMsgFavourite, record.title);
}

// One index file of a board directory, with everything the steps below name.
struct IndexFile {
  const PathPair& dir;
  const ListedDir& entries;
  const char* name;                // as the program names it (lower case)
  char server[kPartSize];          // log\<server>\<board part>
  char board_part[kPartSize];
  char path[kPartSize];            // for messages
  char disk_path[kPartSize];       // for opening
};

// What pointing a record's host at its server found: whether the record
// changed, and whether the log's links must follow from `old_prefix`.
struct HostRepair {
  bool changed = false;
  bool rewrite_links = false;
  char old_prefix[kPartSize];
};

// Main and sister boards take the server directory they now lie in as their
// host; a board of another host is converted only when the user asked for it.
HostRepair repair_host(const Run& run, ThreadIndex* record, const char* server, bool family) {
  HostRepair r;
  const bool matched = !family || strcmp(record->host, server) == 0;
  format_text(r.old_prefix, sizeof r.old_prefix, "%s/", record->host);
  // An empty host gives the prefix "/", which would match inside every link.
  bool old_host_known = record->host[0] != '\0';
  bool forced = false;
  if (family) {
    copy_text(record->host, sizeof record->host, server);
  } else if (run.choices.foreign_server && (!strchr(record->host, '/') || strchr(server, '_'))) {
    format_text(r.old_prefix, sizeof r.old_prefix, "%s/", server);
    old_host_known = true;
    forced = true;
    convert_foreign_host(record->host);
  }
  r.changed = forced || !matched;
  r.rewrite_links = (forced || (run.settings.changelink && !matched)) && old_host_known;
  return r;
}

// The log is rewritten before its index file: the index is what tells a
// later run that the thread still names its old host, so it is replaced
// last, and a run cut short anywhere leaves work that the next run completes.
// False when the index must not be written now (reported).
bool rewrite_log_first(Run& run, const IndexFile& f, const char* old_prefix, const char* new_host) {
  // An index file that cannot be written is reported before the log changes.
  if (!run.env->writable(f.disk_path)) {
    progress_print(run.progress, kMsgCannotWrite, f.path);
    return false;
  }
  char new_prefix[kPartSize];
  format_text(new_prefix, sizeof new_prefix, "%s/", new_host);
  // The log as it is listed: its name may differ from the index's in case.
  char log_name[kPathSize];
  log_name_for(f.name, log_name, sizeof log_name);
  const ListedEntry* log = find_entry(f.entries, log_name);
  return rewrite_thread_links(run, f.dir.text, f.name, f.board_part, old_prefix, new_prefix,
                              f.dir.disk, log ? log->disk.c_str() : log_name) !=
         LinkRewrite::kFailed;
}

// Whether `dir` is a board directory the pass works in (log\<server>\<board>,
// not excluded); fills its server and board part.
bool board_of(Catalogue& c, const char* dir, char* server, char* board_part) {
  return split_board_dir(dir, server, board_part) && !is_excluded(c, server, board_part);
}

// Whether the pass rewrites `record` lying in `dir` of `server`: a new host,
// the board name, or a line of the favourites being rebuilt.
bool needs_repair(const Run& run, ThreadIndex* record, const char* dir, const char* server,
                  HostRepair* host) {
  *host = repair_host(run, record, server, lies_in_family_server(dir));
  return host->changed || run.settings.changebbs || run.choices.favourites_rebuild;
}

// A preview of the pass counts the index files it would rewrite in the tree
// as the relocation will have left it.
struct Preview {
  const IndexFates& fates;
  int rewrites = 0;
  void count(const Run& run, ThreadIndex* record, const char* dir, const char* server) {
    HostRepair host;
    if (needs_repair(run, record, dir, server, &host)) ++rewrites;
  }
};

// One walk of the pass.
struct Pass {
  Run& run;
  ReplacingWriter* favourites;  // favorite.idx being rebuilt; null: no lines
  Preview* preview;             // a preview's count; null in a run
};

void repair_index_file(Pass& pass, IndexFile& f, const ListedEntry& entry, int* header_printed) {
  Run& run = pass.run;
  Preview* preview = pass.preview;
  const bool family = lies_in_family_server(f.dir.text);
  if (!board_of(run.catalogue, f.dir.text, f.server, f.board_part)) return;

  bool whole = format_text(f.path, sizeof f.path, "%s\\%s", f.dir.text, f.name);
  if (preview && preview->fates.gone.count(f.path)) return;  // the relocation takes it away
  // A cut path would name another file, and a link or special file is not
  // an index file: neither is read nor written.
  ThreadIndex record;
  FileStatus read;  // the index is replaced only while no other program has changed it since
  if (!whole || entry.kind != FileKind::kFile ||
      !format_text(f.disk_path, sizeof f.disk_path, "%s\\%s", f.dir.disk, entry.disk.c_str()) ||
      !read_thread_index(run.env, f.disk_path, &record, &read)) {
    progress_print(run.progress, kMsgCannotOpen, f.path);
    return;
  }

  if (preview) {
    preview->count(run, &record, f.dir.text, f.server);
    return;
  }
  HostRepair host;
  if (!needs_repair(run, &record, f.dir.text, f.server, &host)) return;

  if (!*header_printed) {
    progress_print(run.progress, kMsgHeader, f.board_part);
    *header_printed = 1;
  }
  record.flags &= kThreadFlagsKept;
  if (run.settings.changebbs && family) rename_board_from_list(run.catalogue, &record);
  if (run.choices.favourites_rebuild &&
      (record.flags == kFavouriteFlags ||
       (record.flags == kFavouriteFlagsRegional && is_regional_or_rental(f.path)))) {
    add_favourite(run.progress, pass.favourites, f.server, record, f.name);
  }
  if (host.rewrite_links && !rewrite_log_first(run, f, host.old_prefix, record.host)) return;
  // rewrite_log_first has probed the index already.
  const Target known = host.rewrite_links ? Target::kWritableFile : Target::kFile;
  if (write_thread_index(run.env, f.disk_path, record, known, &read) != ReplaceResult::kReplaced) {
    progress_print(run.progress, kMsgCannotWrite, f.path);
  }
}

void repair_dir(Pass& pass, const PathPair& dir) {
  int header_printed = 0;
  ListedDir entries;
  if (!list_entries(pass.run, dir.disk, &entries)) return;
  for (const ListedEntry& e : entries.entries) {
    // Links are never walked: one may lead out of the log tree, or back
    // into it for ever.
    const bool walked = e.kind == FileKind::kDir && e.name[0] != '.';
    const bool index = !walked && is_index_name(e.name.c_str());
    if (e.problem != NameProblem::kNone && (walked || index)) {
      report_untouched(pass.run.progress, dir.disk, e, walked);
      continue;
    }
    if (walked) {
      PathPair child;
      // A cut path would name another directory: it is not walked.
      if (format_text(child.text, kPathSize, "%s\\%s", dir.text, e.name.c_str()) &&
          format_text(child.disk, kPathSize, "%s\\%s", dir.disk, e.disk.c_str())) {
        repair_dir(pass, child);
      }
      continue;
    }
    if (index) {
      IndexFile f{dir, entries, e.name.c_str(), "", "", "", ""};
      repair_index_file(pass, f, e, &header_printed);
    } else if (!pass.preview && e.kind == FileKind::kFile && is_leftover_temporary(e.disk.c_str())) {
      // Only this process works on the reader root: a temporary file of
      // ours is a leftover of an interrupted run.
      char leftover[kPathSize];
      if (format_text(leftover, sizeof leftover, "%s\\%s", dir.disk, e.disk.c_str())) {
        pass.run.env->remove_file(leftover);
      }
    }
  }
}

}  // namespace

void repair_pass(Run& run, const char* path, ReplacingWriter* favourites) {
  PathPair root;
  copy_text(root.text, kPathSize, path);
  copy_text(root.disk, kPathSize, path);
  Pass pass{run, favourites, nullptr};
  repair_dir(pass, root);
}

int preview_repair_pass(Run& run, const char* path, const IndexFates& fates) {
  PathPair root;
  copy_text(root.text, kPathSize, path);
  copy_text(root.disk, kPathSize, path);
  Preview preview{fates};
  Pass pass{run, nullptr, &preview};
  const bool muted = progress_mute(run.progress, true);
  repair_dir(pass, root);
  for (const IndexFates::Arrival& a : fates.arriving) {
    char server[kPartSize], board_part[kPartSize];
    ThreadIndex record;
    if (board_of(run.catalogue, a.dir.c_str(), server, board_part) &&
        read_thread_index(run.env, a.read_from.c_str(), &record)) {
      preview.count(run, &record, a.dir.c_str(), server);
    }
  }
  progress_mute(run.progress, muted);
  return preview.rewrites;
}

}  // namespace vendrit
