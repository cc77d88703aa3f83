#pragma once

// What a run keeps of a shared (ppdev) port between two accesses: nothing, a hold for
// accesses with no wait between them, or a reservation that keeps only other copies of ours
// off across a pulse's waits. Elsewhere the port layer makes these no-ops.
class PortGrip {
public:
    // False, with a notice from the port layer, when the port could not be had.
    bool hold();
    // From nothing only: a hold is let go of first, by the caller, who knows what it cached.
    bool reserve();
    // True where something was let go of: what the port holds may change from now on.
    bool letGo();

    bool holding() const { return m_grip == Grip::Held; }
    bool any() const { return m_grip != Grip::None; }

private:
    enum class Grip { None, Held, Reserved } m_grip = Grip::None;
};
