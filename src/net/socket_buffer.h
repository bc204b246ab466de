#pragma once

#include <cstddef>
#include <memory>

// One block of a socket's send chain. Data is appended behind what was
// written and taken from the front; once everything written has been read
// the block starts over at its beginning, so the last block of a chain can
// be reused without reallocating.
class TBuffer {
public:
    static constexpr int DefaultSize = 1514;

    explicit TBuffer(int size = DefaultSize);

    // Copies as much of the data as still fits; returns the number of bytes
    // taken (0 when the block is full).
    int Write(const void* data, int len);
    // The unread part: start and length (length 0 when nothing is unread).
    const char* Peek(int& len) const;
    // Marks up to n bytes as read.
    void Remove(int n);
    // Changes the size of a block that holds no data; n <= 0 means the
    // default size.
    void SetBufSize(int n);

    int BufSize() const { return size_; }
    int WrCount() const { return written_; }
    int RdCount() const { return read_; }

private:
    std::unique_ptr<char[]> data_;
    int size_ = 0;
    int written_ = 0;
    int read_ = 0;
};
