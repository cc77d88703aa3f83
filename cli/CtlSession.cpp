#include "CtlSession.h"

#include "KernelParport.h"
#include "LoopbackJudge.h"
#include "PinTable.h"
#include "PortDiscovery.h"
#include "RegisterEncoding.h"
#include "WinIo.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void noteInterrupt(int)
{
    g_interrupted = 1;
}

// Ctrl+C ends a watch cleanly; everywhere else it keeps its usual effect.
class InterruptWatch {
public:
    InterruptWatch()
    {
        g_interrupted = 0;
        struct sigaction note {};
        note.sa_handler = noteInterrupt;
        sigemptyset(&note.sa_mask);
        sigaction(SIGINT, &note, &m_previous); // no SA_RESTART: the pause ends at once
    }
    ~InterruptWatch() { sigaction(SIGINT, &m_previous, nullptr); }

private:
    struct sigaction m_previous {};
};

std::size_t indexOf(PortRegister reg)
{
    return static_cast<std::size_t>(static_cast<unsigned>(reg) - kFirstPortBase);
}

const char *nameOf(PortRegister reg)
{
    switch (reg) {
    case PortRegister::Data:
        return "data";
    case PortRegister::Status:
        return "status";
    case PortRegister::Control:
        return "control";
    }
    return "";
}

std::string hex(std::uint8_t value)
{
    const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[value >> 4] + digits[value & 0xF];
}

// Each pin's level as a user reads it off the connector, inversions undone.
std::vector<std::pair<std::string, unsigned>> pinLevels(PortRegister reg, std::uint8_t value)
{
    std::vector<std::pair<std::string, unsigned>> levels;
    switch (reg) {
    case PortRegister::Data:
        for (unsigned n = 0; n < 8; ++n)
            levels.emplace_back("D" + std::to_string(n), (value >> n) & 1u);
        break;
    case PortRegister::Status:
        for (unsigned n = 0; n < 5; ++n)
            levels.emplace_back("S" + std::to_string(n + 3), (DecodeStatus(value) >> n) & 1u);
        break;
    case PortRegister::Control:
        for (unsigned n = 0; n < 4; ++n)
            levels.emplace_back("C" + std::to_string(n), (DecodeControlRead(value) >> n) & 1u);
        break;
    }
    return levels;
}

std::string timestamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms));
    return text;
}

std::string jsonString(const std::string &text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
            continue;
        }
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

CtlSession::~CtlSession()
{
    if (m_held)
        LetGoOfPort();
    if (m_open) {
        ShutdownWinIo();
        SetPortNoticeHandler(nullptr);
    }
}

int CtlSession::failed(const std::string &what)
{
    m_err << "zelvanectl: " << what << "\n";
    return 1;
}

bool CtlSession::ensureOpen()
{
    if (m_open)
        return true;
    SetPortNoticeHandler(
        [this](const std::string &notice) { m_err << "zelvanectl: " << notice << "\n"; });
    if (!InitializeWinIo()) {
        m_err << "zelvanectl: cannot open the port:\n";
        for (const std::string &refusal : PortRefusals())
            m_err << "  " << refusal << "\n";
        SetPortNoticeHandler(nullptr);
        return false;
    }
    m_open = true;
    return true;
}

bool CtlSession::hold()
{
    if (m_held)
        return true;
    m_held = HoldPort();
    return m_held;
}

// Lets go of a shared port for the wait: what it holds may change meanwhile.
void CtlSession::pause(unsigned milliseconds)
{
    if (m_held) {
        LetGoOfPort();
        m_held = false;
        m_known = {};
    }
    timespec left{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR && !g_interrupted) {
    }
}

bool CtlSession::read(PortRegister reg, std::uint8_t &value)
{
    std::uint32_t word = 0;
    if (!hold() || !GetPortVal(static_cast<unsigned>(reg), &word, 1))
        return false;
    value = static_cast<std::uint8_t>(word);
    return true;
}

bool CtlSession::write(PortRegister reg, std::uint8_t value)
{
    if (!hold() || !SetPortVal(static_cast<unsigned>(reg), value, 1))
        return false;
    m_known[indexOf(reg)] = value;
    return true;
}

// What the register holds: read once, then known from this session's own writes.
bool CtlSession::current(PortRegister reg, std::uint8_t &value)
{
    if (const auto known = m_known[indexOf(reg)]; known && m_held) {
        value = *known;
        return true;
    }
    if (!read(reg, value))
        return false;
    if (reg == PortRegister::Control)
        value &= 0x0F; // never set the direction or interrupt bits
    m_known[indexOf(reg)] = value;
    return true;
}

void CtlSession::printRegister(PortRegister reg, std::uint8_t value)
{
    const auto levels = pinLevels(reg, value);
    if (m_json) {
        m_out << "{\"register\":\"" << nameOf(reg) << "\",\"value\":\"" << hex(value)
              << "\",\"pins\":{";
        for (std::size_t i = 0; i < levels.size(); ++i)
            m_out << (i ? "," : "") << "\"" << levels[i].first << "\":" << levels[i].second;
        m_out << "}}\n";
        return;
    }
    m_out << nameOf(reg) << " " << hex(value);
    for (const auto &[pin, level] : levels)
        m_out << " " << pin << "=" << level;
    m_out << "\n";
}

int CtlSession::run(const std::vector<CtlCommand> &commands)
{
    for (const CtlCommand &command : commands) {
        int status = 0;
        if (command.kind == CtlCommand::Ports) {
            status = ports();
        } else if (command.kind == CtlCommand::Sleep) {
            pause(command.milliseconds);
        } else if (!ensureOpen()) {
            return 1;
        } else {
            switch (command.kind) {
            case CtlCommand::Read:
                status = readCommand(command);
                break;
            case CtlCommand::Set:
                status = set(command.settings);
                break;
            case CtlCommand::Write:
                status = writeCommand(command);
                break;
            case CtlCommand::Pulse:
                status = pulse(command);
                break;
            case CtlCommand::Watch:
                status = watch(command);
                break;
            case CtlCommand::LoopbackTest:
                status = loopbackTest();
                break;
            default:
                break;
            }
        }
        m_out.flush();
        if (status != 0)
            return status;
    }
    return 0;
}

int CtlSession::ports()
{
    const MachinePorts machine = DiscoverPorts();
    for (const ParallelPort &port : machine.ports) {
        const bool mayOpen = !port.node.empty() && access(port.node.c_str(), R_OK | W_OK) == 0;
        const std::string base = port.base ? "0x" + HexAddress(*port.base) : "none";
        if (m_json) {
            m_out << "{\"port\":\"parport" << port.number << "\",\"node\":" << jsonString(port.node)
                  << ",\"base\":\"" << base << "\",\"modes\":" << jsonString(port.modes)
                  << ",\"holder\":" << jsonString(port.holder)
                  << ",\"may_open\":" << (mayOpen ? "true" : "false") << "}\n";
        } else {
            m_out << "parport" << port.number
                  << " node=" << (port.node.empty() ? "none" : port.node) << " base=" << base
                  << " modes=" << port.modes << " holder=" << port.holder
                  << " may-open=" << (mayOpen ? "yes" : "no") << "\n";
        }
    }
    for (const UsbPrinter &printer : machine.usbPrinters) {
        if (m_json)
            m_out << "{\"usb_printer\":" << jsonString(printer.node) << ",\"drives_pins\":false}\n";
        else
            m_out << "usb-printer node=" << printer.node
                  << " (printer class: cannot drive single pins)\n";
    }
    if (!m_json && machine.ports.empty() && machine.usbPrinters.empty())
        m_out << "no parallel port found\n";
    return 0;
}

int CtlSession::readCommand(const CtlCommand &command)
{
    for (PortRegister reg : {PortRegister::Data, PortRegister::Status, PortRegister::Control}) {
        if (command.target != "all" && command.target != nameOf(reg))
            continue;
        std::uint8_t value = 0;
        if (!read(reg, value))
            return failed(std::string("cannot read the ") + nameOf(reg) + " register");
        printRegister(reg, value);
    }
    return 0;
}

int CtlSession::set(const std::vector<PinSetting> &settings)
{
    for (PortRegister reg : {PortRegister::Data, PortRegister::Control}) {
        bool touched = false;
        std::uint8_t value = 0;
        for (const PinSetting &setting : settings) {
            const ConnectorPin &pin = *setting.pin;
            if (pin.reg != reg)
                continue;
            if (!touched && !current(reg, value))
                return failed(std::string("cannot read the ") + nameOf(reg) + " register");
            touched = true;
            const unsigned bit = (setting.level ^ (pin.inverted ? 1u : 0u)) & 1u;
            value = static_cast<std::uint8_t>((value & ~(1u << pin.bit)) | (bit << pin.bit));
        }
        if (touched && !write(reg, value))
            return failed(std::string("the port refused the write to the ") + nameOf(reg) +
                          " register");
    }
    return 0;
}

int CtlSession::writeCommand(const CtlCommand &command)
{
    const PortRegister reg = command.target == "data" ? PortRegister::Data : PortRegister::Control;
    if (!write(reg, command.byte))
        return failed("the port refused the write to the " + command.target + " register");
    return 0;
}

int CtlSession::pulse(const CtlCommand &command)
{
    const ConnectorPin &pin = *command.pin;
    std::uint8_t before = 0;
    if (!current(*pin.reg, before))
        return failed(std::string("cannot read the ") + nameOf(*pin.reg) + " register");
    if (!write(*pin.reg, static_cast<std::uint8_t>(before ^ (1u << pin.bit))))
        return failed(std::string("the port refused the write to the ") + nameOf(*pin.reg) +
                      " register");
    pause(command.milliseconds);
    if (!write(*pin.reg, before))
        return failed(std::string("the port refused the write to the ") + nameOf(*pin.reg) +
                      " register");
    return 0;
}

int CtlSession::watch(const CtlCommand &command)
{
    InterruptWatch interrupts;
    const auto start = std::chrono::steady_clock::now();
    std::optional<std::uint8_t> last;
    unsigned changes = 0;
    while (!g_interrupted) {
        std::uint8_t value = 0;
        if (!read(PortRegister::Status, value))
            return failed("cannot read the status register");
        const std::uint8_t flags = DecodeStatus(value);
        if (!last || flags != DecodeStatus(*last)) {
            std::vector<std::string> changed;
            for (unsigned n = 0; last && n < 5; ++n)
                if (((flags ^ DecodeStatus(*last)) >> n) & 1u)
                    changed.push_back("S" + std::to_string(n + 3));
            const std::string time = timestamp();
            if (m_json) {
                m_out << "{\"time\":\"" << time << "\",\"register\":\"status\",\"value\":\""
                      << hex(value) << "\",\"pins\":{";
                for (unsigned n = 0; n < 5; ++n)
                    m_out << (n ? "," : "") << "\"S" << n + 3 << "\":" << ((flags >> n) & 1u);
                m_out << "},\"changed\":[";
                for (std::size_t i = 0; i < changed.size(); ++i)
                    m_out << (i ? "," : "") << "\"" << changed[i] << "\"";
                m_out << "]}\n";
            } else {
                m_out << time << " ";
                printRegister(PortRegister::Status, value);
            }
            m_out.flush();
            if (last)
                ++changes;
            last = value;
        }
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if ((command.count && changes >= *command.count) ||
            (command.seconds && elapsed >= *command.seconds))
            break;
        pause(command.milliseconds);
    }
    return 0;
}

int CtlSession::loopbackTest()
{
    std::uint8_t saved = 0;
    if (!current(PortRegister::Data, saved))
        return failed("cannot read the data register");
    std::vector<LoopbackSample> samples;
    for (std::uint8_t pattern : LoopbackPatterns()) {
        const std::uint8_t data = static_cast<std::uint8_t>((saved & 0xE0) | pattern);
        std::uint8_t readBack = 0, status = 0;
        if (!write(PortRegister::Data, data) || !read(PortRegister::Data, readBack) ||
            !read(PortRegister::Status, status))
            return failed("the port refused an access during the loopback test");
        samples.push_back({data, readBack, DecodeStatus(status)});
    }
    if (!write(PortRegister::Data, saved))
        return failed("the port refused the write to the data register");
    bool passed = true;
    for (const WireVerdict &verdict : JudgeLoopbackWires(samples)) {
        passed &= verdict.ok();
        if (m_json)
            m_out << "{\"wire\":\"" << verdict.wire << "\",\"result\":\"" << verdict.result
                  << "\"}\n";
        else
            m_out << verdict.wire << " " << verdict.result << "\n";
    }
    if (!m_json)
        m_out << (passed ? "loopback test passed\n" : "loopback test FAILED\n");
    return passed ? 0 : 3;
}
