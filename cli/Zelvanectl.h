#pragma once

#include <ostream>
#include <string>
#include <vector>

// The whole program, arguments after the program's name to exit status, so that tests can
// run it in process: usage errors are 2, a port that cannot be opened or used is 1, a
// failed loopback test is 3.
int RunZelvanectl(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err);
