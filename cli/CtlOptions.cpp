#include "CtlOptions.h"

#include "CtlCommandLine.h"
#include "CtlWords.h"
#include "OptionWords.h"
#include "PinTable.h"

#include <algorithm>

namespace {

enum Option { Port, Json, Script, Help, Version, Quiet, Realtime, ActiveLow, StrictTiming };

const KnownOption kOptions[] = {
    {"port", 'p', true},    {"json", 'j', false},      {"script", 's', true},
    {"help", 'h', false},   {"version", 'V', false},   {"quiet", 'q', false},
    {"realtime", 0, false}, {"active-low", 'l', true}, {"strict-timing", 0, false},
};

} // namespace

ParsedCtlOptions ParseCtlOptions(const std::vector<std::string> &arguments)
{
    ParsedCtlOptions parsed;
    CtlOptions &options = parsed.options;
    // Help wins wherever it stands, as users type it after a command they doubt.
    const auto end = std::find(arguments.begin(), arguments.end(), "--");
    if (std::find(arguments.begin(), end, "--help") != end ||
        std::find(arguments.begin(), end, "-h") != end) {
        options.help = true;
        return parsed;
    }
    try {
        const std::size_t commands = ReadOptions(
            arguments, 0, kOptions, "", [&](std::size_t option, const std::string &value) {
                switch (static_cast<Option>(option)) {
                case Port:
                    if (value.empty())
                        throw UsageError{"--port needs a port, not an empty value"};
                    options.port = value;
                    break;
                case Json:
                    options.json = true;
                    break;
                case Script:
                    options.script = value;
                    break;
                case Help:
                    options.help = true;
                    break;
                case Version:
                    options.version = true;
                    break;
                case Quiet:
                    options.quiet = true;
                    break;
                case Realtime:
                    options.realtime = true;
                    break;
                case StrictTiming:
                    options.strictTiming = true;
                    break;
                case ActiveLow:
                    for (const ConnectorPin *pin :
                         PinListNamed(value, "--active-low", SignalPinNamed)) {
                        if (std::find(options.activeLow.begin(), options.activeLow.end(), pin) !=
                            options.activeLow.end())
                            throw UsageError{"--active-low: " + std::string(pin->label) +
                                             " is given twice"};
                        options.activeLow.push_back(pin);
                    }
                }
            });
        options.commandWords.assign(arguments.begin() + static_cast<long>(commands),
                                    arguments.end());
    } catch (const UsageError &error) {
        parsed.usageError = error.what;
        return parsed;
    }
    if (options.help)
        return parsed;
    if (!options.commandWords.empty() && options.commandWords.front() == "-") {
        options.script = "-";
        options.commandWords.erase(options.commandWords.begin());
    }
    if (options.script && !options.commandWords.empty())
        parsed.usageError = "a script and commands on the command line cannot be mixed";
    else if (!options.script && options.commandWords.empty() && !options.version)
        parsed.usageError = "no command given";
    return parsed;
}

std::string CtlUsage()
{
    return "Usage: zelvanectl [OPTION]... COMMAND [ARGUMENT]... [COMMAND [ARGUMENT]...]...\n"
           "  or:  zelvanectl [OPTION]... -        (commands from standard input)\n"
           "Drive a parallel port's pins from scripts. Options come before the first\n"
           "command. The commands run in order within one opening of the port.\n"
           "\n" +
           CommandHelp() +
           "\n"
           "PIN is D0-D7, C0-C3, S3-S7, pin1-pin25 or a signal name (STROBE, AUTOFD, INIT,\n"
           "SELECTIN, ACK, BUSY, PAPEROUT or PE, SELECT, ERROR or FAULT); names, units and\n"
           "other keywords are read in any case. Numbers are decimal, or hexadecimal after\n"
           "0x. TIME takes a unit (500us, 5ms, 1.5s); a bare number is in milliseconds (MS)\n"
           "or in seconds (S), as each argument shows.\n"
           "\n"
           "Options:\n"
           "  -p, --port=PORT    auto, direct, direct:BASE, direct-unchecked:BASE, ppdev,\n"
           "                     ppdev:NODE, ppdev:N, sim or none\n"
           "                     (default: $ZELVANE_PORT, then auto)\n"
           "  -l, --active-low=PIN,...\n"
           "                     these pins read and are set as 1 when low\n"
           "  -j, --json         one JSON object per line\n"
           "  -q, --quiet        nothing on standard output; the exit status tells\n"
           "      --realtime     lock memory and run SCHED_FIFO, where permitted\n"
           "      --strict-timing  a pulse edge more than 100us late fails the line\n"
           "  -s, --script=FILE  commands from FILE, one command line a line\n"
           "                     (- is standard input)\n"
           "  -h, --help         this text\n"
           "  -V, --version      the version\n"
           "\n"
           "Exit status: 0 done; 1 the port could not be opened or used, or input or output\n"
           "failed; 2 usage error; 3 loopback test failed; 128+N ended by signal N.\n";
}
