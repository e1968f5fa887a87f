#include "state/work_buffer.h"

namespace vendrit {

bool work_buffer_allocate(WorkBuffer& w) {
  work_buffer_free(w);  // a start-up repeated in one process starts afresh
  w.data = static_cast<char*>(w.reallocate(nullptr, kWorkBufferInitialSize));
  w.size = w.data ? kWorkBufferInitialSize : 0;
  return w.data != nullptr;
}

void work_buffer_free(WorkBuffer& w) {
  free(w.data);
  w.data = nullptr;
  w.size = 0;
}

bool work_buffer_reserve(WorkBuffer& w, size_t needed) {
  if (w.data && w.size >= needed) return true;
  char* grown = static_cast<char*>(w.reallocate(w.data, needed));
  if (!grown) return false;
  w.data = grown;
  w.size = needed;
  return true;
}

}  // namespace vendrit
