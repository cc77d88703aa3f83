#include "PinLevels.h"

PinLevels &ProcessPinLevels()
{
    static PinLevels levels;
    return levels;
}
