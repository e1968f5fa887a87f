#include "platform/safe_replace.h"

#include <cctype>
#include <cstring>

#include "platform/env.h"
#include "platform/text.h"

namespace vendrit {

bool temporary_path_for(Env* env, const char* path, char* buf, size_t size, const char* what) {
  // Directory part: everything up to and including the last separator.
  size_t dir_len = 0;
  for (size_t i = 0; path[i]; i += sjis_char_size(path + i)) {
    if (path[i] == '\\' || path[i] == '/') dir_len = i + 1;
  }
  return format_text(buf, size, "%.*svendrit-%s-%lu.tmp", static_cast<int>(dir_len), path, what,
                     env->process_id());
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

ReplacingWriter::ReplacingWriter(Env* env, const char* target, const char* what, Target known)
    : env_(env) {
  Env* e = env;
  copy_text(target_, sizeof target_, target);
  FileStatus st;
  if (known != Target::kWritableFile && (known == Target::kFile || e->stat(target, &st))) {
    // A link or special file is never replaced by a file of ours, and a
    // target that cannot be written is refused before anything changes.
    if (known == Target::kUnknown && st.kind != FileKind::kFile) return;
    if (!e->writable(target)) return;
  }
  if (!temporary_path_for(e, target, temporary_, sizeof temporary_, what)) return;
  file_ = e->open(temporary_, OpenMode::kCreateNew);
  if (!file_) {
    // One of ours left by an earlier process with the same id.
    e->remove_file(temporary_);
    file_ = e->open(temporary_, OpenMode::kCreateNew);
  }
  if (!file_) temporary_[0] = '\0';  // nothing of ours to remove
}

ReplacingWriter::~ReplacingWriter() {
  file_.reset();
  if (temporary_[0]) env_->remove_file(temporary_);
}

bool ReplacingWriter::write(const void* data, size_t size) {
  written_ = written_ && file_ && file_->write(data, size);
  return written_;
}

bool ReplacingWriter::write_pieces(const ByteSpan* pieces, size_t count) {
  written_ = written_ && file_ && file_->write_pieces(pieces, count);
  return written_;
}

bool ReplacingWriter::commit(bool overwrite, const FileStatus* unchanged) {
  if (!file_) return false;
  // On the disk before it takes the target's name: a power cut after the
  // rename must not leave an empty or zero-filled file in its place.
  bool ok = written_ && file_->sync();
  ok = file_->close() && ok;
  file_.reset();
  Env* e = env_;
  if (ok) {
    ok = overwrite ? e->replace_file(temporary_, target_, unchanged)
                   : e->rename_file(temporary_, target_);
    changed_ = !ok && unchanged && Env::last_error() == kErrChanged;
  }
  if (!ok) e->remove_file(temporary_);
  temporary_[0] = '\0';
  return ok;
}

ReplaceResult replace_file_contents(Env* env, const char* path, const ByteSpan* pieces, size_t count,
                                    Target known, const FileStatus* unchanged) {
  ReplacingWriter out(env, path, "replace", known);
  if (!out.ok()) return ReplaceResult::kCannotOpen;
  out.write_pieces(pieces, count);
  if (out.commit(true, unchanged)) return ReplaceResult::kReplaced;
  return out.target_changed() ? ReplaceResult::kChanged : ReplaceResult::kFailed;
}

}  // namespace vendrit
