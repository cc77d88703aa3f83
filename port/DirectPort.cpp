#include "DirectPort.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>

bool DirectPort::readRegister(PortRegister reg, std::uint8_t &value)
{
    value = inb(static_cast<unsigned short>(reg));
    return true;
}

bool DirectPort::writeRegister(PortRegister reg, std::uint8_t value)
{
    outb(value, static_cast<unsigned short>(reg));
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
