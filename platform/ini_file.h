// Private-profile (INI) files, one implementation for both programs, with
// the semantics stored files rely on from the Windows functions: section and
// key names compare without regard to ASCII case, values are trimmed of
// blanks and of one pair of surrounding quotes, a missing file, section or key
// gives the default (and so does an empty value for a number), and writing a
// key replaces its line, adds it after the section's last line, or adds the
// section at the end, keeping every other line as it was.  A value written
// reads back as it was: one that reading would trim or unquote is written
// inside one more pair of quotes.
//
// The file is Shift_JIS bytes whatever the system's code page, as a Japanese
// Windows writes it; it is read through the Env given and written with CR LF
// line ends through the safe replace.
#pragma once

#include <cstddef>

#include "platform/env.h"

namespace vendrit {

int ini_read_int(Env* env, const char* file, const char* section, const char* key, int def);
void ini_read_string(Env* env, const char* file, const char* section, const char* key,
                     const char* def, char* buf, size_t size);
bool ini_write_string(Env* env, const char* file, const char* section, const char* key,
                      const char* value);

}  // namespace vendrit
