// Test doubles of the platform's Env.  FakeServices stands in for the system's
// services other than files: the clock, pauses, the instance marker, the root
// lock, a host's shared memory and the programs started.  FaultEnv puts the
// file system's faults on top: an operation failing, files other programs hold
// open, a power cut losing what was not flushed; a hook called before each
// operation lets a test fail, crash, cut the power or write elsewhere there.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/env.h"

namespace vendrit {

void resize_file(const std::string& path, uint64_t size);  // tests/test_support.h

class FakeServices : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  bool instance_marker_acquire() override { return !marker_held_ && (marker_held_ = true); }
  void instance_marker_release() override { marker_held_ = false; }
  bool root_lock_acquire() override { return !root_held_ && (root_held_ = true); }
  void root_lock_release() override { root_held_ = false; }
  LocalTime local_time() override { return LocalTime{2026, 12, 6, 9, 5, 7}; }
  void sleep_ms(int ms) override {
    slept_ms += ms;
    sleepers.insert(std::this_thread::get_id());
  }
  bool read_shared_memory(const char* name, char* buf, size_t capacity, size_t* copied) override {
    if (shared_memory_name != name) return false;
    *copied = std::min(shared_memory.size(), capacity);
    memcpy(buf, shared_memory.data(), *copied);
    return true;
  }
  bool run_process(const char* command_line, const char* dir) override {
    processes.push_back({command_line, dir ? dir : ""});
    return target()->run_process(command_line, dir);
  }

  long slept_ms = 0;
  std::set<std::thread::id> sleepers;  // the threads that paused
  std::vector<std::pair<std::string, std::string>> processes;  // command, directory ("": the root)
  std::string shared_memory_name, shared_memory;  // a stand-in for a host's block
  bool marker_held_ = false, root_held_ = false;
};

// kOpen also counts the write probe, kRename replace_file, kStat identity and
// File::status, kList every entry a listing gives, kSync File::sync and sync_dir.
enum class FaultOp { kOpen, kRead, kWrite, kSync, kClose, kRename, kRemove, kMkdir, kRmdir, kList, kStat, kCount };

class FaultEnv : public FakeServices {
 public:
  explicit FaultEnv(Env* base = platform_env()) : FakeServices(base) {}
  void reset() { *this = FaultEnv(target()); }
  // The n-th `op` from now on fails (0: every one), counting those naming `path` when one is given.
  void fail_op(FaultOp op, int n, const std::string& path = "") {
    before = [=, seen = 0](FaultOp o, const std::string& p) mutable {
      return o == op && (path.empty() || p == path) && (++seen == n || !n);
    };
  }
  int count(FaultOp op) const { return counts_[int(op)]; }
  // Held open by another program: the write probe and opens pass, renaming,
  // replacing or deleting it fail (each refusal counted).
  void hold(const std::string& path) { held_.insert(path); }
  // The power goes: every file written since its last flush loses what it got
  // since; renames and removals made stay.  False when nothing was lost.
  bool cut_power() {
    for (const auto& f : unflushed_) resize_file(f.first, f.second);
    return !std::exchange(unflushed_, {}).empty();
  }
  bool should_fail(FaultOp op, const std::string& path) {  // counts the call
    ++counts_[int(op)];
    return before && before(op, path);
  }
  void flushed(const std::string& path) { unflushed_.erase(path); }

  using Env::list_dir;
  std::unique_ptr<DirListing> list_dir(const char* p, bool sizes) override;
  bool stat(const char* p, FileStatus* s) override { return !should_fail(FaultOp::kStat, p) && target()->stat(p, s); }
  bool identity(const char* p, FileIdentity* i) override { return !should_fail(FaultOp::kStat, p) && target()->identity(p, i); }
  bool make_dir(const char* p) override { return should_fail(FaultOp::kMkdir, p) ? fail(kErrAccess) : target()->make_dir(p); }
  bool remove_dir(const char* p) override { return !should_fail(FaultOp::kRmdir, p) && target()->remove_dir(p); }
  bool rename_file(const char* a, const char* b) override { return moves(a, b) && target()->rename_file(a, b) && moved(a, b); }
  using Env::replace_file;
  bool replace_file(const char* a, const char* b, const FileStatus* unchanged) override {
    return moves(a, b) && target()->replace_file(a, b, unchanged) && moved(a, b);
  }
  bool remove_file(const char* p) override {
    if (should_fail(FaultOp::kRemove, p) || refuses(p)) return fail(kErrAccess);
    if (!target()->remove_file(p)) return false;
    unflushed_.erase(p);  // only a file that went no longer loses bytes at a power cut
    return true;
  }
  // The probe stands for an open for writing, and fails like one.
  bool writable(const char* p) override { return !should_fail(FaultOp::kOpen, p) && target()->writable(p); }
  // What a flush puts on the disk is this Env's to track: nothing is asked of the disk.
  bool sync_dir(const char* p) override { return !should_fail(FaultOp::kSync, p) || fail(kErrAccess); }
  std::unique_ptr<File> open(const char* path, OpenMode mode) override;

  // Called with each operation and the path it names before it runs; true fails it.
  std::function<bool(FaultOp, const std::string&)> before;
  int held_refusals = 0;

 private:
  bool refuses(const std::string& path) { return held_.count(path) && ++held_refusals; }
  bool moves(const char* from, const char* to) {
    return (!should_fail(FaultOp::kRename, from) && !refuses(from) && !refuses(to)) || fail(kErrAccess);
  }
  // The written bytes not yet flushed travel with the name.
  bool moved(const std::string& from, const std::string& to) {
    const auto it = unflushed_.find(from);
    if (it != unflushed_.end()) unflushed_[to] = it->second;
    else unflushed_.erase(to);
    unflushed_.erase(from);
    return true;
  }

  std::set<std::string> held_;
  std::map<std::string, uint64_t> unflushed_;  // written to: the size at the last flush
  int counts_[int(FaultOp::kCount)] = {};
};

// A file whose failing write may still have put part of the bytes on disk.
class FaultFile : public File {
  FaultEnv* env_;
  std::unique_ptr<File> base_;
  std::string path_;

 public:
  FaultFile(FaultEnv* env, std::unique_ptr<File> base, const char* path) : env_(env), base_(std::move(base)), path_(path) {}
  long long read(void* buf, size_t n) override { return env_->should_fail(FaultOp::kRead, path_) ? -1 : base_->read(buf, n); }
  bool write(const void* buf, size_t n) override {
    const ByteSpan one{static_cast<const char*>(buf), n};
    return write_pieces(&one, 1);
  }
  bool write_pieces(const ByteSpan* pieces, size_t count) override {
    if (!env_->should_fail(FaultOp::kWrite, path_)) return base_->write_pieces(pieces, count);
    if (count && pieces[0].size > 1) base_->write(pieces[0].data, pieces[0].size / 2);
    return false;
  }
  bool status(FileStatus* s) override { return !env_->should_fail(FaultOp::kStat, path_) && base_->status(s); }
  bool sync() override {
    if (env_->should_fail(FaultOp::kSync, path_)) return Env::fail(kErrAccess);
    env_->flushed(path_);
    return true;
  }
  bool close() override {
    const bool fail = env_->should_fail(FaultOp::kClose, path_);
    return base_->close() && !fail;
  }
};

inline std::unique_ptr<File> FaultEnv::open(const char* path, OpenMode mode) {
  if (should_fail(FaultOp::kOpen, path)) return nullptr;
  std::unique_ptr<File> base = target()->open(path, mode);
  FileStatus st;
  if (base && mode != OpenMode::kRead) unflushed_.emplace(path, mode == OpenMode::kAppend && base->status(&st) ? st.size : 0);
  return base ? std::make_unique<FaultFile>(this, std::move(base), path) : nullptr;
}

// A listing that may break off at any entry.
class FaultListing : public DirListing {
  FaultEnv* env_;
  std::unique_ptr<DirListing> base_;
  std::string dir_;
  bool failed_ = false;

 public:
  FaultListing(FaultEnv* env, std::unique_ptr<DirListing> base, const char* dir) : env_(env), base_(std::move(base)), dir_(dir) {}
  bool next(DirEntry* entry) override { return !(failed_ = env_->should_fail(FaultOp::kList, dir_)) && base_->next(entry); }
  bool failed() const override { return failed_ || base_->failed(); }
};

inline std::unique_ptr<DirListing> FaultEnv::list_dir(const char* p, bool sizes) {
  std::unique_ptr<DirListing> base = should_fail(FaultOp::kList, p) ? nullptr : target()->list_dir(p, sizes);
  return base ? std::make_unique<FaultListing>(this, std::move(base), p) : nullptr;
}

}  // namespace vendrit
