#include "ScriptWords.h"

ScriptWords SplitScriptLine(const std::string &line)
{
    ScriptWords split;
    std::string word;
    bool inWord = false; // '' is a word too, an empty one
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord)
                split.words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '#' && !inWord) {
            break;
        } else if (c == '\\') {
            if (++i == line.size())
                return {{}, "a backslash ends the line"};
            word += line[i];
            inWord = true;
        } else if (c == '\'' || c == '"') {
            const std::size_t opened = i;
            for (++i; i < line.size() && line[i] != c; ++i) {
                if (c == '"' && line[i] == '\\' && i + 1 < line.size() &&
                    (line[i + 1] == '"' || line[i + 1] == '\\'))
                    ++i;
                word += line[i];
            }
            if (i == line.size())
                return {{},
                        std::string("the quote ") + c + " at column " + std::to_string(opened + 1) +
                            " is not closed"};
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        split.words.push_back(word);
    return split;
}
