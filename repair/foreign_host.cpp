#include "repair/foreign_host.h"

namespace vendrit {

void convert_foreign_host(char* host) {
  // Only the byte under the cursor changes, so the byte after it is still
  // the original when it is looked at.
  for (char* p = host; *p; ++p) {
    char next = p[1];
    if (*p == '_') {
      if (next != '\0' && next != '.' && next != '_') *p = '/';
    } else if (*p == '/') {
      if (next == '\0' || next == '/') *p = '_';
    }
  }
}

}  // namespace vendrit
