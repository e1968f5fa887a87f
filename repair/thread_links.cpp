#include "repair/thread_links.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "platform/safe_replace.h"
#include "platform/text.h"

namespace vendrit {

namespace {

constexpr size_t kQuerySize = 40;
constexpr size_t kLogPathSize = 256;
// A log that keeps growing while it is read or rewritten is given up after
// this many tries.
constexpr int kReadAttempts = 3;

const char kMsgCannotRead[] = "\r\nFile:%sを読み込めませんでした。このファイルはスキップします。";
const char kMsgCannotWrite[] = "\r\nFile:%sを書けませんでした。このファイルはスキップします。";

// P\<index name without its last four characters>.dat; false when cut.
bool format_log_path(char* buf, size_t size, const char* directory, const char* index_name) {
  char name[kLogPathSize];
  const bool whole = log_name_for(index_name, name, sizeof name);
  return format_text(buf, size, "%s\\%s", directory, name) && whole;
}

enum class ReadOutcome { kRead, kMissing, kFailed };

// Reads the whole log into the work buffer and terminates it; `seen` is the
// log as it was read.  The buffer grows to the size the open file
// has plus one; at most the buffer size minus one byte is read, and a log
// that turns out larger than that (it grew since) is opened, measured and
// read again.
ReadOutcome read_log(Env* e, WorkBuffer& work, const char* disk_path, size_t* length,
                     FileStatus* seen) {
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    std::unique_ptr<File> in = e->open(disk_path, OpenMode::kRead);
    if (!in) {
      // Missing (or a directory) is no failure; a link or special file, or
      // one that is there and cannot be opened, is.
      FileStatus st;
      return !e->stat(disk_path, &st) || st.kind == FileKind::kDir ? ReadOutcome::kMissing
                                                                   : ReadOutcome::kFailed;
    }
    const bool measured = in->status(seen);
    const uint64_t size = measured ? seen->size : 0;
    if (size >= SIZE_MAX || !work_buffer_reserve(work, static_cast<size_t>(size) + 1)) {
      return ReadOutcome::kFailed;
    }
    size_t room = work.size - 1;
    long long got = in->read(work.data, room);
    if (got < 0) return ReadOutcome::kFailed;
    if (static_cast<size_t>(got) == room) {
      char probe;
      long long more = in->read(&probe, 1);
      if (more < 0) return ReadOutcome::kFailed;
      if (more > 0) continue;  // it grew: measure again
    }
    // Without the file's state a later change could not be told.
    if (!measured) return ReadOutcome::kFailed;
    work.data[got] = '\0';
    *length = static_cast<size_t>(got);
    return ReadOutcome::kRead;
  }
  return ReadOutcome::kFailed;
}

bool begins_with(const char* text, size_t size, const char* word, size_t word_size) {
  return size >= word_size && memcmp(text, word, word_size) == 0;
}

struct LinkRule {
  const char* old_prefix;
  size_t old_size;
  const char* new_prefix;
  size_t new_size;
  const char* query[2];  // parameter form, then path form
  size_t query_size[2];
};

// True when the old prefix found at `at` is the tail of a new prefix (the new
// host ends with the old one): that link already points at the new host, and
// changing it again would prepend the difference once more.  This also makes
// a repeated rewrite of the same log change nothing.
bool ends_new_prefix(const char* text, size_t at, const LinkRule& r) {
  if (r.new_size <= r.old_size) return false;
  size_t head = r.new_size - r.old_size;
  return at >= head && memcmp(r.new_prefix + head, r.old_prefix, r.old_size) == 0 &&
         memcmp(text + at - head, r.new_prefix, head) == 0;
}

// Splits `text` into the pieces of the rewritten log: unchanged runs that
// point into `text` and the new prefix between them.  Fills `pieces` when it
// is not null; returns their count either way.
size_t plan_rewrite(const char* text, size_t size, const LinkRule& r, ByteSpan* pieces) {
  size_t count = 0;
  size_t run = 0;  // start of the unchanged run not yet emitted
  size_t s = 0;
  while (r.old_size > 0 && s < size) {
    long long hit = find_bytes(text + s, size - s, r.old_prefix, r.old_size);
    if (hit < 0) break;
    size_t at = s + static_cast<size_t>(hit);
    size_t after = at + r.old_size;
    if (!ends_new_prefix(text, at, r) &&
        (begins_with(text + after, size - after, r.query[0], r.query_size[0]) ||
         begins_with(text + after, size - after, r.query[1], r.query_size[1]))) {
      if (pieces) {
        pieces[count] = ByteSpan{text + run, at - run};
        pieces[count + 1] = ByteSpan{r.new_prefix, r.new_size};
      }
      count += 2;
      run = after;
    }
    // The query text is not consumed: the next search starts right after the prefix.
    s = after;
  }
  if (pieces) pieces[count] = ByteSpan{text + run, size - run};
  return count + 1;
}

}  // namespace

bool log_name_for(const char* index_name, char* buf, size_t size) {
  size_t n = strlen(index_name);
  int stem = static_cast<int>(n >= 4 ? n - 4 : 0);
  return format_text(buf, size, "%.*s.dat", stem, index_name);
}

LinkRewrite rewrite_thread_links(Run& run, const char* directory, const char* index_name,
                                 const char* board_part, const char* old_prefix,
                                 const char* new_prefix, const char* disk_directory,
                                 const char* disk_log_name) {
  Progress& p = run.progress;
  WorkBuffer& work = run.work;
  char by_param[kQuerySize], by_path[kQuerySize];
  format_text(by_param, sizeof by_param, "test/read.cgi?bbs=%s", board_part);
  format_text(by_path, sizeof by_path, "test/read.cgi/%s/", board_part);
  char log_path[kLogPathSize], disk_log_path[kLogPathSize];
  bool whole = format_log_path(log_path, sizeof log_path, directory, index_name);
  // A cut path names another file; it is never opened.
  if (!whole || !format_text(disk_log_path, sizeof disk_log_path, "%s\\%s", disk_directory,
                             disk_log_name)) {
    progress_print(p, kMsgCannotRead, log_path);
    return LinkRewrite::kFailed;
  }

  LinkRule rule{old_prefix, strlen(old_prefix), new_prefix, strlen(new_prefix),
                {by_param, by_path}, {strlen(by_param), strlen(by_path)}};
  // Bytes another program appends while the log is rewritten are never
  // dropped: the rewrite starts over from a new reading of the log.
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    size_t size = 0;
    FileStatus seen;
    switch (read_log(run.env, work, disk_log_path, &size, &seen)) {
      case ReadOutcome::kRead: break;
      case ReadOutcome::kMissing:
        progress_print(p, kMsgCannotRead, log_path);
        return LinkRewrite::kLogMissing;
      case ReadOutcome::kFailed:
        progress_print(p, kMsgCannotRead, log_path);
        return LinkRewrite::kFailed;
    }
    size_t count = plan_rewrite(work.data, size, rule, nullptr);
    // The pieces point into the work buffer: the content is never copied.
    std::unique_ptr<ByteSpan[]> pieces(new (std::nothrow) ByteSpan[count]);
    if (!pieces) {
      progress_print(p, kMsgCannotRead, log_path);
      return LinkRewrite::kFailed;
    }
    plan_rewrite(work.data, size, rule, pieces.get());
    switch (replace_file_contents(run.env, disk_log_path, pieces.get(), count, Target::kFile, &seen)) {
      case ReplaceResult::kReplaced: return LinkRewrite::kRewritten;
      case ReplaceResult::kChanged: continue;
      default: break;
    }
    break;
  }
  progress_print(p, kMsgCannotWrite, log_path);
  return LinkRewrite::kFailed;
}

LinkRewrite rewrite_thread_links(Run& run, const char* directory, const char* index_name,
                                 const char* board_part, const char* old_prefix,
                                 const char* new_prefix) {
  char log_name[kLogPathSize];
  log_name_for(index_name, log_name, sizeof log_name);
  return rewrite_thread_links(run, directory, index_name, board_part, old_prefix, new_prefix,
                              directory, log_name);
}

}  // namespace vendrit
