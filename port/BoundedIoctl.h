#pragma once

#include <chrono>

// Runs an ioctl that may sleep (PPCLAIM waits while another program holds the port) and
// interrupts it with a signal aimed at this thread once the timeout has passed.
// Returns the ioctl's result; errno is ETIMEDOUT when the wait was cut short.
int BoundedIoctl(int fd, unsigned long request, std::chrono::milliseconds timeout);
