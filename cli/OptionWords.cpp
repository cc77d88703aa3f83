#include "OptionWords.h"

#include "CtlWords.h"

#include <getopt.h>

namespace {

// The value getopt returns for each option: its short name, or past every character.
int valueOf(const OptionSpec &spec, std::size_t index)
{
    return spec.shortName ? spec.shortName : 256 + static_cast<int>(index);
}

std::string unknownLong(const std::string &word, std::span<const OptionSpec> specs)
{
    const std::string name = word.substr(2, word.find('=') - 2);
    std::string matches;
    int count = 0;
    for (const OptionSpec &spec : specs)
        if (std::string(spec.name).rfind(name, 0) == 0) {
            matches += std::string(count++ ? ", --" : "--") + spec.name;
        }
    if (count > 1)
        return "option " + QuotedWord(word) + " is ambiguous (" + matches + ")";
    return "unknown option " + QuotedWord(word);
}

} // namespace

std::size_t ReadOptions(const std::vector<std::string> &words, std::size_t from,
                        std::span<const OptionSpec> specs, const std::string &context,
                        const std::function<void(std::size_t, const std::string &)> &found)
{
    std::string shortNames = "+:";
    std::vector<option> longs;
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const OptionSpec &spec = specs[i];
        longs.push_back({spec.name, spec.takesValue ? required_argument : no_argument, nullptr,
                         valueOf(spec, i)});
        if (spec.shortName)
            shortNames += std::string(1, spec.shortName) + (spec.takesValue ? ":" : "");
    }
    longs.push_back({nullptr, 0, nullptr, 0});
    const auto specWith = [&](int value) -> const OptionSpec * {
        for (std::size_t i = 0; i < specs.size(); ++i)
            if (valueOf(specs[i], i) == value)
                return &specs[i];
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
            throw UsageError{prefix + "--" + specWith(optopt)->name + " needs a value"};
        if (value == '?') {
            if (const OptionSpec *spec = specWith(optopt))
                throw UsageError{prefix + "--" + spec->name + " takes no value"};
            if (optopt)
                throw UsageError{prefix + "unknown option " +
                                 QuotedWord("-" + std::string(1, static_cast<char>(optopt)))};
            throw UsageError{prefix +
                             unknownLong(argv[static_cast<std::size_t>(optind) - 1], specs)};
        }
        found(static_cast<std::size_t>(specWith(value) - specs.data()), optarg ? optarg : "");
    }
    return from + static_cast<std::size_t>(optind) - 1;
}
