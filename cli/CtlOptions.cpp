#include "CtlOptions.h"

#include "PinTable.h"

#include <charconv>
#include <cstdlib>

const char *const kCtlUsage = R"(Usage: zelvanectl [--port PORT] [--json] COMMAND...
Drive a parallel port's pins from scripts. The commands run in order within one opening of
the port; on a ppdev port a sequence holds the port from its first access to its last, but
for sleep, pulse's wait and watch's pauses.

Commands:
  ports                     the machine's parallel ports, and who holds each
  read data|status|control|all
                            each pin's level and the raw byte; nothing is written
  set PIN=0|1 ...           D0-D7 and C0-C3 by pin level; each register written once
  write data|control BYTE   a raw byte (for control, bits 4-7 must be 0)
  pulse PIN MS              the pin inverted for MS milliseconds, then restored
  sleep MS                  wait MS milliseconds
  watch [--interval MS] [--count N] [--duration S]
                            a line at start and at each change of a status input, until
                            N changes, S seconds or Ctrl+C
  loopback-test             checks a loopback plug (D0->S3 ... D4->S7) wire by wire

Options:
  --port PORT   auto, direct, direct:BASE, ppdev, ppdev:NODE, ppdev:N, sim or none
                (default: $ZELVANE_PORT, then auto)
  --json        one JSON object per line
  --help        this text
  --version     the version

Exit status: 0 done; 1 the port could not be opened or used; 2 usage error;
3 loopback test failed.
)";

namespace {

template <typename T>
std::optional<T> number(const std::string &text, int base = 10)
{
    T value{};
    const char *begin = text.data();
    const char *end = begin + text.size();
    const auto [stop, error] = std::from_chars(begin, end, value, base);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::optional<unsigned> byteValue(const std::string &text)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const auto value = hex ? number<unsigned>(text.substr(2), 16) : number<unsigned>(text);
    if (!value || *value > 0xFF)
        return std::nullopt;
    return value;
}

// D0-D7 and C0-C3, by name.
const ConnectorPin *outputPin(const std::string &name)
{
    const ConnectorPin *pin = findPinByLabel(name);
    return pin && pin->clickable ? pin : nullptr;
}

constexpr unsigned kLongestWait = 24u * 3600u * 1000u; // a day

class Parser {
public:
    explicit Parser(const std::vector<std::string> &arguments) : m_args(arguments) {}

    ParsedCtlOptions parse()
    {
        while (!atEnd() && m_error.empty() && isOption(peek()))
            option(next());
        while (!atEnd() && m_error.empty())
            command(next());
        if (m_error.empty() && m_result.commands.empty() && !m_result.help && !m_result.version)
            m_error = "no command given";
        return {std::move(m_result), std::move(m_error)};
    }

private:
    bool atEnd() const { return m_at >= m_args.size(); }
    const std::string &peek() const { return m_args[m_at]; }
    std::string next() { return m_args[m_at++]; }
    static bool isOption(const std::string &arg) { return arg.rfind("--", 0) == 0 || arg == "-h"; }

    std::optional<std::string> value(const std::string &of)
    {
        if (atEnd()) {
            m_error = of + " needs a value";
            return std::nullopt;
        }
        return next();
    }

    void option(const std::string &name)
    {
        if (name == "--help" || name == "-h")
            m_result.help = true;
        else if (name == "--version")
            m_result.version = true;
        else if (name == "--json")
            m_result.json = true;
        else if (name == "--port") {
            if (auto port = value(name))
                m_result.port = *port;
        } else
            m_error = "unknown option '" + name + "'";
    }

    std::optional<unsigned> milliseconds(const std::string &of)
    {
        const auto text = value(of);
        if (!text)
            return std::nullopt;
        const auto ms = number<unsigned>(*text);
        if (!ms || *ms > kLongestWait) {
            m_error = of + ": '" + *text + "' is not a number of milliseconds (0 to 86400000)";
            return std::nullopt;
        }
        return ms;
    }

    void command(const std::string &name)
    {
        CtlCommand command{};
        if (name == "ports") {
            command.kind = CtlCommand::Ports;
        } else if (name == "read") {
            command.kind = CtlCommand::Read;
            const auto target = value(name);
            if (!target)
                return;
            if (*target != "data" && *target != "status" && *target != "control" &&
                *target != "all")
                return void(m_error =
                                "read: '" + *target + "' is not data, status, control or all");
            command.target = *target;
        } else if (name == "set") {
            command.kind = CtlCommand::Set;
            while (!atEnd() && peek().find('=') != std::string::npos) {
                const std::string setting = next();
                const std::string pin = setting.substr(0, setting.find('='));
                const std::string level = setting.substr(setting.find('=') + 1);
                const ConnectorPin *output = outputPin(pin);
                if (!output || (level != "0" && level != "1"))
                    return void(m_error = "set: '" + setting +
                                          "' is not PIN=0 or PIN=1 with PIN "
                                          "one of D0-D7, C0-C3");
                command.settings.push_back({output, static_cast<std::uint8_t>(level == "1")});
            }
            if (command.settings.empty())
                return void(m_error = "set needs PIN=0|1");
        } else if (name == "write") {
            command.kind = CtlCommand::Write;
            const auto target = value(name);
            if (!target)
                return;
            if (*target != "data" && *target != "control")
                return void(m_error = "write: '" + *target + "' is not data or control");
            const auto text = value("write " + *target);
            if (!text)
                return;
            const auto byte = byteValue(*text);
            if (!byte)
                return void(m_error =
                                "write: '" + *text + "' is not a byte (0 to 255, or 0x00 to 0xFF)");
            if (*target == "control" && (*byte & 0xF0))
                return void(m_error = "write control: " + *text +
                                      " sets bits 4-7 (direction, interrupt); only 0x00 to 0x0F");
            command.target = *target;
            command.byte = static_cast<std::uint8_t>(*byte);
        } else if (name == "pulse") {
            command.kind = CtlCommand::Pulse;
            const auto pin = value(name);
            if (!pin)
                return;
            command.pin = outputPin(*pin);
            if (!command.pin)
                return void(m_error = "pulse: '" + *pin + "' is not one of D0-D7, C0-C3");
            const auto ms = milliseconds("pulse " + *pin);
            if (!ms)
                return;
            command.milliseconds = *ms;
        } else if (name == "sleep") {
            command.kind = CtlCommand::Sleep;
            const auto ms = milliseconds(name);
            if (!ms)
                return;
            command.milliseconds = *ms;
        } else if (name == "watch") {
            command.kind = CtlCommand::Watch;
            command.milliseconds = 20;
            while (!atEnd() && m_error.empty() && peek().rfind("--", 0) == 0)
                watchOption(command, next());
        } else if (name == "loopback-test") {
            command.kind = CtlCommand::LoopbackTest;
        } else {
            return void(m_error = "unknown command '" + name + "'");
        }
        m_result.commands.push_back(std::move(command));
    }

    void watchOption(CtlCommand &command, const std::string &name)
    {
        if (name == "--interval") {
            if (const auto ms = milliseconds(name); ms && *ms > 0)
                command.milliseconds = *ms;
            else if (m_error.empty())
                m_error = "--interval must be at least 1 millisecond";
        } else if (name == "--count") {
            const auto text = value(name);
            if (!text)
                return;
            command.count = number<unsigned>(*text);
            if (!command.count)
                m_error = "--count: '" + *text + "' is not a count";
        } else if (name == "--duration") {
            const auto text = value(name);
            if (!text)
                return;
            char *end = nullptr;
            const double seconds = std::strtod(text->c_str(), &end);
            if (!text->empty() && end == text->c_str() + text->size() && seconds >= 0 &&
                seconds < 1e9)
                command.seconds = seconds;
            if (!command.seconds)
                m_error = "--duration: '" + *text + "' is not a number of seconds";
        } else {
            m_error = "watch: unknown option '" + name + "'";
        }
    }

    const std::vector<std::string> &m_args;
    std::size_t m_at = 0;
    CtlOptions m_result;
    std::string m_error;
};

} // namespace

ParsedCtlOptions ParseCtlOptions(const std::vector<std::string> &arguments)
{
    return Parser(arguments).parse();
}
