#include "FdOutput.h"

#include <cerrno>
#include <unistd.h>

bool FdOutputBuffer::drain()
{
    const char *from = pbase();
    while (!m_error && from < pptr()) {
        const ssize_t written = ::write(m_fd, from, static_cast<std::size_t>(pptr() - from));
        if (written > 0)
            from += written;
        else if (written < 0 && errno != EINTR) // a stop signal lets the line finish
            m_error = errno;
    }
    setp(m_buffer, m_buffer + sizeof m_buffer);
    return !m_error;
}

FdOutputBuffer::int_type FdOutputBuffer::overflow(int_type c)
{
    if (!drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof()))
        sputc(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
}

int FdOutputBuffer::sync()
{
    return drain() ? 0 : -1;
}
