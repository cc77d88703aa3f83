#include "CtlSession.h"

#include "DirectPortGrant.h"
#include "EventFormat.h"
#include "LoopbackJudge.h"
#include "MachineDiagnosis.h"
#include "PinTable.h"
#include "PpdevPort.h"
#include "RegisterEncoding.h"
#include "StopSignals.h"
#include "WinIo.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

std::size_t indexOf(PortRegister reg)
{
    return static_cast<std::size_t>(static_cast<unsigned>(reg) - kFirstPortBase);
}

std::string cannotRead(PortRegister reg)
{
    return std::string("cannot read the ") + RegisterName(reg) + " register";
}

std::string refusedWrite(PortRegister reg)
{
    return std::string("the port refused the write to the ") + RegisterName(reg) + " register";
}

} // namespace

CtlSession::CtlSession(CtlOutput &output, std::ostream &err, int readerFd, WaitClock &clock,
                       PinLogic logic, bool strictTiming)
    : m_output(output), m_err(err), m_readerFd(readerFd), m_clock(clock), m_logic(std::move(logic)),
      m_strictTiming(strictTiming)
{
}

CtlSession::~CtlSession()
{
    letGo();
    if (m_open) {
        ShutdownWinIo();
        SetPortNoticeHandler(nullptr);
    }
}

int CtlSession::failed(const std::string &what)
{
    m_err << "zelvanectl: " << m_place << what << "\n";
    return 1;
}

bool CtlSession::ensureOpen()
{
    if (m_open)
        return true;
    SetPortNoticeHandler(
        [this](const PortNotice &notice) { m_err << "zelvanectl: " << notice.text << "\n"; });
    if (!InitializeWinIo()) {
        m_err << "zelvanectl: " << m_place << "cannot open the port:\n";
        for (const std::string &refusal : PortRefusals())
            m_err << "  " << refusal << "\n";
        SetPortNoticeHandler(nullptr);
        return false;
    }
    m_open = true;
    catchUp();
    return true;
}

// Accesses between waits are claimed together; under a reservation each claims on its own.
bool CtlSession::hold()
{
    return m_grip.hold();
}

bool CtlSession::reserve()
{
    if (m_grip.holding())
        letGo();
    return m_grip.reserve();
}

// What a shared port holds may change once it is let go of.
void CtlSession::letGo()
{
    if (m_grip.letGo())
        m_known = {};
}

// Up to the line's next deadline, length further along its timeline. False when a stop
// signal, or during a watch the reader's going, cut the wait short.
bool CtlSession::wait(WaitClock::Time length, During during)
{
    if (during != During::Pulse || length >= PpdevPort::kAccessWait)
        letGo();
    else if (!reserve())
        return false;
    m_due += length;
    // A pulse's edges and a sleep's end are spun for; a watch's polls need no such care.
    const WaitClock::Woken woken = m_clock.waitUntil(m_due, during != During::Watch,
                                                     during == During::Watch ? m_readerFd : -1);
    m_readerGone |= woken == WaitClock::Woken::ReaderGone;
    return woken == WaitClock::Woken::AtDeadline;
}

// Where a step's length was not known beforehand, what follows is timed from its end.
void CtlSession::catchUp()
{
    m_due = std::max(m_due, m_clock.now());
}

// A pulse edge is due where the line's timeline stands; a stall or a busy machine can make it
// later, which a train cannot make up for.
void CtlSession::judgeEdge()
{
    const WaitClock::Time late = m_clock.now() - m_due;
    if (late > kLateEdge) {
        ++m_lateEdges;
        m_latest = std::max(m_latest, late);
    }
}

// Once a line: how many edges came late and by how much at worst.
int CtlSession::tellLateEdges(int status)
{
    if (m_lateEdges == 0)
        return status;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(m_latest).count();
    char latest[32];
    if (us < 1000)
        std::snprintf(latest, sizeof latest, "%lldus", static_cast<long long>(us));
    else
        std::snprintf(latest, sizeof latest, "%.1fms", static_cast<double>(us) / 1000);
    m_err << "zelvanectl: " << m_lateEdges << (m_lateEdges == 1 ? " pulse edge" : " pulse edges")
          << " came more than "
          << std::chrono::duration_cast<std::chrono::microseconds>(kLateEdge).count()
          << "us late, the latest by " << latest << "\n";
    m_lateEdges = 0;
    m_latest = {};
    return m_strictTiming && status == 0 ? 1 : status;
}

bool CtlSession::read(PortRegister reg, std::uint8_t &value)
{
    std::uint32_t word = 0;
    if (!hold() || !GetPortVal(static_cast<unsigned>(reg), &word, 1))
        return false;
    value = static_cast<std::uint8_t>(word);
    return true;
}

// Each register read once, however many of its pins are asked for.
bool CtlSession::readLevels(const std::vector<const ConnectorPin *> &pins,
                            std::vector<unsigned> &levels)
{
    std::array<std::optional<std::uint8_t>, 3> values{};
    for (const ConnectorPin *pin : pins) {
        auto &value = values[indexOf(*pin->reg)];
        if (!value) {
            std::uint8_t byte = 0;
            if (!read(*pin->reg, byte)) {
                failed(cannotRead(*pin->reg));
                return false;
            }
            value = byte;
        }
        levels.push_back(m_logic.level(*pin, *value));
    }
    return true;
}

bool CtlSession::write(PortRegister reg, std::uint8_t value)
{
    if (!hold() || !SetPortVal(static_cast<unsigned>(reg), value, 1))
        return false;
    m_known[indexOf(reg)] = value;
    if (!m_trace)
        return true;
    // One write is one instant on the wire: every pin it changed has the same time.
    const WaitClock::Time written = m_clock.now();
    for (const PinLevel &level : m_logic.levels(PinsOf(reg), value))
        trace(*level.pin, level.level, written);
    // A trace shows what the inputs answered to each write, not only what the watch saw.
    std::array<std::optional<std::uint8_t>, 3> inputs{};
    for (const ConnectorPin *pin : m_tracedInputs) {
        auto &value = inputs[indexOf(*pin->reg)];
        std::uint8_t byte = 0;
        if (!value && read(*pin->reg, byte))
            value = byte;
    }
    const WaitClock::Time answered = m_clock.now();
    for (const ConnectorPin *pin : m_tracedInputs)
        if (const auto &value = inputs[indexOf(*pin->reg)])
            trace(*pin, m_logic.level(*pin, *value), answered);
    return true;
}

// What the register holds: read once, then known from this session's own writes.
bool CtlSession::current(PortRegister reg, std::uint8_t &value)
{
    if (const auto known = m_known[indexOf(reg)]; known && m_grip.any()) {
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

bool CtlSession::startTrace(const std::vector<CtlCommand> &commands)
{
    const auto watch = std::find_if(commands.begin(), commands.end(), [](const CtlCommand &c) {
        return c.kind == CtlCommand::Watch && !c.watch.vcdPath.empty();
    });
    if (watch == commands.end())
        return true;
    std::vector<const ConnectorPin *> pins = watch->watch.pins;
    for (const CtlCommand &command : commands)
        for (const ConnectorPin *pin : command.pinsWritten())
            if (std::find(pins.begin(), pins.end(), pin) == pins.end())
                pins.push_back(pin);
    // #0 shows what the port held as the line began: outputs from their registers, inputs read.
    std::vector<unsigned> levels;
    if (!ensureOpen() || !readLevels(pins, levels))
        return false;
    std::string error;
    m_trace = VcdTrace::create(watch->watch.vcdPath, pins, levels,
                               {"zelvanectl", m_clock.stamp().wall}, error);
    m_tracedInputs = watch->watch.pins;
    if (!m_trace)
        failed("cannot write the trace: " + error);
    return m_trace != nullptr;
}

void CtlSession::trace(const ConnectorPin &pin, unsigned level, WaitClock::Time when)
{
    if (m_trace)
        m_trace->change(pin, level, std::chrono::duration_cast<Microseconds>(when - m_lineStart));
}

int CtlSession::runLine(const std::vector<CtlCommand> &commands)
{
    m_lineStart = m_due = m_clock.now();
    int status = startTrace(commands) ? 0 : 1;
    for (auto command = commands.begin(); status == 0 && command != commands.end(); ++command) {
        if (StopSignals::received())
            break;
        status = run(*command);
        letGo(); // nothing is kept across the next command, nor a read of the next line
        if (!m_output.stream().flush())
            status = 1; // the caller tells the write error
    }
    if (m_trace) {
        std::string error;
        if (!m_trace->finish(std::chrono::duration_cast<Microseconds>(m_clock.now() - m_lineStart),
                             error) &&
            status == 0)
            status = failed("cannot write the trace: " + error);
        m_trace.reset();
        m_tracedInputs.clear();
    }
    status = tellLateEdges(status);
    if (const int signal = StopSignals::received()) {
        letGo();
        return 128 + signal;
    }
    return status;
}

int CtlSession::run(const CtlCommand &command)
{
    switch (command.kind) {
    case CtlCommand::Ports:
        return ports();
    case CtlCommand::Doctor:
        return doctor();
    case CtlCommand::Pins:
        m_output.pinList(dataIn());
        return 0;
    case CtlCommand::Sleep:
        wait(command.wait, During::Pause);
        return 0;
    case CtlCommand::Sim:
        if (!m_outside)
            m_outside = std::make_unique<SimOutside>(SelectedPortChoice().choice->simName);
        return m_outside->run(command.sim, m_output.stream(), m_err);
    default:
        break;
    }
    if (!ensureOpen())
        return 1;
    if (const std::string wrong = directionMismatch(command); !wrong.empty())
        return failed(wrong);
    switch (command.kind) {
    case CtlCommand::DataDirection:
        return dataDirection(command);
    case CtlCommand::Read:
        return readCommand(command);
    case CtlCommand::Get:
        return get(command);
    case CtlCommand::Set:
    case CtlCommand::Toggle:
        return set(command.settings);
    case CtlCommand::Write:
        return writeCommand(command);
    case CtlCommand::Pulse:
        return pulse(command.pulse);
    case CtlCommand::Watch:
        return watch(command.watch);
    default:
        return loopbackTest();
    }
}

bool CtlSession::dataIn() const
{
    return CurrentDataDirection() == DataDirection::In;
}

// A data pin written while it is an input, watched while it is an output, or a loopback test
// of lines that do not drive: what is wrong, or empty.
std::string CtlSession::directionMismatch(const CtlCommand &command) const
{
    const auto isData = [](const ConnectorPin *pin) { return pin->group == PinGroup::Data; };
    if (dataIn()) {
        const auto written = command.pinsWritten();
        if (command.kind == CtlCommand::Write && command.target == "data")
            return "the data lines are inputs now; data-direction out makes them outputs again";
        if (const auto pin = std::find_if(written.begin(), written.end(), isData);
            pin != written.end())
            return std::string((*pin)->label) +
                   " is an input now; data-direction out makes it an output again";
        if (command.kind == CtlCommand::LoopbackTest)
            return "the loopback test drives D0-D4; data-direction out first";
    } else if (command.kind == CtlCommand::Watch) {
        const auto &pins = command.watch.pins;
        if (const auto pin = std::find_if(pins.begin(), pins.end(), isData); pin != pins.end())
            return std::string((*pin)->label) +
                   " is an output; data-direction in makes D0-D7 inputs";
    }
    return {};
}

int CtlSession::dataDirection(const CtlCommand &command)
{
    const bool in = command.target == "in";
    if (const DirectionAbility able = DataDirectionAbility();
        in && able.answer == DirectionAbility::Unable)
        return failed("cannot make D0-D7 inputs: " + able.why);
    if (!SetDataDirection(in ? DataDirection::In : DataDirection::Out))
        return failed(std::string("the port refused to turn the data lines ") +
                      (in ? "in" : "out"));
    m_known = {};
    if (command.keep)
        KeepDataDirectionAtClose();
    return 0;
}

int CtlSession::ports()
{
    const MachinePorts machine = DiscoverPorts();
    for (const ParallelPort &port : machine.ports)
        m_output.port(port, !port.node.empty() && access(port.node.c_str(), R_OK | W_OK) == 0);
    for (const UsbPrinter &printer : machine.usbPrinters)
        m_output.usbPrinter(printer);
    if (machine.ports.empty() && machine.usbPrinters.empty())
        m_err << "zelvanectl: no parallel port found: " << WhyNoPort(ThisMachine())
              << " (zelvanectl doctor tells more)\n";
    return 0;
}

int CtlSession::doctor()
{
    for (const std::string &finding : DiagnoseMachine(ThisMachine()))
        m_output.finding(finding);
    // Where direct I/O was asked for at the start, why it was not granted.
    if (const DirectPortGrant &grant = CurrentDirectPortGrant();
        !grant.granted && grant.refusal != "not requested")
        m_output.finding("direct: " + grant.refusal);
    return 0;
}

int CtlSession::readCommand(const CtlCommand &command)
{
    for (PortRegister reg : {PortRegister::Data, PortRegister::Status, PortRegister::Control}) {
        if (command.target != "all" && command.target != RegisterName(reg))
            continue;
        std::uint8_t value = 0;
        if (!read(reg, value))
            return failed(cannotRead(reg));
        m_output.registerValue(reg, value, m_logic.levels(PinsOf(reg), value), nullptr);
    }
    return 0;
}

int CtlSession::get(const CtlCommand &command)
{
    std::vector<unsigned> levels;
    if (!readLevels(command.get, levels))
        return 1;
    for (std::size_t i = 0; i < levels.size(); ++i)
        m_output.pinLevel(*command.get[i], levels[i]);
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
                return failed(cannotRead(reg));
            touched = true;
            value = setting.toggle ? static_cast<std::uint8_t>(value ^ (1u << pin.bit))
                                   : m_logic.withLevel(pin, value, setting.level);
        }
        if (touched && !write(reg, value))
            return failed(refusedWrite(reg));
    }
    return 0;
}

int CtlSession::writeCommand(const CtlCommand &command)
{
    const PortRegister reg = command.target == "data" ? PortRegister::Data : PortRegister::Control;
    return write(reg, command.byte) ? 0 : failed(refusedWrite(reg));
}

// However it ends, a signal included, each pulse is put back.
int CtlSession::pulse(const PulseRequest &pulse)
{
    const PortRegister reg = *pulse.pin->reg;
    std::uint8_t before = 0;
    if (!current(reg, before))
        return failed(cannotRead(reg));
    const auto during = static_cast<std::uint8_t>(before ^ (1u << pulse.pin->bit));
    if (!reserve())
        return failed(refusedWrite(reg));
    catchUp();
    for (std::uint64_t n = 0; n < pulse.count; ++n) {
        if (n > 0 && !wait(pulse.period - pulse.width, During::Pulse))
            break;
        if (!write(reg, during))
            return failed(refusedWrite(reg));
        judgeEdge();
        const bool whole = wait(pulse.width, During::Pulse);
        if (!write(reg, before))
            return failed(refusedWrite(reg));
        if (whole)
            judgeEdge(); // a stop signal's edge is put back early, not late
        if (!whole)
            break;
    }
    return 0;
}

// Polls on the interval's grid from the watch's start; polls that a stall missed are not
// made up for. The last wait is cut short so that no limit is overrun.
int CtlSession::watch(const WatchRequest &watch)
{
    const WaitClock::Time start = m_due;
    WaitClock::Time lastEvent = start;
    std::vector<PortRegister> registers; // the watched pins', status first
    for (PortRegister reg : {PortRegister::Status, PortRegister::Data})
        if (std::any_of(watch.pins.begin(), watch.pins.end(),
                        [reg](const ConnectorPin *pin) { return pin->reg == reg; }))
            registers.push_back(reg);
    std::optional<std::array<std::uint8_t, 3>> last;
    std::uint64_t events = 0;
    while (true) {
        std::array<std::uint8_t, 3> value{};
        for (PortRegister reg : registers)
            if (!read(reg, value[indexOf(reg)]))
                return failed(cannotRead(reg));
        const EventTime at = m_clock.stamp();
        for (PortRegister reg : registers) { // the state line, one a register
            if (last || watch.format)
                break;
            std::vector<const ConnectorPin *> pins;
            std::copy_if(watch.pins.begin(), watch.pins.end(), std::back_inserter(pins),
                         [reg](const ConnectorPin *pin) { return pin->reg == reg; });
            const std::uint8_t byte = value[indexOf(reg)];
            m_output.registerValue(reg, byte, m_logic.levels(pins, byte), &at);
        }
        for (const ConnectorPin *pin : watch.pins) {
            const std::size_t in = indexOf(*pin->reg);
            const unsigned level = m_logic.level(*pin, value[in]);
            trace(*pin, level, at.monotonic);
            if (!last || level == m_logic.level(*pin, (*last)[in]))
                continue;
            if (watch.edges == Edges::Both || (watch.edges == Edges::Rising) == (level == 1)) {
                watchEvent(watch, *pin, level, at);
                ++events;
                lastEvent = at.monotonic;
            }
        }
        last = value;
        if (!m_output.stream().flush())
            return 1;
        if (watch.count && events >= *watch.count)
            return 0;
        const WaitClock::Time interval = watch.interval;
        WaitClock::Time next = m_due + interval;
        if (next <= at.monotonic)
            next += (at.monotonic - next) / interval * interval + interval;
        if (watch.duration)
            next = std::min(next, start + *watch.duration);
        if (watch.idleTimeout)
            next = std::min(next, lastEvent + *watch.idleTimeout);
        if (next <= m_due || !wait(next - m_due, During::Watch))
            return 0;
    }
}

void CtlSession::watchEvent(const WatchRequest &watch, const ConnectorPin &pin, unsigned level,
                            const EventTime &at)
{
    if (!watch.format)
        m_output.event(pin, level, at);
    else
        m_output.stream() << FormatEvent(*watch.format, pin, level, at) << "\n";
}

int CtlSession::loopbackTest()
{
    std::uint8_t saved = 0;
    if (!current(PortRegister::Data, saved))
        return failed(cannotRead(PortRegister::Data));
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
        return failed(refusedWrite(PortRegister::Data));
    unsigned broken = 0;
    const std::vector<WireVerdict> verdicts = JudgeLoopbackWires(samples);
    for (const WireVerdict &verdict : verdicts) {
        broken += verdict.ok() ? 0 : 1;
        m_output.wire(verdict);
    }
    m_output.loopbackSummary(static_cast<unsigned>(verdicts.size()), broken);
    return broken ? 3 : 0;
}
