#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orvek::xls {

// A file's bytes mapped read-only, so that reading a large document copies nothing.
//
// Should the file shrink while it is mapped (another program truncating it, a network file
// system losing it), touching the lost pages raises SIGBUS, which would end the program. A
// handler of that signal puts zero pages in their place instead and marks the mapping damaged:
// the reader sees zeros, finishes, and asks Damaged() before it trusts what it read. Signals
// for any other address go on to the handler that was there before.
class TMappedFile {
public:
    // The first `size` bytes of the open file `fd`; null when the file cannot be mapped or too
    // many files are mapped at once (the caller then reads it).
    static std::unique_ptr<TMappedFile> Map(int fd, size_t size);
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

    const uint8_t* Data() const { return m_data; }
    size_t Size() const { return m_size; }
    // True once part of the file was gone when it was read.
    bool Damaged() const;

private:
    TMappedFile(uint8_t* data, size_t size, int slot) : m_data(data), m_size(size), m_slot(slot) {}

    uint8_t* m_data;
    size_t m_size;
    int m_slot;
};

} // namespace orvek::xls
