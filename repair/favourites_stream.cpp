#include "repair/favourites_stream.h"

#include <cstring>

namespace vendrit {

const char kFavouritesFileName[] = "favorite.idx";

std::unique_ptr<ReplacingWriter> favourites_stream_open(Env* env) {
  auto stream = std::make_unique<ReplacingWriter>(env, kFavouritesFileName, "favorite");
  if (!stream->ok()) stream.reset();
  return stream;
}

void favourites_stream_write(ReplacingWriter* stream, const char* line) {
  // Text mode: every "\n" becomes "\r\n" on disk, on every platform.
  for (const char* p = line; *p;) {
    const char* nl = strchr(p, '\n');
    size_t n = nl ? static_cast<size_t>(nl - p) : strlen(p);
    if (n) stream->write(p, n);
    if (!nl) break;
    stream->write("\r\n", 2);
    p = nl + 1;
  }
}

}  // namespace vendrit
