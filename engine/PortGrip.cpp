#include "PortGrip.h"

#include "WinIo.h"

bool PortGrip::hold()
{
    if (m_grip == Grip::None && HoldPort())
        m_grip = Grip::Held;
    return m_grip != Grip::None;
}

bool PortGrip::reserve()
{
    if (m_grip == Grip::None && ReservePort())
        m_grip = Grip::Reserved;
    return m_grip != Grip::None;
}

bool PortGrip::letGo()
{
    if (m_grip == Grip::None)
        return false;
    LetGoOfPort();
    m_grip = Grip::None;
    return true;
}
