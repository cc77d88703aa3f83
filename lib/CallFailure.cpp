#include "CallFailure.h"

#include <cstring>

namespace {

// Plain arrays: a thread's last words must outlive its thread_local destructors, since exit
// handlers still close handles after them.
constexpr std::size_t kRoom = 2048;
thread_local char t_cause[kRoom];
thread_local char t_fix[kRoom];

void keep(char (&to)[kRoom], const std::string &text)
{
    const std::size_t length = std::min(text.size(), kRoom - 1);
    std::memcpy(to, text.data(), length);
    to[length] = '\0';
}

void appendLine(std::string &to, const std::string &line)
{
    if (line.empty())
        return;
    if (!to.empty())
        to += '\n';
    to += line;
}

} // namespace

int Fail(int status, const std::string &cause, const std::string &fix)
{
    keep(t_cause, cause);
    keep(t_fix, fix);
    return status;
}

int FailWithRefusals(int status, const std::vector<std::string> &refusals)
{
    static const std::string kFixMark = "; fix: ";
    std::string cause, fix;
    for (const std::string &refusal : refusals) {
        const std::size_t mark = refusal.find(kFixMark);
        appendLine(cause, refusal.substr(0, mark));
        if (mark != std::string::npos)
            appendLine(fix, refusal.substr(mark + kFixMark.size()));
    }
    return Fail(status, cause, fix);
}

const char *LastCause()
{
    return t_cause;
}

const char *LastFix()
{
    return t_fix;
}
