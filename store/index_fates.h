// Where the thread index files will be once the relocation has run: what a
// preview of the repair pass looks at instead of the tree as it is now.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

namespace vendrit {

struct IndexFates {
  // Index files (paths as the program names them) that the relocation
  // takes away: moved, deleted as a losing copy, or replaced by a copy.
  std::unordered_set<std::string> gone;
  // Index files that the relocation puts in another board directory.
  struct Arrival {
    std::string dir;        // the destination directory, as the program names it
    std::string read_from;  // where its content is now (path as on disk)
  };
  std::vector<Arrival> arriving;
};

}  // namespace vendrit
