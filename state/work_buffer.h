// The work buffer: one heap block that holds a whole file at a time.
//
// Allocated once at start-up, grown to exactly what a larger file needs, never
// shrunk, freed with its owner; a failed growth keeps the old block and size
// valid.
#pragma once

#include <cstddef>
#include <cstdlib>

namespace vendrit {

constexpr size_t kWorkBufferInitialSize = 5242880;  // 5 MiB

struct WorkBuffer {
  WorkBuffer() = default;
  WorkBuffer(const WorkBuffer&) = delete;
  WorkBuffer& operator=(const WorkBuffer&) = delete;
  ~WorkBuffer() { free(data); }

  char* data = nullptr;
  size_t size = 0;
  // Every allocation and growth goes through this, so that tests can make
  // one fail as if memory were exhausted.
  void* (*reallocate)(void*, size_t) = realloc;
};

bool work_buffer_allocate(WorkBuffer& work);  // the start-up allocation; false when it fails
void work_buffer_free(WorkBuffer& work);
// Makes the buffer at least `needed` bytes (exactly `needed` when it grows).
// False when growing failed; the old block and size stay.
bool work_buffer_reserve(WorkBuffer& work, size_t needed);

}  // namespace vendrit
