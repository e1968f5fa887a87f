// libFuzzer targets, one binary each: VENDRIT_FUZZ_TARGET names the function
// that takes the input.  They run in the unit tests' reader root and run context.
#include <cstring>

#include "catalogue/catalogue.h"
#include "repair/thread_links.h"
#include "report/sstp_notify.h"
#include "store/thread_index.h"
#include "tests/test_support.h"

namespace vendrit {

void check(bool ok) { if (!ok) __builtin_trap(); }

struct FuzzRoot : RootTest {
  FuzzRoot() { SetUp(); }
  ~FuzzRoot() override { TearDown(); }
  void TestBody() override {}
  void next() {  // what the last input showed and counted is dropped
    *ui_ = RecordingUi();
    fault_.reset();
  }

  // Board and exclusion lists: the input is split at its first 0xFF byte into
  // exclude.lst and 2channel.brd.  What is kept fits its fields and its family.
  void catalogue(const uint8_t* data, size_t size) {
    const std::string in(data, data + size);
    const size_t cut = in.find('\xFF');
    write_file("exclude.lst", cut == std::string::npos ? "" : in.substr(0, cut));
    write_file("2channel.brd", cut == std::string::npos ? in : in.substr(cut + 1));
    load_exclusion_list(env_, work_, catalogue_);
    if (load_board_list(env_, work_, catalogue_) == BoardListOutcome::kLoaded) {
      report_duplicates(env_, work_, catalogue_);
    }
    for (const BoardRecord& r : catalogue_.exclusions) {
      check(r.server[0] >= 0x41 && r.server[0] <= 0x7A && strlen(r.board_id) < kBoardIdSize);
    }
    for (const BoardRecord& r : catalogue_.boards) {
      check(is_family_server(r.server) && (r.number == 0 || catalogue_.duplicate_groups));
    }
  }

  // The "Sakura" block parser, on a block of exactly the input's size, so that
  // the sanitizer catches any read past it.
  void sakura(const uint8_t* data, size_t size) {
    const std::vector<char> block(data, data + size);
    parse_sakura_block(block.data(), size);
  }

  // Whatever the thread index reader accepts survives a write and a second
  // read unchanged (the format's one known loss, an ETag without a
  // Last-Modified line, aside); stale bytes never leak into the record.
  void thread_index(const uint8_t* data, size_t size) {
    write_file("in.idx", std::string(data, data + size));
    ThreadIndex first, second;
    memset(&first, 0x5A, sizeof first);
    if (!read_thread_index(env_, "in.idx", &first)) return;
    if (first.last_modified[0] == '\0') first.etag[0] = '\0';
    check(write_thread_index(env_, "1.idx", first) == ReplaceResult::kReplaced);
    check(read_thread_index(env_, "1.idx", &second));
    check(write_thread_index(env_, "2.idx", second) == ReplaceResult::kReplaced);
    check(read_file("1.idx") == read_file("2.idx"));
  }

  // The link rewrite carries every byte, changes only old prefixes into new
  // ones, leaves no link to the board on the old host, and a second rewrite
  // changes nothing.
  void thread_links(const uint8_t* data, size_t size) {
    const std::string old_host = "old.example/", new_host = "new.example/";
    const std::string before(data, data + size);
    write_file("1.dat", before);
    auto rewrite = [&] { return rewrite_thread_links(run_, ".", "1.idx", "news", old_host.c_str(), new_host.c_str()); };
    check(rewrite() == LinkRewrite::kRewritten);
    const std::string after = read_file("1.dat");
    std::string undone = after;
    for (size_t at = 0; (at = after.find(new_host, at)) != std::string::npos; ++at) {
      if (before.compare(at, old_host.size(), old_host) == 0) undone.replace(at, new_host.size(), old_host);
    }
    check(undone == before);
    check(after.find(old_host + "test/read.cgi?bbs=news") == std::string::npos);
    check(after.find(old_host + "test/read.cgi/news/") == std::string::npos);
    check(rewrite() == LinkRewrite::kRewritten);
    check(read_file("1.dat") == after);
  }
};

}  // namespace vendrit

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vendrit::FuzzRoot root;
  root.next();
  root.VENDRIT_FUZZ_TARGET(data, size);
  return 0;
}
