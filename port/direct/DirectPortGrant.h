#pragma once

#include "PortChoice.h"
#include "PortRegister.h"

#include <string>

// Direct register I/O needs the I/O permission bitmap for the port's three registers. Both
// that bitmap and capabilities belong to a thread, so the grant is asked for while the
// process has only one thread; then every privilege is given up, so nothing after it runs
// privileged, and every child process loses the ports at its fork.
struct DirectPortGrant {
    bool granted = false;
    unsigned base = kFirstPortBase; // the three registers granted from here
    bool probe = false;             // no kernel port is known there: something must answer first
    std::string refusal;            // why it was not granted, for the user
    std::string fatal =
        {}; // why the program must not go on (a setuid or setgid install, a failed drop)
    bool perThread = false; // granted to the asking thread alone: see ThreadGrantedPort
};

// Call first thing in main, before any thread starts. Asks only where the selected port
// choice may use direct I/O, for exactly that port's three registers, then drops all
// privilege where it was granted, and where not, what ungranted says: every privilege, or
// raw I/O alone, so that root keeps its file access (a script, a trace) where it holds no
// port. If that drop fails, the ports are given back and fatal says why: whatever the port
// choice, the program must then end. A process whose effective user differs from its real
// one (a setuid install), or whose effective group differs (setgid), is refused before
// anything is asked for.
enum class UngrantedDrop { Everything, RawIoOnly };
const DirectPortGrant &RequestDirectPortGrant(UngrantedDrop ungranted = UngrantedDrop::Everything);
const DirectPortGrant &CurrentDirectPortGrant();

// For the library inside someone else's program: the same checks, and the grant for the
// calling thread alone, with no privilege given up (the process is not ours to change).
// Every child process loses the ports at its fork.
DirectPortGrant GrantDirectPortToThisThread(const ParsedPortChoice &parsed);
