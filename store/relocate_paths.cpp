#include "store/relocate_paths.h"

#include <cstring>

#include "report/progress_log.h"

namespace vendrit {

void report_cut_path(Progress& p, const char* cut, bool is_dir) {
  if (is_dir) {
    progress_print(p, "\r\nDir:%sはパスが長すぎます。スキップします。", cut);
  } else {
    progress_print(p, "\r\nFile:%sはパスが長すぎます。このファイルはスキップします。", cut);
  }
}

bool join_path(Progress& p, char* out, const char* dir, const char* name, bool is_dir) {
  if (format_text(out, kPathSize, "%s\\%s", dir, name)) return true;
  report_cut_path(p, out, is_dir);
  return false;
}

bool join_pair(Progress& p, PathPair* out, const PathPair& dir, const char* name,
               const char* disk_name, bool is_dir) {
  return join_path(p, out->text, dir.text, name, is_dir) &&
         join_path(p, out->disk, dir.disk, disk_name, is_dir);
}

}  // namespace vendrit
