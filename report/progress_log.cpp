#include "report/progress_log.h"

#include <cstdarg>
#include <cstring>
#include <new>

#include "state/run_settings.h"

namespace vendrit {

namespace {

void emit(Progress& p, bool to_file) {
  if (p.muted) return;
  const char* text = message_buffer(p);
  if (strncmp(text, "\r\nFile:", 7) == 0 || strncmp(text, "\r\nDir:", 6) == 0) ++p.failures;
  p.ui->output_append(text);
  p.ui->redraw();
  if (to_file && p.logging && p.log) p.log->write(text, strlen(text));
}

}  // namespace

bool copy_data_block_allocate(Progress& p) {
  p.copy_data_block.reset(new (std::nothrow) char[kCopyDataBlockSize]());
  return p.copy_data_block != nullptr;
}

void progress_print(Progress& p, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vformat_text(message_buffer(p), kMessageBufferSize, fmt, ap);
  va_end(ap);
  emit(p, true);
}

void progress_show(Progress& p, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vformat_text(message_buffer(p), kMessageBufferSize, fmt, ap);
  va_end(ap);
  emit(p, false);
}

bool progress_mute(Progress& p, bool muted) {
  const bool was = p.muted;
  p.muted = muted;
  return was;
}

void format_long_time(Env* env, char* buf, size_t size) {
  LocalTime t = env->local_time();
  format_text(buf, size, "%d年%d月%d日 %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
              t.second);
}

void progress_timestamp(Progress& p, Env* env) {
  char when[64];
  format_long_time(env, when, sizeof when);
  format_text(message_buffer(p), kTimestampLineSize, "\r\n========== %s ==========", when);
  emit(p, true);
}

void progress_log_detect(Progress& p, Env* env) {
  p.logging = env->open(kLogFileName, OpenMode::kRead) != nullptr;
}

void progress_log_open(Progress& p, Env* env) {
  p.failures = 0;
  if (!p.logging) return;
  p.log = env->open(kLogFileName, OpenMode::kAppend);
  if (!p.log) {
    progress_show(p, "\r\nログファイルのオープンに失敗しました");
    p.logging = false;
  }
}

void progress_log_close(Progress& p) {
  if (!p.logging) return;
  if (p.log) {
    p.log->write("\r\n", 2);
    p.log->close();
    p.log.reset();
  }
  p.logging = false;
}

}  // namespace vendrit
