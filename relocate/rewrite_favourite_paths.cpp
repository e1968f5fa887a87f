#include "relocate/rewrite_favourite_paths.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "catalogue/catalogue.h"
#include "platform/env.h"
#include "platform/safe_replace.h"
#include "report/progress_log.h"

namespace vendrit {

namespace {

// The text after the first "log" and the one separator that follows it.
const char* below_log(const char* path) {
  const char* p = strstr(path, "log");
  if (!p || !p[3]) return nullptr;
  return p + 4;
}

void report_unreadable(const char* name) {
  progress_print("\r\nFile:%sを読み込めませんでした。このファイルはスキップします。", name);
}

// One favourites file as it was read, kept for the rest of the run: every
// moved thread is looked for in these texts instead of reading every file
// again for each of them.  A file is read again when it has changed on disk
// since (checked before it is rewritten).
struct Kept {
  enum State { kUnread, kAbsent, kRead } state = kUnread;
  std::unique_ptr<char[]> text;  // the bytes read, then a NUL
  size_t size = 0;
  FileStatus seen;               // the file as it was when read
};
Kept g_kept[kFavouritesCapacity];

bool same_file_state(const FileStatus& a, const FileStatus& b) {
  return a.kind == b.kind && a.size == b.size && a.modified == b.modified;
}

// Reads the whole of the open file `f` into `kept`.  False (reported, and
// read again next time) when it could not be read whole.
bool read_open(const char* name, File* f, Kept* kept) {
  FileStatus st;
  if (!f->status(&st) || st.size >= SIZE_MAX) {
    report_unreadable(name);
    return false;
  }
  const size_t size = static_cast<size_t>(st.size);
  std::unique_ptr<char[]> text(new (std::nothrow) char[size + 1]);
  if (!text) {
    report_unreadable(name);
    return false;
  }
  long long n = f->read(text.get(), size);
  char more;
  // A file that grew since its size was taken is not rewritten from a part.
  if (n < 0 || (static_cast<size_t>(n) == size && f->read(&more, 1) != 0)) {
    report_unreadable(name);
    return false;
  }
  text[n] = '\0';
  kept->text = std::move(text);
  kept->size = static_cast<size_t>(n);
  kept->seen = st;
  kept->state = Kept::kRead;
  return true;
}

// Opens the file; null when it is gone (silently: nothing of it to follow,
// and `kept` says so) or cannot be opened (reported).
std::unique_ptr<File> open_kept(const char* name, Kept* kept) {
  Env* e = env();
  std::unique_ptr<File> f = e->open(name, OpenMode::kRead);
  FileStatus st;
  if (!f) {
    if (!e->stat(name, &st) || st.kind == FileKind::kDir) {
      kept->state = Kept::kAbsent;
    } else {
      report_unreadable(name);
    }
  }
  return f;
}

enum class Follow { kNotThere, kFollowed, kFailed };

Follow not_followed(const Kept& kept) {
  return kept.state == Kept::kAbsent ? Follow::kNotThere : Follow::kFailed;
}

// Replaces the first `old_text` of one favourites file by `new_text`.
Follow follow_in(const char* name, Kept* kept, const char* old_text, const char* new_text,
                 bool again) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (kept->state != Kept::kRead) {
      std::unique_ptr<File> f = open_kept(name, kept);
      if (!f || !read_open(name, f.get(), kept)) return not_followed(*kept);
    }
    // The search stops at the first NUL byte; the rest is carried unchanged.
    const size_t text_len = strnlen(kept->text.get(), kept->size);
    const size_t old_len = strlen(old_text), new_len = strlen(new_text);
    long long at = find_bytes(kept->text.get(), text_len, old_text, old_len);
    if (at < 0) return Follow::kNotThere;
    if (again) {
      long long done = find_bytes(kept->text.get(), text_len, new_text, new_len);
      if (done >= 0 && done <= at) return Follow::kNotThere;
    }
    // Changed on disk since it was read (the reader added an entry): read
    // again and look again.
    FileStatus now;
    if (!env()->stat(name, &now) || !same_file_state(now, kept->seen)) {
      kept->state = Kept::kUnread;
      continue;
    }
    const size_t after = static_cast<size_t>(at) + old_len;
    ByteSpan pieces[] = {{kept->text.get(), static_cast<size_t>(at)},
                         {new_text, new_len},
                         {kept->text.get() + after, kept->size - after}};
    const size_t size = kept->size - old_len + new_len;
    std::unique_ptr<char[]> text(new (std::nothrow) char[size + 1]);
    const ReplaceResult result =
        text ? replace_file_contents(name, pieces, 3, true, &kept->seen) : ReplaceResult::kFailed;
    if (result == ReplaceResult::kChanged) {
      kept->state = Kept::kUnread;
      continue;
    }
    if (result != ReplaceResult::kReplaced) break;
    // Keep what was written, and how the file now looks on disk.
    size_t put = 0;
    for (const ByteSpan& p : pieces) {
      memcpy(text.get() + put, p.data, p.size);
      put += p.size;
    }
    text[size] = '\0';
    kept->text = std::move(text);
    kept->size = size;
    if (!env()->stat(name, &kept->seen)) kept->state = Kept::kUnread;
    return Follow::kFollowed;
  }
  progress_print("\r\nFile:%sを書けませんでした。このファイルはスキップします。", name);
  return Follow::kFailed;
}

}  // namespace

void favourites_forget() {
  for (Kept& k : g_kept) k = Kept();
}

bool rewrite_favourite_paths(const char* source_index, const char* destination_index,
                             bool again) {
  const char* old_text = below_log(source_index);
  const char* new_text = below_log(destination_index);
  if (!old_text || !new_text || !*old_text) return true;
  bool all = true;
  for (int i = 0; i < g_favourite_count; ++i) {
    if (follow_in(g_favourites[i], &g_kept[i], old_text, new_text, again) == Follow::kFailed) {
      all = false;
    }
  }
  return all;
}

}  // namespace vendrit
