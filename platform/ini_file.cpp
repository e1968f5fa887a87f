#include "platform/ini_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/safe_replace.h"
#include "platform/text.h"

namespace vendrit {

namespace {

enum class Read { kRead, kMissing, kFailed };

// The file's lines without their line ends (CR LF or LF).  A file that is
// not there (or is no regular file) reads as missing.
Read read_lines(Env* env, const char* file, std::vector<std::string>* lines) {
  std::unique_ptr<File> f = env->open(file, OpenMode::kRead);
  if (!f) {
    FileStatus st;
    return env->stat(file, &st) && st.kind == FileKind::kFile ? Read::kFailed : Read::kMissing;
  }
  std::string all;
  char buf[4096];
  long long n;
  while ((n = f->read(buf, sizeof buf)) > 0) all.append(buf, static_cast<size_t>(n));
  if (n < 0) return Read::kFailed;
  size_t start = 0;
  while (start < all.size()) {
    size_t lf = all.find('\n', start);
    size_t end = lf == std::string::npos ? all.size() : lf;
    std::string line = all.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(line);
    start = end + 1;
  }
  return Read::kRead;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool same_nocase(const std::string& a, const char* b) {
  return a.size() == strlen(b) && equal_nocase(a.data(), b, a.size());
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

// Whether reading takes a pair of quotes off `v`.
bool quoted(const std::string& v) {
  return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

bool lookup(Env* env, const char* file, const char* section, const char* key, std::string* value) {
  std::vector<std::string> lines;
  if (read_lines(env, file, &lines) != Read::kRead) return false;
  long end;
  long at = find_key(lines, section, key, &end);
  if (at < 0) return false;
  const std::string& line = lines[static_cast<size_t>(at)];
  std::string v = trim(line.substr(line.find('=') + 1));
  if (quoted(v)) v = v.substr(1, v.size() - 2);
  *value = v;
  return true;
}

}  // namespace

int ini_read_int(Env* env, const char* file, const char* section, const char* key, int def) {
  std::string v;
  if (!lookup(env, file, section, key, &v) || v.empty()) return def;
  errno = 0;
  long long n = strtoll(v.c_str(), nullptr, 10);
  if (n > INT_MAX) return INT_MAX;
  if (n < INT_MIN) return INT_MIN;
  return static_cast<int>(n);
}

void ini_read_string(Env* env, const char* file, const char* section, const char* key,
                     const char* def, char* buf, size_t size) {
  std::string v;
  if (!lookup(env, file, section, key, &v)) v = def;
  // Cut between characters, never inside a double-byte one.
  copy_text(buf, sjis_fit(v.data(), v.size(), size - 1) + 1, v.c_str());
}

bool ini_write_string(Env* env, const char* file, const char* section, const char* key,
                      const char* value) {
  std::vector<std::string> lines;
  // A file that is there but cannot be read is not written over.
  if (read_lines(env, file, &lines) == Read::kFailed) return false;
  long end;
  long at = find_key(lines, section, key, &end);
  // A value that reading would trim or take quotes off ("C:\Program Files\bk.exe"
  // with its quotes) goes inside one more pair, so that it reads back as it was.
  std::string v = value;
  if (quoted(v) || trim(v) != v) v = '"' + v + '"';
  std::string entry = std::string(key) + "=" + v;
  if (at >= 0) {
    lines[static_cast<size_t>(at)] = entry;
  } else if (end >= 0) {
    lines.insert(lines.begin() + end, entry);
  } else {
    lines.push_back(std::string("[") + section + "]");
    lines.push_back(entry);
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  ByteSpan all{text.data(), text.size()};
  return replace_file_contents(env, file, &all, 1) == ReplaceResult::kReplaced;
}

}  // namespace vendrit
