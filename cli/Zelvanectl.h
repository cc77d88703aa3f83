#pragma once

#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

class FdOutputBuffer;
class WaitClock;

struct CtlStreams {
    std::ostream &out;
    std::ostream &err;
    const FdOutputBuffer *outBuffer = nullptr; // standard output's, for the write error
    int in = STDIN_FILENO;                     // a script given as "-"
};

// The whole program, arguments after the program's name to exit status, so that tests can
// run it in process: usage errors are 2, a port that cannot be opened or used, lost output
// and a script that cannot be read are 1, a failed loopback test is 3, a stop signal N is
// 128+N. clock: where the waits run; null for the machine's own.
int RunZelvanectl(const std::vector<std::string> &arguments, const CtlStreams &streams,
                  WaitClock *clock = nullptr);
