#include "PpdevNode.h"

#include "MessageText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/major.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

bool isPpdevNode(const struct stat &node)
{
    return S_ISCHR(node.st_mode) && major(node.st_rdev) == PP_MAJOR;
}

std::string failureText(const std::string &path, int error)
{
    switch (error) {
    case ENOENT:
        return path + (IsKernelPortNode(path) ? ": no such device" : ": no such file");
    case ENODEV:
    case ENXIO:
        return path + ": no parallel port behind this node";
    case EACCES:
    case EPERM:
        return path + ": permission denied";
    default:
        return path + ": " + std::strerror(error);
    }
}

PpdevNode refused(const std::string &given, int error)
{
    const std::string path = PathForMessage(given);
    PpdevNode node;
    node.error = error;
    node.failure =
        error == ENOTTY ? path + ": not a parallel-port device" : failureText(path, error);
    return node;
}

} // namespace

bool IsKernelPortNode(const std::string &path)
{
    const std::string prefix = "/dev/parport";
    return path.size() > prefix.size() && path.size() <= prefix.size() + 3 &&
           path.compare(0, prefix.size(), prefix) == 0 &&
           path.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
}

PpdevNode OpenPpdevNode(const std::string &path)
{
    struct stat seen {};
    if (stat(path.c_str(), &seen) != 0)
        return refused(path, errno);
    if (!isPpdevNode(seen))
        return refused(path, ENOTTY);
    // O_NONBLOCK: should the node be swapped for another device meanwhile, its open must
    // not wait (a serial line waits for carrier).
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return refused(path, errno);
    struct stat opened {};
    const int error = fstat(fd, &opened) != 0 ? errno : isPpdevNode(opened) ? 0 : ENOTTY;
    if (error != 0) {
        close(fd);
        return refused(path, error);
    }
    PpdevNode node;
    node.fd = fd;
    node.portNumber = minor(opened.st_rdev);
    node.device = opened.st_rdev;
    return node;
}
