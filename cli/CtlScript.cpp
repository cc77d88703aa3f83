#include "CtlScript.h"

#include "FdInput.h"
#include "StopSignals.h"

#include <sstream>

int CtlScript::error() const
{
    return m_source ? m_source->error() : 0;
}

// Kept short, so that a stream with no newline (/dev/zero) cannot fill the memory.
bool CtlScript::readLine(std::string &line)
{
    line.clear();
    std::streambuf &in = *m_in.rdbuf();
    for (auto c = in.sbumpc(); c != std::streambuf::traits_type::eof(); c = in.sbumpc()) {
        if (c == '\n')
            return true;
        if (line.size() == kLongestLine) {
            m_tooLong = true;
            return false;
        }
        line += static_cast<char>(c);
    }
    return !line.empty() && !error() && !StopSignals::received();
}

std::optional<std::vector<std::string>> CtlScript::nextLine()
{
    for (std::string line; readLine(line);) {
        ++m_lineNumber;
        std::istringstream words(line);
        std::vector<std::string> split;
        for (std::string word; words >> word && word[0] != '#';)
            split.push_back(word);
        if (!split.empty())
            return split;
    }
    if (m_tooLong)
        ++m_lineNumber;
    return std::nullopt;
}
