#pragma once

#include "CZelvaneDlg.h"
#include "CallTrace.h"
#include "IndicatorLabel.h"
#include "WinIo.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <functional>

// Runs the real panel window modally over a recording port; the steps run inside its modal
// loop, one per event-loop turn, and the window is cancelled after the last if still open.
class PanelHarness {
public:
    explicit PanelHarness(bool portOpens = true)
    {
        SetPortBackendOpener([this, portOpens]() -> std::unique_ptr<PortBackend> {
            if (!portOpens)
                return nullptr;
            return std::make_unique<RecordingPort>(trace, reads);
        });
    }
    ~PanelHarness() { SetPortBackendOpener(nullptr); }

    int run(std::vector<std::function<void()>> steps)
    {
        m_steps = std::move(steps);
        QTimer::singleShot(0, [this] { next(); });
        result = panel.DoModal();
        return result;
    }

    IndicatorLabel *indicator(int id) const { return panel.indicator(id); }
    QPushButton *button(int id) const { return panel.findChild<QPushButton *>(QString::number(id)); }

    CallTrace trace;
    std::deque<std::uint8_t> reads;
    CZelvaneDlg panel;
    int result = -1;

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
            if (panel.isVisible())
                panel.reject();
            return;
        }
        auto step = std::move(m_steps.front());
        m_steps.erase(m_steps.begin());
        step();
        QTimer::singleShot(0, [this] { next(); });
    }

    std::vector<std::function<void()>> m_steps;
};
