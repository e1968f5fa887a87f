// The thread index reader on arbitrary files.  Whatever it accepts must
// survive a write and a second read unchanged (the format's one known loss,
// an ETag without a Last-Modified line, aside): writing the record read back
// gives the same bytes again.
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
  if (first.last_modified[0] == '\0') first.etag[0] = '\0';  // the known loss
  if (write_thread_index("out.idx", first) != ReplaceResult::kReplaced) __builtin_trap();
  ThreadIndex second;
  memset(&second, 0xA5, sizeof second);
  if (!read_thread_index("out.idx", &second)) __builtin_trap();
  if (write_thread_index("again.idx", second) != ReplaceResult::kReplaced) __builtin_trap();
  if (fuzz_read("out.idx") != fuzz_read("again.idx")) __builtin_trap();
  return 0;
}
