// One whole run, the worker's entry: the backup program, the relocation of
// the log tree, then the repair pass (with the favourites rebuild when it was
// chosen), each announced to the mascot host.
#pragma once

namespace vendrit {

void run_sequence();

}  // namespace vendrit
