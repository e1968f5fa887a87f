// The work buffer: one heap block that holds a whole file at a time.
//
// Allocated once at start-up, grown to exactly what a larger file needs, never
// shrunk; a failed growth keeps the old block and size valid.
#pragma once

#include <cstddef>

namespace vendrit {

constexpr size_t kWorkBufferInitialSize = 5242880;  // 5 MiB

struct WorkBuffer {
  char* data = nullptr;
  size_t size = 0;
};

extern WorkBuffer g_work;

bool work_buffer_allocate();  // the start-up allocation; false when it fails
void work_buffer_free();
// Makes the buffer at least `needed` bytes (exactly `needed` when it grows).
// False when growing failed; the old block and size stay.
bool work_buffer_reserve(size_t needed);

}  // namespace vendrit
