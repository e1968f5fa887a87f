// The foreign host conversion against its decision table, applied the slow way.
#include <cstring>
#include <string>

#include "repair/foreign_host.h"

using namespace vendrit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char host[100];
  size_t n = size < sizeof host - 1 ? size : sizeof host - 1;
  memcpy(host, data, n);
  host[n] = '\0';
  std::string before(host);
  std::string expected = before;
  for (size_t i = 0; i < before.size(); ++i) {
    char next = i + 1 < before.size() ? before[i + 1] : '\0';
    if (before[i] == '_' && next != '\0' && next != '.' && next != '_') expected[i] = '/';
    if (before[i] == '/' && (next == '\0' || next == '/')) expected[i] = '_';
  }
  convert_foreign_host(host);
  if (expected != host) __builtin_trap();
  return 0;
}
