#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

class FdOutputBuffer;

struct CtlStreams {
    std::istream &in; // a script given as "-"
    std::ostream &out;
    std::ostream &err;
    const FdOutputBuffer *outBuffer = nullptr; // standard output's, for the write error
};

// The whole program, arguments after the program's name to exit status, so that tests can
// run it in process: usage errors are 2, a port that cannot be opened or used and lost
// output are 1, a failed loopback test is 3, a stop signal N is 128+N.
int RunZelvanectl(const std::vector<std::string> &arguments, const CtlStreams &streams);
