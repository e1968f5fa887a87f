// The thread index reader on arbitrary files.  Whatever it accepts must
// survive a write and a second read unchanged (the format's one known loss,
// an ETag without a Last-Modified line, aside).
#include <cstring>

#include "store/thread_index.h"
#include "tests/fuzz/fuzz_support.h"

using namespace vendrit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_init();
  fuzz_write("in.idx", data, size);
  ThreadIndex first;
  memset(&first, 0x5A, sizeof first);  // stale bytes must not leak into the record
  if (!read_thread_index("in.idx", &first)) return 0;
  if (first.field21[0] != '\0') __builtin_trap();
  if (write_thread_index("out.idx", first) != ReplaceResult::kReplaced) __builtin_trap();
  ThreadIndex second;
  if (!read_thread_index("out.idx", &second)) __builtin_trap();
  if (first.last_modified[0] == '\0') first.etag[0] = '\0';
  // Compare field by field: padding after a text's terminator is not part of it.
#define SAME_INT(f) if (first.f != second.f) __builtin_trap();
#define SAME_TEXT(f) if (strcmp(first.f, second.f) != 0) __builtin_trap();
  SAME_INT(field1) SAME_INT(flags) SAME_INT(field3) SAME_TEXT(title) SAME_TEXT(host)
  SAME_TEXT(board_id) SAME_TEXT(field7) SAME_INT(field8) SAME_INT(field9) SAME_INT(field10)
  SAME_TEXT(field11) SAME_TEXT(field12) SAME_TEXT(board_name) SAME_INT(field14)
  SAME_TEXT(field15) SAME_TEXT(field16) SAME_INT(field17) SAME_TEXT(field18) SAME_TEXT(field19)
  SAME_TEXT(field20) SAME_TEXT(last_modified) SAME_TEXT(etag)
  return 0;
}
