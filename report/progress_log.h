// The progress log: every line of a run goes to the output control, and while
// logging is active (vendrit.log existed at start-up, first run only, until
// the relocation phase ends) the same bytes are appended to vendrit.log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/env.h"
#include "platform/text.h"
#include "state/ui.h"

namespace vendrit {

// The copy-data block: the 24-byte copy-data record followed by the 1024-byte
// message buffer that every progress line and SSTP message is formatted into.
constexpr size_t kCopyDataRecordSize = 24;
constexpr size_t kMessageBufferSize = 1024;
constexpr size_t kCopyDataBlockSize = kCopyDataRecordSize + kMessageBufferSize;
// The time stamp line is bounded more tightly than other lines.
constexpr size_t kTimestampLineSize = 128;

// Where a run's lines and announcements go.
struct Progress {
  Ui* ui = nullptr;                         // the windows (or the console shell)
  std::unique_ptr<char[]> copy_data_block;  // made just before the main window opens
  intptr_t sstp_target = 0;                 // the mascot host's window; 0 = no host
  bool logging = false;                     // lines are copied to vendrit.log
  std::unique_ptr<File> log;                // vendrit.log, open while a run logs
  bool muted = false;                       // see progress_mute
  int failures = 0;                         // "File:" and "Dir:" lines since the run started
};

bool copy_data_block_allocate(Progress& p);
inline char* message_buffer(Progress& p) { return p.copy_data_block.get() + kCopyDataRecordSize; }

// Formats into the message buffer (cut at 1023 characters), appends it to the
// output control, redraws, and copies it to vendrit.log while logging.
void progress_print(Progress& p, const char* fmt, ...) VENDRIT_PRINTF(2, 3);
// The same without the copy to vendrit.log.
void progress_show(Progress& p, const char* fmt, ...) VENDRIT_PRINTF(2, 3);
// The run's time stamp line, to the window and (while logging) the file.
void progress_timestamp(Progress& p, Env* env);

// While muted (a preview deciding what a run would do), progress_print and
// progress_show show nothing: the lines belong to the run.  Returns the
// previous state.
bool progress_mute(Progress& p, bool muted);

// Start-up: logging becomes active when vendrit.log exists and can be read.
void progress_log_detect(Progress& p, Env* env);
// Opens vendrit.log for appending when logging is active; on failure a
// window-only line and logging off.  A run starts with it, and counts its
// failure lines from there.
void progress_log_open(Progress& p, Env* env);
// Ends the copy to vendrit.log: a final "\r\n", close, logging off for good.
void progress_log_close(Progress& p);

// The local time written the long way, e.g. "2026年12月6日 22:10:05".
void format_long_time(Env* env, char* buf, size_t size);

}  // namespace vendrit
