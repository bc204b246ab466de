#include "net/socket_buffer.h"

#include <algorithm>
#include <cstring>

TBuffer::TBuffer(int size)
{
    SetBufSize(size);
}

void TBuffer::SetBufSize(int n)
{
    size_ = n <= 0 ? DefaultSize : n;
    // Only written bytes are ever read, so the area is not cleared first:
    // a socket that queues much data in large blocks allocates many.
    data_ = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size_));
    written_ = 0;
    read_ = 0;
}

int TBuffer::Write(const void* data, int len)
{
    const int count = std::max(0, std::min(len, size_ - written_));
    if (count > 0) {
        std::memcpy(data_.get() + written_, data, static_cast<std::size_t>(count));
        written_ += count;
    }
    return count;
}

const char* TBuffer::Peek(int& len) const
{
    len = written_ - read_;
    return data_.get() + read_;
}

void TBuffer::Remove(int n)
{
    read_ += std::max(0, std::min(n, written_ - read_));
    if (read_ == written_) {
        read_ = 0;
        written_ = 0;
    }
}
