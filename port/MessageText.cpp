#include "MessageText.h"

#include <cstdio>

namespace {

// Length of the well-formed UTF-8 sequence at the start of text, or 0.
std::size_t utf8SequenceLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    unsigned minimum = 0;
    unsigned codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return codePoint >= minimum && codePoint <= 0x10FFFF && !surrogate ? length : 0;
}

std::string escapedByte(unsigned char byte)
{
    switch (byte) {
    case '\n':
        return "\\n";
    case '\t':
        return "\\t";
    case '\r':
        return "\\r";
    case '"':
        return "\\\"";
    case '\\':
        return "\\\\";
    default:
        break;
    }
    if (byte >= 0x20 && byte < 0x7F)
        return std::string(1, static_cast<char>(byte));
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    return hex;
}

} // namespace

std::string QuotedForMessage(std::string_view text, std::size_t maxCharacters)
{
    std::string quoted = "\"";
    std::size_t characters = 0;
    while (!text.empty() && characters < maxCharacters) {
        std::size_t sequence = utf8SequenceLength(text);
        if (sequence == 2 && static_cast<unsigned char>(text[0]) == 0xC2 &&
            static_cast<unsigned char>(text[1]) < 0xA0)
            sequence = 0; // a C1 control character

        if (sequence > 0) {
            quoted.append(text.substr(0, sequence));
            text.remove_prefix(sequence);
        } else {
            quoted += escapedByte(static_cast<unsigned char>(text[0]));
            text.remove_prefix(1);
        }
        ++characters;
    }
    quoted += '"';
    if (!text.empty())
        quoted += "...";
    return quoted;
}

std::string PathForMessage(std::string_view path)
{
    const bool plain = !path.empty() && path.size() <= 64 &&
                       path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                              "0123456789/._-+") == std::string_view::npos;
    return plain ? std::string(path) : QuotedForMessage(path);
}
