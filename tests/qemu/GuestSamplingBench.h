#pragma once

// The timeline's sampling at 1 kHz as the window's port thread does it, on the simulated port
// and on ppdev: prints a BENCH line; nonzero where a port would not open.
int runSamplingBench();
