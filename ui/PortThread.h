#pragma once

#include "PanelRequest.h"
#include "PortBackend.h"
#include "PortNotice.h"
#include "SampleQueue.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

// The one thread that touches the port. The window sends it requests and shows what comes
// back, so that no access, however long the kernel keeps it, holds up the window; requests
// run in the order sent, and their outcomes (with the notices their accesses gave) come
// back in that order, on the window's thread.
class PortThread : public QObject {
    Q_OBJECT
public:
    struct Opening {
        bool opened = false;
        QStringList refusals;               // why not, when not opened
        QString description;                // which port, when opened
        std::optional<unsigned> kernelPort; // the kernel's parportN behind it
        DirectionAbility dataDirection;     // whether its data lines can be turned in
    };

    // From the opening on, the levels are the port thread's: the window reads them no more.
    explicit PortThread(PinLevels &levels, QObject *parent = nullptr);
    // Closes as close() does, if it has not; a thread left to the kernel stays there.
    ~PortThread() override;

    // Opens the driver there and waits for the outcome at most `wait`: nullopt if the kernel
    // kept the opening longer (opened() then says how it went).
    std::optional<Opening> open(std::chrono::milliseconds wait);

    void send(const PanelRequest &request);
    // Nothing is sent while an earlier request is outstanding: a poll is dropped, not queued.
    bool sendPoll(const PanelRequest &poll);
    bool busy() const { return !m_sentAt.empty(); }
    // How long the oldest outstanding request has been waiting.
    std::chrono::milliseconds busyFor() const;

    // Reads the connector there every interval, between requests and never delaying one, into
    // `into`; after each request the levels it left go there too, marked with what it was.
    // A null queue stops it, and the thread sleeps on its queue alone again.
    void sample(std::shared_ptr<SampleQueue> into, std::chrono::nanoseconds interval);

    // Closes the driver there and ends the thread, waiting at most `wait`. False if the thread
    // is stuck in the kernel: it is then left there, with nothing more sent to it, and the
    // process must end without waiting for it.
    bool close(std::chrono::milliseconds wait);

    struct Shared; // what the thread's work and this object share, outliving either

signals:
    void opened(const PortThread::Opening &opening); // a late opening only
    void done(const PanelOutcome &outcome, const std::vector<PortNotice> &notices);

private:
    void post(std::function<void()> work);

    void finished(const PanelOutcome &outcome, const std::vector<PortNotice> &notices);

    std::shared_ptr<Shared> m_shared;
    std::deque<QElapsedTimer> m_sentAt; // of the outstanding requests, oldest first
    bool m_stuck = false;
};
