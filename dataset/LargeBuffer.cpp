#include "dataset/LargeBuffer.h"

#include "platform/Platform.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace dataset::detail {

namespace {
// Below this a plain heap block is cheaper than a block from the system.
constexpr std::size_t kMapThreshold = std::size_t(4) << 20;
} // namespace

LargeBuffer::~LargeBuffer() {
    Release();
}

void LargeBuffer::Release() {
    if (FMapped)
        platform::FreeLargeBlock({FMapBase, FMapSize, FData});
    else
        std::free(FData);
    FData = nullptr;
    FCapacity = 0;
    FMapped = false;
    FMapBase = nullptr;
    FMapSize = 0;
}

void LargeBuffer::Swap(LargeBuffer& Other) noexcept {
    std::swap(FData, Other.FData);
    std::swap(FCapacity, Other.FCapacity);
    std::swap(FMapped, Other.FMapped);
    std::swap(FMapBase, Other.FMapBase);
    std::swap(FMapSize, Other.FMapSize);
}

void LargeBuffer::Trim(std::size_t Used) {
    if (FMapped && Used < FCapacity) platform::TrimLargeBlock({FMapBase, FMapSize, FData}, Used);
}

void LargeBuffer::Grow(std::size_t Bytes, std::size_t Used) {
    if (Bytes <= FCapacity) return;
    std::optional<platform::LargeBlock> Block;
    if (Bytes >= kMapThreshold) Block = platform::AllocateLargeBlock(Bytes);
    char* data = Block ? Block->Data : static_cast<char*>(std::malloc(Bytes));
    if (!data) throw std::bad_alloc();
    if (Used) std::memcpy(data, FData, Used);
    Release();
    FData = data;
    FCapacity = Bytes;
    FMapped = Block.has_value();
    FMapBase = Block ? Block->Base : nullptr;
    FMapSize = Block ? Block->Size : 0;
}

} // namespace dataset::detail
