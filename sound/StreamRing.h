#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// A fixed ring of bytes between one writer thread (the decoding worker) and one reader thread
// (the audio callback), with no lock: the reader never waits for the writer, and a slow writer
// only leaves the reader short of samples.
class StreamRing {
public:
    explicit StreamRing(std::size_t capacity);

    std::size_t capacity() const { return m_capacity; }
    // Bytes the reader may take now (reader or writer may ask).
    std::size_t available() const;
    // Bytes the writer may add now.
    std::size_t space() const;

    // Writer side: copies up to `size` bytes in, returns how many fitted.
    std::size_t write(const std::uint8_t* data, std::size_t size);
    // Reader side: copies up to `size` bytes out, returns how many there were.
    std::size_t read(std::uint8_t* out, std::size_t size);

private:
    const std::size_t m_capacity;
    std::unique_ptr<std::uint8_t[]> m_bytes;
    // Running totals; their difference is the fill. Each is written by one side only.
    std::atomic<std::uint64_t> m_written{0};
    std::atomic<std::uint64_t> m_read{0};
};
