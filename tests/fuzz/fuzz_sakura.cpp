// The "Sakura" shared-memory parser on arbitrary blocks, checked against a
// plain reference reading.
#include <cstdlib>
#include <cstring>
#include <string>

#include "report/sstp_notify.h"

using namespace vendrit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exact-size copy, so that any read past the block is caught.
  char* block = static_cast<char*>(malloc(size ? size : 1));
  if (size) memcpy(block, data, size);
  intptr_t handle = parse_sakura_block(block, size);
  std::string text(block, size);
  size_t at = size > 4 ? text.find("hwnd", 4) : std::string::npos;
  intptr_t expected = 0;
  if (at != std::string::npos) {
    size_t mark = text.find('\x01', at);
    size_t cr = mark == std::string::npos ? mark : text.find('\r', mark + 1);
    if (cr != std::string::npos) {
      std::string value = text.substr(mark + 1, cr - mark - 1).substr(0, 1023);
      char* stop = nullptr;
      errno = 0;
      long long v = strtoll(value.c_str(), &stop, 10);
      if (stop != value.c_str() && errno == 0 && v >= INT32_MIN && v <= INT32_MAX) expected = v;
    }
  }
  if (handle != expected) __builtin_trap();
  free(block);
  return 0;
}
