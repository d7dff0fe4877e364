#include "sound/StreamRing.h"

#include <algorithm>
#include <cstring>

StreamRing::StreamRing(std::size_t capacity)
    : m_capacity(capacity), m_bytes(std::make_unique_for_overwrite<std::uint8_t[]>(capacity)) {}

std::size_t StreamRing::available() const {
    return static_cast<std::size_t>(m_written.load(std::memory_order_acquire) -
                                    m_read.load(std::memory_order_acquire));
}

std::size_t StreamRing::space() const {
    return m_capacity - available();
}

std::size_t StreamRing::write(const std::uint8_t* data, std::size_t size) {
    const std::uint64_t at = m_written.load(std::memory_order_relaxed);
    const std::size_t n = std::min(
        size, m_capacity - static_cast<std::size_t>(at - m_read.load(std::memory_order_acquire)));
    const std::size_t start = static_cast<std::size_t>(at % m_capacity);
    const std::size_t first = std::min(n, m_capacity - start);
    std::memcpy(m_bytes.get() + start, data, first);
    std::memcpy(m_bytes.get(), data + first, n - first);
    // Publishes the bytes before the reader can see the new total.
    m_written.store(at + n, std::memory_order_release);
    return n;
}

std::size_t StreamRing::read(std::uint8_t* out, std::size_t size) {
    const std::uint64_t at = m_read.load(std::memory_order_relaxed);
    const std::size_t n =
        std::min(size, static_cast<std::size_t>(m_written.load(std::memory_order_acquire) - at));
    const std::size_t start = static_cast<std::size_t>(at % m_capacity);
    const std::size_t first = std::min(n, m_capacity - start);
    std::memcpy(out, m_bytes.get() + start, first);
    std::memcpy(out + first, m_bytes.get(), n - first);
    // The writer may reuse the room only once the bytes are copied out.
    m_read.store(at + n, std::memory_order_release);
    return n;
}
