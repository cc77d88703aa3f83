#pragma once

#include <streambuf>

// Standard output as a stream that keeps the reason its first failed write failed, so the
// program can say "write error: No space left on device" rather than lose output silently.
class FdOutputBuffer final : public std::streambuf {
public:
    explicit FdOutputBuffer(int fd) : m_fd(fd) { setp(m_buffer, m_buffer + sizeof m_buffer); }
    FdOutputBuffer(const FdOutputBuffer &) = delete;
    FdOutputBuffer &operator=(const FdOutputBuffer &) = delete;

    int fd() const { return m_fd; }
    int error() const { return m_error; } // errno of the first failed write, or 0

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool drain();

    int m_fd;
    int m_error = 0;
    char m_buffer[4096];
};
