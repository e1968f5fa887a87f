#include "report/sstp_notify.h"

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "platform/text.h"

namespace vendrit {

static_assert(sizeof(void*) != 8 || sizeof(CopyDataRecord) == kCopyDataRecordSize,
              "the copy-data record must match COPYDATASTRUCT");

namespace {

// An announcement waiting for the announcer thread.  It carries its own
// request: the copy-data block's message buffer belongs to the run's worker,
// which may start while announcements are still waiting.
struct Announcement {
  Ui* ui;
  Env* env;
  intptr_t target;
  std::string request;
  bool pause;
};

// The one announcer of the process (see sstp_announce).
struct Announcer {
  std::mutex mutex;
  std::condition_variable changed;  // the queue, `busy` or `stopping` changed
  std::deque<Announcement> queue;
  bool busy = false;  // one is being sent, or paused after
  bool stopping = false;
  std::thread thread;
} g_announcer;

bool idle(const Announcer& a) { return a.queue.empty() && !a.busy; }

// Hands the request in `record` to the host, then waits when asked, so that
// the host shows each script a while before the next one replaces it.
void deliver(Ui* ui, Env* env, intptr_t target, CopyDataRecord* record, bool pause) {
  ui->send_copy_data(target, record);
  if (pause) env->sleep_ms(kSstpPauseMs);
}

// Loads script `id` into `script` and formats its request into buf: the
// request's length, or 0 when nothing is to be sent (no host, the switch off,
// no buffer, or a request too long).
size_t make_request(const Progress& p, const RunSettings& settings, int id, char* script, char* buf,
                    size_t size) {
  p.ui->load_script(id, script, kScriptBufferSize);
  if (p.sstp_target == 0 || settings.use_ukagaka == 0 || !buf) return 0;
  return format_sstp_notify(buf, size, id, script, p.ui->window_handle());
}

// Sends what is queued, in order, until told to stop with the queue empty.
void announcer_main() {
  Announcer& a = g_announcer;
  std::unique_lock<std::mutex> lock(a.mutex);
  for (;;) {
    a.changed.wait(lock, [&] { return !a.queue.empty() || a.stopping; });
    if (a.queue.empty()) return;
    Announcement next = std::move(a.queue.front());
    a.queue.pop_front();
    a.busy = true;
    lock.unlock();
    CopyDataRecord record = {kSstpCopyDataTag, static_cast<uint32_t>(next.request.size()), &next.request[0]};
    deliver(next.ui, next.env, next.target, &record, next.pause);
    lock.lock();
    a.busy = false;
    a.changed.notify_all();
  }
}

}  // namespace

intptr_t find_sstp_target(Env* env) {
  // The scratch copy is made for the look-up only and freed before it returns.
  std::unique_ptr<char[]> copy(new (std::nothrow) char[kSakuraCopyLimit]);
  if (!copy) return 0;
  size_t copied = 0;
  if (!env->read_shared_memory("Sakura", copy.get(), kSakuraCopyLimit, &copied)) return 0;
  return parse_sakura_block(copy.get(), copied);
}

intptr_t parse_sakura_block(const char* data, size_t size) {
  constexpr size_t kSkip = 4;
  if (size <= kSkip) return 0;
  long long at = find_bytes(data + kSkip, size - kSkip, "hwnd", 4);
  if (at < 0) return 0;
  const char* p = data + kSkip + at;
  const char* end = data + size;
  const char* mark = static_cast<const char*>(memchr(p, 0x01, static_cast<size_t>(end - p)));
  if (!mark) return 0;
  const char* value = mark + 1;
  const char* cr = static_cast<const char*>(memchr(value, '\r', static_cast<size_t>(end - value)));
  if (!cr) return 0;
  char text[kScriptBufferSize];
  size_t n = static_cast<size_t>(cr - value);
  if (n > sizeof text - 1) n = sizeof text - 1;
  memcpy(text, value, n);
  text[n] = '\0';
  errno = 0;
  char* stop = nullptr;
  long long handle = strtoll(text, &stop, 10);
  if (stop == text || errno == ERANGE || handle < INT32_MIN || handle > INT32_MAX) return 0;
  return static_cast<intptr_t>(handle);
}

size_t format_sstp_notify(char* buf, size_t size, int id, const char* script, intptr_t sender) {
  if (!format_text(buf, size,
                   "NOTIFY SSTP/1.1\r\nSender: Vendrit\r\nEvent: VendritStat%d\r\nScript: %s\r\n"
                   "Option: nodescript,notranslate\r\nHWnd: %lld\r\nCharset: Shift_JIS",
                   id, script, static_cast<long long>(sender))) {
    return 0;
  }
  return strlen(buf);
}

void sstp_notify(Progress& p, Env* env, const RunSettings& settings, int id, bool pause) {
  {
    // What the window's thread queued goes out first.
    std::unique_lock<std::mutex> lock(g_announcer.mutex);
    g_announcer.changed.wait(lock, [] { return idle(g_announcer); });
  }
  char script[kScriptBufferSize];
  char* buf = p.copy_data_block ? message_buffer(p) : nullptr;
  size_t length = make_request(p, settings, id, script, buf, kMessageBufferSize);
  if (length == 0) return;
  auto* record = reinterpret_cast<CopyDataRecord*>(p.copy_data_block.get());
  *record = {kSstpCopyDataTag, static_cast<uint32_t>(length), buf};
  deliver(p.ui, env, p.sstp_target, record, pause);
}

void sstp_announce(Progress& p, Env* env, const RunSettings& settings, int id, bool pause) {
  char script[kScriptBufferSize];
  char request[kMessageBufferSize];
  size_t length = make_request(p, settings, id, script, request, sizeof request);
  if (length == 0) return;
  std::lock_guard<std::mutex> hold(g_announcer.mutex);
  if (!g_announcer.thread.joinable()) {
    // Without a thread of its own the announcement is dropped: the window's
    // thread never waits for the host.
    try {
      g_announcer.thread = std::thread(announcer_main);
    } catch (const std::system_error&) {
      return;
    }
  }
  g_announcer.queue.push_back({p.ui, env, p.sstp_target, std::string(request, length), pause});
  g_announcer.changed.notify_all();
}

bool sstp_announcer_idle() {
  std::lock_guard<std::mutex> hold(g_announcer.mutex);
  return idle(g_announcer);
}

void sstp_announcer_stop() {
  {
    std::lock_guard<std::mutex> hold(g_announcer.mutex);
    if (!g_announcer.thread.joinable()) return;
    g_announcer.stopping = true;
    g_announcer.changed.notify_all();
  }
  g_announcer.thread.join();
  g_announcer.stopping = false;
}

}  // namespace vendrit
