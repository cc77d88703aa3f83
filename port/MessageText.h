#pragma once

#include <string>
#include <string_view>

// Text from outside (an environment value) made safe to print: in double quotes, control
// characters, quotes, backslashes and bytes that are not UTF-8 escaped, and cut after
// maxCharacters characters with "..." after the closing quote.
std::string QuotedForMessage(std::string_view text, std::size_t maxCharacters = 64);

// A path as it stands when it is plain (letters, digits, / . _ - +, at most 64 characters),
// quoted as above otherwise.
std::string PathForMessage(std::string_view path);
