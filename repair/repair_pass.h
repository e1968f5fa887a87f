// The repair pass: the second walk over the log tree, after the relocation.
//
// Every thread index file found below the start path gets, where there is
// work to do, the host of the server directory it now lies in (boards of the
// two handled families), a converted host (other boards, on request), its
// dropped flag cleared and, on request, the board name from the board list.
// The links in its thread log follow a changed host, and the threads that
// qualify are added to the favourites stream while it is being rebuilt.
//
// Thread index files are recognised only at the depth log\<server>\<board>;
// index files lying anywhere else are left alone without a message.
#pragma once

#include "platform/safe_replace.h"
#include "store/index_fates.h"
#include "store/run.h"

namespace vendrit {

// `favourites`: favorite.idx being rebuilt (see favourites_stream.h), which
// gets a line for each thread that qualifies; null: no lines.
void repair_pass(Run& run, const char* path, ReplacingWriter* favourites = nullptr);

// How many index files repair_pass would rewrite once the relocation has put
// them where `fates` says, decided the same way; nothing is changed or shown.
int preview_repair_pass(Run& run, const char* path, const IndexFates& fates);

}  // namespace vendrit
