#pragma once

#include <optional>

// The window takes no options that change it: --help and --version answer and end the
// program, anything else is a usage error. nullopt: start the window; otherwise the status
// to end with, its words already written.
std::optional<int> AnswerCommandLine(int argc, char *argv[]);
