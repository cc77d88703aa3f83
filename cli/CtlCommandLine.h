#pragma once

#include "CtlCommand.h"

#include <string>
#include <vector>

struct ParsedCommands {
    std::vector<CtlCommand> commands;
    std::string usageError; // empty when every word was understood
};

// The commands of one command line (after its options) or one script line.
ParsedCommands ParseCommandWords(const std::vector<std::string> &words);

// The commands section of --help, one entry per command.
std::string CommandHelp();
