#include "relocate/rewrite_favourite_paths.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/safe_replace.h"

namespace vendrit {

namespace {

// The text after the first "log" and the one separator that follows it.
const char* below_log(const char* path) {
  const char* p = strstr(path, "log");
  if (!p || !p[3]) return nullptr;
  return p + 4;
}

void report_unreadable(Progress& p, const char* name) {
  progress_print(p, "\r\nFile:%sを読み込めませんでした。このファイルはスキップします。", name);
}

bool same_file_state(const FileStatus& a, const FileStatus& b) {
  return a.kind == b.kind && a.size == b.size && a.modified == b.modified;
}

// Reads the whole file into `kept`.  False when it is gone (silently:
// nothing of it to follow, and `kept` says so) or could not be read whole
// (reported, and read again next time).
bool read_whole(Run& run, const char* name, FavouriteText* kept) {
  Env* e = run.env;
  std::unique_ptr<File> f = e->open(name, OpenMode::kRead);
  FileStatus st;
  if (!f) {
    if (!e->stat(name, &st) || st.kind == FileKind::kDir) {
      kept->state = FavouriteText::kAbsent;
    } else {
      report_unreadable(run.progress, name);
    }
    return false;
  }
  if (!f->status(&st) || st.size >= SIZE_MAX) {
    report_unreadable(run.progress, name);
    return false;
  }
  std::unique_ptr<char[]> text(new (std::nothrow) char[static_cast<size_t>(st.size) + 1]);
  if (!text) {
    report_unreadable(run.progress, name);
    return false;
  }
  long long n = f->read(text.get(), static_cast<size_t>(st.size));
  char more;
  // A file that grew since its size was taken is not rewritten from a part.
  if (n < 0 || (static_cast<uint64_t>(n) == st.size && f->read(&more, 1) != 0)) {
    report_unreadable(run.progress, name);
    return false;
  }
  kept->text.assign(text.get(), static_cast<size_t>(n));
  kept->seen = st;
  kept->state = FavouriteText::kRead;
  return true;
}

// Finds, in one text, the first occurrence of each of a batch of paths: the
// paths of one board, which all begin with the same `prefix`.  An occurrence
// of a path is an occurrence of the prefix, so only the places where the
// prefix stands are looked at; they are found again after each change.
class BatchSearch {
 public:
  BatchSearch(std::string* text, std::string prefix) : text_(text), prefix_(std::move(prefix)) {
    len_ = strnlen(text->data(), text->size());
    find_places();
  }

  // Replaces the first `from` by `to`; with `again`, not when `to` comes
  // first (the entry followed in an earlier run).  The search stops at the
  // first NUL byte; what follows it is carried unchanged.
  bool replace_first(const char* from, const char* to, bool again) {
    const size_t from_len = strlen(from), to_len = strlen(to);
    const long long at = find(from, from_len);
    if (at < 0) return false;
    if (again) {
      const long long done = find_bytes(text_->data(), len_, to, to_len);
      if (done >= 0 && done <= at) return false;
    }
    text_->replace(static_cast<size_t>(at), from_len, to, to_len);
    len_ = len_ - from_len + to_len;
    find_places();
    return true;
  }

 private:
  // A prefix too short to tell places apart is not used.
  bool usable() const { return prefix_.size() >= 8; }

  void find_places() {
    places_.clear();
    if (!usable()) return;
    for (size_t from = 0;;) {
      const long long at = find_bytes(text_->data() + from, len_ - from, prefix_.data(), prefix_.size());
      if (at < 0) return;
      places_.push_back(from + static_cast<size_t>(at));
      from = places_.back() + 1;
    }
  }

  long long find(const char* needle, size_t size) const {
    if (!usable() || strncmp(needle, prefix_.data(), prefix_.size()) != 0) {
      return find_bytes(text_->data(), len_, needle, size);
    }
    for (size_t at : places_) {
      if (at + size <= len_ && memcmp(text_->data() + at, needle, size) == 0) {
        return static_cast<long long>(at);
      }
    }
    return -1;
  }

  std::string* text_;
  size_t len_;  // up to the first NUL byte
  std::string prefix_;
  std::vector<size_t> places_;  // of the prefix, in order
};

enum class Way { kFollow, kBack, kForesee };

// Makes the moves follow (or return) in favourites file `i`, which is
// rewritten at most once; foreseen, only its kept text changes.
void rewrite_file(Run& run, size_t i, std::vector<FavouriteMove>* moves, Way way,
                  const std::string& prefix) {
  const bool back = way == Way::kBack;
  const char* name = run.catalogue.favourites[i].c_str();
  FavouriteText* kept = &run.favourite_texts[i];
  std::vector<size_t> changed;  // the moves whose entry this file holds
  for (int attempt = 0; attempt < 3; ++attempt) {
    changed.clear();
    if (kept->state != FavouriteText::kRead && !read_whole(run, name, kept)) {
      if (kept->state == FavouriteText::kAbsent) return;
      for (FavouriteMove& m : *moves) m.failed = true;
      return;
    }
    std::string text = kept->text;
    BatchSearch search(&text, prefix);
    for (size_t j = 0; j < moves->size(); ++j) {
      FavouriteMove& m = (*moves)[j];
      const char* from = below_log(back ? m.destination_index : m.source_index);
      const char* to = below_log(back ? m.source_index : m.destination_index);
      if (back && !m.moved_in[i]) continue;
      if (from && to && *from && search.replace_first(from, to, m.again && !back)) {
        changed.push_back(j);
      }
    }
    if (changed.empty()) return;
    if (way == Way::kForesee) {
      kept->text = std::move(text);
      for (size_t j : changed) (*moves)[j].moved_in[i] = true;
      return;
    }
    // Changed on disk since it was read (the reader added an entry): read
    // again and look again.
    FileStatus now;
    if (!run.env->stat(name, &now) || !same_file_state(now, kept->seen)) {
      kept->state = FavouriteText::kUnread;
      continue;
    }
    const ByteSpan piece{text.data(), text.size()};
    const ReplaceResult result = replace_file_contents(run.env, name, &piece, 1, Target::kFile, &kept->seen);
    if (result == ReplaceResult::kChanged) {
      kept->state = FavouriteText::kUnread;
      continue;
    }
    if (result != ReplaceResult::kReplaced) break;
    // Keep what was written, and how the file now looks on disk.
    kept->text = std::move(text);
    if (!run.env->stat(name, &kept->seen)) kept->state = FavouriteText::kUnread;
    for (size_t j : changed) (*moves)[j].moved_in[i] = !back;
    return;
  }
  progress_print(run.progress, "\r\nFile:%sを書けませんでした。このファイルはスキップします。", name);
  for (size_t j : changed) (*moves)[j].failed = true;
}

void rewrite_all(Run& run, std::vector<FavouriteMove>* moves, Way way) {
  const size_t files = run.catalogue.favourites.size();
  if (run.favourite_texts.size() < files) run.favourite_texts.resize(files);
  // What every path looked for begins with.
  std::string prefix;
  bool first = true;
  for (FavouriteMove& m : *moves) {
    m.moved_in.resize(files);
    const char* from = below_log(way == Way::kBack ? m.destination_index : m.source_index);
    if (!from) continue;
    if (first) prefix = from;
    size_t n = 0;
    while (n < prefix.size() && prefix[n] == from[n]) ++n;
    prefix.resize(n);
    first = false;
  }
  for (size_t i = 0; i < files; ++i) rewrite_file(run, i, moves, way, prefix);
}

}  // namespace

void favourites_forget(Run& run) { run.favourite_texts.clear(); }

void follow_favourites(Run& run, std::vector<FavouriteMove>* moves) { rewrite_all(run, moves, Way::kFollow); }

void unfollow_favourites(Run& run, std::vector<FavouriteMove>* moves) { rewrite_all(run, moves, Way::kBack); }

int foresee_favourites(Run& run, std::vector<FavouriteMove>* moves) {
  rewrite_all(run, moves, Way::kForesee);
  int followed = 0;
  for (const FavouriteMove& m : *moves) {
    for (bool in : m.moved_in) followed += in;
  }
  return followed;
}

}  // namespace vendrit
