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
    char* Data() { return m_data; }
    const char* Data() const { return m_data; }
    std::size_t Capacity() const { return m_capacity; }

private:
    void Release();
    char* m_data = nullptr;
    std::size_t m_capacity = 0;
    bool m_mapped = false;
    void* m_mapBase = nullptr;
    std::size_t m_mapSize = 0;
};

} // namespace dataset::detail
