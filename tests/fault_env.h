// The platform's Env failing, "crashing" or losing power on chosen operations,
// with files held by other programs, and stand-ins for the clock, marker, root
// lock, shared memory and programs.
#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/env.h"

namespace vendrit {

// kOpen also counts the write probe and run_process, kRename replace_file,
// kStat identity and File::status, kList every entry a listing gives,
// kSync File::sync and sync_dir.
enum class FaultOp { kOpen, kRead, kWrite, kSync, kClose, kRename, kRemove, kMkdir, kRmdir, kList, kStat, kCount };

class FaultEnv : public EnvWrapper {
 public:
  explicit FaultEnv(Env* base = platform_env()) : EnvWrapper(base) {}
  // Fails the n-th (1-based) `op` from now on, or every one from the n-th on; 0 disarms.
  void fail_nth(FaultOp op, int n) { fail_nth_[int(op)] = n ? count(op) + n : 0; }
  void fail_from(FaultOp op, int n) { fail_from_[int(op)] = n ? count(op) + n : 0; }
  int count(FaultOp op) const { return counts_[int(op)]; }
  void fail_total_nth(long k) { fail_total_at_ = k ? total_ + k : 0; }  // any kind
  // Calls `what` before the k-th operation of any kind: a crash (which does not
  // return), a power cut, another program appending to a file.
  void at_operation(long k, std::function<void()> what) { at_ = k ? total_ + k : 0, at_what_ = std::move(what); }
  // From the k-th operation on, the file it names is held open by another program:
  // the write probe and opens still pass, renaming, replacing or deleting it fail.
  void hold_at(long k) { hold_at_ = k ? total_ + k : 0; }
  long total() const { return total_; }
  void reset() { *this = FaultEnv(target()); }
  // Writing, replacing, renaming onto and deleting `path` fail, as if locked.
  void lock_file(const std::string& path) { locked_.insert(path); }
  // The power goes: every file written since its last flush loses what it got
  // since (a new file comes back empty); renames and removals made stay.
  // False when nothing was lost: the cut is no more than a crash.
  bool cut_power();
  // How many renames, replaces and removals a held file has refused.
  int held_refusals() const { return held_refusals_; }
  bool should_fail(FaultOp op, const char* path = nullptr) {  // counts the call
    int n = ++counts_[int(op)];
    if (++total_ == at_ && at_what_) at_what_();
    if (total_ == hold_at_ && path) held_.insert(path);
    return n == fail_nth_[int(op)] || (fail_from_[int(op)] && n >= fail_from_[int(op)]) || total_ == fail_total_at_;
  }
  // The files written since their last flush, by path: the size each had then.
  void written(const std::string& path, uint64_t flushed_size) { unflushed_.emplace(path, flushed_size); }
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
    if (should_fail(FaultOp::kRemove, p) || locked(p) || held(p)) return fail(kErrAccess);
    return target()->remove_file(p) && (unflushed_.erase(p), true);
  }
  // The probe stands for an open for writing, and fails like one.
  bool writable(const char* p) override { return !should_fail(FaultOp::kOpen, p) && !locked(p) && target()->writable(p); }
  // What a flush puts on the disk is this Env's to track: nothing is asked of the disk.
  bool sync_dir(const char* p) override { return !should_fail(FaultOp::kSync, p) || fail(kErrAccess); }
  std::unique_ptr<File> open(const char* path, OpenMode mode) override;
  bool instance_marker_acquire() override { return !marker_held_ && (marker_held_ = true); }
  void instance_marker_release() override { marker_held_ = false; }
  bool root_lock_acquire() override { return !root_held_ && (root_held_ = true); }
  void root_lock_release() override { root_held_ = false; }
  LocalTime local_time() override { return LocalTime{2026, 12, 6, 9, 5, 7}; }
  void sleep_ms(int ms) override { slept_ms += ms, sleepers.insert(std::this_thread::get_id()); }
  bool read_shared_memory(const char* name, char* buf, size_t capacity, size_t* copied) override {
    if (shared_memory_name != name) return false;
    *copied = shared_memory.size() < capacity ? shared_memory.size() : capacity;
    memcpy(buf, shared_memory.data(), *copied);
    return true;
  }
  bool run_process(const char* command_line, const char* dir) override {
    processes.push_back({command_line, dir ? dir : ""});
    return !should_fail(FaultOp::kOpen) && target()->run_process(command_line, dir);
  }

  long slept_ms = 0;
  std::set<std::thread::id> sleepers;  // the threads that paused
  std::vector<std::pair<std::string, std::string>> processes;  // command, directory ("": the root)
  std::string shared_memory_name, shared_memory;  // a stand-in for a host's block
  bool marker_held_ = false, root_held_ = false;

 private:
  bool locked(const char* path) const { return locked_.count(path) != 0; }
  bool held(const char* path) { return held_.count(path) && ++held_refusals_; }
  bool moves(const char* from, const char* to) {
    if (should_fail(FaultOp::kRename, from) || locked(from) || locked(to) || held(from) || held(to)) return fail(kErrAccess);
    return true;
  }
  // The written bytes not yet flushed travel with the name.
  bool moved(const std::string& from, const std::string& to) {
    auto it = unflushed_.find(from);
    if (it != unflushed_.end()) unflushed_[to] = it->second, unflushed_.erase(from);
    else unflushed_.erase(to);
    return true;
  }

  std::set<std::string> locked_, held_;
  std::map<std::string, uint64_t> unflushed_;
  int counts_[int(FaultOp::kCount)] = {}, fail_nth_[int(FaultOp::kCount)] = {}, fail_from_[int(FaultOp::kCount)] = {};
  long total_ = 0, at_ = 0, fail_total_at_ = 0, hold_at_ = 0;
  int held_refusals_ = 0;
  std::function<void()> at_what_;
};

}  // namespace vendrit
