// The C entry points: check what is passed, find the handle, and never let an exception out.
#include "zelvane.h"

#include "CallFailure.h"
#include "Handle.h"
#include "HandleRegistry.h"
#include "PinNames.h"
#include "PortOpening.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <strings.h>

#define ZELVANE_API extern "C" __attribute__((visibility("default")))

namespace {

// Null or a pointer zelvane_open never gave: E_ARGUMENT; closed, or the parent's: E_CLOSED.
int live(zelvane *h)
{
    if (!h)
        return Fail(ZELVANE_E_ARGUMENT, "no handle was given", "pass the handle zelvane_open gave");
    if (!HandleRegistry::known(h))
        return Fail(ZELVANE_E_ARGUMENT, "this is not a handle zelvane_open gave",
                    "pass the handle zelvane_open gave");
    return h->usable();
}

int noPlace(const char *what)
{
    return Fail(ZELVANE_E_ARGUMENT, std::string("no place was given for ") + what,
                "pass a pointer to where it goes");
}

// The signals IEEE 1284 names with an n for active low: nStrobe, nAck, ...
bool isActiveLowSignal(const char *name)
{
    for (const char *signal : {"STROBE", "AUTOFD", "INIT", "SELECTIN", "ACK", "ERROR", "FAULT"})
        if (strcasecmp(name, signal) == 0)
            return true;
    return false;
}

template <typename Call>
int guarded(Call call)
{
    try {
        return call();
    } catch (const std::bad_alloc &) {
        return Fail(ZELVANE_E_NOMEM, "out of memory", "free memory and try again");
    } catch (const std::exception &error) {
        return Fail(ZELVANE_E_ACCESS, error.what(), "");
    }
}

} // namespace

ZELVANE_API int zelvane_abi_version(void)
{
    return ZELVANE_ABI_VERSION;
}

ZELVANE_API int64_t zelvane_now_ns(void)
{
    return MonotonicNs();
}

ZELVANE_API const char *zelvane_status_text(int status)
{
    switch (status) {
    case ZELVANE_OK:
        return "success";
    case ZELVANE_E_ARGUMENT:
        return "invalid argument";
    case ZELVANE_E_CLOSED:
        return "the handle is closed";
    case ZELVANE_E_OPEN:
        return "the port could not be opened";
    case ZELVANE_E_ACCESS:
        return "an access did not reach the port";
    case ZELVANE_E_DIRECTION:
        return "the pin goes the other way";
    case ZELVANE_E_BUSY:
        return "a pulse is under way";
    case ZELVANE_E_UNSUPPORTED:
        return "the port cannot do that";
    case ZELVANE_E_TIMEOUT:
        return "timed out";
    case ZELVANE_E_NOMEM:
        return "out of memory";
    default:
        return "unknown status";
    }
}

ZELVANE_API const char *zelvane_error_cause(void)
{
    return LastCause();
}

ZELVANE_API const char *zelvane_error_fix(void)
{
    return LastFix();
}

ZELVANE_API int zelvane_open(const char *port, zelvane **out)
{
    if (!out)
        return noPlace("the handle");
    *out = nullptr;
    return guarded([&] {
        const bool fromEnvironment = !port || !*port;
        const ParsedPortChoice parsed =
            fromEnvironment ? ParsePortChoice(std::getenv("ZELVANE_PORT"), "ZELVANE_PORT")
                            : ParsePortChoice(port, "port");
        if (!parsed.choice)
            return Fail(ZELVANE_E_ARGUMENT, parsed.error,
                        std::string("use one of ") + std::string(kPortChoiceForms));
        PortOpening opening = OpenPortBackend(parsed, GrantDirectPortToThisThread(parsed));
        if (!opening.backend)
            return FailWithRefusals(ZELVANE_E_OPEN, opening.refusals);
        auto *handle = new zelvane(std::move(opening.backend));
        HandleRegistry::add(handle);
        *out = handle;
        return static_cast<int>(ZELVANE_OK);
    });
}

ZELVANE_API int zelvane_close(zelvane *h)
{
    if (const int status = live(h))
        return status;
    return guarded([&] { return h->close(); });
}

ZELVANE_API int zelvane_port_name(zelvane *h, char *buf, int size)
{
    if (const int status = live(h))
        return status;
    if (!buf || size <= 0)
        return noPlace("the name");
    return guarded([&] {
        std::string name;
        if (const int status = h->portName(name))
            return status;
        const std::size_t room = static_cast<std::size_t>(size) - 1;
        std::memcpy(buf, name.data(), std::min(room, name.size()));
        buf[std::min(room, name.size())] = '\0';
        return name.size() > room ? Fail(ZELVANE_E_ARGUMENT, "the buffer is too small for the name",
                                         "pass " + std::to_string(name.size() + 1) + " bytes")
                                  : static_cast<int>(ZELVANE_OK);
    });
}

ZELVANE_API int zelvane_pin_number(const char *name)
{
    if (!name || !*name)
        return -1;
    if (std::isdigit(static_cast<unsigned char>(*name))) {
        char *end = nullptr;
        const long number = std::strtol(name, &end, 10);
        return *end == '\0' && number >= 1 && number <= 25 ? static_cast<int>(number) : -1;
    }
    const ConnectorPin *pin = FindPinByAnyName(name);
    if (!pin && (*name == 'n' || *name == 'N') && isActiveLowSignal(name + 1))
        pin = FindPinByAnyName(name + 1);
    return pin ? pin->number : -1;
}

ZELVANE_API int zelvane_read(zelvane *h, int reg, unsigned *value)
{
    if (const int status = live(h))
        return status;
    if (!value)
        return noPlace("the value");
    return guarded([&] { return h->read(reg, *value); });
}

ZELVANE_API int zelvane_write(zelvane *h, int reg, unsigned value)
{
    if (const int status = live(h))
        return status;
    return guarded([&] { return h->write(reg, value); });
}

ZELVANE_API int zelvane_get_pin(zelvane *h, int pin, int *level)
{
    if (const int status = live(h))
        return status;
    if (!level)
        return noPlace("the level");
    return guarded([&] { return h->getPin(pin, *level); });
}

ZELVANE_API int zelvane_set_pin(zelvane *h, int pin, int level)
{
    if (const int status = live(h))
        return status;
    return guarded([&] { return h->setPin(pin, level); });
}

ZELVANE_API int zelvane_set_data_direction(zelvane *h, int input)
{
    if (const int status = live(h))
        return status;
    if (input != 0 && input != 1)
        return Fail(ZELVANE_E_ARGUMENT, "the direction is 1 (inputs) or 0 (outputs)",
                    "pass 0 or 1");
    return guarded([&] { return h->setDataDirection(input == 1); });
}

ZELVANE_API int zelvane_data_direction(zelvane *h, int *input)
{
    if (const int status = live(h))
        return status;
    if (!input)
        return noPlace("the direction");
    return guarded([&] {
        bool in = false;
        const int status = h->dataDirection(in);
        *input = in ? 1 : 0;
        return status;
    });
}

ZELVANE_API int zelvane_pulse(zelvane *h, unsigned value, unsigned mask, int64_t duration_ns,
                              int after, int on_busy, uint64_t *id)
{
    if (const int status = live(h))
        return status;
    if (!id)
        return noPlace("the pulse's id");
    if (value > 0xFF || mask > 0xFF || after < ZELVANE_AFTER_RESTORE || after > 0xFF)
        return Fail(ZELVANE_E_ARGUMENT, "value, mask and after are bytes (after -1: restore)",
                    "use 0 to 255, or ZELVANE_AFTER_RESTORE for after");
    if (on_busy < ZELVANE_BUSY_RAISE || on_busy > ZELVANE_BUSY_DROP)
        return Fail(ZELVANE_E_ARGUMENT, "on_busy " + std::to_string(on_busy) + " is not known",
                    "use ZELVANE_BUSY_RAISE, ZELVANE_BUSY_QUEUE or ZELVANE_BUSY_DROP");
    return guarded([&] {
        return h->pulse(static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(mask),
                        duration_ns, after, on_busy, *id);
    });
}

ZELVANE_API int zelvane_pulse_wait(zelvane *h, uint64_t id, int64_t timeout_ns, int64_t *t_on_ns,
                                   int64_t *t_off_ns)
{
    if (const int status = live(h))
        return status;
    return guarded([&] {
        std::int64_t on = 0, off = 0;
        const int status = h->pulseWait(id, timeout_ns, on, off);
        if (t_on_ns)
            *t_on_ns = on;
        if (t_off_ns)
            *t_off_ns = off;
        return status;
    });
}

ZELVANE_API int zelvane_watch_start(zelvane *h, uint32_t pins, int64_t interval_ns)
{
    if (const int status = live(h))
        return status;
    return guarded([&] { return h->watchStart(pins, interval_ns); });
}

ZELVANE_API int zelvane_watch_next(zelvane *h, zelvane_edge *edge, int64_t timeout_ns)
{
    if (const int status = live(h))
        return status;
    if (!edge)
        return noPlace("the edge");
    return guarded([&] { return h->watchNext(edge->pin, edge->level, edge->t_ns, timeout_ns); });
}

ZELVANE_API int zelvane_watch_stop(zelvane *h)
{
    if (const int status = live(h))
        return status;
    return guarded([&] { return h->watchStop(); });
}

ZELVANE_API int zelvane_record_start(zelvane *h, const char *path)
{
    if (const int status = live(h))
        return status;
    if (!path || !*path)
        return Fail(ZELVANE_E_ARGUMENT, "no path was given for the trace", "pass a file's path");
    return guarded([&] { return h->recordStart(path); });
}

ZELVANE_API int zelvane_record_stop(zelvane *h)
{
    if (const int status = live(h))
        return status;
    return guarded([&] { return h->recordStop(); });
}
