#include "store/thread_index.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/env.h"
#include "platform/text.h"

namespace vendrit {

namespace {

constexpr int kFieldCount = 21;
constexpr size_t kSlotSize = 260;

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

void put_text(char* dst, size_t size, const char* slot) { copy_text(dst, size, slot); }

// A text field printed for writing: never more than its buffer holds, even
// when the caller left it unterminated.
struct Text {
  int len;
  const char* data;
};
template <size_t N>
Text text_of(const char (&field)[N]) {
  return Text{static_cast<int>(strnlen(field, N - 1)), field};
}

}  // namespace

bool read_thread_index(const char* path, ThreadIndex* record) {
  // One byte more than the window so the text is always terminated.
  char text[kThreadIndexWindow + 1];
  memset(text, 0, sizeof text);
  {
    std::unique_ptr<File> f = env()->open(path, OpenMode::kRead);
    if (!f) return false;
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
  record->field1 = parse_int(slots[0]);
  record->flags = parse_int(slots[1]);
  record->field3 = parse_int(slots[2]);
  put_text(record->title, sizeof record->title, slots[3]);
  put_text(record->host, sizeof record->host, slots[4]);
  put_text(record->board_id, sizeof record->board_id, slots[5]);
  put_text(record->field7, sizeof record->field7, slots[6]);
  record->field8 = parse_int(slots[7]);
  record->field9 = parse_int(slots[8]);
  record->field10 = parse_int(slots[9]);
  put_text(record->field11, sizeof record->field11, slots[10]);
  put_text(record->field12, sizeof record->field12, slots[11]);
  put_text(record->board_name, sizeof record->board_name, slots[12]);
  record->field14 = parse_int(slots[13]);
  put_text(record->field15, sizeof record->field15, slots[14]);
  put_text(record->field16, sizeof record->field16, slots[15]);
  record->field17 = parse_int(slots[16]);
  put_text(record->field18, sizeof record->field18, slots[17]);
  put_text(record->field19, sizeof record->field19, slots[18]);
  put_text(record->field20, sizeof record->field20, slots[19]);
  // Field 21 is never taken from the file; it stays empty.

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

ReplaceResult write_thread_index(const char* path, const ThreadIndex& r, bool known_file) {
  // Line 1 can hold at most the sum of all field widths, ten integers and
  // the separators; this buffer is larger than that.
  char line[2048];
  Text t4 = text_of(r.title), t5 = text_of(r.host), t6 = text_of(r.board_id),
       t7 = text_of(r.field7), t11 = text_of(r.field11), t12 = text_of(r.field12),
       t13 = text_of(r.board_name), t15 = text_of(r.field15), t16 = text_of(r.field16),
       t18 = text_of(r.field18), t19 = text_of(r.field19), t20 = text_of(r.field20),
       t21 = text_of(r.field21);
  format_text(line, sizeof line,
              "%d\t%d\t%d\t%.*s\t%.*s\t%.*s\t%.*s\t%d\t%d\t%d\t%.*s\t%.*s\t%.*s\t%d\t%.*s\t%.*s\t%d"
              "\t%.*s\t%.*s\t%.*s\t%.*s\r\n",
              static_cast<int>(r.field1), static_cast<int>(r.flags), static_cast<int>(r.field3),
              t4.len, t4.data, t5.len, t5.data, t6.len, t6.data, t7.len, t7.data,
              static_cast<int>(r.field8), static_cast<int>(r.field9), static_cast<int>(r.field10),
              t11.len, t11.data, t12.len, t12.data, t13.len, t13.data, static_cast<int>(r.field14),
              t15.len, t15.data, t16.len, t16.data, static_cast<int>(r.field17), t18.len,
              t18.data, t19.len, t19.data, t20.len, t20.data, t21.len, t21.data);

  char last_modified[kHeaderValueSize + 32] = "";
  char etag[kHeaderValueSize + 32] = "";
  Text lm = text_of(r.last_modified), et = text_of(r.etag);
  if (lm.len) format_text(last_modified, sizeof last_modified, "Last-Modified: %.*s\r\n", lm.len, lm.data);
  if (et.len) format_text(etag, sizeof etag, "ETag: %.*s\r\n", et.len, et.data);

  ByteSpan pieces[] = {{line, strlen(line)},
                       {last_modified, strlen(last_modified)},
                       {etag, strlen(etag)}};
  return replace_file_contents(path, pieces, 3, known_file);
}

}  // namespace vendrit
