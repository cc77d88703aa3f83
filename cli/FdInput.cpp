#include "FdInput.h"

#include "StopSignals.h"

#include <cerrno>
#include <unistd.h>

FdInputBuffer::int_type FdInputBuffer::underflow()
{
    while (!m_error) {
        const ssize_t got = ::read(m_fd, m_buffer, sizeof m_buffer);
        if (got > 0) {
            setg(m_buffer, m_buffer, m_buffer + got);
            return traits_type::to_int_type(*gptr());
        }
        if (got == 0 || (errno == EINTR && StopSignals::received()))
            break;
        if (errno != EINTR)
            m_error = errno;
    }
    return traits_type::eof();
}
