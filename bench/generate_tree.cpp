// Writes a reader directory of a chosen size for the benchmark: the board
// list "2channel.brd", "exclude.lst", favourites index files, and a log tree
// of thread logs with their index files, a share of whose boards sit under a
// server that the board list no longer names.  The same seed gives the same
// bytes.  Beside the directory it writes the plan read by the floor program
// (bench_plan.h).
//
//   vendrit_bench_gen --out DIR [--boards N] [--threads M] [--moved PCT]
//                     [--collide PCT] [--catalogue K] [--exclusions E]
//                     [--favourites F] [--fav-files N] [--extra-fav N]
//                     [--extra-fav-moved N] [--seed S] [--no-log] [--plan FILE]
//
// Text literals here are Shift_JIS at run time (-fexec-charset=CP932).
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_plan.h"
#include "bench/bench_random.h"
#include "vendrit_config.h"

namespace vendrit_bench {
namespace {

using vendrit::kMainSuffix;
using vendrit::kRegionalSuffix;
using vendrit::kRentalHost1;
using vendrit::kSisterSuffix;

struct Options {
  std::string out;
  std::string plan;
  int boards = 1000;        // board directories in the log tree
  int threads = 100;        // threads in each of them
  int moved = 50;           // percent of the family boards placed under a stale server
  int collide = 20;         // percent of the moved boards whose destination already has threads
  int catalogue = 4000;     // family boards kept in the board list
  int exclusions = 24;      // accepted entries of exclude.lst
  int favourites = 1000;    // entries in all favourites index files
  int fav_files = 5;        // files those entries are spread over
  int extra_fav = 0;        // further favourites files of about 10 KB naming threads that are gone
  int extra_fav_moved = 0;  // and of about 10 KB naming threads of moved boards
  uint64_t seed = 1;
  bool log = true;
};

const char* const kMainPrefixes[] = {
    "news", "hobby", "academy", "anago", "kohada", "mevius", "egg", "lavender", "awabi",
    "tamae", "ikura", "toro", "kanae", "krsw", "hayabusa", "medaka", "viper", "peace",
    "maguro", "sports", "headline", "nozomi", "daily", "rio", "society", "yuzuru"};
const char* const kSisterPrefixes[] = {"pink", "babiru", "kilauea", "qiufen", "mercury"};
const char* const kForeignHosts[] = {"www.otherbbs.org", "bbs.example-forum.jp",
                                     "yy.freeboards.net", "talk.hobby-site.com"};
const char* const kIdWords[] = {
    "news", "plus", "game", "live", "test", "vip", "tech", "car", "bike", "train", "anime",
    "comic", "music", "movie", "tv", "radio", "idol", "food", "cook", "sake", "travel", "pet",
    "dog", "cat", "bird", "fish", "stock", "money", "job", "base", "soccer", "golf", "tennis",
    "math", "phys", "chem", "bio", "med", "law", "hist", "geo", "lit", "phil", "net", "pc"};
const char* const kSyllables[] = {
    "ka", "ki", "ku", "ke", "ko", "sa", "shi", "su", "se", "so", "ta", "chi", "tsu", "te",
    "to", "na", "ni", "nu", "ne", "no", "ha", "hi", "fu", "he", "ho", "ma", "mi", "mu", "me",
    "mo", "ya", "yu", "yo", "ra", "ri", "ru", "re", "ro", "wa", "ga", "gi", "gu", "ge", "go",
    "za", "ji", "zu", "ze", "zo", "da", "de", "do", "ba", "bi", "bu", "be", "bo", "pa", "po"};
const char* const kTopics[] = {
    "ニュース速報", "芸能", "ゲーム", "プログラム", "料理", "旅行", "鉄道", "自転車", "写真",
    "音楽", "映画", "アニメ", "漫画", "野球", "サッカー", "株式", "投資", "経済", "政治",
    "科学", "数学", "物理", "化学", "生物", "医学", "法律", "歴史", "地理", "文学", "哲学",
    "ペット", "園芸", "車", "バイク", "家電", "パソコン", "スマホ", "ネット", "生活", "健康"};
const char* const kBoardTails[] = {"", "+", "板", "実況", "総合", "雑談", "(ネタ)", "避難所",
                                   " Plus", " News"};
const char* const kCategories[] = {"ニュース", "雑談", "趣味", "学問・理系", "生活",
                                   "実況ch", "PC等", "運営", "文化", "スポーツ"};
const char* const kNames[] = {"名無しさん", "名無しさん＠お腹いっぱい。", "風吹けば名無し",
                              "名無しさん＠涙目です。", "番組の途中ですが名無しです",
                              "以下、名無しにかわりましてVIPがお送りします", "名無しの権兵衛"};
const char* const kMails[] = {"", "", "sage", "sage", "age"};
const char* const kWeekdays[] = {"月", "火", "水", "木", "金", "土", "日"};
const char* const kSentences[] = {
    "これはテスト書き込みです。", "昨日の試合は本当に面白かったですね。",
    "そのソースはどこにあるんですか？", "自分もそう思います。",
    "いや、それは違うと思うぞ。", "詳しい人いたら教えてください。",
    "今日は雨が降っていて寒いです。", "過去ログを読んでから質問しろ。",
    "スレ立て乙です。", "次スレはまだですか？", "ワロタｗｗｗ", "ｷﾀ━━━━(ﾟ∀ﾟ)━━━━!!",
    "それな。", "この件について詳しく解説しているサイトがあった。",
    "初心者なんですが、どれを買えばいいですか？", "値段の割に性能がいいと思う。",
    "公式の発表を待とう。", "あぼ～ん", "＞＞１乙", "まとめサイトに転載されてるぞ。",
    "新機能のテストをしてみたが、動作はかなり安定している。",
    "駅前の店が閉店するらしい。寂しくなるな。", "気温が下がってきたので体調に気をつけて。",
    "この板の住人は親切だな。", "ソースは俺。", "日本語でおｋ", "半角ｶﾀｶﾅもたまに混ざる。"};
const char* const kTitleTails[] = {"について語るスレ", "総合スレ", "質問スレ", "雑談スレ",
                                   "を応援するスレ", "の情報交換", "実況スレ", "専用スレ"};

struct Board {
  std::string server;
  std::string id;
  std::string name;
  bool sister = false;
};

// One board directory of the log tree.
struct LogBoard {
  std::string dir_server;  // where its directory is
  std::string id;
  std::string home;        // where the board list says it lives ("" for foreign or excluded)
  bool family = true;
  bool moved = false;
  bool collide = false;
  bool excluded = false;
};

struct Written {
  long long files = 0;
  long long bytes = 0;
  long long largest = 0;
  long long threads = 0;
};

Written g_written;

bool make_dirs(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      std::string part = path.substr(0, i);
      if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
        fprintf(stderr, "cannot create %s: %s\n", part.c_str(), strerror(errno));
        return false;
      }
    }
  }
  return true;
}

bool write_file(const std::string& path, const std::string& text) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) {
    fprintf(stderr, "cannot write %s: %s\n", path.c_str(), strerror(errno));
    exit(2);
  }
  if (!text.empty() && fwrite(text.data(), 1, text.size(), f) != text.size()) {
    fprintf(stderr, "cannot write %s\n", path.c_str());
    exit(2);
  }
  fclose(f);
  ++g_written.files;
  g_written.bytes += static_cast<long long>(text.size());
  if (static_cast<long long>(text.size()) > g_written.largest) {
    g_written.largest = static_cast<long long>(text.size());
  }
  return true;
}

std::string number(long long n) { return std::to_string(n); }

// Server host names of one family, none the tail of another.
std::vector<std::string> make_servers(Random& rng, const char* const* prefixes, size_t count,
                                      int per_prefix, int first, const char* suffix) {
  std::vector<std::string> out;
  for (size_t p = 0; p < count; ++p) {
    std::set<int> used;
    for (int k = 0; k < per_prefix; ++k) {
      int n;
      do n = first + static_cast<int>(rng.below(20)); while (!used.insert(n).second);
      out.push_back(prefixes[p] + number(n) + suffix);
    }
  }
  return out;
}

std::string make_board_id(Random& rng, std::set<std::string>& used) {
  for (;;) {
    std::string id = rng.pick(kIdWords);
    int syllables = static_cast<int>(rng.below(3));
    for (int i = 0; i < syllables; ++i) id += rng.pick(kSyllables);
    if (rng.chance(0.3)) id += number(rng.below(10));
    if (id.size() > 19) continue;
    if (used.insert(id).second) return id;
  }
}

std::string make_board_name(Random& rng) {
  return std::string(rng.pick(kTopics)) + rng.pick(kBoardTails);
}

std::string make_title(Random& rng) {
  std::string t = "【";
  t += rng.pick(kTopics);
  t += "】";
  t += rng.pick(kTopics);
  t += rng.pick(kTitleTails);
  t += " Part";
  t += number(rng.between(1, 300));
  return t;
}

// A link that a reader's user would paste into a post.
void append_link(Random& rng, std::string& out, const std::string& host, const std::string& board,
                 long long key, const std::vector<Board>& catalogue) {
  const char* scheme = rng.chance(0.3) ? "ttp://" : "http://";
  uint64_t kind = rng.below(100);
  out += scheme;
  if (kind < 35) {  // this board, path form
    out += host + "/test/read.cgi/" + board + "/" + number(key) + "/";
    if (rng.chance(0.6)) out += number(rng.between(1, 1000));
  } else if (kind < 55) {  // this board, parameter form
    out += host + "/test/read.cgi?bbs=" + board + "&key=" + number(key);
    if (rng.chance(0.5)) out += "&st=" + number(rng.between(1, 1000));
  } else if (kind < 70) {  // another board on the same host
    const Board& b = catalogue[rng.below(catalogue.size())];
    out += host + "/test/read.cgi/" + b.id + "/" + number(1500000000 + rng.below(300000000)) + "/";
  } else if (kind < 85) {  // a board elsewhere
    const Board& b = catalogue[rng.below(catalogue.size())];
    out += b.server + "/test/read.cgi/" + b.id + "/" + number(1500000000 + rng.below(300000000)) +
           "/";
  } else if (kind < 92) {  // the board's top page
    out += host + "/" + board + "/";
  } else {
    out += "img.example-uploader.jp/" + number(rng.below(1000000)) + ".jpg";
  }
}

// Thread log size: mostly a few KB to a few hundred KB, now and then a few MB.
size_t pick_log_size(Random& rng) {
  if (rng.chance(1.0 / 5000)) return static_cast<size_t>(rng.between(1 << 20, 8 << 20));
  double s = std::exp(std::log(8000.0) + 1.0 * rng.normal());
  if (s < 1500) s = 1500;
  if (s > 400000) s = 400000;
  return static_cast<size_t>(s);
}

// Writes one thread: its log (LF line ends, as the reader keeps them) and its
// index file (one line of 21 fields, CR LF, then the HTTP headers).
// Returns the log's content.
std::string write_thread(Random& rng, const std::string& dir, const std::string& host,
                         const std::string& board, const std::string& board_name, long long key,
                         size_t size, const std::vector<Board>& catalogue) {
  std::string title = make_title(rng);
  std::string log;
  log.reserve(size + 512);
  int posts = 0;
  int month = static_cast<int>(rng.between(1, 12)), day = static_cast<int>(rng.between(1, 28));
  while (log.size() < size || posts == 0) {
    ++posts;
    log += rng.pick(kNames);
    log += "<>";
    log += rng.pick(kMails);
    char date[96];
    snprintf(date, sizeof date, "<>2026/%02d/%02d(%s) %02d:%02d:%02d.%02d ID:%08llx<> ", month,
             day, rng.pick(kWeekdays), static_cast<int>(rng.below(24)),
             static_cast<int>(rng.below(60)), static_cast<int>(rng.below(60)),
             static_cast<int>(rng.below(100)), static_cast<unsigned long long>(rng.below(1ull << 32)));
    log += date;
    if (posts > 1 && rng.chance(0.3)) log += "&gt;&gt;" + number(rng.between(1, posts - 1)) + " <br> ";
    int sentences = static_cast<int>(rng.between(1, 6));
    for (int i = 0; i < sentences; ++i) {
      if (i) log += " <br> ";
      log += rng.pick(kSentences);
    }
    if (rng.chance(0.25)) {
      log += " <br> ";
      append_link(rng, log, host, board, rng.chance(0.5) ? key : key - rng.between(1, 99999),
                  catalogue);
    }
    log += " <>";
    if (posts == 1) log += title;
    log += "\n";
  }
  write_file(dir + "/" + number(key) + ".dat", log);

  static const int kFlags[] = {0, 0, 0, 0, 0, 0, 0x10, 0x20, 0x40, 0x40, 0x60, 0x60, 0x60};
  int flags = rng.pick(kFlags);
  long long modified = key + rng.between(3600, 86400 * 30);
  // Fields 1-21; integers in plain decimal, field 21 empty, as a rewrite keeps them.
  std::string idx = number(posts) + "\t" + number(flags) + "\t" + number(rng.below(posts + 1)) +
                    "\t" + title + "\t" + host + "\t" + board + "\t" + number(key) + "\t" +
                    number(modified) + "\t" + number(log.size()) + "\t" +
                    number(rng.between(1, posts)) + "\t\t\t" + board_name + "\t" +
                    number(rng.below(3)) + "\t\t\t" + number(rng.below(2)) + "\t\t\t\t\r\n";
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  char header[160];
  snprintf(header, sizeof header, "Last-Modified: %s, %02d %s 2026 %02d:%02d:%02d GMT\r\n",
           rng.pick(kDays), day, kMonths[month - 1], static_cast<int>(rng.below(24)),
           static_cast<int>(rng.below(60)), static_cast<int>(rng.below(60)));
  idx += header;
  if (rng.chance(0.8)) {
    snprintf(header, sizeof header, "ETag: \"%llx-%llx\"\r\n",
             static_cast<unsigned long long>(rng.below(1ull << 24)),
             static_cast<unsigned long long>(log.size()));
    idx += header;
  }
  write_file(dir + "/" + number(key) + ".idx", idx);
  ++g_written.threads;
  return log;
}

template <typename T>
void shuffle(Random& rng, std::vector<T>& v) {
  for (size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[rng.below(i)]);
}

const std::string& pick_other(Random& rng, const std::vector<std::string>& servers,
                              const std::string& not_this) {
  for (;;) {
    const std::string& s = servers[rng.below(servers.size())];
    if (s != not_this) return s;
  }
}

struct ThreadRef {
  std::string server_dir;
  std::string board;
  long long key;
};

int generate(const Options& o) {
  Random rng(o.seed);
  const size_t main_count = sizeof kMainPrefixes / sizeof kMainPrefixes[0];
  const size_t sister_count = sizeof kSisterPrefixes / sizeof kSisterPrefixes[0];
  // Current servers carry numbers 1-20, retired ones 40-59: no name is the
  // tail of another, and no retired server is named by the board list.
  std::vector<std::string> main_servers =
      make_servers(rng, kMainPrefixes, main_count, 2, 1, kMainSuffix);
  std::vector<std::string> sister_servers =
      make_servers(rng, kSisterPrefixes, sister_count, 2, 1, kSisterSuffix);
  std::vector<std::string> retired_main =
      make_servers(rng, kMainPrefixes, main_count, 1, 40, kMainSuffix);
  std::vector<std::string> retired_sister =
      make_servers(rng, kSisterPrefixes, sister_count, 1, 40, kSisterSuffix);
  const std::string excluded_server = std::string("secret7") + kMainSuffix;

  // The board list: kept family boards, lines that an exclusion drops, and
  // boards on foreign hosts, mixed and cut into categories.
  std::set<std::string> ids;
  std::vector<Board> catalogue;
  for (int i = 0; i < o.catalogue; ++i) {
    Board b;
    b.sister = rng.chance(0.15);
    const std::vector<std::string>& servers = b.sister ? sister_servers : main_servers;
    b.server = servers[rng.below(servers.size())];
    b.id = make_board_id(rng, ids);
    b.name = make_board_name(rng);
    catalogue.push_back(b);
  }
  std::vector<Board> listed = catalogue;
  std::vector<std::pair<std::string, std::string>> excluded;
  if (o.exclusions > 0) {
    excluded.push_back({excluded_server, "*"});
    for (int i = 0; i < 10; ++i) {
      listed.push_back(Board{excluded_server, make_board_id(rng, ids), make_board_name(rng)});
    }
  }
  const int single = o.exclusions > 0 ? (o.exclusions - 1) / 2 : 0;
  for (int i = 0; i < single; ++i) {
    Board b{main_servers[rng.below(main_servers.size())], make_board_id(rng, ids),
            make_board_name(rng)};
    listed.push_back(b);
    excluded.push_back({b.server, b.id});
  }
  while (static_cast<int>(excluded.size()) < o.exclusions) {
    excluded.push_back({retired_main[rng.below(retired_main.size())], make_board_id(rng, ids)});
  }
  for (int i = 0; i < o.catalogue / 20; ++i) {
    std::string host = rng.pick(kForeignHosts);
    if (rng.chance(0.3)) host = std::string("kanto") + number(i % 7) + kRegionalSuffix;
    if (rng.chance(0.2)) host = std::string(kRentalHost1) + "/" + rng.pick(kIdWords);
    listed.push_back(Board{host, make_board_id(rng, ids), make_board_name(rng)});
  }
  shuffle(rng, listed);
  std::string brd;
  const size_t per_category = listed.size() / 10 + 1;
  for (size_t i = 0; i < listed.size(); ++i) {
    if (i % per_category == 0) {
      brd += kCategories[(i / per_category) % (sizeof kCategories / sizeof kCategories[0])];
      brd += "\t0\r\n";
    }
    brd += "\t" + listed[i].server + "\t" + listed[i].id + "\t" + listed[i].name + "\r\n";
  }
  if (!make_dirs(o.out)) return 2;
  write_file(o.out + "/2channel.brd", brd);

  std::string excl = "# servers and boards that must never be touched\r\n#---------------\r\n";
  for (const auto& e : excluded) excl += e.first + "\t" + e.second + "\r\n";
  write_file(o.out + "/exclude.lst", excl);

  // The log tree.
  std::vector<ThreadRef> threads;
  std::vector<std::vector<size_t>> moved_threads;  // per moved board, its threads at the old place
  std::string plan;
  if (o.log) {
    std::vector<LogBoard> boards;
    const int foreign = o.boards >= 10 ? std::max(1, o.boards / 100) : 0;
    const int protected_boards = o.boards >= 10 && o.exclusions > 0 ? 1 : 0;
    const int family = std::min(o.boards - foreign - protected_boards, o.catalogue);
    const int moved = std::min(family, static_cast<int>(std::lround(o.boards * o.moved / 100.0)));
    const int collide = static_cast<int>(std::lround(moved * o.collide / 100.0));
    std::vector<size_t> order(catalogue.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    shuffle(rng, order);
    for (int j = 0; j < family; ++j) {
      const Board& b = catalogue[order[j]];
      LogBoard lb;
      lb.id = b.id;
      lb.home = b.server;
      lb.dir_server = b.server;
      if (j < moved) {
        lb.moved = true;
        lb.collide = j < collide;
        const std::vector<std::string>& current = b.sister ? sister_servers : main_servers;
        const std::vector<std::string>& retired = b.sister ? retired_sister : retired_main;
        lb.dir_server = rng.chance(0.5) ? pick_other(rng, current, b.server)
                                        : retired[rng.below(retired.size())];
        plan += std::string(kPlanMove) + "\t" + lb.dir_server + "\t" + lb.home + "\t" + lb.id + "\n";
      }
      boards.push_back(lb);
    }
    for (int j = 0; j < foreign; ++j) {
      LogBoard lb;
      lb.dir_server = rng.pick(kForeignHosts);
      lb.id = make_board_id(rng, ids);
      lb.family = false;
      boards.push_back(lb);
    }
    if (protected_boards) {
      LogBoard lb;
      lb.dir_server = excluded_server;
      lb.id = listed.empty() ? "secret" : make_board_id(rng, ids);
      lb.excluded = true;
      boards.push_back(lb);
      plan += std::string(kPlanSkip) + "\t" + excluded_server + "\t*\n";
    }

    for (const LogBoard& lb : boards) {
      const std::string dir = o.out + "/log/" + lb.dir_server + "/" + lb.id;
      if (!make_dirs(dir)) return 2;
      const std::string board_name = make_board_name(rng);
      std::set<long long> keys;
      std::vector<std::pair<long long, std::string>> made;
      if (lb.moved) moved_threads.emplace_back();
      for (int t = 0; t < o.threads; ++t) {
        long long key;
        do key = 1500000000 + static_cast<long long>(rng.below(300000000)); while (!keys.insert(key).second);
        std::string host = lb.dir_server;
        if (lb.family && !lb.moved && rng.chance(0.01)) {
          // An index that still names an older server of the board.
          host = retired_main[rng.below(retired_main.size())];
        }
        if (lb.excluded && rng.chance(0.5)) host = main_servers[0];
        std::string log = write_thread(rng, dir, host, lb.id, board_name, key, pick_log_size(rng),
                                       catalogue);
        if (lb.moved) moved_threads.back().push_back(threads.size());
        threads.push_back(ThreadRef{lb.dir_server, lb.id, key});
        if (lb.collide) made.push_back({key, std::move(log)});
      }
      if (!lb.collide) continue;
      // The reader has already fetched some of these threads on the new server.
      const std::string there = o.out + "/log/" + lb.home + "/" + lb.id;
      if (!make_dirs(there)) return 2;
      for (const auto& m : made) {
        if (!rng.chance(0.2)) continue;
        const std::string data = there + "/" + number(m.first) + ".dat";
        uint64_t kind = rng.below(100);
        size_t size = m.second.size();
        if (kind < 10) {  // an empty data file: counts as absent
          write_thread(rng, there, lb.home, lb.id, board_name, m.first, 1, catalogue);
          write_file(data, "");
        } else if (kind < 45) {
          write_thread(rng, there, lb.home, lb.id, board_name, m.first, size / 2, catalogue);
        } else if (kind < 60) {
          write_thread(rng, there, lb.home, lb.id, board_name, m.first, 1, catalogue);
          write_file(data, m.second);
        } else {
          write_thread(rng, there, lb.home, lb.id, board_name, m.first, size + 4000, catalogue);
        }
        threads.push_back(ThreadRef{lb.home, lb.id, m.first});
      }
      for (int t = 0; t < o.threads / 10; ++t) {
        long long key;
        do key = 1500000000 + static_cast<long long>(rng.below(300000000)); while (!keys.insert(key).second);
        write_thread(rng, there, lb.home, lb.id, board_name, key, pick_log_size(rng), catalogue);
        threads.push_back(ThreadRef{lb.home, lb.id, key});
      }
    }
  }

  // Favourites index files: most entries name threads of the log tree (as
  // server\board\key.idx), a few name threads that are gone.
  const char* const kFavouriteFiles[] = {"favorite.idx", "fav_news.idx", "fav_game.idx",
                                         "fav_live.idx", "fav_tech.idx"};
  std::vector<std::string> fav_names;
  for (int i = 0; i < o.fav_files; ++i) {
    char extra[32];
    snprintf(extra, sizeof extra, "fav_%03d.idx", i);
    fav_names.push_back(i < 5 ? kFavouriteFiles[i] : extra);
  }
  const size_t fav_files = fav_names.size();
  std::vector<std::string> fav(fav_files);
  std::set<size_t> chosen;
  for (int i = 0; i < o.favourites; ++i) {
    std::string line;
    if (!threads.empty() && (rng.chance(0.97) || chosen.size() >= threads.size())) {
      size_t k;
      do k = rng.below(threads.size()); while (!chosen.insert(k).second && chosen.size() < threads.size());
      const ThreadRef& t = threads[k];
      line = t.server_dir + "\\" + t.board + "\\" + number(t.key) + ".idx\r\n";
    } else {
      const Board& b = catalogue[rng.below(catalogue.size())];
      line = b.server + "\\" + b.id + "\\" + number(1500000000 + rng.below(300000000)) + ".idx\r\n";
    }
    fav[fav_files == 1 || rng.chance(0.4) ? 0 : 1 + rng.below(fav_files - 1)] += line;
  }
  for (size_t i = 0; i < fav_files; ++i) write_file(o.out + "/" + fav_names[i], fav[i]);
  // More favourites files, each about 10 KB of threads that are gone: read
  // by every run, never rewritten.
  for (int i = 0; i < o.extra_fav && !catalogue.empty(); ++i) {
    std::string text;
    while (text.size() < 10000) {
      const Board& b = catalogue[rng.below(catalogue.size())];
      text += b.server + "\\" + b.id + "\\" + number(1500000000 + rng.below(300000000)) + ".idx\r\n";
    }
    char name[32];
    snprintf(name, sizeof name, "/more_%03d.idx", i);
    write_file(o.out + name, text);
  }
  // The reader's favourite boards: not a thread list, and never collected.
  std::string favboard;
  for (int i = 0; i < 20 && !catalogue.empty(); ++i) {
    const Board& b = catalogue[rng.below(catalogue.size())];
    favboard += "\t" + b.server + "\t" + b.id + "\t" + b.name + "\r\n";
  }
  write_file(o.out + "/favboard.idx", favboard);
  // More favourites files, each about 10 KB of threads of moved boards, the
  // way a reader keeps a file per topic: a board's threads together, a few
  // boards a file, no thread twice in a file.  Every run rewrites them.
  for (int i = 0; i < o.extra_fav_moved && !moved_threads.empty(); ++i) {
    std::vector<size_t> boards(moved_threads.size());
    for (size_t b = 0; b < boards.size(); ++b) boards[b] = b;
    shuffle(rng, boards);
    std::string text;
    for (size_t b = 0; b < boards.size() && text.size() < 10000; ++b) {
      std::vector<size_t> mine = moved_threads[boards[b]];
      shuffle(rng, mine);
      for (size_t k = 0; k < mine.size() && text.size() < 10000; ++k) {
        const ThreadRef& t = threads[mine[k]];
        text += t.server_dir + "\\" + t.board + "\\" + number(t.key) + ".idx\r\n";
      }
    }
    char name[32];
    snprintf(name, sizeof name, "/moved_%03d.idx", i);
    write_file(o.out + name, text);
  }

  FILE* p = fopen(o.plan.c_str(), "wb");
  if (!p || fwrite(plan.data(), 1, plan.size(), p) != plan.size() || fclose(p) != 0) {
    fprintf(stderr, "cannot write %s\n", o.plan.c_str());
    return 2;
  }
  printf("boards listed %zu (kept %d), exclusions %d, threads %lld, files %lld, %.1f MiB, "
         "largest file %lld bytes\n",
         listed.size(), o.catalogue, o.exclusions, g_written.threads, g_written.files,
         g_written.bytes / 1048576.0, g_written.largest);
  return 0;
}

bool parse_int(const char* text, int* out) {
  char* end;
  long v = strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || v < 0 || v > 100000000) return false;
  *out = static_cast<int>(v);
  return true;
}

int usage() {
  fprintf(stderr,
          "usage: vendrit_bench_gen --out DIR [--boards N] [--threads M] [--moved PCT]\n"
          "         [--collide PCT] [--catalogue K] [--exclusions E] [--favourites F]\n"
          "         [--fav-files N] [--extra-fav N] [--extra-fav-moved N] [--seed S]\n"
          "         [--no-log] [--plan FILE]\n");
  return 2;
}

}  // namespace
}  // namespace vendrit_bench

int main(int argc, char** argv) {
  using namespace vendrit_bench;
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    int* target = a == "--boards"            ? &o.boards
                  : a == "--threads"         ? &o.threads
                  : a == "--moved"           ? &o.moved
                  : a == "--collide"         ? &o.collide
                  : a == "--catalogue"       ? &o.catalogue
                  : a == "--exclusions"      ? &o.exclusions
                  : a == "--favourites"      ? &o.favourites
                  : a == "--fav-files"       ? &o.fav_files
                  : a == "--extra-fav"       ? &o.extra_fav
                  : a == "--extra-fav-moved" ? &o.extra_fav_moved
                                             : nullptr;
    if (target) {
      if (!v || !parse_int(v, target)) return usage();
      ++i;
    } else if (a == "--seed" && v) {
      o.seed = strtoull(v, nullptr, 10);
      ++i;
    } else if (a == "--out" && v) {
      o.out = v;
      ++i;
    } else if (a == "--plan" && v) {
      o.plan = v;
      ++i;
    } else if (a == "--no-log") {
      o.log = false;
    } else {
      return usage();
    }
  }
  if (o.out.empty() || o.moved > 100 || o.collide > 100 || o.catalogue < 1 ||
      o.catalogue > 9999 || o.exclusions > 1024 || o.fav_files < 1 ||
      o.fav_files + o.extra_fav + o.extra_fav_moved > 100) {
    return usage();
  }
  if (o.plan.empty()) o.plan = o.out + ".plan";
  return generate(o);
}
