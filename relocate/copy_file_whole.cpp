#include "relocate/copy_file_whole.h"

#include <memory>

#include "platform/safe_replace.h"
#include "platform/text.h"

namespace vendrit {

namespace {

// The pieces are as large as the work buffer, so a file that fits it is
// copied in one read and one write; a larger one (an index file bigger than
// the largest data file seen) is still copied whole.
bool copy_bytes(WorkBuffer& work, File* in, ReplacingWriter* out, bool* read_failed) {
  for (;;) {
    long long n = in->read(work.data, work.size);
    if (n < 0) {
      *read_failed = true;
      return false;
    }
    if (n == 0) return true;
    if (!out->write(work.data, static_cast<size_t>(n))) return false;
  }
}

}  // namespace

int copy_file_whole(Run& run, const PathPair& source, const PathPair& destination, bool overwrite) {
  Progress& p = run.progress;
  std::unique_ptr<File> in = run.env->open(source.disk, OpenMode::kRead);
  if (!in) {
    progress_print(p, "\r\nFile:%sを読み込めませんでした。", source.text);
    return 0;
  }
  // A destination that cannot be written (read-only, locked) or is not a
  // regular file is refused before anything is created beside it.
  ReplacingWriter out(run.env, destination.disk);
  if (!out.ok()) {
    progress_print(p, "\r\nFile:%s 移動先ファイルを作成出来ませんでした。", destination.text);
    return 0;
  }
  bool read_failed = false;
  if (copy_bytes(run.work, in.get(), &out, &read_failed) && out.commit(overwrite)) return 1;
  if (read_failed) {
    progress_print(p, "\r\nFile:%sを読み込めませんでした。", source.text);
  } else {
    progress_print(p, "\r\nFile:%s 移動先ファイルを作成出来ませんでした。", destination.text);
  }
  return 0;
}

}  // namespace vendrit
