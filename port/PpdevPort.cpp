#include "PpdevPort.h"

#include "BoundedIoctl.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

std::string openFailure(const std::string &path, int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return path + ": no such device (is the ppdev module loaded?)";
    case EACCES:
    case EPERM:
        return path + ": permission denied (join the lp group)";
    default:
        return path + ": " + std::strerror(error);
    }
}

// PPWCONTROL takes the four output lines only; bit 5 would turn the data lines around.
constexpr unsigned char kControlLines = 0x0F;

} // namespace

std::unique_ptr<PpdevPort> PpdevPort::open(const std::string &path, std::string &refusal,
                                           std::chrono::milliseconds claimTimeout)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        refusal = openFailure(path, errno);
        return nullptr;
    }
    if (BoundedIoctl(fd, PPCLAIM, claimTimeout) != 0) {
        const int error = errno;
        refusal = error == ETIMEDOUT ? path + ": the port is held by another program"
                                     : path + ": cannot claim the port: " + std::strerror(error);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<PpdevPort>(new PpdevPort(fd, path));
}

PpdevPort::~PpdevPort()
{
    ioctl(m_fd, PPRELEASE);
    ::close(m_fd);
}

bool PpdevPort::readRegister(PortRegister reg, std::uint8_t &value)
{
    unsigned char byte = 0;
    int result = -1;
    switch (reg) {
    case PortRegister::Data:
        result = ioctl(m_fd, PPRDATA, &byte);
        break;
    case PortRegister::Status:
        result = ioctl(m_fd, PPRSTATUS, &byte);
        break;
    case PortRegister::Control:
        result = ioctl(m_fd, PPRCONTROL, &byte);
        break;
    }
    if (result != 0)
        return false;
    value = byte;
    return true;
}

bool PpdevPort::writeRegister(PortRegister reg, std::uint8_t value)
{
    unsigned char byte = value;
    switch (reg) {
    case PortRegister::Data:
        return ioctl(m_fd, PPWDATA, &byte) == 0;
    case PortRegister::Status:
        return false; // ppdev has no way to write the status lines
    case PortRegister::Control:
        byte &= kControlLines;
        return ioctl(m_fd, PPWCONTROL, &byte) == 0;
    }
    return false;
}
