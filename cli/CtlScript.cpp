#include "CtlScript.h"

#include <sstream>

std::optional<std::vector<std::string>> CtlScript::nextLine()
{
    std::string line;
    while (std::getline(m_in, line)) {
        ++m_lineNumber;
        std::istringstream words(line);
        std::vector<std::string> split;
        for (std::string word; words >> word && word[0] != '#';)
            split.push_back(word);
        if (!split.empty())
            return split;
    }
    return std::nullopt;
}
