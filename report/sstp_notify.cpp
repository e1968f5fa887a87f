#include "report/sstp_notify.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "state/run_settings.h"
#include "platform/env.h"
#include "platform/text.h"
#include "report/progress_log.h"

namespace vendrit {

static_assert(sizeof(void*) != 8 || sizeof(CopyDataRecord) == kCopyDataRecordSize,
              "the copy-data record must match COPYDATASTRUCT");

intptr_t g_sstp_target = 0;

namespace {
char g_script[kScriptBufferSize];
}

intptr_t find_sstp_target() {
  // The scratch copy is made for the look-up only and freed before it returns.
  std::unique_ptr<char[]> copy(new (std::nothrow) char[kSakuraCopyLimit]);
  if (!copy) return 0;
  size_t copied = 0;
  if (!env()->read_shared_memory("Sakura", copy.get(), kSakuraCopyLimit, &copied)) return 0;
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

void sstp_notify(int id, bool pause) {
  g_ui->load_script(id, g_script, sizeof g_script);
  if (g_sstp_target == 0 || g_settings.use_ukagaka == 0 || !g_copy_data_block) return;
  auto* record = reinterpret_cast<CopyDataRecord*>(g_copy_data_block);
  record->tag = kSstpCopyDataTag;
  size_t length =
      format_sstp_notify(message_buffer(), kMessageBufferSize, id, g_script, g_ui->window_handle());
  if (length == 0) return;
  record->length = static_cast<uint32_t>(length);
  record->data = message_buffer();
  g_ui->send_copy_data(g_sstp_target, record);
  if (pause) env()->sleep_ms(kSstpPauseMs);
}

}  // namespace vendrit
