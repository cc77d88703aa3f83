#pragma once

#include <optional>
#include <string>
#include <vector>

// A script read from a descriptor: one command line per line, words split on blanks; blank
// lines and everything from a word that starts with # are skipped. Read with read(2) itself,
// so that a failed read is told as what it is, never taken for the end of the script.
class CtlScript {
public:
    static constexpr std::size_t kLongestLine = 65536;

    explicit CtlScript(int fd) : m_fd(fd) {}

    // The next line with words; nothing at the end, when a signal cut the read, when a read
    // failed (error()) or when a line is too long (tooLong()). A line cut short by a failed
    // read is not returned.
    std::optional<std::vector<std::string>> nextLine();
    unsigned lineNumber() const { return m_lineNumber; }
    int error() const { return m_error; } // errno of the failed read, or 0
    bool tooLong() const { return m_tooLong; }

private:
    bool readMore();

    int m_fd;
    std::string m_pending;
    bool m_ended = false;
    int m_error = 0;
    bool m_tooLong = false;
    unsigned m_lineNumber = 0;
};
