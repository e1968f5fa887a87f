// SSTP notifications to a desktop-mascot host on the same desktop.
//
// The host publishes its window handle in a shared-memory block named
// "Sakura"; each notification is an SSTP 1.1 NOTIFY request handed to that
// window as a copy-data message tagged 9801, whose script comes from the
// program's string table.  Without a host, or with use_ukagaka off, nothing
// is sent and nothing waits.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/env.h"
#include "report/progress_log.h"
#include "state/run_settings.h"

namespace vendrit {

constexpr uintptr_t kSstpCopyDataTag = 9801;
constexpr size_t kScriptBufferSize = 1024;
constexpr int kSstpPauseMs = 500;
// What find_sstp_target copies of the shared memory at most.
constexpr size_t kSakuraCopyLimit = 65536;

// The copy-data record at the start of the copy-data block; laid out like
// the platform's COPYDATASTRUCT.
struct CopyDataRecord {
  uintptr_t tag;
  uint32_t length;
  void* data;
};

// Looks the host up once at start-up (Progress::sstp_target); 0 when there
// is none.
intptr_t find_sstp_target(Env* env);
// Announces string-table script `id` to p's host, in p's copy-data block,
// when `settings` have the switch on; `pause` waits 500 ms after a sent one.
// Every queued announcement is sent first (this waits for them).
void sstp_notify(Progress& p, Env* env, const RunSettings& settings, int id, bool pause);

// The same for the window's thread, which must neither wait for the host nor
// pause: the request is made now (with the host, the switch and the window
// as they are now) and queued for the announcer thread, which sends the
// queue in order, each followed by its pause.  There is one announcer per
// process: it serves the one window thread, and its queue outlives the
// dialog that filled it.
void sstp_announce(Progress& p, Env* env, const RunSettings& settings, int id, bool pause);
// True when nothing is queued, being sent or paused after.
bool sstp_announcer_idle();
// Sends everything queued, then ends the announcer thread (started again by
// the next announcement).
void sstp_announcer_stop();

// The window handle named by the "hwnd" entry of a copy of the shared
// memory (`size` bytes, the first 4 skipped): the decimal text between the
// 0x01 after the first "hwnd" and the next CR.  0 when any piece is missing
// or the text is not a number in the 32-bit range.
intptr_t parse_sakura_block(const char* data, size_t size);

// Formats the NOTIFY request into buf; returns its length without the
// terminator, or 0 when it would not fit (a cut request is never sent).
size_t format_sstp_notify(char* buf, size_t size, int id, const char* script, intptr_t sender);

}  // namespace vendrit
