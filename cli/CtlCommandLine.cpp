#include "CtlCommandLine.h"

#include "MessageText.h"
#include "PinNames.h"
#include "PinTable.h"

#include <algorithm>
#include <getopt.h>

namespace {

using namespace std::chrono_literals;

class Words {
public:
    explicit Words(const std::vector<std::string> &words) : m_words(words) {}

    bool atEnd() const { return m_at >= m_words.size(); }
    const std::string &peek() const { return m_words[m_at]; }
    std::string next() { return m_words[m_at++]; }
    std::size_t position() const { return m_at; }
    void moveTo(std::size_t at) { m_at = at; }
    const std::vector<std::string> &all() const { return m_words; }

private:
    const std::vector<std::string> &m_words;
    std::size_t m_at = 0;
};

// What a user typed, safe to echo.
std::string quoted(const std::string &text)
{
    return QuotedForMessage(text, 40);
}

struct Failure {
    std::string what;
};

std::string value(Words &words, const std::string &of)
{
    if (words.atEnd())
        throw Failure{of + " needs a value"};
    return words.next();
}

const ConnectorPin &pinNamed(const std::string &name, const std::string &of)
{
    const ConnectorPin *pin = FindPinByAnyName(name);
    if (!pin)
        throw Failure{of + ": " + quoted(name) +
                      " is not a pin (D0-D7, C0-C3, S3-S7, pin1-pin25 or a signal name; "
                      "see 'zelvanectl pins')"};
    if (!pin->reg)
        throw Failure{of + ": " + quoted(name) + " is a ground pin"};
    return *pin;
}

const ConnectorPin &outputNamed(const std::string &name, const std::string &of)
{
    const ConnectorPin &pin = pinNamed(name, of);
    if (!pin.clickable)
        throw Failure{of + ": " + std::string(pin.label) +
                      " is an input; outputs are D0-D7 and C0-C3"};
    return pin;
}

Microseconds duration(const std::string &text, Microseconds bareUnit, const std::string &of)
{
    const auto parsed = ParseDuration(text, bareUnit);
    if (!parsed)
        throw Failure{of + ": " + quoted(text) + " is not a duration (" +
                      (bareUnit == 1s ? "seconds" : "milliseconds") +
                      ", or with a unit: 500us, 5ms, 1.5s; at most a day)"};
    return *parsed;
}

std::uint64_t count(const std::string &text, const std::string &of)
{
    const auto parsed = ParseWholeNumber(text);
    if (!parsed)
        throw Failure{of + ": " + quoted(text) +
                      " is not a count (decimal, or hexadecimal after 0x)"};
    return *parsed;
}

// Options of one command, GNU style, from the current word to the first word that is not
// one of them: handle(index into options, its value).
template <typename Handle>
void commandOptions(Words &words, const std::string &command, const option *options, Handle handle)
{
    std::vector<char *> argv{const_cast<char *>(command.c_str())};
    for (std::size_t i = words.position(); i < words.all().size(); ++i)
        argv.push_back(const_cast<char *>(words.all()[i].c_str()));
    argv.push_back(nullptr);
    optind = 0; // start afresh, as GNU getopt allows
    opterr = 0;
    int index = -1;
    int found = 0;
    while ((found = getopt_long(static_cast<int>(argv.size() - 1), argv.data(), "+:", options,
                                &index)) != -1) {
        const std::string word = argv[static_cast<std::size_t>(optind) - 1];
        if (found == '?')
            throw Failure{command + ": unknown option " + quoted(word)};
        if (found == ':')
            throw Failure{command + ": " + word + " needs a value"};
        handle(index, std::string(optarg ? optarg : ""));
    }
    words.moveTo(words.position() + static_cast<std::size_t>(optind) - 1);
}

void noArguments(Words &, CtlCommand &)
{
}

void read(Words &words, CtlCommand &command)
{
    command.target = value(words, "read");
    if (command.target != "data" && command.target != "status" && command.target != "control" &&
        command.target != "all")
        throw Failure{"read: " + quoted(command.target) + " is not data, status, control or all"};
}

void get(Words &words, CtlCommand &command)
{
    while (!words.atEnd() && FindPinByAnyName(words.peek()))
        command.get.push_back(&pinNamed(words.next(), "get"));
    if (command.get.empty())
        throw Failure{words.atEnd() ? "get needs a pin"
                                    : "get: " + quoted(words.peek()) + " is not a pin"};
}

void set(Words &words, CtlCommand &command)
{
    while (!words.atEnd() && words.peek().find('=') != std::string::npos) {
        const std::string setting = words.next();
        const std::string name = setting.substr(0, setting.find('='));
        const std::string level = setting.substr(setting.find('=') + 1);
        const ConnectorPin &pin = outputNamed(name, "set");
        if (level != "0" && level != "1")
            throw Failure{"set: " + quoted(setting) + " is not PIN=0 or PIN=1"};
        for (const PinSetting &earlier : command.settings)
            if (earlier.pin == &pin)
                throw Failure{"set: " + std::string(pin.label) + " is given twice"};
        command.settings.push_back({&pin, static_cast<std::uint8_t>(level == "1")});
    }
    if (command.settings.empty())
        throw Failure{"set needs PIN=0|1"};
}

void write(Words &words, CtlCommand &command)
{
    command.target = value(words, "write");
    if (command.target != "data" && command.target != "control")
        throw Failure{"write: " + quoted(command.target) + " is not data or control"};
    const std::string text = value(words, "write " + command.target);
    const auto byte = ParseWholeNumber(text);
    if (!byte || *byte > 0xFF)
        throw Failure{"write: " + quoted(text) +
                      " is not a byte (0 to 255, or 0x00 to 0xFF; no octal)"};
    if (command.target == "control" && (*byte & 0xF0))
        throw Failure{"write control: " + text +
                      " sets bits 4-7 (direction, interrupt); only 0x00 to 0x0F"};
    command.byte = static_cast<std::uint8_t>(*byte);
}

void pulse(Words &words, CtlCommand &command)
{
    PulseRequest &pulse = command.pulse;
    pulse.pin = &outputNamed(value(words, "pulse"), "pulse");
    const std::string of = "pulse " + std::string(pulse.pin->label);
    pulse.width = duration(value(words, of), 1ms, of);
    std::optional<Microseconds> period;
    static const option options[] = {{"count", required_argument, nullptr, 0},
                                     {"period", required_argument, nullptr, 0},
                                     {nullptr, 0, nullptr, 0}};
    commandOptions(words, "pulse", options, [&](int index, const std::string &text) {
        if (index == 0 && (pulse.count = count(text, "--count")) == 0)
            throw Failure{"pulse: --count must be at least 1"};
        if (index == 1)
            period = duration(text, 1ms, "--period");
    });
    pulse.period = period.value_or(2 * pulse.width);
    if (pulse.count > 1 && pulse.period <= pulse.width)
        throw Failure{"pulse: --period must be longer than the pulse's width"};
}

void sleep(Words &words, CtlCommand &command)
{
    command.wait = duration(value(words, "sleep"), 1ms, "sleep");
}

std::vector<const ConnectorPin *> inputList(const std::string &text)
{
    std::vector<const ConnectorPin *> pins;
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        const ConnectorPin &pin = pinNamed(text.substr(from, comma - from), "--pins");
        if (pin.group != PinGroup::Status)
            throw Failure{"--pins: " + std::string(pin.label) + " is not an input (S3-S7)"};
        if (std::find(pins.begin(), pins.end(), &pin) != pins.end())
            throw Failure{"--pins: " + std::string(pin.label) + " is given twice"};
        pins.push_back(&pin);
        from = comma + 1;
    }
    return pins;
}

void watch(Words &words, CtlCommand &command)
{
    WatchRequest &watch = command.watch;
    static const option options[] = {{"interval", required_argument, nullptr, 0},
                                     {"count", required_argument, nullptr, 0},
                                     {"duration", required_argument, nullptr, 0},
                                     {"idle-timeout", required_argument, nullptr, 0},
                                     {"pins", required_argument, nullptr, 0},
                                     {"edges", required_argument, nullptr, 0},
                                     {"vcd", required_argument, nullptr, 0},
                                     {nullptr, 0, nullptr, 0}};
    commandOptions(words, "watch", options, [&](int index, const std::string &text) {
        switch (index) {
        case 0:
            watch.interval = duration(text, 1ms, "--interval");
            if (watch.interval.count() == 0)
                throw Failure{"--interval must be at least 1us"};
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
            watch.pins = inputList(text);
            break;
        case 5:
            if (text != "rising" && text != "falling" && text != "both")
                throw Failure{"--edges: " + quoted(text) + " is not rising, falling or both"};
            watch.edges = text == "rising"    ? Edges::Rising
                          : text == "falling" ? Edges::Falling
                                              : Edges::Both;
            break;
        default:
            if (text.empty())
                throw Failure{"--vcd needs a file name"};
            watch.vcdPath = text;
        }
    });
    if (watch.pins.empty())
        watch.pins.assign(kStatusPins.begin(), kStatusPins.end());
}

struct CommandEntry {
    const char *name;
    CtlCommand::Kind kind;
    void (*parse)(Words &, CtlCommand &);
    const char *synopsis;
    const char *summary;
};

// Every command, in the order --help lists them.
const CommandEntry kCommands[] = {
    {"ports", CtlCommand::Ports, noArguments, "ports",
     "the machine's parallel ports, and who holds each"},
    {"pins", CtlCommand::Pins, noArguments, "pins",
     "every pin: name, signal, DB-25 number, register and bit, inverted, direction"},
    {"read", CtlCommand::Read, read, "read data|status|control|all",
     "each pin's level and the raw byte; nothing is written"},
    {"get", CtlCommand::Get, get, "get PIN...", "each pin's level as a bare 0 or 1, one a line"},
    {"set", CtlCommand::Set, set, "set PIN=0|1...", "outputs by level; each register written once"},
    {"write", CtlCommand::Write, write, "write data|control BYTE",
     "a raw byte (for control, bits 4-7 must be 0)"},
    {"pulse", CtlCommand::Pulse, pulse, "pulse PIN WIDTH [--count N] [--period P]",
     "the output inverted for WIDTH, then put back; N times, P apart"},
    {"sleep", CtlCommand::Sleep, sleep, "sleep TIME", "wait"},
    {"watch", CtlCommand::Watch, watch,
     "watch [--pins LIST] [--edges rising|falling|both] [--count N] [--duration T]\n"
     "      [--idle-timeout T] [--interval T] [--vcd FILE]",
     "the inputs' state, then an event at each edge, until N events, T in all, T with no\n"
     "event, or a signal; --vcd records a trace"},
    {"loopback-test", CtlCommand::LoopbackTest, noArguments, "loopback-test",
     "checks a loopback plug (D0->S3 ... D4->S7) wire by wire"},
};

} // namespace

std::vector<const ConnectorPin *> CtlCommand::pinsWritten() const
{
    std::vector<const ConnectorPin *> pins;
    switch (kind) {
    case Set:
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
                throw Failure{"unknown command " + quoted(name)};
            CtlCommand command{};
            command.kind = entry->kind;
            entry->parse(cursor, command);
            parsed.commands.push_back(std::move(command));
        }
        if (std::count_if(parsed.commands.begin(), parsed.commands.end(),
                          [](const CtlCommand &c) { return !c.watch.vcdPath.empty(); }) > 1)
            throw Failure{"one trace (--vcd) a command line"};
    } catch (const Failure &failure) {
        parsed.usageError = failure.what;
    }
    return parsed;
}

std::string CommandHelp()
{
    std::string help = "Commands:\n";
    for (const CommandEntry &command : kCommands) {
        help += "  " + std::string(command.synopsis) + "\n";
        const std::string summary = command.summary;
        for (std::size_t from = 0; from < summary.size();) {
            const std::size_t end = std::min(summary.find('\n', from), summary.size());
            help += "      " + summary.substr(from, end - from) + "\n";
            from = end + 1;
        }
    }
    return help;
}
