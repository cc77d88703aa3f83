#include "DirectPort.h"

#include "KernelParport.h"

std::string DirectPort::describe() const
{
    return "direct I/O at 0x" + HexAddress(m_base);
}

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>

bool DirectPort::readRegister(PortRegister reg, std::uint8_t &value)
{
    value = inb(address(reg));
    return true;
}

bool DirectPort::writeRegister(PortRegister reg, std::uint8_t value)
{
    outb(value, address(reg));
    return true;
}
#else
bool DirectPort::readRegister(PortRegister, std::uint8_t &)
{
    return false;
}
bool DirectPort::writeRegister(PortRegister, std::uint8_t)
{
    return false;
}
#endif
