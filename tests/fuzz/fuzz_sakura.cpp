// The "Sakura" shared-memory parser on arbitrary blocks, copied to exactly
// their size so that the sanitizer catches any read past the block.
#include <cstdlib>
#include <cstring>

#include "report/sstp_notify.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char* block = static_cast<char*>(malloc(size ? size : 1));
  if (size) memcpy(block, data, size);
  vendrit::parse_sakura_block(block, size);
  free(block);
  return 0;
}
