// A ZipDll.so that lacks ZipDllExec: loading it must fail like a missing library.
#include <cstdint>

extern "C" int32_t GetZipDllVersion() {
    return 170;
}
