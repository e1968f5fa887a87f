// Reads a text file in pieces the way the catalogue loaders expect: a CR LF
// line end reads as one line feed, a piece ends after a line feed or when it
// holds `max_chars` bytes, so a longer line continues as further pieces.
// Every other byte (lone CR, NUL, Ctrl-Z, ESC) is passed on as it is.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/env.h"

namespace vendrit {

class LineReader {
 public:
  explicit LineReader(std::unique_ptr<File> file) : file_(std::move(file)) {}

  // Fills buf (size > max_chars) with the next piece and terminates it.
  // Returns the number of bytes in the piece (NUL bytes included), 0 at the end.
  size_t next_piece(char* buf, size_t max_chars);

 private:
  int next_byte();  // -1 at the end or on a read error
  int peek_byte();

  std::unique_ptr<File> file_;
  char chunk_[65536];
  size_t pos_ = 0;
  size_t len_ = 0;
  bool done_ = false;
};

}  // namespace vendrit
