// The plan that the tree generator writes beside a reader directory.
//
// The generator knows which boards it placed under a server that the board
// list no longer names, and which ones an exclusion protects.  The floor
// program (floor_run.cpp) reads that knowledge instead of working it out, so
// that it does the file operations of a run and nothing else.  One record a
// line, fields separated by tabs, server and board names as on disk:
//
//   move <old server> <new server> <board>   log/<old>/<board> goes to log/<new>/<board>
//   skip <server> <board or *>               log/<server>/<board> is excluded
//
// Moves are listed in the order the generator made them; their order does not
// change the result, since no two moves share a board directory.
#pragma once

namespace vendrit_bench {

inline constexpr char kPlanMove[] = "move";
inline constexpr char kPlanSkip[] = "skip";

}  // namespace vendrit_bench
