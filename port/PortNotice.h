#pragma once

#include <string>

// What the user should hear about an access that failed: its kind, for a window that words
// it in the user's language, and the whole of it in English, for standard error.
struct PortNotice {
    enum class Kind {
        OtherCopy,    // another copy of ours kept the port past the wait; detail: which process
        OtherProgram, // another program uses the port; detail: which, as the doctor names it
        Gone,         // the port went away; detail: the system's reason
        Failed,       // anything else; detail: what failed and why
    };
    Kind kind = Kind::Failed;
    std::string text;
    std::string detail;
};
