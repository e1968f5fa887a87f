#include "report/sstp_notify.h"

namespace vendrit {

intptr_t g_sstp_target = 0;

// Not built yet: there is never a host, so nothing is ever sent.
intptr_t find_sstp_target() { return 0; }

void sstp_notify(int, bool) {}

}  // namespace vendrit
