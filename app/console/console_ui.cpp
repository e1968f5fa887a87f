#include "app/console/console_ui.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "app/console/console_settings.h"
#include "app/main_window.h"
#include "app/run_sequence.h"

namespace vendrit {

std::string sjis_to_utf8(const char* text) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return text;
  std::string out;
  size_t left = strlen(text);
  char* in = const_cast<char*>(text);
  char chunk[256];
  while (left > 0) {
    char* dst = chunk;
    size_t room = sizeof chunk;
    size_t r = iconv(cd, &in, &left, &dst, &room);
    out.append(chunk, static_cast<size_t>(dst - chunk));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      out.push_back(*in);  // not convertible: keep the byte
      ++in;
      --left;
    }
  }
  iconv_close(cd);
  return out;
}

ConsoleUi::ConsoleUi(FILE* in, FILE* out, FILE* err, bool utf8, Run* run)
    : in_(in), out_(out), err_(err), utf8_(utf8), run_(run) {}

void ConsoleUi::print(FILE* f, const char* text) {
  if (utf8_) {
    std::string u = sjis_to_utf8(text);
    fwrite(u.data(), 1, u.size(), f);
  } else {
    fputs(text, f);
  }
}

void ConsoleUi::output_append(const char* text) { print(out_, text); }

void ConsoleUi::show_error(const char* text) {
  print(err_, text);
  fputc('\n', err_);
  fflush(err_);
}

void ConsoleUi::show_information(const char* text) {
  print(err_, text);
  print(err_, " [Enter]");
  fflush(err_);
  std::string ignored;
  read_command(&ignored);
}

int ConsoleUi::run_settings_dialog(bool) {
  auto show = [this](const char* text) {
    print(err_, text);
    fflush(err_);
  };
  return run_console_settings(in_, show, &run_->settings, &run_->choices);
}

bool ConsoleUi::read_command(std::string* word) {
  char line[256];
  if (!fgets(line, sizeof line, in_)) return false;
  word->assign(line);
  while (!word->empty() && (word->back() == '\n' || word->back() == '\r' || word->back() == ' ')) {
    word->pop_back();
  }
  return true;
}

void ConsoleUi::run_main_window() {
  Run& run = *run_;
  show_exclusion_summary(*this, run.catalogue);
  if (run.choices.preview) preview_sequence(run);
  fputc('\n', out_);
  fflush(out_);
  if (run.choices.run_mode == 2) run_sequence(run);
  while (!exit_posted_) {
    print(err_, "\n[go / settings / exit] > ");
    fflush(err_);
    std::string cmd;
    if (!read_command(&cmd) || cmd == "exit") break;
    if (cmd == "go") {
      run_sequence(run);
      fputc('\n', out_);
      fflush(out_);
    } else if (cmd == "settings") {
      if (run_settings_dialog(true) == 1) save_run_settings(run.env, run.settings);
    }
  }
  fputc('\n', out_);
  fflush(out_);
}

}  // namespace vendrit
