#include "CtlCommandLine.h"

#include "CtlWords.h"
#include "EventFormat.h"
#include "OptionWords.h"
#include "PinTable.h"

#include <algorithm>

namespace {

using namespace std::chrono_literals;

// A pulse's shortest width, and the least time between its end and the next start: one
// register access.
constexpr Microseconds kOneAccess = 1us;

const KnownOption kPulseOptions[] = {{"count", 'n', true}, {"period", 0, true}};
const KnownOption kWatchOptions[] = {
    {"interval", 0, true}, {"count", 'n', true}, {"duration", 0, true}, {"idle-timeout", 0, true},
    {"pins", 0, true},     {"edges", 'e', true}, {"vcd", 0, true},      {"format", 0, true}};

class Words {
public:
    explicit Words(const std::vector<std::string> &words) : m_words(words) {}

    bool atEnd() const { return m_at >= m_words.size(); }
    const std::string &peek() const { return m_words[m_at]; }
    std::string next() { return m_words[m_at++]; }

    // The command's options, from here to the first word that is not one of them.
    void options(const std::string &command, std::span<const KnownOption> known,
                 const std::function<void(std::size_t, const std::string &)> &found)
    {
        m_at = ReadOptions(m_words, m_at, known, command, found);
    }

private:
    const std::vector<std::string> &m_words;
    std::size_t m_at = 0;
};

std::string value(Words &words, const std::string &of)
{
    if (words.atEnd())
        throw UsageError{of + " needs a value"};
    return words.next();
}

Microseconds duration(const std::string &text, Microseconds bareUnit, const std::string &of)
{
    const auto parsed = ParseDuration(text, bareUnit);
    if (!parsed)
        throw UsageError{of + ": " + QuotedWord(text) + " is not a duration (" +
                         (bareUnit == 1s ? "seconds" : "milliseconds") +
                         ", or with a unit: 500us, 5ms, 1.5s; at most a day)"};
    return *parsed;
}

std::uint64_t count(const std::string &text, const std::string &of)
{
    const auto parsed = ParseWholeNumber(text);
    if (!parsed)
        throw UsageError{of + ": " + QuotedWord(text) +
                         " is not a count (decimal, or hexadecimal after 0x)"};
    return *parsed;
}

void noArguments(Words &, CtlCommand &)
{
}

void read(Words &words, CtlCommand &command)
{
    static const char *const targets[] = {"data", "status", "control", "all"};
    command.target = targets[KeywordIndex(value(words, "read"), targets, "read")];
}

void get(Words &words, CtlCommand &command)
{
    while (!words.atEnd() && FindPinNamed(words.peek()))
        command.get.push_back(&SignalPinNamed(words.next(), "get"));
    if (command.get.empty())
        throw UsageError{words.atEnd() ? "get needs a pin"
                                       : "get: " + QuotedWord(words.peek()) + " is not a pin"};
}

void addSetting(CtlCommand &command, const PinSetting &setting, const std::string &of)
{
    for (const PinSetting &earlier : command.settings)
        if (earlier.pin == setting.pin)
            throw UsageError{of + ": " + std::string(setting.pin->label) + " is given twice"};
    command.settings.push_back(setting);
}

void set(Words &words, CtlCommand &command)
{
    while (!words.atEnd() && words.peek().find('=') != std::string::npos) {
        const std::string setting = words.next();
        const std::string name = setting.substr(0, setting.find('='));
        const ConnectorPin &pin = OutputNamed(name, "set");
        const auto level = LevelNamed(setting.substr(setting.find('=') + 1));
        if (!level)
            throw UsageError{"set: " + QuotedWord(setting) +
                             " is not PIN=0 or PIN=1 (or on/off, high/low)"};
        addSetting(command, {&pin, *level}, "set");
    }
    if (command.settings.empty())
        throw UsageError{"set needs PIN=0|1"};
}

void toggle(Words &words, CtlCommand &command)
{
    while (!words.atEnd() && FindPinNamed(words.peek()))
        addSetting(command, {&OutputNamed(words.next(), "toggle"), 0, true}, "toggle");
    if (command.settings.empty())
        throw UsageError{words.atEnd() ? "toggle needs a pin"
                                       : "toggle: " + QuotedWord(words.peek()) + " is not a pin"};
}

void write(Words &words, CtlCommand &command)
{
    static const char *const targets[] = {"data", "control"};
    command.target = targets[KeywordIndex(value(words, "write"), targets, "write")];
    const std::string text = value(words, "write " + command.target);
    const auto byte = ParseWholeNumber(text);
    if (!byte || *byte > 0xFF)
        throw UsageError{"write: " + QuotedWord(text) +
                         " is not a byte (0 to 255, or 0x00 to 0xFF; no octal)"};
    if (command.target == "control" && (*byte & 0xF0))
        throw UsageError{"write control: " + text +
                         " sets bits 4-7 (direction, interrupt); only 0x00 to 0x0F"};
    command.byte = static_cast<std::uint8_t>(*byte);
}

void pulse(Words &words, CtlCommand &command)
{
    PulseRequest &pulse = command.pulse;
    pulse.pin = &OutputNamed(value(words, "pulse"), "pulse");
    const std::string of = "pulse " + std::string(pulse.pin->label);
    pulse.width = duration(value(words, of), 1ms, of);
    if (pulse.width < kOneAccess)
        throw UsageError{of + ": a pulse is at least 1us wide"};
    std::optional<Microseconds> period;
    words.options("pulse", kPulseOptions, [&](std::size_t index, const std::string &text) {
        if (index == 0 && (pulse.count = count(text, "--count")) == 0)
            throw UsageError{"pulse: --count must be at least 1"};
        if (index == 1)
            period = duration(text, 1ms, "--period");
    });
    pulse.period = period.value_or(2 * pulse.width);
    if (pulse.count > 1 && pulse.period <= pulse.width + kOneAccess)
        throw UsageError{"pulse: the period must be longer than the width plus one access (1us)"};
}

void sleep(Words &words, CtlCommand &command)
{
    command.wait = duration(value(words, "sleep"), 1ms, "sleep");
}

void watch(Words &words, CtlCommand &command)
{
    WatchRequest &watch = command.watch;
    words.options("watch", kWatchOptions, [&](std::size_t index, const std::string &text) {
        switch (index) {
        case 0:
            watch.interval = duration(text, 1ms, "--interval");
            if (watch.interval.count() == 0)
                throw UsageError{"--interval must be at least 1us"};
            break;
        case 1:
            watch.count = count(text, "--count");
            break;
        case 2:
            watch.duration = duration(text, 1s, "--duration");
            break;
        case 3:
            watch.idleTimeout = duration(text, 1s, "--idle-timeout");
            break;
        case 4:
            for (const ConnectorPin *pin : PinListNamed(text, "--pins", InputNamed)) {
                if (std::find(watch.pins.begin(), watch.pins.end(), pin) != watch.pins.end())
                    throw UsageError{"--pins: " + std::string(pin->label) + " is given twice"};
                watch.pins.push_back(pin);
            }
            break;
        case 5: {
            static const char *const edges[] = {"rising", "falling", "both"};
            watch.edges = static_cast<Edges>(KeywordIndex(text, edges, "--edges"));
            break;
        }
        case 6:
            if (text.empty())
                throw UsageError{"--vcd needs a file name"};
            if (!watch.vcdPath.empty())
                throw UsageError{"one trace (--vcd) a command line"};
            watch.vcdPath = text;
            break;
        default:
            if (const std::string error = EventFormatError(text); !error.empty())
                throw UsageError{"--format: " + error};
            watch.format = text;
        }
    });
    if (watch.pins.empty())
        watch.pins.assign(kStatusPins.begin(), kStatusPins.end());
}

void dataDirection(Words &words, CtlCommand &command)
{
    static const char *const directions[] = {"in", "out"};
    command.target =
        directions[KeywordIndex(value(words, "data-direction"), directions, "data-direction")];
    static const KnownOption options[] = {{"keep", 0, false}};
    words.options("data-direction", options,
                  [&](std::size_t, const std::string &) { command.keep = true; });
}

// An input the outside can hold: a status input, or a data line (while it is in).
const ConnectorPin &outsidePinNamed(const std::string &name, const std::string &of)
{
    const ConnectorPin &pin = SignalPinNamed(name, of);
    if (pin.group != PinGroup::Status && pin.group != PinGroup::Data)
        throw UsageError{of + ": " + QuotedWord(name) +
                         " is driven by the port; the outside holds S3-S7 and D0-D7"};
    return pin;
}

void sim(Words &words, CtlCommand &command)
{
    static const char *const actions[] = {"plug", "drive", "release", "show", "reset"};
    SimRequest &sim = command.sim;
    sim.action = static_cast<SimRequest::Action>(KeywordIndex(value(words, "sim"), actions, "sim"));
    if (sim.action == SimRequest::Plug) {
        static const char *const plugs[] = {"loopback", "none"};
        sim.loopback = KeywordIndex(value(words, "sim plug"), plugs, "sim plug") == 0;
    } else if (sim.action == SimRequest::Drive) {
        while (!words.atEnd() && words.peek().find('=') != std::string::npos) {
            const std::string setting = words.next();
            const ConnectorPin &pin =
                outsidePinNamed(setting.substr(0, setting.find('=')), "sim drive");
            const auto level = LevelNamed(setting.substr(setting.find('=') + 1));
            if (!level)
                throw UsageError{"sim drive: " + QuotedWord(setting) +
                                 " is not PIN=0 or PIN=1 (or on/off, high/low)"};
            addSetting(command, {&pin, *level}, "sim drive");
        }
        sim.levels.swap(command.settings);
        if (sim.levels.empty())
            throw UsageError{"sim drive needs PIN=0|1"};
    } else if (sim.action == SimRequest::Release) {
        if (!words.atEnd() && SameWord(words.peek(), "all")) {
            words.next();
            sim.all = true;
            return;
        }
        while (!words.atEnd() && FindPinNamed(words.peek()))
            addSetting(command, {&outsidePinNamed(words.next(), "sim release"), 0}, "sim release");
        sim.levels.swap(command.settings);
        if (sim.levels.empty())
            throw UsageError{"sim release needs a pin, or all"};
    }
}

struct CommandEntry {
    const char *name;
    CtlCommand::Kind kind;
    void (*parse)(Words &, CtlCommand &);
    const char *synopsis;
    const char *summary;
};

// Every command, in the order --help lists them; each line fits 80 columns.
const CommandEntry kCommands[] = {
    {"ports", CtlCommand::Ports, noArguments, "ports",
     "the machine's parallel ports, and who holds each"},
    {"doctor", CtlCommand::Doctor, noArguments, "doctor",
     "why each port can or cannot be used, each cause with its fix"},
    {"pins", CtlCommand::Pins, noArguments, "pins",
     "every pin: names, DB-25 number, register and bit, inverted, direction"},
    {"read", CtlCommand::Read, read, "read data|status|control|all",
     "each pin's level and the raw byte; nothing is written"},
    {"get", CtlCommand::Get, get, "get PIN...", "each pin's level as a bare 0 or 1, one a line"},
    {"set", CtlCommand::Set, set, "set PIN=0|1...",
     "outputs by level (also on/off, high/low); each register written once"},
    {"toggle", CtlCommand::Toggle, toggle, "toggle PIN...",
     "each output to the opposite level; each register written once"},
    {"write", CtlCommand::Write, write, "write data|control BYTE",
     "a raw byte (for control, bits 4-7 must be 0)"},
    {"pulse", CtlCommand::Pulse, pulse, "pulse PIN MS|TIME [-n|--count N] [--period MS|TIME]",
     "the output inverted for that long, then put back; N times, a period apart\n"
     "(start to start; twice the width by default)"},
    {"sleep", CtlCommand::Sleep, sleep, "sleep MS|TIME", "wait"},
    {"watch", CtlCommand::Watch, watch,
     "watch [--pins LIST] [-e|--edges rising|falling|both] [-n|--count N]\n"
     "      [--duration S|TIME] [--idle-timeout S|TIME] [--interval MS|TIME]\n"
     "      [--vcd FILE] [--format FORMAT]",
     "the inputs' state, then an event at each edge, until N events, the\n"
     "duration, the idle timeout (no event for that long) or a signal; polls\n"
     "every 20 ms by default; --vcd records a trace; --format prints only the\n"
     "events, each as FORMAT: %p pin, %s signal, %e edge, %l level, %t seconds,\n"
     "%T UTC time, %% a percent sign"},
    {"data-direction", CtlCommand::DataDirection, dataDirection, "data-direction in|out [--keep]",
     "D0-D7 as inputs (on a PS/2, EPP or ECP port) or outputs again; out again\n"
     "when zelvanectl ends, unless --keep"},
    {"loopback-test", CtlCommand::LoopbackTest, noArguments, "loopback-test",
     "checks a loopback plug (D0->S3 ... D4->S7) wire by wire"},
    {"sim", CtlCommand::Sim, sim,
     "sim plug loopback|none\nsim drive PIN=0|1...\nsim release PIN...|all\nsim show\n"
     "sim reset",
     "on a shared simulated port (-p sim:NAME), its outside: the plug, inputs\n"
     "held at a level until released (S3-S7, and D0-D7 while they are in),\n"
     "what every pin carries and from where, the port as at power-up"},
};

} // namespace

std::vector<const ConnectorPin *> CtlCommand::pinsWritten() const
{
    std::vector<const ConnectorPin *> pins;
    switch (kind) {
    case Set:
    case Toggle:
        for (const PinSetting &setting : settings)
            pins.push_back(setting.pin);
        break;
    case Pulse:
        pins.push_back(pulse.pin);
        break;
    case Write:
        for (const ConnectorPin &pin : kConnectorPins)
            if (pin.clickable && pin.reg && RegisterName(*pin.reg) == target)
                pins.push_back(&pin);
        break;
    default:
        break;
    }
    return pins;
}

ParsedCommands ParseCommandWords(const std::vector<std::string> &words)
{
    ParsedCommands parsed;
    Words cursor(words);
    try {
        while (!cursor.atEnd()) {
            const std::string name = cursor.next();
            const auto entry = std::find_if(std::begin(kCommands), std::end(kCommands),
                                            [&](const CommandEntry &c) { return name == c.name; });
            if (entry == std::end(kCommands))
                throw UsageError{"unknown command " + QuotedWord(name)};
            CtlCommand command{};
            command.kind = entry->kind;
            entry->parse(cursor, command);
            parsed.commands.push_back(std::move(command));
        }
        if (std::count_if(parsed.commands.begin(), parsed.commands.end(),
                          [](const CtlCommand &c) { return !c.watch.vcdPath.empty(); }) > 1)
            throw UsageError{"one trace (--vcd) a command line"};
    } catch (const UsageError &failure) {
        parsed.usageError = failure.what;
    }
    return parsed;
}

bool CommandOptionTakesNextWord(const std::string &word)
{
    return OptionTakesNextWord(word, kPulseOptions) || OptionTakesNextWord(word, kWatchOptions);
}

std::string CommandHelp()
{
    std::string help = "Commands:\n";
    const auto lines = [&](const std::string &text, const char *indent) {
        for (std::size_t from = 0; from < text.size();) {
            const std::size_t end = std::min(text.find('\n', from), text.size());
            help += indent + text.substr(from, end - from) + "\n";
            from = end + 1;
        }
    };
    for (const CommandEntry &command : kCommands) {
        lines(command.synopsis, "  ");
        lines(command.summary, "      ");
    }
    return help;
}
