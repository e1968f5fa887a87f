#include "platform/safe_replace.h"

#include <cstring>

#include "platform/env.h"
#include "platform/text.h"

namespace vendrit {

const char kReplaceTempName[] = "vendrit-replace.tmp";

bool temporary_path_for(const char* path, char* buf, size_t size) {
  // Directory part: everything up to and including the last separator,
  // stepping over the second byte of double-byte characters.
  size_t dir_len = 0;
  for (size_t i = 0; path[i]; ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (is_sjis_lead(c) && path[i + 1]) {
      ++i;
      continue;
    }
    if (c == '\\' || c == '/') dir_len = i + 1;
  }
  return format_text(buf, size, "%.*s%s", static_cast<int>(dir_len), path, kReplaceTempName);
}

ReplaceResult replace_file_contents(const char* path, const ByteSpan* pieces, size_t count) {
  Env* e = env();
  FileStatus st;
  if (e->stat(path, &st)) {
    if (st.is_dir) return ReplaceResult::kCannotOpen;
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
