#pragma once

#include <string>
#include <vector>

struct ScriptWords {
    std::vector<std::string> words;
    std::string error; // empty when the line was understood
};

// A script line's words as a shell would split them: blanks between words, '...' taken as
// it stands, "..." with \" and \\ inside, a backslash keeping the next character; an
// unquoted word that starts with # begins a comment.
ScriptWords SplitScriptLine(const std::string &line);
