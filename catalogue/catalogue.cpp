#include "catalogue/catalogue.h"

#include <cstring>

#include "catalogue/line_reader.h"
#include "platform/safe_replace.h"
#include "vendrit_config.h"

namespace vendrit {

const char kMsgBoardListMissing[] = "2channel.brdがありません";
const char kMsgBoardListFull[] = "鯖大杉";

namespace {

constexpr char kExclusionFile[] = "exclude.lst";
constexpr char kBoardListFile[] = "2channel.brd";
constexpr size_t kExclusionPieceChars = 259;
constexpr size_t kBoardPieceChars = 255;

// Splits `line` at any of `separators` into at most `max` words, given as
// pointer and length into the line.  Returns the number of words found.
int split_words(const char* line, const char* separators, const char** word, size_t* len,
                int max) {
  int count = 0;
  const char* p = line;
  while (count < max) {
    p += strspn(p, separators);
    if (!*p) break;
    size_t n = strcspn(p, separators);
    word[count] = p;
    len[count] = n;
    ++count;
    p += n;
  }
  return count;
}

// Copies a word into a field; false when it does not fit (nothing is cut).
bool take_word(char* field, size_t size, const char* word, size_t len) {
  if (len >= size) return false;
  memcpy(field, word, len);
  field[len] = '\0';
  return true;
}

// Copies at most size-1 bytes, never splitting a double-byte character.
void take_cut(char* field, size_t size, const char* word, size_t len) {
  size_t n = sjis_fit(word, len, size - 1);
  memcpy(field, word, n);
  field[n] = '\0';
}

// A name that can only ever be one directory below another: not empty, not
// "." or "..", and without "\\", "/", ":" or a control byte or blank.
bool is_plain_name(const char* name) {
  if (!*name || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return false;
  for (const char* p = name; *p; p += sjis_char_size(p)) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x21 || c == '\\' || c == '/' || c == ':') return false;
  }
  return true;
}

bool exclusion_matches(const BoardRecord& e, const char* board_id) {
  return e.board_id[0] == '*' || strcmp(e.board_id, board_id) == 0;
}

// Whether `suffix` followed by `next` stands anywhere in `text`.
bool stands_before(const char* text, const char* suffix, char next) {
  const size_t n = strlen(suffix);
  for (const char* p = strstr(text, suffix); p; p = strstr(p + 1, suffix)) {
    if (p[n] == next) return true;
  }
  return false;
}

}  // namespace

bool is_family_server(const char* server) {
  if (!strstr(server, kMainSuffix) && !strstr(server, kSisterSuffix)) return false;
  // The main suffix standing inside a longer host name does not count.
  return !stands_before(server, kMainSuffix, '.');
}

bool is_server_dir(const char* path) {
  return strstr(path, kMainSuffix) || strstr(path, kSisterSuffix);
}

bool lies_in_family_server(const char* dir) {
  return stands_before(dir, kMainSuffix, '\\') || stands_before(dir, kSisterSuffix, '\\');
}

void exclusion_index_rebuild(Catalogue& c) {
  c.exclusions_by_server.clear();
  for (size_t i = 0; i < c.exclusions.size(); ++i) {
    c.exclusions_by_server[c.exclusions[i].server].push_back(static_cast<int>(i));
  }
  c.indexed_exclusions = c.exclusions.size();
}

int is_excluded(Catalogue& c, const char* server, const char* board_id) {
  if (c.indexed_exclusions == c.exclusions.size()) {
    c.server_key.assign(server);
    auto bucket = c.exclusions_by_server.find(c.server_key);
    if (bucket == c.exclusions_by_server.end()) return 0;
    for (int i : bucket->second) {
      if (exclusion_matches(c.exclusions[i], board_id)) {
        c.exclusions[i].number = 1;
        return 1;
      }
    }
    return 0;
  }
  for (BoardRecord& e : c.exclusions) {
    if (strcmp(e.server, server) == 0 && exclusion_matches(e, board_id)) {
      e.number = 1;
      return 1;
    }
  }
  return 0;
}

void collect_favourites_list(Env* env, Catalogue& c) {
  c.favourites.clear();
  std::unique_ptr<DirListing> listing = env->list_dir(".", false);
  if (!listing) return;
  DirEntry entry;
  while (listing->next(&entry)) {
    // Only this process works on the root now: a temporary file of ours
    // here is a leftover of an interrupted run.
    if (entry.kind == FileKind::kFile && is_leftover_temporary(entry.name.c_str())) {
      env->remove_file(entry.name.c_str());
      continue;
    }
    if (!ends_with_nocase(entry.name.c_str(), ".idx")) continue;
    if (entry.name == "favboard.idx") continue;
    // A favourites file is rewritten by replacing it: a link would be
    // replaced by a copy and a FIFO could block, so only regular files count.
    if (entry.kind != FileKind::kFile) continue;
    if (c.favourites.size() == kFavouritesCapacity) continue;  // surplus files are ignored
    c.favourites.push_back(entry.name.substr(0, kFavouriteNameChars));
  }
}

void load_exclusion_list(Env* env, WorkBuffer& work, Catalogue& c) {
  c.exclusions.clear();
  exclusion_index_rebuild(c);
  std::unique_ptr<File> file = env->open(kExclusionFile, OpenMode::kRead);
  if (!file) return;
  LineReader reader(std::move(file));
  char* line = work.data;
  while (reader.next_piece(line, kExclusionPieceChars) > 0) {
    if (line[0] == '\n' || line[0] == '#') continue;
    if (c.exclusions.size() == kExclusionCapacity) continue;  // surplus lines are ignored
    const char* word[2];
    size_t len[2];
    if (split_words(line, " \t\n\v\f\r", word, len, 2) < 2) continue;
    BoardRecord rec;
    memset(&rec, 0, sizeof rec);
    // A board id too long for the field is rejected rather than cut: a cut id
    // could match a board the line never named.
    if (!take_word(rec.server, sizeof rec.server, word[0], len[0]) ||
        !take_word(rec.board_id, sizeof rec.board_id, word[1], len[1])) {
      continue;
    }
    unsigned char first = static_cast<unsigned char>(rec.server[0]);
    if (first < 0x41 || first > 0x7A) continue;
    rec.number = 0;
    c.exclusions.push_back(rec);
  }
  exclusion_index_rebuild(c);
}

BoardListOutcome load_board_list(Env* env, WorkBuffer& work, Catalogue& c) {
  std::unique_ptr<File> file = env->open(kBoardListFile, OpenMode::kRead);
  if (!file) return BoardListOutcome::kFileMissing;
  c.boards.clear();
  // Room for a full list at once: growing would copy every record again.
  c.boards.reserve(kBoardListCapacity);
  c.duplicate_groups = 0;
  c.boards_by_id.clear();
  c.boards_by_id.reserve(kBoardListCapacity);
  LineReader reader(std::move(file));
  char* line = work.data;
  while (reader.next_piece(line, kBoardPieceChars) > 0) {
    if (line[0] != '\t') continue;
    if (strchr(line, 0x1B)) continue;
    // Blanks do not separate words here, so a board name keeps its spaces.
    const char* word[3];
    size_t len[3];
    if (split_words(line, "\t\n\v\f\r", word, len, 3) < 3) continue;
    BoardRecord cand;
    memset(&cand, 0, sizeof cand);
    // The server and the board id become directory names: a record that
    // would build any other path is dropped like one with an over-long field.
    if (!take_word(cand.server, sizeof cand.server, word[0], len[0]) ||
        !take_word(cand.board_id, sizeof cand.board_id, word[1], len[1]) ||
        !is_plain_name(cand.server) || !is_plain_name(cand.board_id)) {
      continue;
    }
    take_cut(cand.board_name, sizeof cand.board_name, word[2], len[2]);

    if (is_excluded(c, cand.server, cand.board_id) || !is_family_server(cand.server)) continue;
    if (!assign_duplicate_group(c, cand)) continue;
    c.boards.push_back(cand);
    if (c.boards.size() == kBoardListCapacity) return BoardListOutcome::kFull;
  }
  return BoardListOutcome::kLoaded;
}

}  // namespace vendrit
