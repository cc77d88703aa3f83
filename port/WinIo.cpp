#include "WinIo.h"

#include <optional>

namespace {

PortOpening openSelectedPort()
{
    return OpenPortBackend(SelectedPortChoice());
}

struct Driver {
    std::unique_ptr<PortBackend> backend;
    std::vector<std::string> refusals;
    PortOpener opener = openSelectedPort;
    PortNoticeHandler noticeHandler;
};

Driver g_driver; // the driver is process-wide, as the operations' signatures imply

std::optional<PortRegister> acceptedRegister(unsigned portAddress, unsigned size)
{
    if (size != 1)
        return std::nullopt;
    return portRegisterAt(portAddress);
}

void tell(const std::string &notice)
{
    if (!notice.empty() && g_driver.noticeHandler)
        g_driver.noticeHandler(notice);
}

// A port that went away counts as closed from then on; either way the user hears once.
bool failedAccess()
{
    const std::string lost = g_driver.backend->lostReason();
    if (!lost.empty()) {
        g_driver.backend.reset();
        tell(lost);
    } else {
        tell(g_driver.backend->takeNotice());
    }
    return false;
}

} // namespace

bool InitializeWinIo()
{
    g_driver.backend.reset(); // a second opening replaces the first
    PortOpening opening = g_driver.opener();
    g_driver.backend = std::move(opening.backend);
    g_driver.refusals = std::move(opening.refusals);
    return g_driver.backend != nullptr;
}

void ShutdownWinIo()
{
    g_driver.backend.reset();
}

bool GetPortVal(unsigned portAddress, std::uint32_t *value, unsigned size)
{
    const auto reg = acceptedRegister(portAddress, size);
    if (!reg || !value)
        return false;
    *value = kUnreadablePortValue;
    std::uint8_t byte = 0;
    if (!g_driver.backend)
        return false;
    if (!g_driver.backend->readRegister(*reg, byte))
        return failedAccess();
    *value = byte;
    return true;
}

bool GetPortValNow(unsigned portAddress, std::uint32_t *value, unsigned size)
{
    const auto reg = acceptedRegister(portAddress, size);
    if (!reg || !value || !g_driver.backend)
        return false;
    std::uint8_t byte = 0;
    if (!g_driver.backend->readRegisterNow(*reg, byte))
        return failedAccess();
    *value = byte;
    return true;
}

bool SetPortVal(unsigned portAddress, std::uint32_t value, unsigned size)
{
    const auto reg = acceptedRegister(portAddress, size);
    if (!reg || !g_driver.backend || value > 0xFF)
        return false;
    return g_driver.backend->writeRegister(*reg, static_cast<std::uint8_t>(value)) ||
           failedAccess();
}

const std::vector<std::string> &PortRefusals()
{
    return g_driver.refusals;
}

std::string OpenPortDescription()
{
    return g_driver.backend ? g_driver.backend->describe() : std::string();
}

void SetPortOpener(PortOpener opener)
{
    g_driver.opener = opener ? std::move(opener) : PortOpener(openSelectedPort);
}

void SetPortNoticeHandler(PortNoticeHandler handler)
{
    g_driver.noticeHandler = std::move(handler);
}

bool HoldPort()
{
    if (!g_driver.backend)
        return false;
    return g_driver.backend->hold() || failedAccess();
}

void LetGoOfPort()
{
    if (g_driver.backend)
        g_driver.backend->letGo();
}
