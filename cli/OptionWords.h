#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

struct KnownOption {
    const char *name; // the long form, without "--"
    char shortName;   // 0 for none
    bool takesValue;
};

// getopt_long over a command line's words, so that every option follows getopt's rules
// (abbreviations, -nVALUE, --name=value, short options combined, -- ends them), with
// messages that name the exact option: unknown option "--frob", --json takes no value,
// --port needs a value, option "--i" is ambiguous (--interval, --idle-timeout).
// From words[from] up to the first word that is not an option, found(index into known,
// value) for each; returns where the rest begins. Throws UsageError, its text after
// "context: " where context is not empty.
std::size_t ReadOptions(const std::vector<std::string> &words, std::size_t from,
                        std::span<const KnownOption> known, const std::string &context,
                        const std::function<void(std::size_t, const std::string &)> &found);

// Whether word is one of known (or an abbreviation, or short options combined) whose value
// is the next word rather than in word itself.
bool OptionTakesNextWord(const std::string &word, std::span<const KnownOption> known);
