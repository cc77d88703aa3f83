#include "StandardDescriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void HoldClosedStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int held = open("/", O_PATH | O_CLOEXEC); // the lowest free number: fd itself
        if (held >= 0 && held != fd) {
            dup2(held, fd);
            close(held);
        }
    }
}
