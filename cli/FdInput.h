#pragma once

#include <streambuf>

// A descriptor as an input stream that keeps the reason its failed read failed, so that a
// script that cannot be read is told as such rather than taken for an empty one. A read cut
// by a stop signal ends the input; one cut by any other signal goes on.
class FdInputBuffer final : public std::streambuf {
public:
    explicit FdInputBuffer(int fd) : m_fd(fd) {}
    FdInputBuffer(const FdInputBuffer &) = delete;
    FdInputBuffer &operator=(const FdInputBuffer &) = delete;

    int error() const { return m_error; } // errno of the failed read, or 0

protected:
    int_type underflow() override;

private:
    int m_fd;
    int m_error = 0;
    char m_buffer[4096];
};
