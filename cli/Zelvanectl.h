#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

class FdInputBuffer;
class FdOutputBuffer;
class WaitClock;

struct CtlStreams {
    std::istream &in; // a script given as "-"
    std::ostream &out;
    std::ostream &err;
    const FdOutputBuffer *outBuffer = nullptr; // standard output's, for the write error
    const FdInputBuffer *inBuffer = nullptr;   // standard input's, for the read error
};

// The whole program, arguments after the program's name to exit status, so that tests can
// run it in process: usage errors are 2, a port that cannot be opened or used, lost output
// and a script that cannot be read are 1, a failed loopback test is 3, a stop signal N is
// 128+N. clock: where the waits run; null for the machine's own.
int RunZelvanectl(const std::vector<std::string> &arguments, const CtlStreams &streams,
                  WaitClock *clock = nullptr);
