#include "LargeBuffer.h"

#include "platform/Platform.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace dataset::detail {

namespace {
// Below this a plain heap block is cheaper than a block from the system.
constexpr std::size_t kMapThreshold = std::size_t(4) << 20;
} // namespace

LargeBuffer::~LargeBuffer() {
    Release();
}

void LargeBuffer::Release() {
    if (m_mapped)
        platform::FreeLargeBlock({m_mapBase, m_mapSize, m_data});
    else
        std::free(m_data);
    m_data = nullptr;
    m_capacity = 0;
    m_mapped = false;
    m_mapBase = nullptr;
    m_mapSize = 0;
}

void LargeBuffer::Grow(std::size_t Bytes, std::size_t Used) {
    if (Bytes <= m_capacity) return;
    std::optional<platform::LargeBlock> Block;
    if (Bytes >= kMapThreshold) Block = platform::AllocateLargeBlock(Bytes);
    char* data = Block ? Block->Data : static_cast<char*>(std::malloc(Bytes));
    if (!data) throw std::bad_alloc();
    if (Used) std::memcpy(data, m_data, Used);
    Release();
    m_data = data;
    m_capacity = Bytes;
    m_mapped = Block.has_value();
    m_mapBase = Block ? Block->Base : nullptr;
    m_mapSize = Block ? Block->Size : 0;
}

} // namespace dataset::detail
