#include "store/thread_index.h"

#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/env.h"
#include "platform/text.h"

namespace vendrit {

namespace {

constexpr int kFieldCount = 21;
constexpr size_t kSlotSize = 260;

// Fields 1 to 20 of line 1, in the order of the file: `visit` is called with
// each member (an int32_t or a char array).  Field 21 has no member.
template <class Record, class Visit>
void for_each_field(Record& r, Visit&& visit) {
  visit(r.kept_numbers[0]);  // 1
  visit(r.flags);            // 2
  visit(r.kept_numbers[1]);  // 3
  visit(r.title);            // 4
  visit(r.host);             // 5
  visit(r.board_id);         // 6
  visit(r.kept_short);       // 7
  visit(r.kept_numbers[2]);  // 8
  visit(r.kept_numbers[3]);  // 9
  visit(r.kept_numbers[4]);  // 10
  visit(r.kept_texts[0]);    // 11
  visit(r.kept_texts[1]);    // 12
  visit(r.board_name);       // 13
  visit(r.kept_numbers[5]);  // 14
  visit(r.kept_texts[2]);    // 15
  visit(r.kept_texts[3]);    // 16
  visit(r.kept_numbers[6]);  // 17
  visit(r.kept_texts[4]);    // 18
  visit(r.kept_texts[5]);    // 19
  visit(r.kept_texts[6]);    // 20
}

// Decimal text to a 32-bit integer the way the C conversion reads it: leading
// blanks, an optional sign, digits up to the first non-digit; no digits gives
// 0.  Values beyond the 32-bit range saturate, so both programs agree.
int32_t parse_int(const char* text) {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (value <= static_cast<long long>(INT32_MAX) + 1) value = value * 10 + (*p - '0');
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

bool is_line_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// Matches `text` against "<label><blanks><value>" where the value is one or
// more bytes up to CR, LF or the end; the value is cut to fit `out`.  The
// blanks after the label stay on the line: a label followed only by blanks
// and a line end has no value.
void match_header(const char* text, const char* label, char* out, size_t out_size) {
  size_t label_len = strlen(label);
  if (strncmp(text, label, label_len) != 0) return;
  const char* p = text + label_len;
  while (is_line_blank(*p)) ++p;
  size_t n = strcspn(p, "\r\n");
  if (n == 0) return;
  if (n > out_size - 1) n = out_size - 1;
  memcpy(out, p, n);
  out[n] = '\0';
}

// Length of a text field for writing: never more than its buffer holds, even
// when the caller left it unterminated.
int text_length(const char* field, size_t size) { return static_cast<int>(strnlen(field, size - 1)); }

// Takes one slot of line 1 into a field: a number as the C conversion reads
// it, a text cut to its buffer.
struct FieldFromSlot {
  const char (*slot)[kSlotSize];
  void operator()(int32_t& number) { number = parse_int(*slot++); }
  template <size_t N>
  void operator()(char (&text)[N]) { copy_text(text, N, *slot++); }
};

// Appends one field and its tab to line 1, which has room for every field
// at its widest.
struct FieldToLine {
  char* line;
  size_t len = 0;
  void operator()(const int32_t& number) {
    len = static_cast<size_t>(std::to_chars(line + len, line + len + 12, number).ptr - line);
    line[len++] = '\t';
  }
  template <size_t N>
  void operator()(const char (&text)[N]) {
    const size_t n = static_cast<size_t>(text_length(text, N));
    memcpy(line + len, text, n);
    len += n;
    line[len++] = '\t';
  }
};

}  // namespace

bool read_thread_index(Env* env, const char* path, ThreadIndex* record, FileStatus* seen) {
  // One byte more than the window so the text is always terminated.
  char text[kThreadIndexWindow + 1];
  memset(text, 0, sizeof text);
  {
    std::unique_ptr<File> f = env->open(path, OpenMode::kRead);
    if (!f || (seen && !f->status(seen))) return false;
    long long n = f->read(text, kThreadIndexWindow);
    if (n <= 0) return false;
  }
  // The text ends at the first NUL byte, or where the read ended.
  if (text[0] == '\0') return false;

  // Tabs up to the first CR: with LF-only line ends this spans later lines too.
  int tabs = 0;
  for (const char* p = text; *p && *p != '\r'; ++p) {
    if (*p == '\t') ++tabs;
  }
  if (tabs != kFieldCount - 1) return false;

  // Split into slots.  A field longer than a slot is cut; a control byte
  // other than a tab before the 21st field would leave later fields empty
  // and lose them on the next write, so such a file is unusable.
  char slots[kFieldCount][kSlotSize];
  memset(slots, 0, sizeof slots);
  const char* p = text;
  for (int slot = 0; slot < kFieldCount; ++slot) {
    size_t len = 0;
    while (static_cast<unsigned char>(*p) >= 32) {
      if (len < kSlotSize - 1) slots[slot][len++] = *p;
      ++p;
    }
    if (*p == '\t') {
      ++p;
    } else if (slot < kFieldCount - 1) {
      return false;
    }
  }
  // p is the scan position: normally the CR (or LF) that ends line 1.

  memset(record, 0, sizeof *record);
  for_each_field(*record, FieldFromSlot{slots});

  // Last-Modified: the first non-blank line after line 1.
  while (*p && static_cast<unsigned char>(*p) < 32) ++p;
  if (!*p) return true;
  match_header(p, "Last-Modified:", record->last_modified, sizeof record->last_modified);

  // ETag: looked for only after the end of the line just examined, skipping
  // any blank lines in between.
  const char* lf = strchr(p, '\n');
  if (!lf) return true;
  const char* q = lf;
  while (*q == ' ' || (*q >= '\t' && *q <= '\r')) ++q;
  match_header(q, "ETag:", record->etag, sizeof record->etag);
  return true;
}

ReplaceResult write_thread_index(Env* env, const char* path, const ThreadIndex& r, Target known,
                                 const FileStatus* unchanged) {
  // Line 1 can hold at most the sum of all field widths, seven integers and
  // the separators; this buffer is larger than that.
  char line[2048];
  static_assert(sizeof line > sizeof(ThreadIndex), "room for every field and its separator");
  FieldToLine out{line};
  for_each_field(r, out);
  // Field 21, always empty, ends the line.
  memcpy(line + out.len, "\r\n", 2);
  const size_t len = out.len + 2;

  char last_modified[kHeaderValueSize + 32] = "";
  char etag[kHeaderValueSize + 32] = "";
  int lm = text_length(r.last_modified, sizeof r.last_modified);
  int et = text_length(r.etag, sizeof r.etag);
  if (lm) format_text(last_modified, sizeof last_modified, "Last-Modified: %.*s\r\n", lm, r.last_modified);
  if (et) format_text(etag, sizeof etag, "ETag: %.*s\r\n", et, r.etag);

  ByteSpan pieces[] = {{line, len},
                       {last_modified, strlen(last_modified)},
                       {etag, strlen(etag)}};
  return replace_file_contents(env, path, pieces, 3, known, unchanged);
}

}  // namespace vendrit
