// Byte-text helpers used everywhere: the program's text is Shift_JIS bytes in
// fixed buffers, and every copy or format into such a buffer is bounded.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstring>

#if defined(__GNUC__)
#define VENDRIT_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define VENDRIT_PRINTF(f, a)
#endif

namespace vendrit {

// Paths and names: at most 259 characters in a 260-byte buffer.
constexpr size_t kPathSize = 260;

// True for a Shift_JIS lead byte (the first byte of a double-byte character).
inline bool is_sjis_lead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// True for a byte that can follow a lead byte.  It may be "\" (0x5C) or a
// letter: such a byte belongs to its character and is never a separator or
// a letter to lower-case.
inline bool is_sjis_trail(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Bytes of the character that starts at `p` (not at its end): 2 for a lead
// byte followed by a trail byte, else 1.  Every scan of program text steps
// with this.
inline size_t sjis_char_size(const char* p) {
  return is_sjis_lead(static_cast<unsigned char>(p[0])) &&
                 is_sjis_trail(static_cast<unsigned char>(p[1]))
             ? 2
             : 1;
}

// Bytes of the longest start of the `len` bytes at `text` that fits in `max`
// bytes without cutting a double-byte character in two.
size_t sjis_fit(const char* text, size_t len, size_t max);

// Copies at most size-1 bytes of src into dst and terminates it.
void copy_text(char* dst, size_t size, const char* src);

// snprintf that never fails visibly: output longer than size-1 is cut.
// Returns true when nothing was cut.
bool format_text(char* dst, size_t size, const char* fmt, ...)
    VENDRIT_PRINTF(3, 4);
bool vformat_text(char* dst, size_t size, const char* fmt, va_list ap);

// Lower-cases the ASCII letters A to Z in place, character by character:
// the second byte of a double-byte character stays as it is.
void lower_sjis(char* text);

// The first backslash of `text` that is a character of its own, or null.
const char* find_separator(const char* text);
// Offset of the last such backslash; -1 when there is none.
long last_separator(const char* text);
// Number of such backslashes.
int count_separators(const char* text);

// Whether the n bytes of a and b are the same apart from ASCII letter case.
bool equal_nocase(const char* a, const char* b, size_t n);

// Case-insensitive (ASCII only) test whether `text` ends with `suffix`.
bool ends_with_nocase(const char* text, const char* suffix);

// Byte-wise search of `needle` in the first `size` bytes of `hay` (NUL bytes
// included); returns the offset or -1.
long long find_bytes(const char* hay, size_t size, const char* needle, size_t needle_size);

}  // namespace vendrit
