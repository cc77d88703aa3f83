#include "KernelParport.h"
#include "PpdevSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

class KernelSystem final : public PpdevSystem {
public:
    ~KernelSystem() override
    {
        if (m_holderFd >= 0)
            ::close(m_holderFd);
    }

    PpdevNode openNode(const std::string &path) override { return OpenPpdevNode(path); }
    void closeNode(int fd) override { ::close(fd); }

    int control(int fd, unsigned long request, void *argument) override
    {
        return ::ioctl(fd, request, argument) == 0 ? 0 : errno;
    }

    int lock(int fd, int operation) override { return ::flock(fd, operation) == 0 ? 0 : errno; }

    int openHolder(unsigned portNumber) override
    {
        const std::string path =
            kParportProcRoot + "/parport" + std::to_string(portNumber) + "/devices/active";
        m_holderFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        return m_holderFd >= 0 ? 0 : errno;
    }

    int readHolder(std::string &holder) override
    {
        char text[64];
        const ssize_t length = ::pread(m_holderFd, text, sizeof text, 0);
        if (length < 0)
            return errno;
        if (length == 0)
            return ENODATA;
        holder.assign(text, static_cast<std::size_t>(length));
        holder.resize(holder.find('\n') == std::string::npos ? holder.size() : holder.find('\n'));
        return 0;
    }

private:
    int m_holderFd = -1;
};

} // namespace

std::unique_ptr<PpdevSystem> KernelPpdevSystem()
{
    return std::make_unique<KernelSystem>();
}
