// The board catalogue: what the program knows about boards before it touches
// the log tree.  Filled once at start-up from the reader's files in the
// current directory and kept for the life of the process:
//   - the favourites list: the favourites index files (*.idx) of the root;
//   - the exclusion list ("exclude.lst"): servers or boards never touched;
//   - the board list ("2channel.brd"): each handled board with its server.
// Names and ids are compared byte for byte, letter case included.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/env.h"
#include "platform/text.h"
#include "state/work_buffer.h"

namespace vendrit {

constexpr size_t kServerNameSize = 100;
constexpr size_t kBoardIdSize = 20;
constexpr size_t kBoardNameSize = 50;

constexpr int kBoardListCapacity = 10000;  // the 10000th kept board ends the program
constexpr int kExclusionCapacity = 1024;
constexpr int kFavouritesCapacity = 100;
constexpr size_t kFavouriteNameChars = 255;

// One row of the board list or of the exclusion list.
struct BoardRecord {
  char server[kServerNameSize];
  char board_id[kBoardIdSize];
  char board_name[kBoardNameSize];
  // Board list: duplicate group (0 = none).  Exclusion list: matched flag.
  int32_t number;
};

extern BoardRecord g_boards[kBoardListCapacity];
extern int g_board_count;
extern BoardRecord g_exclusions[kExclusionCapacity];
extern int g_exclusion_count;
extern char g_favourites[kFavouritesCapacity][kPathSize];
extern int g_favourite_count;
extern int g_duplicate_groups;

enum class BoardListOutcome { kLoaded, kFileMissing, kFull };

// The loaders read their file through `env`; the work buffer holds a line.
void collect_favourites_list(Env* env);
void load_exclusion_list(Env* env, WorkBuffer& work);
BoardListOutcome load_board_list(Env* env, WorkBuffer& work);

// Called for the candidate at g_boards[g_board_count]: sets its duplicate
// group (and that of earlier boards) and answers whether it stays (true).
bool assign_duplicate_group();
// Forgets the kept boards known to assign_duplicate_group (a new load).
void duplicate_index_reset();

enum class DuplicateOutcome { kNone, kReportFailed, kReported };
// With duplicate groups present, appends the report (built in the work
// buffer) to exclude.lst.
DuplicateOutcome report_duplicates(Env* env, WorkBuffer& work);

// Messages shown when start-up refuses to go on.
extern const char kMsgBoardListMissing[];
extern const char kMsgBoardListFull[];
extern const char kMsgDuplicatesNotExcluded[];
extern const char kMsgDuplicatesReported[];

// 1 when the exclusion list covers this server and board id: the first
// matching entry gets its matched flag set.  Shared by both walks.
int is_excluded(const char* server, const char* board_id);
// Indexes the exclusion list for is_excluded (done by load_exclusion_list).
void exclusion_index_rebuild();

// True when `server` names a board server of a handled family.
bool is_family_server(const char* server);

// Empties every table (tests and repeated start-ups in one process).
void catalogue_reset();

}  // namespace vendrit
