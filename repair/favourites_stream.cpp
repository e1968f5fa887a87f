#include "repair/favourites_stream.h"

#include <cstring>
#include <memory>

#include "platform/safe_replace.h"

namespace vendrit {

const char kFavouritesFileName[] = "favorite.idx";

namespace {
std::unique_ptr<ReplacingWriter> g_stream;
}  // namespace

bool favourites_stream_open(Env* env) {
  g_stream = std::make_unique<ReplacingWriter>(env, kFavouritesFileName, "favorite");
  if (!g_stream->ok()) g_stream.reset();
  return g_stream != nullptr;
}

bool favourites_stream_is_open() { return g_stream != nullptr; }

void favourites_stream_write(const char* line) {
  if (!g_stream) return;
  // Text mode: every "\n" becomes "\r\n" on disk, on every platform.
  for (const char* p = line; *p;) {
    const char* nl = strchr(p, '\n');
    size_t n = nl ? static_cast<size_t>(nl - p) : strlen(p);
    if (n) g_stream->write(p, n);
    if (!nl) break;
    g_stream->write("\r\n", 2);
    p = nl + 1;
  }
}

bool favourites_stream_close() {
  if (!g_stream) return false;
  bool ok = g_stream->commit();
  g_stream.reset();
  return ok;
}

}  // namespace vendrit
