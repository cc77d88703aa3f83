#pragma once

#include <string>
#include <vector>

// The cause and fix of the calling thread's last failed call: set here, read by
// zelvane_error_cause and zelvane_error_fix. Returns status, so that a call ends with it.
int Fail(int status, const std::string &cause, const std::string &fix);
// The port layer's refusals ("method: cause; fix: what to do"), each cause and fix on a line.
int FailWithRefusals(int status, const std::vector<std::string> &refusals);

const char *LastCause();
const char *LastFix();
