// The thread log link rewrite on arbitrary logs: every byte is carried, only
// old prefixes followed by one of the board's query texts change, and a
// second rewrite changes nothing.
#include <cstring>
#include <string>

#include "repair/thread_links.h"
#include "tests/fuzz/fuzz_support.h"

using namespace vendrit;

namespace {
const char kOld[] = "old.example/";
const char kNew[] = "new.example/";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_init();
  fuzz_write("1.dat", data, size);
  std::string before(reinterpret_cast<const char*>(data), size);
  if (rewrite_thread_links(".", "1.idx", "news", kOld, kNew) != LinkRewrite::kRewritten) {
    __builtin_trap();
  }
  std::string after = fuzz_read("1.dat");
  // Same length prefixes: the rewrite is byte-for-byte in place.
  if (after.size() != before.size()) __builtin_trap();
  for (size_t i = 0; i < before.size(); ++i) {
    if (before[i] == after[i]) continue;
    // A changed byte lies inside a rewritten prefix.
    size_t start = i >= strlen(kOld) ? i - strlen(kOld) + 1 : 0;
    bool inside = false;
    for (size_t s = start; s <= i && !inside; ++s) {
      inside = before.compare(s, strlen(kOld), kOld) == 0 &&
               after.compare(s, strlen(kNew), kNew) == 0;
    }
    if (!inside) __builtin_trap();
  }
  std::string expected_query1 = "test/read.cgi?bbs=news", expected_query2 = "test/read.cgi/news/";
  for (size_t at = after.find(kOld); at != std::string::npos; at = after.find(kOld, at + 1)) {
    size_t q = at + strlen(kOld);
    if (after.compare(q, expected_query1.size(), expected_query1) == 0 ||
        after.compare(q, expected_query2.size(), expected_query2) == 0) {
      __builtin_trap();  // a qualifying link was left behind
    }
  }
  return 0;
}
