#pragma once

#include "CZelvaneDlg.h"
#include "CallTrace.h"
#include "IndicatorLabel.h"
#include "WinIo.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

// Runs the real panel window modally over a recording port, on levels of its own; the steps
// run inside its modal loop, one per event-loop turn. If the window is still open after the
// last, the harness ends it and says so in closedByHarness.
class PanelHarness {
public:
    explicit PanelHarness(bool portOpens = true)
    {
        SetPortOpener([this, portOpens]() -> PortOpening {
            if (!portOpens)
                return {nullptr, {"the test port does not open"}};
            auto opened = std::make_unique<RecordingPort>(trace, reads);
            port = opened.get();
            return {std::move(opened), {}};
        });
    }
    ~PanelHarness() { SetPortOpener(nullptr); }

    int run(std::vector<std::function<void()>> steps)
    {
        m_steps = std::move(steps);
        QTimer::singleShot(0, &panel, [this] { next(); });
        result = panel.DoModal();
        return result;
    }

    // Waits until every request sent to the port thread has come back and been shown.
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!panel.portBusy(), 10000); }

    IndicatorLabel *indicator(int id) const { return panel.indicator(id); }
    QPushButton *button(int id) const { return panel.button(id); }

    CallTrace trace;
    RecordingPort *port = nullptr; // once opened, until closed
    std::deque<std::uint8_t> reads;
    PinLevels levels;
    CZelvaneDlg panel{levels};
    int result = -1;
    bool closedByHarness = false;

private:
    void next()
    {
        if (m_steps.empty()) {
            // A failed step may leave a box open over the panel; never wait on it.
            while (QWidget *modal = QApplication::activeModalWidget()) {
                if (modal == &panel)
                    break;
                modal->close();
            }
            if (panel.isVisible()) {
                closedByHarness = true;
                panel.reject();
            }
            return;
        }
        if (m_stepped && panel.portBusy()) { // a step starts with what the last one sent shown
            QTimer::singleShot(1, &panel, [this] { next(); });
            return;
        }
        m_stepped = true;
        auto step = std::move(m_steps.front());
        m_steps.erase(m_steps.begin());
        step();
        QTimer::singleShot(0, &panel, [this] { next(); });
    }

    std::vector<std::function<void()>> m_steps;
    bool m_stepped = false;
};
