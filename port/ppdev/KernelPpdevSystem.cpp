#include "KernelParport.h"
#include "PortDoctor.h"
#include "PpdevSystem.h"
#include "SharedTurnTable.h"
#include "ThreadWakeTimer.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <linux/futex.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The kernel's PID_MAX_LIMIT: no process has a greater number.
constexpr std::uint32_t kLargestPid = 4194304;

class KernelSystem final : public PpdevSystem {
public:
    ~KernelSystem() override
    {
        if (m_holderFd >= 0)
            ::close(m_holderFd);
        DetachTurnTable(m_turnTable);
    }

    PpdevNode openNode(const std::string &path) override { return OpenPpdevNode(path); }
    void closeNode(int fd) override { ::close(fd); }

    int control(int fd, unsigned long request, void *argument) override
    {
        return ::ioctl(fd, request, argument) == 0 ? 0 : errno;
    }

    TurnTable *openTurnTable(dev_t device, std::string &why) override
    {
        if (!m_turnTable)
            m_turnTable = AttachTurnTable(device, why);
        return m_turnTable;
    }

    std::string describeProcess(std::uint32_t pid) override
    {
        std::string name;
        std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), name);
        return "pid " + std::to_string(pid) + (name.empty() ? "" : " " + name);
    }

    std::uint32_t processId() override { return static_cast<std::uint32_t>(::getpid()); }

    // kill(pid, 0) sees every process, also where /proc hides other users' (hidepid); the
    // number is checked first, as 0 and -1 would name whole groups of processes.
    ProcessState processState(std::uint32_t pid) override
    {
        if (pid == 0 || pid > kLargestPid ||
            (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH))
            return ProcessState::Gone;
        std::string stat;
        std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), stat);
        const auto close = stat.rfind(')');
        const char state =
            close != std::string::npos && close + 2 < stat.size() ? stat[close + 2] : 'R';
        if (state == 'Z' || state == 'X')
            return ProcessState::Gone;
        return state == 'T' || state == 't' ? ProcessState::Stopped : ProcessState::Running;
    }

    void waitWhile(const std::atomic<std::uint32_t> &word, std::uint32_t seen,
                   std::chrono::nanoseconds timeout) override
    {
        const timespec span{static_cast<time_t>(timeout.count() / 1000000000),
                            static_cast<long>(timeout.count() % 1000000000)};
        // Shared, not private: the word is in memory other processes map.
        ::syscall(SYS_futex, &word, FUTEX_WAIT, seen, &span, nullptr, 0);
    }

    void wakeAll(std::atomic<std::uint32_t> &word) override
    {
        ::syscall(SYS_futex, &word, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
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

    int prepareClaimBound() override { return ThreadWakeTimer::prepare(); }
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
    int m_holderFd = -1;
    TurnTable *m_turnTable = nullptr;
};

} // namespace

std::unique_ptr<PpdevSystem> KernelPpdevSystem()
{
    return std::make_unique<KernelSystem>();
}
