#include "ThreadGrantedPort.h"

#include "KernelParport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#endif

namespace {

thread_local std::vector<unsigned> t_grantedBases;

} // namespace

ThreadGrantedPort::ThreadGrantedPort(std::unique_ptr<PortBackend> direct, unsigned base)
    : m_direct(std::move(direct)), m_base(base)
{
}

// The lines go out again only from a thread that may reach them.
ThreadGrantedPort::~ThreadGrantedPort()
{
    if (!grantedHere())
        m_direct->keepDataDirectionAtClose();
}

bool ThreadGrantedPort::grantedHere()
{
    if (std::find(t_grantedBases.begin(), t_grantedBases.end(), m_base) != t_grantedBases.end())
        return true;
#if defined(__x86_64__) || defined(__i386__)
    if (ioperm(m_base, 3, 1) == 0) {
        t_grantedBases.push_back(m_base);
        return true;
    }
    const int error = errno;
#else
    const int error = ENOSYS;
#endif
    m_notice = PortNotice{
        PortNotice::Kind::Failed, "this thread may not reach the port's registers",
        "ioperm 0x" + HexAddress(m_base) + "-0x" + HexAddress(m_base + 2) + ": " +
            std::strerror(error) + "; every thread that reaches a direct port needs CAP_SYS_RAWIO"};
    return false;
}

bool ThreadGrantedPort::readRegister(PortRegister reg, std::uint8_t &value)
{
    return grantedHere() && m_direct->readRegister(reg, value);
}

bool ThreadGrantedPort::writeRegister(PortRegister reg, std::uint8_t value)
{
    return grantedHere() && m_direct->writeRegister(reg, value);
}

std::optional<PortNotice> ThreadGrantedPort::takeNotice()
{
    std::optional<PortNotice> notice = std::move(m_notice);
    m_notice.reset();
    return notice ? notice : m_direct->takeNotice();
}

DirectionAbility ThreadGrantedPort::dataDirectionAbility()
{
    return m_direct->dataDirectionAbility();
}

bool ThreadGrantedPort::setDataDirection(DataDirection direction)
{
    return grantedHere() && m_direct->setDataDirection(direction);
}
