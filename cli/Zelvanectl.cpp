#include "Zelvanectl.h"

#include "CtlCommandLine.h"
#include "CtlOptions.h"
#include "CtlScript.h"
#include "CtlSession.h"
#include "DirectPortGrant.h"
#include "FdInput.h"
#include "FdOutput.h"
#include "MessageText.h"
#include "MonotonicClock.h"
#include "PortChoice.h"
#include "RealtimeScheduling.h"
#include "StopSignals.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

// What --quiet leaves of standard output.
class Discard final : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

// A line's commands, or why they cannot run with these options.
ParsedCommands parseLine(const std::vector<std::string> &words, const CtlOptions &options)
{
    ParsedCommands parsed = ParseCommandWords(words);
    if (parsed.usageError.empty() && options.json &&
        std::any_of(parsed.commands.begin(), parsed.commands.end(),
                    [](const CtlCommand &c) { return !c.watch.format.empty(); }))
        parsed.usageError = "--format and --json cannot be used together";
    return parsed;
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

// watch --vcd -: the trace is standard output, and what the line prints goes to standard
// error, so that a viewer reading the trace sees nothing else.
bool tracesToStandardOutput(const std::vector<CtlCommand> &commands)
{
    return std::any_of(commands.begin(), commands.end(), [](const CtlCommand &command) {
        return command.kind == CtlCommand::Watch && command.watch.vcdPath == "-";
    });
}

// Line by line, each run as soon as it is read; a bad line, or a read that fails, ends it.
int runScript(CtlSession &session, std::istream &in, const FdInputBuffer *source,
              const std::string &shownName, const CtlOptions &options, const CtlStreams &io)
{
    CtlScript script(in, source);
    while (const auto words = script.nextLine()) {
        ParsedCommands line = parseLine(*words, options);
        if (line.usageError.empty() && tracesToStandardOutput(line.commands))
            line.usageError = "--vcd - is for a command line: a script's lines share standard "
                              "output; give a file";
        if (!line.usageError.empty()) {
            io.err << "zelvanectl: " << shownName << ", line " << script.lineNumber() << ": "
                   << line.usageError << "\n";
            return 2;
        }
        if (const int status = session.runLine(line.commands))
            return status;
    }
    if (StopSignals::received())
        return 128 + StopSignals::received();
    if (script.tooLong()) {
        io.err << "zelvanectl: " << shownName << ", line " << script.lineNumber()
               << ": longer than " << CtlScript::kLongestLine << " bytes\n";
        return 2;
    }
    if (script.error()) {
        io.err << "zelvanectl: cannot read the script " << shownName << ": "
               << std::strerror(script.error()) << "\n";
        return 1;
    }
    return 0;
}

int runScriptNamed(CtlSession &session, const std::string &name, const CtlOptions &options,
                   const CtlStreams &io)
{
    if (name == "-")
        return runScript(session, io.in, io.inBuffer, "standard input", options, io);
    const std::string shownName = QuotedForMessage(name, 60);
    const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        io.err << "zelvanectl: cannot read the script " << shownName << ": " << std::strerror(errno)
               << "\n";
        return 1;
    }
    FdInputBuffer buffer(fd);
    std::istream in(&buffer);
    const int status = runScript(session, in, &buffer, shownName, options, io);
    close(fd);
    return status;
}

} // namespace

int RunZelvanectl(const std::vector<std::string> &arguments, const CtlStreams &io, WaitClock *clock)
{
    const ParsedCtlOptions parsed = ParseCtlOptions(arguments);
    if (!parsed.usageError.empty())
        return usage(io.err, parsed.usageError);
    const CtlOptions &options = parsed.options;
    if (options.help || options.version) {
        io.out << (options.help ? CtlUsage() : "zelvanectl " ZELVANE_VERSION "\n");
        return checkedOutput(io, 0, false, true);
    }
    const ParsedCommands commandLine = parseLine(options.commandWords, options);
    if (!commandLine.usageError.empty())
        return usage(io.err, commandLine.usageError);
    if (options.port) {
        ParsedPortChoice chosen = ParsePortChoice(options.port->c_str(), "--port");
        if (!chosen.choice)
            return usage(io.err, chosen.error);
        SelectPortChoice(std::move(chosen));
    }
    // Scheduling needs the privilege that the grant gives up.
    if (options.realtime)
        if (const std::string refused = EnterRealtime(); !refused.empty())
            io.err << "zelvanectl: --realtime is not permitted here (" << refused
                   << "); running with ordinary scheduling\n";
    // No thread exists here, and privilege goes at once.
    if (const DirectPortGrant &grant = RequestDirectPortGrant(); !grant.fatal.empty()) {
        io.err << "zelvanectl: " << grant.fatal << "\n";
        return 1;
    }
    const StopSignals signals;
    Discard discard;
    std::ostream nowhere(&discard);
    std::ostream &out = options.quiet                                  ? nowhere
                        : tracesToStandardOutput(commandLine.commands) ? io.err
                                                                       : io.out;
    const auto output = options.json ? MakeJsonOutput(out) : MakeTextOutput(out);
    int status = 0;
    bool readerGone = false;
    {
        const int readerFd = io.outBuffer && !options.quiet ? io.outBuffer->fd() : -1;
        CtlSession session(*output, io.err, readerFd, clock ? *clock : MachineClock(),
                           PinLogic(options.activeLow), options.strictTiming);
        status = options.script ? runScriptNamed(session, *options.script, options, io)
                                : session.runLine(commandLine.commands);
        readerGone = session.readerGone();
    }
    return checkedOutput(io, status, readerGone, signals.pipeSignalIgnoredAtStart());
}
