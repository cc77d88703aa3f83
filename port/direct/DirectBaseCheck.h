#pragma once

#include "PortDoctor.h"

#include <string>
#include <string_view>

// direct:BASE asks the kernel for raw access to BASE..BASE+2, which at a mistyped base
// (0x37 for 0x378, 0) are another device's registers: the DMA controller, the interrupt
// controller, a disk. So only a base where a parallel port can be is asked for: one the
// kernel's parport driver reports, one inside a PCI parallel card's I/O region (class
// 0x0701xx in sysfs), or the ISA ports' 0x378, 0x278 and 0x3BC. direct-unchecked:BASE asks
// anyway.
//
// Why BASE is refused, with what the machine has instead and the fix (source names where
// the choice came from: ZELVANE_PORT or --port); empty where BASE is a port's.
std::string DirectBaseRefusal(const DoctorContext &machine, unsigned base, std::string_view source);
