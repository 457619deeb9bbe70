#pragma once
// Raw growable memory for the table's arena and cells. Large blocks come from
// the kernel with a huge-page hint: the first touch of fresh small pages costs
// more than parsing the packet that fills them.

#include <cstddef>

namespace dataset::detail {

class LargeBuffer {
public:
    LargeBuffer() = default;
    ~LargeBuffer();
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    // Grows to at least Bytes, keeping the first Used bytes. Contents beyond
    // Used are undefined and untouched (not yet resident).
    void Grow(std::size_t Bytes, std::size_t Used);
    // Gives back to the system the memory past the first Used bytes, which
    // then read as zero; the capacity stays.
    void Trim(std::size_t Used);
    // Exchanges the blocks of two buffers.
    void Swap(LargeBuffer& Other) noexcept;
    char* Data() { return FData; }
    const char* Data() const { return FData; }
    std::size_t Capacity() const { return FCapacity; }

private:
    void Release();
    char* FData = nullptr;
    std::size_t FCapacity = 0;
    bool FMapped = false;
    void* FMapBase = nullptr;
    std::size_t FMapSize = 0;
};

} // namespace dataset::detail
