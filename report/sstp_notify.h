// SSTP notifications to a desktop-mascot host on the same desktop.
#pragma once

#include <cstdint>

namespace vendrit {

extern intptr_t g_sstp_target;  // host window handle; 0 = no host

// Looks the host up once at start-up; 0 when there is none.
intptr_t find_sstp_target();
// Announces string-table script `id`; `pause` waits 500 ms after a sent one.
void sstp_notify(int id, bool pause);

}  // namespace vendrit
