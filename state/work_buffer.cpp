#include "state/work_buffer.h"

#include <cstdlib>

namespace vendrit {

WorkBuffer g_work;

namespace {
int g_failing_growths = 0;

// realloc, unless a test asked for the allocation to fail.
char* try_realloc(char* old, size_t size) {
  if (g_failing_growths > 0) {
    --g_failing_growths;
    return nullptr;
  }
  return static_cast<char*>(realloc(old, size));
}
}  // namespace

bool work_buffer_allocate() {
  work_buffer_free();  // a start-up repeated in one process starts afresh
  g_work.data = try_realloc(nullptr, kWorkBufferInitialSize);
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
  char* grown = try_realloc(g_work.data, needed);
  if (!grown) return false;
  g_work.data = grown;
  g_work.size = needed;
  return true;
}

void work_buffer_fail_next_growths(int n) { g_failing_growths = n; }

}  // namespace vendrit
