#pragma once

#include "SimState.h"

#include <memory>
#include <string>
#include <string_view>

// The file behind sim:NAME, mapped shared: $XDG_RUNTIME_DIR/zelvane/sim-NAME, else
// /tmp/zelvane-UID/sim-NAME in a folder of our own. Made at the first opening, whole before
// anyone can open it; kept until the machine restarts or it is reset.
//
// A file that is not ours, not a plain file, or not a port of this format is refused with
// nothing written through it. Another program of ours that truncates the file while it is
// mapped would still make the next access fault: the size is checked at the opening only.
class SharedSimFile {
public:
    ~SharedSimFile();
    SharedSimFile(const SharedSimFile &) = delete;
    SharedSimFile &operator=(const SharedSimFile &) = delete;

    // Null, with why (naming the file and the fix), where it cannot be had.
    static std::unique_ptr<SharedSimFile> open(const std::string &name, std::string &why);
    // The port as at power-up again: rewritten in place where valid, so that every program
    // on it sees it at once, otherwise removed. False, with why, where neither could be done.
    static bool reset(const std::string &name, std::string &why);
    // Where sim:NAME lives; empty, with why, where no folder of our own can be had.
    static std::string pathOf(const std::string &name, std::string &why);

    SimState &state() { return *m_state; }
    const std::string &name() const { return m_name; }

private:
    SharedSimFile(std::string name, SimState *state) : m_name(std::move(name)), m_state(state) {}

    std::string m_name;
    SimState *m_state;
};

// Letters, digits, '-' and '_', 1 to 64 of them.
bool IsSimName(std::string_view name);
