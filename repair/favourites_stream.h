// The rebuilt favourites list "favorite.idx", written during the repair pass.
//
// Lines go to a temporary file beside it; closing puts that file in place of
// favorite.idx in one step, so an interrupted run never leaves it half-made.
#pragma once

#include "platform/env.h"

namespace vendrit {

extern const char kFavouritesFileName[];  // "favorite.idx"

// Opens the stream through `env`; false when favorite.idx cannot be written.
bool favourites_stream_open(Env* env);
bool favourites_stream_is_open();
// Appends one line; `line` ends with "\n", stored on disk as CR LF.
void favourites_stream_write(const char* line);
// Publishes the written lines as favorite.idx; false when that failed (the
// old file then stays).
bool favourites_stream_close();

}  // namespace vendrit
