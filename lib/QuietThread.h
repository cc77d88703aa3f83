#pragma once

#include <functional>
#include <thread>

// A library thread that takes no signal: the program's own threads keep them, as they expect
// where they wait for them or handle them.
std::thread QuietThread(std::function<void()> body);
