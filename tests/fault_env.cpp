#include "tests/fault_env.h"

namespace vendrit {
namespace {

// A failing write may still have put part of the bytes on disk.
class FaultFile : public File {
  FaultEnv* env_;
  std::unique_ptr<File> base_;

 public:
  FaultFile(FaultEnv* env, std::unique_ptr<File> base) : env_(env), base_(std::move(base)) {}
  long long read(void* buf, size_t n) override { return env_->should_fail(FaultOp::kRead) ? -1 : base_->read(buf, n); }
  bool write(const void* buf, size_t n) override {
    const ByteSpan one{static_cast<const char*>(buf), n};
    return write_pieces(&one, 1);
  }
  bool write_pieces(const ByteSpan* pieces, size_t count) override {
    if (!env_->should_fail(FaultOp::kWrite)) return base_->write_pieces(pieces, count);
    if (count && pieces[0].size > 1) base_->write(pieces[0].data, pieces[0].size / 2);
    return false;
  }
  bool status(FileStatus* s) override { return !env_->should_fail(FaultOp::kStat) && base_->status(s); }
  bool close() override {
    bool fail = env_->should_fail(FaultOp::kClose);
    return base_->close() && !fail;
  }
};

}  // namespace

std::unique_ptr<File> FaultEnv::open(const char* path, OpenMode mode) {
  if (should_fail(FaultOp::kOpen) || (mode != OpenMode::kRead && locked(path))) return nullptr;
  std::unique_ptr<File> base = target()->open(path, mode);
  return base ? std::make_unique<FaultFile>(this, std::move(base)) : nullptr;
}

}  // namespace vendrit
