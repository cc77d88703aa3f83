#include "OptionWords.h"

#include "CtlWords.h"

#include <algorithm>
#include <getopt.h>

namespace {

// The value getopt returns for each option: its short name, or past every character.
int valueOf(const KnownOption &option, std::size_t index)
{
    return option.shortName ? option.shortName : 256 + static_cast<int>(index);
}

std::string unknownLong(const std::string &word, std::span<const KnownOption> known)
{
    const std::string name = word.substr(2, word.find('=') - 2);
    std::string matches;
    int count = 0;
    for (const KnownOption &option : known)
        if (std::string(option.name).rfind(name, 0) == 0)
            matches += std::string(count++ ? ", --" : "--") + option.name;
    if (count > 1)
        return "option " + QuotedWord(word) + " is ambiguous (" + matches + ")";
    return "unknown option " + QuotedWord(word);
}

} // namespace

std::size_t ReadOptions(const std::vector<std::string> &words, std::size_t from,
                        std::span<const KnownOption> known, const std::string &context,
                        const std::function<void(std::size_t, const std::string &)> &found)
{
    std::string shortNames = "+:";
    std::vector<option> longs;
    for (std::size_t i = 0; i < known.size(); ++i) {
        const KnownOption &option = known[i];
        longs.push_back({option.name, option.takesValue ? required_argument : no_argument, nullptr,
                         valueOf(option, i)});
        if (option.shortName)
            shortNames += std::string(1, option.shortName) + (option.takesValue ? ":" : "");
    }
    longs.push_back({nullptr, 0, nullptr, 0});
    const auto optionWith = [&](int value) -> const KnownOption * {
        for (std::size_t i = 0; i < known.size(); ++i)
            if (valueOf(known[i], i) == value)
                return &known[i];
        return nullptr;
    };

    std::string program = context.empty() ? "zelvanectl" : context;
    std::vector<char *> argv{program.data()};
    for (std::size_t i = from; i < words.size(); ++i)
        argv.push_back(const_cast<char *>(words[i].c_str()));
    argv.push_back(nullptr);
    const std::string prefix = context.empty() ? "" : context + ": ";
    optind = 0; // start afresh, as GNU getopt allows
    opterr = 0;
    int value = 0;
    while ((value = getopt_long(static_cast<int>(argv.size() - 1), argv.data(), shortNames.c_str(),
                                longs.data(), nullptr)) != -1) {
        if (value == ':')
            throw UsageError{prefix + "--" + optionWith(optopt)->name + " needs a value"};
        if (value == '?') {
            if (const KnownOption *option = optionWith(optopt))
                throw UsageError{prefix + "--" + option->name + " takes no value"};
            if (optopt)
                throw UsageError{prefix + "unknown option " +
                                 QuotedWord("-" + std::string(1, static_cast<char>(optopt)))};
            throw UsageError{prefix +
                             unknownLong(argv[static_cast<std::size_t>(optind) - 1], known)};
        }
        found(static_cast<std::size_t>(optionWith(value) - known.data()), optarg ? optarg : "");
    }
    return from + static_cast<std::size_t>(optind) - 1;
}

bool OptionTakesNextWord(const std::string &word, std::span<const KnownOption> known)
{
    if (word.rfind("--", 0) == 0) {
        if (word.size() == 2 || word.find('=') != std::string::npos)
            return false;
        return std::any_of(known.begin(), known.end(), [&](const KnownOption &option) {
            return option.takesValue && std::string(option.name).rfind(word.substr(2), 0) == 0;
        });
    }
    if (word.size() < 2 || word[0] != '-')
        return false;
    for (std::size_t i = 1; i < word.size(); ++i) {
        const auto option = std::find_if(known.begin(), known.end(), [&](const KnownOption &o) {
            return o.shortName && o.shortName == word[i];
        });
        if (option == known.end())
            return false;
        if (option->takesValue)
            return i + 1 == word.size();
    }
    return false;
}
