#pragma once

#include <functional>
#include <optional>
#include <string>

// Without a display Qt's platform plugin ends the process with SIGABRT. Where the display
// the plugin would use is plainly missing this says so first, from the environment
// (getenv's answers); nullopt where there is one, or where the plugin is one that needs none.
std::optional<std::string> WhyNoDisplay(const std::function<const char *(const char *)> &env);

// For a display that is named but cannot be reached: while the application object is made,
// a fatal message from the platform plugin ends the process with status 1 and one line,
// instead of an abort. The plugin's warnings are held back meanwhile and passed on if the
// display opens after all.
class DisplayFailureGuard {
public:
    DisplayFailureGuard();
    ~DisplayFailureGuard();
    DisplayFailureGuard(const DisplayFailureGuard &) = delete;
    DisplayFailureGuard &operator=(const DisplayFailureGuard &) = delete;
};
