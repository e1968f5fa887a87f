// The rebuilt favourites list "favorite.idx", written during the repair pass.
//
// Lines go to a temporary file beside it; committing the writer puts that
// file in place of favorite.idx in one step, so an interrupted run never
// leaves it half-made.
#pragma once

#include <memory>

#include "platform/env.h"
#include "platform/safe_replace.h"

namespace vendrit {

extern const char kFavouritesFileName[];  // "favorite.idx"

// The stream's writer; null when favorite.idx cannot be written.
std::unique_ptr<ReplacingWriter> favourites_stream_open(Env* env);
// Appends one line; `line` ends with "\n", stored on disk as CR LF.
void favourites_stream_write(ReplacingWriter* stream, const char* line);

}  // namespace vendrit
