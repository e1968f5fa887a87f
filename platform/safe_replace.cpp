#include "platform/safe_replace.h"

#include <cctype>
#include <cstring>

#include "platform/env.h"
#include "platform/text.h"

namespace vendrit {

void temporary_name(const char* what, char* buf, size_t size) {
  format_text(buf, size, "vendrit-%s-%lu.tmp", what, env()->process_id());
}

bool temporary_path_for(const char* path, char* buf, size_t size) {
  // Directory part: everything up to and including the last separator.
  size_t dir_len = 0;
  for (size_t i = 0; path[i]; i += sjis_char_size(path + i)) {
    if (path[i] == '\\' || path[i] == '/') dir_len = i + 1;
  }
  char name[48];
  temporary_name("replace", name, sizeof name);
  return format_text(buf, size, "%.*s%s", static_cast<int>(dir_len), path, name);
}

bool is_leftover_temporary(const char* name) {
  for (const char* what : {"vendrit-replace", "vendrit-favorite"}) {
    size_t n = strlen(what);
    if (strncmp(name, what, n) != 0) continue;
    const char* p = name + n;
    if (*p == '-') {  // "-<process id>"; earlier versions had none
      if (!isdigit(static_cast<unsigned char>(*++p))) return false;
      while (isdigit(static_cast<unsigned char>(*p))) ++p;
    }
    return strcmp(p, ".tmp") == 0;
  }
  return false;
}

ReplaceResult replace_file_contents(const char* path, const ByteSpan* pieces, size_t count,
                                    bool known_file) {
  Env* e = env();
  FileStatus st;
  const bool exists = known_file || e->stat(path, &st);
  if (exists) {
    if (!known_file && st.kind != FileKind::kFile) return ReplaceResult::kCannotOpen;
    // A target that cannot be written is reported before anything changes.
    if (!e->writable(path)) return ReplaceResult::kCannotOpen;
  }
  char tmp[kPathSize];
  if (!temporary_path_for(path, tmp, sizeof tmp)) return ReplaceResult::kCannotOpen;
  std::unique_ptr<File> out = e->open(tmp, OpenMode::kCreateNew);
  if (!out) {
    // One of ours left by an earlier process with the same id.
    e->remove_file(tmp);
    out = e->open(tmp, OpenMode::kCreateNew);
  }
  if (!out) return ReplaceResult::kCannotOpen;
  bool ok = out->write_pieces(pieces, count);
  ok = out->close() && ok;
  out.reset();
  if (ok && e->replace_file(tmp, path)) return ReplaceResult::kReplaced;
  e->remove_file(tmp);
  return ReplaceResult::kFailed;
}

}  // namespace vendrit
