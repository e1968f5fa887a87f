#include "relocate/rewrite_favourite_paths.h"

#include <cstring>
#include <memory>

#include "app/work_buffer.h"
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

// Reads the whole file into the work buffer, growing it to the file's size
// plus one when needed.  -1 when the file is gone (silently: nothing of it to
// follow) and -2 when it exists but could not be read whole (reported).
long long read_whole(const char* name) {
  Env* e = env();
  FileStatus st;
  std::unique_ptr<File> f = e->open(name, OpenMode::kRead);
  if (!f) {
    if (!e->stat(name, &st) || st.kind == FileKind::kDir) return -1;
    report_unreadable(name);
    return -2;
  }
  if (!e->stat(name, &st) || !work_buffer_reserve(static_cast<size_t>(st.size) + 1)) {
    report_unreadable(name);
    return -2;
  }
  long long n = f->read(g_work.data, g_work.size - 1);
  char more;
  // A file that grew since its size was taken is not rewritten from a part.
  if (n < 0 || (static_cast<size_t>(n) == g_work.size - 1 && f->read(&more, 1) != 0)) {
    report_unreadable(name);
    return -2;
  }
  g_work.data[n] = '\0';
  return n;
}

}  // namespace

bool rewrite_favourite_paths(const char* source_index, const char* destination_index,
                             bool again) {
  const char* old_text = below_log(source_index);
  const char* new_text = below_log(destination_index);
  if (!old_text || !new_text) return true;
  const size_t old_len = strlen(old_text);
  if (old_len == 0) return true;
  bool all = true;
  for (int i = 0; i < g_favourite_count; ++i) {
    const char* name = g_favourites[i];
    long long n = read_whole(name);
    if (n < 0) {
      all = all && n == -1;
      continue;
    }
    // The search stops at the first NUL byte; the rest is carried unchanged.
    size_t text_len = strnlen(g_work.data, static_cast<size_t>(n));
    long long at = find_bytes(g_work.data, text_len, old_text, old_len);
    if (at < 0) continue;
    if (again) {
      long long done = find_bytes(g_work.data, text_len, new_text, strlen(new_text));
      if (done >= 0 && done <= at) continue;
    }
    size_t after = static_cast<size_t>(at) + old_len;
    ByteSpan pieces[] = {{g_work.data, static_cast<size_t>(at)},
                         {new_text, strlen(new_text)},
                         {g_work.data + after, static_cast<size_t>(n) - after}};
    if (replace_file_contents(name, pieces, 3) != ReplaceResult::kReplaced) {
      progress_print("\r\nFile:%sを書けませんでした。このファイルはスキップします。", name);
      all = false;
    }
  }
  return all;
}

}  // namespace vendrit
