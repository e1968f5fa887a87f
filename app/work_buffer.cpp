#include "app/work_buffer.h"

#include <cstdlib>

namespace vendrit {

WorkBuffer g_work;

namespace {
int g_failing_growths = 0;
}

bool work_buffer_allocate() {
  g_work.data = static_cast<char*>(malloc(kWorkBufferInitialSize));
  g_work.size = g_work.data ? kWorkBufferInitialSize : 0;
  return g_work.data != nullptr;
}

void work_buffer_free() {
  free(g_work.data);
  g_work.data = nullptr;
  g_work.size = 0;
}

bool work_buffer_reserve(size_t needed) {
  if (g_work.data && g_work.size >= needed) return true;
  if (g_failing_growths > 0) {
    --g_failing_growths;
    return false;
  }
  char* grown = static_cast<char*>(realloc(g_work.data, needed));
  if (!grown) return false;
  g_work.data = grown;
  g_work.size = needed;
  return true;
}

void work_buffer_fail_next_growths(int n) { g_failing_growths = n; }

}  // namespace vendrit
