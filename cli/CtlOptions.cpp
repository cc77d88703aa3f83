#include "CtlOptions.h"

#include "CtlCommandLine.h"
#include "MessageText.h"

#include <algorithm>
#include <getopt.h>

namespace {

const option kOptions[] = {
    {"port", required_argument, nullptr, 'p'},   {"json", no_argument, nullptr, 'j'},
    {"script", required_argument, nullptr, 's'}, {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},      {nullptr, 0, nullptr, 0},
};

std::string optionName(int shortName)
{
    for (const option &o : kOptions)
        if (o.val == shortName && o.name)
            return "--" + std::string(o.name);
    return "-" + std::string(1, static_cast<char>(shortName));
}

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
    std::string program = "zelvanectl";
    std::vector<char *> argv{program.data()};
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    optind = 0;
    opterr = 0;
    int found = 0;
    while ((found = getopt_long(static_cast<int>(argv.size() - 1), argv.data(), "+:p:js:hV",
                                kOptions, nullptr)) != -1) {
        switch (found) {
        case 'p':
            if (*optarg == '\0') {
                parsed.usageError = "--port needs a port, not an empty value";
                return parsed;
            }
            options.port = optarg;
            break;
        case 'j':
            options.json = true;
            break;
        case 's':
            options.script = optarg;
            break;
        case 'V':
            options.version = true;
            break;
        case ':':
            parsed.usageError = optionName(optopt) + " needs a value";
            return parsed;
        default:
            parsed.usageError =
                "unknown option " +
                QuotedForMessage(optopt ? "-" + std::string(1, static_cast<char>(optopt))
                                        : argv[static_cast<std::size_t>(optind) - 1],
                                 40);
            return parsed;
        }
    }
    options.commandWords.assign(arguments.begin() + (optind - 1), arguments.end());
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
           "Drive a parallel port's pins from scripts. Options come before the first command.\n"
           "The commands run in order within one opening of the port.\n"
           "\n" +
           CommandHelp() +
           "\n"
           "PIN is D0-D7, C0-C3, S3-S7, pin1-pin25 or a signal name (STROBE, AUTOFD, INIT,\n"
           "SELECTIN, ACK, BUSY, PAPEROUT or PE, SELECT, ERROR or FAULT), in any case.\n"
           "Numbers are decimal, or hexadecimal after 0x. Times take a unit (500us, 5ms, 1.5s);\n"
           "a bare number is milliseconds, but seconds for --duration and --idle-timeout.\n"
           "\n"
           "Options:\n"
           "  -p, --port=PORT    auto, direct, direct:BASE, ppdev, ppdev:NODE, ppdev:N, sim or\n"
           "                     none (default: $ZELVANE_PORT, then auto)\n"
           "  -j, --json         one JSON object per line\n"
           "  -s, --script=FILE  commands from FILE, one command a line (- is standard input)\n"
           "  -h, --help         this text\n"
           "  -V, --version      the version\n"
           "\n"
           "Exit status: 0 done; 1 the port could not be opened or used, or output was lost;\n"
           "2 usage error; 3 loopback test failed; 128+N ended by signal N (130 for Ctrl+C).\n";
}
