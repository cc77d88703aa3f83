#include "Zelvanectl.h"

#include "CtlCommandLine.h"
#include "CtlOptions.h"
#include "CtlScript.h"
#include "CtlSession.h"
#include "DirectPortGrant.h"
#include "FdOutput.h"
#include "MessageText.h"
#include "PortChoice.h"
#include "StopSignals.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <unistd.h>

#ifndef ZELVANE_VERSION
#define ZELVANE_VERSION "unknown"
#endif

namespace {

int usage(std::ostream &err, const std::string &what)
{
    err << "zelvanectl: " << what << "\nTry 'zelvanectl --help' for more information.\n";
    return 2;
}

// Output that never reached its reader is an error, whatever the run did.
int checkedOutput(const CtlStreams &io, int status, bool readerGone, bool pipeIgnoredAtStart)
{
    if (io.out.flush() && !readerGone)
        return status;
    int error = io.outBuffer && io.outBuffer->error() ? io.outBuffer->error() : EIO;
    if (readerGone)
        error = EPIPE;
    if (error == EPIPE && !pipeIgnoredAtStart)
        return 128 + SIGPIPE;
    io.err << "zelvanectl: write error: " << std::strerror(error) << "\n";
    return status >= 128 ? status : 1;
}

// Line by line, each run as soon as it is read; a bad line ends the script.
int runScript(CtlSession &session, const std::string &name, const CtlStreams &io)
{
    std::ifstream file;
    if (name != "-") {
        file.open(name);
        if (!file) {
            io.err << "zelvanectl: cannot read the script " << QuotedForMessage(name, 60) << ": "
                   << std::strerror(errno) << "\n";
            return 1;
        }
    }
    CtlScript script(name == "-" ? io.in : file);
    const std::string shownName = name == "-" ? "standard input" : QuotedForMessage(name, 60);
    while (const auto words = script.nextLine()) {
        const ParsedCommands line = ParseCommandWords(*words);
        if (!line.usageError.empty()) {
            io.err << "zelvanectl: " << shownName << ", line " << script.lineNumber() << ": "
                   << line.usageError << "\n";
            return 2;
        }
        if (const int status = session.runLine(line.commands))
            return status;
    }
    return StopSignals::received() ? 128 + StopSignals::received() : 0;
}

} // namespace

int RunZelvanectl(const std::vector<std::string> &arguments, const CtlStreams &io)
{
    const ParsedCtlOptions parsed = ParseCtlOptions(arguments);
    if (!parsed.usageError.empty())
        return usage(io.err, parsed.usageError);
    const CtlOptions &options = parsed.options;
    if (options.help || options.version) {
        io.out << (options.help ? CtlUsage() : "zelvanectl " ZELVANE_VERSION "\n");
        return checkedOutput(io, 0, false, true);
    }
    const ParsedCommands commandLine = ParseCommandWords(options.commandWords);
    if (!commandLine.usageError.empty())
        return usage(io.err, commandLine.usageError);
    if (options.port) {
        ParsedPortChoice chosen = ParsePortChoice(options.port->c_str(), "--port");
        if (!chosen.choice)
            return usage(io.err, chosen.error);
        SelectPortChoice(std::move(chosen));
    }
    // No thread exists here, and privilege goes at once.
    if (const DirectPortGrant &grant = RequestDirectPortGrant(); !grant.fatal.empty()) {
        io.err << "zelvanectl: " << grant.fatal << "\n";
        return 1;
    }
    const StopSignals signals;
    const auto output = options.json ? MakeJsonOutput(io.out) : MakeTextOutput(io.out);
    int status = 0;
    bool readerGone = false;
    {
        CtlSession session(*output, io.err, io.outBuffer ? io.outBuffer->fd() : -1);
        status = options.script ? runScript(session, *options.script, io)
                                : session.runLine(commandLine.commands);
        readerGone = session.readerGone();
    }
    return checkedOutput(io, status, readerGone, signals.pipeSignalIgnoredAtStart());
}
