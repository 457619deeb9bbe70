#include "LargeBuffer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#define ADOX_HAVE_MMAN 1
#endif

namespace dataset::detail {

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Below this a plain heap block is cheaper than a mapping.
constexpr std::size_t kMapThreshold = std::size_t(4) << 20;
} // namespace

LargeBuffer::~LargeBuffer() {
    Release();
}

void LargeBuffer::Release() {
#ifdef ADOX_HAVE_MMAN
    if (m_mapped) {
        munmap(m_mapBase, m_mapSize);
    } else {
        std::free(m_data);
    }
#else
    std::free(m_data);
#endif
    m_data = nullptr;
    m_capacity = 0;
    m_mapped = false;
    m_mapBase = nullptr;
    m_mapSize = 0;
}

void LargeBuffer::Grow(std::size_t Bytes, std::size_t Used) {
    if (Bytes <= m_capacity) return;
    char* data = nullptr;
    bool mapped = false;
    void* base = nullptr;
    std::size_t mapSize = 0;
#ifdef ADOX_HAVE_MMAN
    if (Bytes >= kMapThreshold) {
        // Over-allocate by one huge page so the block can start on a huge-page boundary.
        mapSize = (Bytes + 2 * kHugePage - 1) / kHugePage * kHugePage;
        base = mmap(nullptr, mapSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) throw std::bad_alloc();
        const auto addr = reinterpret_cast<std::uintptr_t>(base);
        const std::uintptr_t aligned = (addr + kHugePage - 1) & ~(kHugePage - 1);
        data = reinterpret_cast<char*>(aligned);
#ifdef MADV_HUGEPAGE
        madvise(data, mapSize - (aligned - addr), MADV_HUGEPAGE);
#endif
        mapped = true;
    }
#endif
    if (!data) {
        data = static_cast<char*>(std::malloc(Bytes));
        if (!data) throw std::bad_alloc();
    }
    if (Used) std::memcpy(data, m_data, Used);
    Release();
    m_data = data;
    m_capacity = Bytes;
    m_mapped = mapped;
    m_mapBase = base;
    m_mapSize = mapSize;
}

} // namespace dataset::detail
