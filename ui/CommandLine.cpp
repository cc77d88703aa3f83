#include "CommandLine.h"

#include <cstdio>
#include <getopt.h>

namespace {

constexpr int kUsageError = 2;
enum Answer { kNone = 0, kHelp = 'h', kVersion = 256 };

constexpr const char *kHelpText =
    "Usage: zelvane [--help | --version]\n"
    "Shows a parallel port's 25 pins in a window: click a data pin D0-D7 or a control pin\n"
    "C0-C3 to set it, read the status and control pins back. The window takes no options;\n"
    "the port comes from the environment variable ZELVANE_PORT (auto, direct, direct:BASE,\n"
    "direct-unchecked:BASE, ppdev, ppdev:NODE, ppdev:N, sim, none; default auto).\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Pins from a terminal or a script: zelvanectl(1). More: zelvane(1).\n";

int usageError()
{
    std::fputs("Try 'zelvane --help' for more.\n", stderr);
    return kUsageError;
}

} // namespace

std::optional<int> AnswerCommandLine(int argc, char *argv[])
{
    static const option kOptions[] = {{"help", no_argument, nullptr, kHelp},
                                      {"version", no_argument, nullptr, kVersion},
                                      {nullptr, 0, nullptr, 0}};
    opterr = 1; // getopt names what it did not recognise, as every tool does
    int answer = kNone;
    for (int option; (option = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
        if (option == '?')
            return usageError();
        if (answer == kNone)
            answer = option;
    }
    if (optind < argc) {
        std::fprintf(stderr, "zelvane: takes no arguments: '%s'\n", argv[optind]);
        return usageError();
    }
    if (answer == kNone)
        return std::nullopt;
    if (answer == kHelp)
        std::fputs(kHelpText, stdout);
    else // as the About box names it, with the version record's four numbers
        std::printf("zelvane %s (%s)\n", ZELVANE_SHORT_VERSION, ZELVANE_VERSION);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
