// The board catalogue: what the program knows about boards before it touches
// the log tree.  Filled once at start-up from the reader's files in the
// root and kept for every run of the process:
//   - the favourites list: the favourites index files (*.idx) of the root;
//   - the exclusion list ("exclude.lst"): servers or boards never touched;
//   - the board list ("2channel.brd"): each handled board with its server.
// Names and ids are compared byte for byte, letter case included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

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

struct Catalogue {
  std::vector<BoardRecord> boards;      // handled boards, in list order
  std::vector<BoardRecord> exclusions;  // in file order
  std::vector<std::string> favourites;  // favourites file names
  int duplicate_groups = 0;
  // Exclusion entries by server name, each bucket in file order.  Only
  // entries naming the same server can match, so scanning the bucket finds
  // exactly the first match a scan of the whole list would.  Valid for the
  // first `indexed_exclusions` entries it was built from; while the list
  // holds another number, the whole list is scanned.
  std::unordered_map<std::string, std::vector<int>> exclusions_by_server;
  size_t indexed_exclusions = 0;
  std::string server_key;  // is_excluded's key, kept so that a lookup allocates nothing
  // Kept boards by board id, each bucket in list order, while the list loads.
  std::unordered_map<std::string, std::vector<int>> boards_by_id;
};

enum class BoardListOutcome { kLoaded, kFileMissing, kFull };

// The loaders read their file through `env`; the work buffer holds a line.
void collect_favourites_list(Env* env, Catalogue& c);
void load_exclusion_list(Env* env, WorkBuffer& work, Catalogue& c);
BoardListOutcome load_board_list(Env* env, WorkBuffer& work, Catalogue& c);

// Called for a board list candidate before it joins c.boards: sets its
// duplicate group (and that of earlier boards) and answers whether it stays
// (true).
bool assign_duplicate_group(Catalogue& c, BoardRecord& cand);

enum class DuplicateOutcome { kNone, kReportFailed, kReported };
// With duplicate groups present, appends the report (built in the work
// buffer) to exclude.lst.
DuplicateOutcome report_duplicates(Env* env, WorkBuffer& work, const Catalogue& c);

// Messages shown when start-up refuses to go on.
extern const char kMsgBoardListMissing[];
extern const char kMsgBoardListFull[];
extern const char kMsgDuplicatesNotExcluded[];
extern const char kMsgDuplicatesReported[];

// 1 when the exclusion list covers this server and board id: the first
// matching entry gets its matched flag set.  Shared by both walks.
int is_excluded(Catalogue& c, const char* server, const char* board_id);
// Indexes the exclusion list for is_excluded (done by load_exclusion_list).
void exclusion_index_rebuild(Catalogue& c);

// The family tests, one for each kind of text asked about.  Each is as
// strict as its text allows; all look for the two family suffixes.
//
// A server name from the board list: a suffix anywhere, except the main
// suffix followed by a dot (standing inside a longer host name).
bool is_family_server(const char* server);
// A directory the relocation walk lists: it is a server directory when its
// path holds a suffix anywhere ("x.suffix.bak" too).  Only boards that the
// board list names at another server ever move, so the loose test is safe.
bool is_server_dir(const char* path);
// The directory of an index file in the repair pass: a suffix that ends a
// component of the path, so a board directory of a family server.
bool lies_in_family_server(const char* dir);

}  // namespace vendrit
