#include "platform/text.h"

#include <cstdio>
#include <cstring>

namespace vendrit {

size_t sjis_fit(const char* text, size_t len, size_t max) {
  size_t n = 0;
  while (n < len) {
    size_t step = n + 1 < len ? sjis_char_size(text + n) : 1;
    if (n + step > max) break;
    n += step;
  }
  return n;
}

void copy_text(char* dst, size_t size, const char* src) {
  if (size == 0) return;
  size_t n = strnlen(src, size - 1);
  memcpy(dst, src, n);
  dst[n] = '\0';
}

bool vformat_text(char* dst, size_t size, const char* fmt, va_list ap) {
  if (size == 0) return false;
  int n = vsnprintf(dst, size, fmt, ap);
  if (n < 0) {
    dst[0] = '\0';
    return false;
  }
  return static_cast<size_t>(n) < size;
}

bool format_text(char* dst, size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  bool whole = vformat_text(dst, size, fmt, ap);
  va_end(ap);
  return whole;
}

void lower_sjis(char* text) {
  for (char* p = text; *p; p += sjis_char_size(p)) {
    if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p - 'A' + 'a');
  }
}

const char* find_separator(const char* text) {
  for (const char* p = text; *p; p += sjis_char_size(p)) {
    if (*p == '\\') return p;
  }
  return nullptr;
}

long last_separator(const char* text) {
  long last = -1;
  for (const char* p = text; (p = find_separator(p)) != nullptr; ++p) last = p - text;
  return last;
}

int count_separators(const char* text) {
  int n = 0;
  for (const char* p = text; (p = find_separator(p)) != nullptr; ++p) ++n;
  return n;
}

bool equal_nocase(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool ends_with_nocase(const char* text, const char* suffix) {
  size_t t = strlen(text), s = strlen(suffix);
  return s <= t && equal_nocase(text + (t - s), suffix, s);
}

long long find_bytes(const char* hay, size_t size, const char* needle, size_t needle_size) {
  if (needle_size == 0) return 0;
  if (needle_size > size) return -1;
  // A long text and a needle of a few bytes: the paths and hosts looked for
  // begin with letters that the text is full of, so each alignment is ruled
  // out by its last byte instead (Horspool), skipping ahead as far as that
  // byte allows.
  if (needle_size >= 4 && size >= 512) {
    // A shift never longer than the true one, capped to fit a byte.
    auto capped = [](size_t shift) { return static_cast<unsigned char>(shift < 255 ? shift : 255); };
    unsigned char skip[256];
    memset(skip, capped(needle_size), sizeof skip);
    for (size_t i = 0; i + 1 < needle_size; ++i) {
      skip[static_cast<unsigned char>(needle[i])] = capped(needle_size - 1 - i);
    }
    const char last = needle[needle_size - 1];
    for (size_t at = 0; at + needle_size <= size;
         at += skip[static_cast<unsigned char>(hay[at + needle_size - 1])]) {
      if (hay[at + needle_size - 1] == last && memcmp(hay + at, needle, needle_size - 1) == 0) {
        return static_cast<long long>(at);
      }
    }
    return -1;
  }
  const char* end = hay + (size - needle_size) + 1;
  for (const char* p = hay; p < end;) {
    const void* hit = memchr(p, needle[0], static_cast<size_t>(end - p));
    if (!hit) return -1;
    const char* q = static_cast<const char*>(hit);
    if (memcmp(q, needle, needle_size) == 0) return q - hay;
    p = q + 1;
  }
  return -1;
}

}  // namespace vendrit
