#include "CtlScript.h"

#include "StopSignals.h"

#include <cerrno>
#include <sstream>
#include <unistd.h>

bool CtlScript::readMore()
{
    char buffer[4096];
    while (true) {
        const ssize_t got = read(m_fd, buffer, sizeof buffer);
        if (got > 0) {
            m_pending.append(buffer, static_cast<std::size_t>(got));
            return true;
        }
        if (got < 0 && errno == EINTR && !StopSignals::received())
            continue;
        if (got < 0 && errno != EINTR)
            m_error = errno;
        m_ended = true;
        return false;
    }
}

std::optional<std::vector<std::string>> CtlScript::nextLine()
{
    while (true) {
        std::size_t newline = m_pending.find('\n');
        while (newline == std::string::npos && !m_ended && m_pending.size() <= kLongestLine &&
               readMore())
            newline = m_pending.find('\n');
        if (m_error || StopSignals::received() || m_pending.empty())
            return std::nullopt;
        ++m_lineNumber;
        if (std::min(newline, m_pending.size()) > kLongestLine) {
            m_tooLong = true;
            return std::nullopt;
        }
        std::istringstream words(m_pending.substr(0, newline));
        m_pending.erase(0, newline == std::string::npos ? newline : newline + 1);
        std::vector<std::string> split;
        for (std::string word; words >> word && word[0] != '#';)
            split.push_back(word);
        if (!split.empty())
            return split;
    }
}
