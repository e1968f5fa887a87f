#include "relocate/relocate_paths.h"

#include <cstring>

#include "report/progress_log.h"

namespace vendrit {

void report_cut_path(const char* cut, bool is_dir) {
  if (is_dir) {
    progress_print("\r\nDir:%sはパスが長すぎます。スキップします。", cut);
  } else {
    progress_print("\r\nFile:%sはパスが長すぎます。このファイルはスキップします。", cut);
  }
}

bool join_path(char* out, const char* dir, const char* name, bool is_dir) {
  if (format_text(out, kPathSize, "%s\\%s", dir, name)) return true;
  report_cut_path(out, is_dir);
  return false;
}

long last_separator(const char* path) {
  long last = -1;
  for (long i = 0; path[i]; ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (is_sjis_lead(c) && path[i + 1]) {
      ++i;
    } else if (c == '\\') {
      last = i;
    }
  }
  return last;
}

int count_separators(const char* path) {
  int n = 0;
  for (size_t i = 0; path[i]; ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (is_sjis_lead(c) && path[i + 1]) {
      ++i;
    } else if (c == '\\') {
      ++n;
    }
  }
  return n;
}

bool lower_name(char* out, const char* name) {
  copy_text(out, kPathSize, name);
  // The second byte of a double-byte character may fall in A to Z; changing
  // it would name a different character, so it is stepped over.
  for (size_t i = 0; out[i]; ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (is_sjis_lead(c) && out[i + 1]) {
      ++i;
    } else if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c - 'A' + 'a');
    }
  }
  return strlen(name) < kPathSize;
}

}  // namespace vendrit
