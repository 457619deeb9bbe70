// Feeds arbitrary bytes to the zip end record search and central directory
// reader: no read may leave the input, no count may make it loop or allocate
// beyond what the input holds.

#include "zip/ZipDirectory.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    zipdir::MemorySource Source(std::string_view(reinterpret_cast<const char*>(Data), Size));
    zipdir::Directory Dir;
    if (zipdir::ReadEndRecord(Source, Dir) == zipdir::EndStatus::Found)
        zipdir::ReadCentralDirectory(Source, Dir);
    return 0;
}
