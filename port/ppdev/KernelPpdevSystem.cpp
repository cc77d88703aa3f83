#include "KernelParport.h"
#include "PortDoctor.h"
#include "PpdevSystem.h"
#include "ThreadWakeTimer.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

std::string hex(unsigned number)
{
    std::ostringstream text;
    text.width(2);
    text.fill('0');
    text << std::hex << number;
    return text.str();
}

class KernelSystem final : public PpdevSystem {
public:
    explicit KernelSystem(std::string lockDirectory) : m_lockDirectory(std::move(lockDirectory)) {}

    ~KernelSystem() override
    {
        for (int fd : {m_holderFd, m_lockFd})
            if (fd >= 0)
                ::close(fd);
    }

    PpdevNode openNode(const std::string &path) override { return OpenPpdevNode(path); }
    void closeNode(int fd) override { ::close(fd); }

    int control(int fd, unsigned long request, void *argument) override
    {
        return ::ioctl(fd, request, argument) == 0 ? 0 : errno;
    }

    // Read-only is enough for flock, so a file another user made is usable; its contents are
    // never read, so what anyone writes there changes nothing. O_NONBLOCK: a FIFO put in its
    // place must not stall the open.
    std::string openLock(dev_t device) override
    {
        const std::string path = m_lockDirectory + "/zelvane-ppdev-" +
                                 std::to_string(major(device)) + "-" +
                                 std::to_string(minor(device)) + ".lock";
        constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        int fd = ::open(path.c_str(), kFlags);
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0644);
            if (fd >= 0)
                ::fchmod(fd, 0644); // whatever the umask, every user may open it to lock it
            else if (errno == EEXIST)
                fd = ::open(path.c_str(), kFlags);
        }
        if (fd < 0)
            return "cannot open " + path + ": " + std::strerror(errno);
        struct stat seen {};
        if (::fstat(fd, &seen) != 0 || !S_ISREG(seen.st_mode)) {
            ::close(fd);
            return path + " is not a regular file";
        }
        m_lockFd = fd;
        m_lockFile = hex(major(seen.st_dev)) + ":" + hex(minor(seen.st_dev)) + ":" +
                     std::to_string(seen.st_ino);
        return {};
    }

    int tryLock() override { return ::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno; }
    void unlock() override { ::flock(m_lockFd, LOCK_UN); }

    // /proc/locks: "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; waiters start "1: ->".
    std::string lockHolder() override
    {
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);) {
            std::istringstream fields(line);
            std::string number, kind, advisory, mode, pid, file;
            if (!(fields >> number >> kind >> advisory >> mode >> pid >> file) || kind != "FLOCK" ||
                file != m_lockFile)
                continue;
            std::string name;
            std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
            return "pid " + pid + (name.empty() ? "" : " " + name);
        }
        return {};
    }

    std::string describeHolder(unsigned portNumber) override
    {
        return DiagnoseHeldPort(ThisMachine(), portNumber);
    }

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

    int armClaimBound(std::chrono::nanoseconds period) override
    {
        return ThreadWakeTimer::arm(period);
    }
    void disarmClaimBound() override { ThreadWakeTimer::disarm(); }

    // The coarse clock is a memory read, where the precise one may cost more than an access;
    // its few milliseconds are fine for bounds of a hundred and more.
    Clock::time_point now() override
    {
        timespec coarse{};
        clock_gettime(CLOCK_MONOTONIC_COARSE, &coarse);
        return Clock::time_point(std::chrono::seconds(coarse.tv_sec) +
                                 std::chrono::nanoseconds(coarse.tv_nsec));
    }

    void sleepFor(std::chrono::nanoseconds span) override
    {
        const timespec length{static_cast<time_t>(span.count() / 1000000000),
                              static_cast<long>(span.count() % 1000000000)};
        ::nanosleep(&length, nullptr); // a signal only ends it early; callers keep the time
    }

private:
    std::string m_lockDirectory;
    std::string m_lockFile; // as /proc/locks names it
    int m_holderFd = -1;
    int m_lockFd = -1;
};

} // namespace

std::string DefaultLockDirectory()
{
    struct stat seen {};
    return ::stat("/run/lock", &seen) == 0 && S_ISDIR(seen.st_mode) ? "/run/lock" : "/tmp";
}

std::unique_ptr<PpdevSystem> KernelPpdevSystem(std::string lockDirectory)
{
    return std::make_unique<KernelSystem>(std::move(lockDirectory));
}
