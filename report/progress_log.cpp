#include "report/progress_log.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "state/run_settings.h"

namespace vendrit {

char* g_copy_data_block = nullptr;
int g_logging = 0;
Ui* g_ui = nullptr;

namespace {

std::unique_ptr<File> g_log_stream;
bool g_muted = false;
int g_failures = 0;  // "File:" and "Dir:" lines since the run started

void emit(bool to_file) {
  if (g_muted) return;
  const char* text = message_buffer();
  if (strncmp(text, "\r\nFile:", 7) == 0 || strncmp(text, "\r\nDir:", 6) == 0) ++g_failures;
  g_ui->output_append(text);
  g_ui->redraw();
  if (to_file && g_logging && g_log_stream) g_log_stream->write(text, strlen(text));
}

}  // namespace

bool copy_data_block_allocate() {
  copy_data_block_free();
  g_copy_data_block = static_cast<char*>(calloc(1, kCopyDataBlockSize));
  return g_copy_data_block != nullptr;
}

void copy_data_block_free() {
  free(g_copy_data_block);
  g_copy_data_block = nullptr;
}

void progress_print(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vformat_text(message_buffer(), kMessageBufferSize, fmt, ap);
  va_end(ap);
  emit(true);
}

void progress_show(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vformat_text(message_buffer(), kMessageBufferSize, fmt, ap);
  va_end(ap);
  emit(false);
}

bool progress_mute(bool muted) {
  const bool was = g_muted;
  g_muted = muted;
  return was;
}

void format_long_time(Env* env, char* buf, size_t size) {
  LocalTime t = env->local_time();
  format_text(buf, size, "%d年%d月%d日 %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
              t.second);
}

void progress_timestamp(Env* env) {
  char when[64];
  format_long_time(env, when, sizeof when);
  format_text(message_buffer(), kTimestampLineSize, "\r\n========== %s ==========", when);
  emit(true);
}

void progress_log_detect(Env* env) {
  g_logging = env->open(kLogFileName, OpenMode::kRead) ? 1 : 0;
}

int progress_failures() { return g_failures; }

void progress_log_open(Env* env) {
  g_failures = 0;
  if (!g_logging) return;
  g_log_stream = env->open(kLogFileName, OpenMode::kAppend);
  if (!g_log_stream) {
    progress_show("\r\nログファイルのオープンに失敗しました");
    g_logging = 0;
  }
}

void progress_log_close() {
  if (!g_logging) return;
  if (g_log_stream) {
    g_log_stream->write("\r\n", 2);
    g_log_stream->close();
    g_log_stream.reset();
  }
  g_logging = 0;
}

}  // namespace vendrit
