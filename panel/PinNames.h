#pragma once

#include "PinTable.h"

#include <string_view>

// The names a pin goes by outside this program: its IEEE 1284 signal on the DB-25 connector.
std::string_view PinSignalName(const ConnectorPin &pin);

// D3, d3, pin5 and the signal names (STROBE, ACK, PE, ...) all find the same pin; case is
// not significant.
const ConnectorPin *FindPinByAnyName(std::string_view name);

// "out" for D0-D7 and C0-C3, "in" for S3-S7, "ground".
// "in" or "out" ("-" for ground); the data pins are inputs where dataIn says so.
std::string_view PinDirection(const ConnectorPin &pin, bool dataIn = false);
