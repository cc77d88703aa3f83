#pragma once

#include "IndicatorSink.h"
#include "KernelParport.h"
#include "PortBackend.h"

#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Port accesses and indicator calls in the one order they happened.
using CallTrace = std::vector<std::string>;

inline std::string registerName(PortRegister reg)
{
    switch (reg) {
    case PortRegister::Data:
        return "0x378";
    case PortRegister::Status:
        return "0x379";
    case PortRegister::Control:
        return "0x37A";
    }
    return "?";
}

// Answers reads from a script (then from fallback) and records every access.
class RecordingPort final : public PortBackend {
public:
    RecordingPort(CallTrace &trace, std::deque<std::uint8_t> reads = {}, std::uint8_t fallback = 0)
        : m_trace(trace), m_reads(std::move(reads)), m_fallback(fallback)
    {
    }

    ~RecordingPort() override { m_trace.push_back("close"); }

    bool readRegister(PortRegister reg, std::uint8_t &value) override
    {
        if (m_lost || m_refusing)
            return false;
        value = m_fallback;
        if (!m_reads.empty()) {
            value = m_reads.front();
            m_reads.pop_front();
        }
        m_trace.push_back("read " + registerName(reg) + " " + HexByte(value));
        return true;
    }

    bool writeRegister(PortRegister reg, std::uint8_t value) override
    {
        if (m_lost || m_refusing)
            return false;
        m_trace.push_back("write " + registerName(reg) + " " + HexByte(value));
        return true;
    }

    std::string describe() const override { return "recording port"; }
    std::optional<PortNotice> takeNotice() override { return std::exchange(m_notice, {}); }

    // From now on its data lines turn, as on a PS/2 port.
    void makeBidirectional() { m_bidirectional = true; }
    DirectionAbility dataDirectionAbility() override
    {
        return m_bidirectional ? DirectionAbility{DirectionAbility::Able}
                               : PortBackend::dataDirectionAbility();
    }
    bool setDataDirection(DataDirection direction) override
    {
        if (m_bidirectional)
            m_trace.push_back(direction == DataDirection::In ? "data in" : "data out");
        return m_bidirectional;
    }

    // Until given null, every access fails, as when another program uses the port; the user
    // hears notice once.
    void refuse(std::optional<PortNotice> notice)
    {
        m_refusing = notice.has_value();
        m_notice = std::move(notice);
    }
    std::optional<PortNotice> lost() const override { return m_lost; }

    // From now on every access fails, as on a port whose driver was unbound.
    void goAway()
    {
        m_lost = PortNotice{PortNotice::Kind::Gone, "the recording port went away", "gone"};
    }

private:
    std::optional<PortNotice> m_lost;
    std::optional<PortNotice> m_notice;
    bool m_refusing = false;
    bool m_bidirectional = false;
    CallTrace &m_trace;
    std::deque<std::uint8_t> m_reads;
    std::uint8_t m_fallback;
};

// Passes every access to a real backend and records it, as RecordingPort does.
class TracedPort final : public PortBackend {
public:
    TracedPort(CallTrace &trace, std::unique_ptr<PortBackend> real)
        : m_trace(trace), m_real(std::move(real))
    {
    }

    bool readRegister(PortRegister reg, std::uint8_t &value) override
    {
        const bool done = m_real->readRegister(reg, value);
        m_trace.push_back("read " + registerName(reg) + " " + HexByte(value));
        return done;
    }
    bool readRegisterNow(PortRegister reg, std::uint8_t &value) override
    {
        const bool done = m_real->readRegisterNow(reg, value);
        m_trace.push_back("peek " + registerName(reg) + (done ? " " + HexByte(value) : " failed"));
        return done;
    }
    bool writeRegister(PortRegister reg, std::uint8_t value) override
    {
        m_trace.push_back("write " + registerName(reg) + " " + HexByte(value));
        return m_real->writeRegister(reg, value);
    }
    std::string describe() const override { return m_real->describe(); }
    std::optional<unsigned> kernelPortNumber() const override { return m_real->kernelPortNumber(); }
    std::optional<PortNotice> lost() const override { return m_real->lost(); }
    std::optional<PortNotice> takeNotice() override { return m_real->takeNotice(); }
    DirectionAbility dataDirectionAbility() override { return m_real->dataDirectionAbility(); }
    bool setDataDirection(DataDirection direction) override
    {
        m_trace.push_back(direction == DataDirection::In ? "data in" : "data out");
        return m_real->setDataDirection(direction);
    }
    bool reserve() override { return m_real->reserve(); }
    bool hold() override { return m_real->hold(); }
    bool holdNow() override { return m_real->holdNow(); }
    void letGo() override { m_real->letGo(); }

private:
    CallTrace &m_trace;
    std::unique_ptr<PortBackend> m_real;
};

inline std::string imageName(ImageId image)
{
    switch (image) {
    case IDB_OUT_LOW:
        return "OUT_LOW";
    case IDB_HIGH:
        return "HIGH";
    case IDB_IN_LOW:
        return "IN_LOW";
    case IDB_CTRL_HIGH:
        return "CTRL_HIGH";
    default:
        return std::to_string(image);
    }
}

class RecordingSink final : public IndicatorSink {
public:
    explicit RecordingSink(CallTrace &trace) : m_trace(trace) {}

    void ShowIndicatorImage(ControlId controlId, ImageId image) override
    {
        m_trace.push_back("show " + std::to_string(controlId) + " " + imageName(image));
    }

    void EnableIndicatorClicks(ControlId controlId) override
    {
        m_trace.push_back("arm " + std::to_string(controlId));
    }

private:
    CallTrace &m_trace;
};
