#include "CtlScript.h"

#include "FdInput.h"
#include "StopSignals.h"

#include "ScriptWords.h"

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
        if (++m_lineNumber == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        ScriptWords split = SplitScriptLine(line);
        m_usageError = split.error;
        if (!split.words.empty() || !m_usageError.empty())
            return split.words;
    }
    if (m_tooLong)
        ++m_lineNumber;
    return std::nullopt;
}
