#include "Zelvanectl.h"

#include "CtlOptions.h"
#include "CtlSession.h"
#include "DirectPortGrant.h"
#include "PortChoice.h"

#ifndef ZELVANE_VERSION
#define ZELVANE_VERSION "unknown"
#endif

int RunZelvanectl(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err)
{
    const ParsedCtlOptions parsed = ParseCtlOptions(arguments);
    auto usage = [&](const std::string &what) {
        err << "zelvanectl: " << what << "\nTry 'zelvanectl --help' for more information.\n";
        return 2;
    };
    if (!parsed.usageError.empty())
        return usage(parsed.usageError);
    if (parsed.options.help) {
        out << kCtlUsage;
        return 0;
    }
    if (parsed.options.version) {
        out << "zelvanectl " << ZELVANE_VERSION << "\n";
        return 0;
    }
    if (parsed.options.port) {
        ParsedPortChoice chosen = ParsePortChoice(parsed.options.port->c_str(), "--port");
        if (!chosen.choice)
            return usage(chosen.error);
        SelectPortChoice(std::move(chosen));
    }
    // No thread exists here, and privilege goes at once.
    if (const DirectPortGrant &grant = RequestDirectPortGrant(); !grant.fatal.empty()) {
        err << "zelvanectl: " << grant.fatal << "\n";
        return 1;
    }
    CtlSession session(parsed.options.json, out, err);
    return session.run(parsed.options.commands);
}
