// The repair pass: the second walk over the log tree, which repairs thread
// index files and rebuilds the favourites list on request.
#pragma once

namespace vendrit {

void repair_pass(const char* path);

}  // namespace vendrit
