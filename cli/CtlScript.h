#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

class FdInputBuffer;

// A script: one command line per line, words split as a shell would (ScriptWords); blank
// lines and comments are skipped, and so is a UTF-8 byte order mark before the first line.
class CtlScript {
public:
    static constexpr std::size_t kLongestLine = 65536;

    // source: in's buffer where it reads a descriptor, to tell a failed read from the end.
    CtlScript(std::istream &in, const FdInputBuffer *source) : m_in(in), m_source(source) {}

    // The next line with words, or with usageError() set; nothing at the end, when a signal cut the
    // read, when a read failed (error()) or when a line is too long (tooLong()). A line cut short
    // by a failed read is not returned.
    std::optional<std::vector<std::string>> nextLine();
    unsigned lineNumber() const { return m_lineNumber; }
    int error() const; // errno of the failed read, or 0
    bool tooLong() const { return m_tooLong; }
    const std::string &usageError() const { return m_usageError; }

private:
    bool readLine(std::string &line);

    std::istream &m_in;
    const FdInputBuffer *m_source;
    bool m_tooLong = false;
    std::string m_usageError;
    unsigned m_lineNumber = 0;
};
