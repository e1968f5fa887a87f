// The thread index reader on arbitrary files.  Whatever it accepts must
// survive a write and a second read unchanged: writing both reads gives the
// same bytes (the format's one known loss, an ETag without a Last-Modified
// line, aside).
#include <cstring>

#include "store/thread_index.h"
#include "tests/fuzz/fuzz_support.h"

using namespace vendrit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_init();
  fuzz_write("in.idx", data, size);
  ThreadIndex first, second;
  memset(&first, 0x5A, sizeof first);  // stale bytes must not leak into the record
  if (!read_thread_index("in.idx", &first)) return 0;
  if (first.last_modified[0] == '\0') first.etag[0] = '\0';
  if (write_thread_index("1.idx", first) != ReplaceResult::kReplaced) __builtin_trap();
  if (!read_thread_index("1.idx", &second)) __builtin_trap();
  if (write_thread_index("2.idx", second) != ReplaceResult::kReplaced) __builtin_trap();
  if (fuzz_read("1.idx") != fuzz_read("2.idx")) __builtin_trap();
  return 0;
}
