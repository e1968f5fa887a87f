#include "catalogue/line_reader.h"

namespace vendrit {

int LineReader::peek_byte() {
  if (pos_ == len_) {
    if (done_) return -1;
    long long n = file_->read(chunk_, sizeof chunk_);
    if (n <= 0) {
      done_ = true;
      return -1;
    }
    pos_ = 0;
    len_ = static_cast<size_t>(n);
  }
  return static_cast<unsigned char>(chunk_[pos_]);
}

int LineReader::next_byte() {
  int c = peek_byte();
  if (c >= 0) ++pos_;
  return c;
}

size_t LineReader::next_piece(char* buf, size_t max_chars) {
  size_t n = 0;
  while (n < max_chars) {
    int c = next_byte();
    if (c < 0) break;
    if (c == '\r' && peek_byte() == '\n') c = next_byte();
    buf[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buf[n] = '\0';
  return n;
}

}  // namespace vendrit
