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

// Whether the word is a command's option whose value is the next word (--format, -n).
bool CommandOptionTakesNextWord(const std::string &word);

// The commands section of --help, one entry per command.
std::string CommandHelp();
