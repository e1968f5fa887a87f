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

ReplaceResult replace_file_contents(const char* path, const ByteSpan* pieces, size_t count) {
  Env* e = env();
  FileStatus st;
  if (e->stat(path, &st)) {
    if (st.kind != FileKind::kFile) return ReplaceResult::kCannotOpen;
    // Probe: a target that cannot be written is reported before anything changes.
    std::unique_ptr<File> probe = e->open(path, OpenMode::kWriteExisting);
    if (!probe) return ReplaceResult::kCannotOpen;
    probe->close();
  }
  char tmp[kPathSize];
  if (!temporary_path_for(path, tmp, sizeof tmp)) return ReplaceResult::kCannotOpen;
  e->remove_file(tmp);  // a leftover of an interrupted earlier run
  std::unique_ptr<File> out = e->open(tmp, OpenMode::kCreateNew);
  if (!out) return ReplaceResult::kCannotOpen;
  bool ok = true;
  for (size_t i = 0; ok && i < count; ++i) {
    if (pieces[i].size) ok = out->write(pieces[i].data, pieces[i].size);
  }
  ok = out->close() && ok;
  out.reset();
  if (ok && e->replace_file(tmp, path)) return ReplaceResult::kReplaced;
  e->remove_file(tmp);
  return ReplaceResult::kFailed;
}

}  // namespace vendrit
