#include "platform/posix/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"

namespace vendrit {

namespace {

// Opens a regular file for reading; anything else (a FIFO would block for
// ever) reads as a missing file.
FILE* open_regular(const char* file) {
  int fd = ::open(file, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  FILE* f = fdopen(fd, "rb");
  if (!f) ::close(fd);
  return f;
}

bool read_lines(const char* file, std::vector<std::string>* lines) {
  FILE* f = open_regular(file);
  if (!f) return false;
  std::string line;
  int c;
  while ((c = fgetc(f)) != EOF) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines->push_back(line);
      line.clear();
    } else {
      line.push_back(static_cast<char>(c));
    }
  }
  if (!line.empty()) lines->push_back(line);
  fclose(f);
  return true;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool same_nocase(const std::string& a, const char* b) {
  size_t n = strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Section name of a "[name]" line, or false for other lines.
bool section_of(const std::string& line, std::string* name) {
  std::string t = trim(line);
  if (t.size() < 2 || t[0] != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  *name = trim(t.substr(1, close - 1));
  return true;
}

// Index of the line holding `key` in `section`; -1 when absent.  `end` gets the
// index after the section's last line (or -1 when the section is absent).
long find_key(const std::vector<std::string>& lines, const char* section, const char* key,
              long* end) {
  bool inside = false;
  long found = -1;
  *end = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string name;
    if (section_of(lines[i], &name)) {
      if (inside) return found;
      inside = same_nocase(name, section);
      if (inside) *end = static_cast<long>(i) + 1;
      continue;
    }
    if (!inside) continue;
    if (!trim(lines[i]).empty()) *end = static_cast<long>(i) + 1;
    size_t eq = lines[i].find('=');
    if (found < 0 && eq != std::string::npos && same_nocase(trim(lines[i].substr(0, eq)), key)) {
      found = static_cast<long>(i);
    }
  }
  return found;
}

bool lookup(const char* file, const char* section, const char* key, std::string* value) {
  std::vector<std::string> lines;
  if (!read_lines(file, &lines)) return false;
  long end;
  long at = find_key(lines, section, key, &end);
  if (at < 0) return false;
  const std::string& line = lines[static_cast<size_t>(at)];
  std::string v = trim(line.substr(line.find('=') + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  *value = v;
  return true;
}

}  // namespace

int ini_read_int(const char* file, const char* section, const char* key, int def) {
  std::string v;
  if (!lookup(file, section, key, &v) || v.empty()) return def;
  errno = 0;
  long long n = strtoll(v.c_str(), nullptr, 10);
  if (n > INT_MAX) return INT_MAX;
  if (n < INT_MIN) return INT_MIN;
  return static_cast<int>(n);
}

void ini_read_string(const char* file, const char* section, const char* key, const char* def,
                     char* buf, size_t size) {
  std::string v;
  copy_text(buf, size, lookup(file, section, key, &v) ? v.c_str() : def);
}

bool ini_write_string(const char* file, const char* section, const char* key, const char* value) {
  std::vector<std::string> lines;
  read_lines(file, &lines);
  long end;
  long at = find_key(lines, section, key, &end);
  std::string entry = std::string(key) + "=" + value;
  if (at >= 0) {
    lines[static_cast<size_t>(at)] = entry;
  } else if (end >= 0) {
    lines.insert(lines.begin() + end, entry);
  } else {
    lines.push_back(std::string("[") + section + "]");
    lines.push_back(entry);
  }
  // Named for this process: another one writing the same file never shares it.
  std::string tmp = std::string(file) + "." + std::to_string(getpid()) + ".tmp";
  FILE* f = fopen(tmp.c_str(), "wb");
  if (!f) return false;
  bool ok = true;
  for (const std::string& line : lines) {
    ok = ok && fwrite(line.data(), 1, line.size(), f) == line.size() && fputs("\r\n", f) >= 0;
  }
  ok = (fclose(f) == 0) && ok;
  if (ok && rename(tmp.c_str(), file) == 0) return true;
  remove(tmp.c_str());
  return false;
}

}  // namespace vendrit
