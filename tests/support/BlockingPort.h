#pragma once

#include "SimulatedPort.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

// The simulated port, whose every access waits, as one the kernel keeps: for `each`, or
// until released.
class BlockingPort final : public PortBackend {
public:
    // closed, if given, is set once the port is closed.
    explicit BlockingPort(std::chrono::milliseconds each, std::atomic<bool> *closed = nullptr)
        : m_each(each), m_closed(closed)
    {
    }
    ~BlockingPort() override
    {
        if (m_closed)
            *m_closed = true;
    }

    bool readRegister(PortRegister reg, std::uint8_t &value) override
    {
        wait();
        return m_port.readRegister(reg, value);
    }
    bool writeRegister(PortRegister reg, std::uint8_t value) override
    {
        wait();
        return m_port.writeRegister(reg, value);
    }
    std::string describe() const override { return "blocking simulated port"; }

    // An access is waiting now.
    bool keeping() const { return m_keeping; }

    // Every access from now on goes through at once.
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_answered.notify_all();
    }

private:
    void wait()
    {
        std::unique_lock lock(m_mutex);
        m_keeping = true;
        m_answered.wait_for(lock, m_each, [this] { return m_released; });
        m_keeping = false;
    }

    SimulatedPort m_port;
    std::chrono::milliseconds m_each;
    std::atomic<bool> *m_closed;
    std::mutex m_mutex;
    std::condition_variable m_answered;
    bool m_released = false;
    std::atomic<bool> m_keeping{false};
};
