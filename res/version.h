// The release number of vendrit.exe: the version resource shows it in the
// file's properties, and scripts/package.sh names the zip after it.
#pragma once

#define VENDRIT_VERSION_BINARY 3, 8, 0, 0
#define VENDRIT_VERSION_TEXT "3.08"
