#include "repair/thread_index.h"

namespace vendrit {

// Not built yet.
bool read_thread_index(const char*, ThreadIndex*) { return false; }
ReplaceResult write_thread_index(const char*, const ThreadIndex&) { return ReplaceResult::kCannotOpen; }

}  // namespace vendrit
