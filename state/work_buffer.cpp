#include "state/work_buffer.h"

#include <cstdlib>

namespace vendrit {

WorkBuffer g_work;

// Every allocation and growth goes through this pointer, so that tests can
// make one fail as if memory were exhausted.
void* (*g_work_buffer_realloc)(void*, size_t) = realloc;

namespace {
char* try_realloc(char* old, size_t size) {
  return static_cast<char*>(g_work_buffer_realloc(old, size));
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

}  // namespace vendrit
