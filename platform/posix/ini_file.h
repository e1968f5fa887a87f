// Private-profile (INI) files for the native program, with the semantics the
// program expects from the Windows functions: section and key names compare
// without regard to ASCII case, values are trimmed of blanks, a missing file,
// section, key or an empty value gives the default, and writing a key keeps
// every other line of the file as it was.  Files are written with CR LF.
#pragma once

#include <cstddef>

namespace vendrit {

int ini_read_int(const char* file, const char* section, const char* key, int def);
void ini_read_string(const char* file, const char* section, const char* key, const char* def,
                     char* buf, size_t size);
bool ini_write_string(const char* file, const char* section, const char* key, const char* value);

}  // namespace vendrit
