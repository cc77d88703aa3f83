#include "Handle.h"

#include "CallFailure.h"
#include "PinLogic.h"
#include "PinTable.h"
#include "QuietThread.h"
#include "zelvane.h"

#include <ctime>
#include <unistd.h>

namespace {

constexpr std::uint8_t kControlPinBits =
    0x0F; // above them, the port's own interrupt and direction bits

std::optional<PortRegister> registerOf(int reg)
{
    switch (reg) {
    case ZELVANE_DATA:
        return PortRegister::Data;
    case ZELVANE_STATUS:
        return PortRegister::Status;
    case ZELVANE_CONTROL:
        return PortRegister::Control;
    default:
        return std::nullopt;
    }
}

const ConnectorPin *signalPin(int number)
{
    if (number < 1 || number > static_cast<int>(kConnectorPins.size()))
        return nullptr;
    const ConnectorPin &pin = kConnectorPins[static_cast<std::size_t>(number - 1)];
    return pin.reg ? &pin : nullptr;
}

int badPin(int number)
{
    return Fail(ZELVANE_E_ARGUMENT, "pin " + std::to_string(number) + " carries no signal",
                "use pins 1 to 17; 18 to 25 are ground");
}

int dataLinesIn()
{
    return Fail(ZELVANE_E_DIRECTION, "the data lines D0-D7 are inputs now",
                "zelvane_set_data_direction(h, 0) makes them outputs again");
}

} // namespace

std::int64_t MonotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

zelvane::zelvane(std::unique_ptr<PortBackend> backend)
    : m_owner(getpid()), m_backend(std::move(backend))
{
    // Started now, so that a first pulse costs no more than the next to ask for.
    m_pulseThread = QuietThread([this] { runPulses(); });
}

int zelvane::usable() const
{
    if (m_owner != getpid())
        return Fail(ZELVANE_E_CLOSED, "this handle was opened by the parent of this process",
                    "open a handle of its own in the child with zelvane_open");
    std::lock_guard lock(m_mutex);
    return openCheck();
}

int zelvane::openCheck() const
{
    if (!m_backend || m_closing)
        return Fail(ZELVANE_E_CLOSED, "the handle is closed",
                    "open the port again with zelvane_open");
    return ZELVANE_OK;
}

// The threads end first: a pulse under way is put back at once, and what is queued is dropped.
void zelvane::stopThreads(Lock &lock)
{
    m_closing = true;
    m_watching = false;
    m_pulseWake.notify_all();
    m_watchWake.notify_all();
    std::thread pulses = std::move(m_pulseThread), watch = std::move(m_watchThread);
    lock.unlock();
    if (pulses.joinable())
        pulses.join();
    if (watch.joinable())
        watch.join();
    lock.lock();
}

int zelvane::close()
{
    if (const int status = usable())
        return status;
    Lock lock(m_mutex);
    if (const int status = openCheck())
        return status;
    stopThreads(lock); // from here on every other call finds the handle closed
    if (m_trace) {
        std::string error;
        m_trace->finish(std::chrono::microseconds((MonotonicNs() - m_traceStartNs) / 1000), error);
        m_trace.reset();
    }
    m_backend.reset(); // the backend puts the data lines out as it closes
    m_edges.clear();
    m_results.clear();
    m_pulseDone.notify_all();
    m_edgeReady.notify_all();
    return ZELVANE_OK;
}

void zelvane::closeAtProcessEnd()
{
    if (m_owner == getpid())
        close();
}

int zelvane::portName(std::string &name)
{
    std::lock_guard lock(m_mutex);
    if (const int status = openCheck())
        return status;
    name = m_backend->describe();
    return ZELVANE_OK;
}

int zelvane::accessFailed(const char *what)
{
    std::optional<PortNotice> notice = m_backend->takeNotice();
    if (!notice)
        notice = m_backend->lost();
    return Fail(ZELVANE_E_ACCESS, notice ? notice->text : std::string(what),
                notice ? notice->detail : std::string());
}

bool zelvane::readRegister(PortRegister reg, std::uint8_t &value, bool neverWait)
{
    const bool read =
        neverWait ? m_backend->readRegisterNow(reg, value) : m_backend->readRegister(reg, value);
    if (read)
        traceRegister(reg, value, MonotonicNs());
    return read;
}

int zelvane::writeRegister(PortRegister reg, std::uint8_t value, std::int64_t &reachedNs)
{
    if (!m_backend->writeRegister(reg, value))
        return accessFailed("the write did not reach the port");
    reachedNs = MonotonicNs();
    traceRegister(reg, value, reachedNs);
    return ZELVANE_OK;
}

// One write is one instant: every pin it changed is stamped with the same time.
void zelvane::traceRegister(PortRegister reg, std::uint8_t value, std::int64_t atNs)
{
    if (!m_trace)
        return;
    const auto at = std::chrono::microseconds((atNs - m_traceStartNs) / 1000);
    for (const PinLevel &level : PinLogic().levels(PinsOf(reg), value))
        m_trace->change(*level.pin, level.level, at);
}

bool zelvane::dataIn() const
{
    return m_dataIn;
}

int zelvane::read(int reg, unsigned &value)
{
    const std::optional<PortRegister> which = registerOf(reg);
    if (!which)
        return Fail(ZELVANE_E_ARGUMENT, "register " + std::to_string(reg) + " is not known",
                    "use ZELVANE_DATA, ZELVANE_STATUS or ZELVANE_CONTROL");
    std::lock_guard lock(m_mutex);
    if (const int status = openCheck())
        return status;
    std::uint8_t byte = 0;
    if (!readRegister(*which, byte))
        return accessFailed("the read did not reach the port");
    value = byte;
    return ZELVANE_OK;
}

int zelvane::write(int reg, unsigned value)
{
    const std::optional<PortRegister> which = registerOf(reg);
    if (!which || *which == PortRegister::Status)
        return Fail(ZELVANE_E_ARGUMENT, "only the data and control registers can be written",
                    "use ZELVANE_DATA or ZELVANE_CONTROL");
    const unsigned most = *which == PortRegister::Data ? 0xFF : kControlPinBits;
    if (value > most)
        return Fail(
            ZELVANE_E_ARGUMENT, "value " + std::to_string(value) + " does not fit the register",
            most == 0xFF ? "use 0 to 255" : "use 0 to 15: the control pins are its bits 0-3");
    std::lock_guard lock(m_mutex);
    if (const int status = openCheck())
        return status;
    if (*which == PortRegister::Data && dataIn())
        return dataLinesIn();
    std::int64_t reached = 0;
    return writeRegister(*which, static_cast<std::uint8_t>(value), reached);
}

int zelvane::getPin(int number, int &level)
{
    const ConnectorPin *pin = signalPin(number);
    if (!pin)
        return badPin(number);
    std::lock_guard lock(m_mutex);
    if (const int status = openCheck())
        return status;
    std::uint8_t byte = 0;
    if (!readRegister(*pin->reg, byte))
        return accessFailed("the read did not reach the port");
    level = static_cast<int>(PinLogic().level(*pin, byte));
    return ZELVANE_OK;
}

int zelvane::setPin(int number, int level)
{
    const ConnectorPin *pin = signalPin(number);
    if (!pin)
        return badPin(number);
    if (level != 0 && level != 1)
        return Fail(ZELVANE_E_ARGUMENT, "level " + std::to_string(level) + " is not a level",
                    "use 0 or 1");
    std::lock_guard lock(m_mutex);
    if (const int status = openCheck())
        return status;
    if (pin->group == PinGroup::Status)
        return Fail(ZELVANE_E_DIRECTION, std::string(pin->label) + " is an input",
                    "set a data pin (2-9) or a control pin (1, 14, 16, 17)");
    if (pin->group == PinGroup::Data && dataIn())
        return dataLinesIn();
    std::uint8_t byte = 0;
    if (!readRegister(*pin->reg, byte))
        return accessFailed("the read did not reach the port");
    if (pin->reg == PortRegister::Control)
        byte &= kControlPinBits;
    std::int64_t reached = 0;
    return writeRegister(*pin->reg, PinLogic().withLevel(*pin, byte, static_cast<unsigned>(level)),
                         reached);
}

int zelvane::setDataDirection(bool input)
{
    std::lock_guard lock(m_mutex);
    if (const int status = openCheck())
        return status;
    if (input && (m_pulsing || !m_pulses.empty()))
        return Fail(ZELVANE_E_BUSY, "a pulse on the data lines is under way",
                    "wait for it with zelvane_pulse_wait first");
    if (input) {
        const DirectionAbility able = m_backend->dataDirectionAbility();
        if (able.answer == DirectionAbility::Unable) {
            const std::size_t mark = able.why.find("; fix: ");
            return Fail(ZELVANE_E_UNSUPPORTED, able.why.substr(0, mark),
                        mark == std::string::npos ? std::string() : able.why.substr(mark + 7));
        }
    }
    if (!m_backend->setDataDirection(input ? DataDirection::In : DataDirection::Out))
        return accessFailed("the port refused to turn the data lines");
    m_dataIn = input;
    return ZELVANE_OK;
}

int zelvane::dataDirection(bool &input)
{
    std::lock_guard lock(m_mutex);
    if (const int status = openCheck())
        return status;
    input = m_dataIn;
    return ZELVANE_OK;
}
