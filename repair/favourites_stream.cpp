#include "repair/favourites_stream.h"

#include <cstring>
#include <memory>

#include "platform/env.h"
#include "platform/safe_replace.h"

namespace vendrit {

const char kFavouritesFileName[] = "favorite.idx";

namespace {
char g_temp_name[48];
std::unique_ptr<File> g_stream;
bool g_stream_ok = false;
}  // namespace

bool favourites_stream_open() {
  Env* e = env();
  FileStatus st;
  if (e->stat(kFavouritesFileName, &st)) {
    // A link or special file is never replaced by a file of ours.
    if (st.kind != FileKind::kFile || !e->writable(kFavouritesFileName)) return false;
  }
  temporary_name("favorite", g_temp_name, sizeof g_temp_name);
  g_stream = e->open(g_temp_name, OpenMode::kCreateNew);
  if (!g_stream) {
    e->remove_file(g_temp_name);  // one of ours left by an earlier process with the same id
    g_stream = e->open(g_temp_name, OpenMode::kCreateNew);
  }
  g_stream_ok = g_stream != nullptr;
  return g_stream_ok;
}

bool favourites_stream_is_open() { return g_stream != nullptr; }

void favourites_stream_write(const char* line) {
  if (!g_stream) return;
  // Text mode: every "\n" becomes "\r\n" on disk, on every platform.
  for (const char* p = line; *p;) {
    const char* nl = strchr(p, '\n');
    size_t n = nl ? static_cast<size_t>(nl - p) : strlen(p);
    if (n && !g_stream->write(p, n)) g_stream_ok = false;
    if (!nl) break;
    if (!g_stream->write("\r\n", 2)) g_stream_ok = false;
    p = nl + 1;
  }
}

bool favourites_stream_close() {
  if (!g_stream) return false;
  bool ok = g_stream->close() && g_stream_ok;
  g_stream.reset();
  Env* e = env();
  if (ok && e->replace_file(g_temp_name, kFavouritesFileName)) return true;
  e->remove_file(g_temp_name);
  return false;
}

}  // namespace vendrit
