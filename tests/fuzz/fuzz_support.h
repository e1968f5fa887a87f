// Shared set-up of the fuzz targets: a scratch reader root in memory-backed
// storage that becomes the current directory, and the process-wide state the
// program's operations expect (work buffer, copy-data block, a silent Ui).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vendrit {

void fuzz_init();  // once; later calls do nothing
void fuzz_write(const char* name, const uint8_t* data, size_t size);
std::string fuzz_read(const char* name);

}  // namespace vendrit
