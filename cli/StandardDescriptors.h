#pragma once

// Descriptors 0-2 closed at start are held on nothing (an O_PATH descriptor, which refuses
// every read and write with EBADF, as a closed one does), so that no file this program opens
// takes their numbers: a trace opened with standard output closed would otherwise receive
// what was meant for standard output. Call first thing in main.
void HoldClosedStandardDescriptors();
