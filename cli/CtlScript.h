#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

// A script: one command line per line, words split on blanks; blank lines and everything
// from a word that starts with # are skipped.
class CtlScript {
public:
    explicit CtlScript(std::istream &in) : m_in(in) {}

    // The next line with words, or nothing at the end (or when a signal cut the read).
    std::optional<std::vector<std::string>> nextLine();
    unsigned lineNumber() const { return m_lineNumber; }

private:
    std::istream &m_in;
    unsigned m_lineNumber = 0;
};
