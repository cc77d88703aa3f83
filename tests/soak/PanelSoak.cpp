// 100,000 random user actions on the panel window over the simulated port. Checks, against a
// model of its own, that every indicator, the remembered levels and the port's registers
// stay right, and that images and memory do not grow. Prints its figures.
#include "CZelvaneApp.h"
#include "CZelvaneDlg.h"
#include "DialogTemplate.h"
#include "IndicatorImages.h"
#include "IndicatorLabel.h"
#include "PinLevels.h"
#include "PinTable.h"
#include "RegisterEncoding.h"
#include "ResidentMemory.h"
#include "SimulatedPort.h"
#include "WinIo.h"

#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <map>
#include <random>

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer resident memory mostly measures the sanitizer itself (quarantine,
// allocation stacks), so what the program holds is its live heap.
constexpr const char *kMemoryMeasure = "live heap";
long memoryInUseKiB()
{
    return static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
}
#else
constexpr const char *kMemoryMeasure = "resident memory";
long memoryInUseKiB()
{
    return residentKiB();
}
#endif

// What the user should see and the port should hold, kept apart from the program.
struct Model {
    std::array<std::uint8_t, 8> data{1, 1, 1, 1, 1, 1, 1, 1};
    std::array<std::uint8_t, 4> control{1, 1, 1, 1};
    std::uint8_t dataLatch = 0x00; // the simulated port's power-up state, until the first write
    bool controlReleasedByRead = false;
    std::map<int, ImageId> images;

    Model()
    {
        for (const ConnectorPin &pin : kConnectorPins)
            images[pin.controlId] = pin.clickable ? *pin.imageHigh : pin.startImage;
    }

    void click(const ConnectorPin &pin)
    {
        if (!pin.clickable)
            return;
        auto &level = pin.group == PinGroup::Data ? data[pin.bit] : control[pin.bit];
        level ^= 1;
        images[pin.controlId] = pin.imageForLevel(level);
        if (pin.group == PinGroup::Data)
            dataLatch = EncodeDataByte(data);
        else
            controlReleasedByRead = false;
    }

    void statusRead()
    {
        // The loopback plug: S3..S7 follow D0..D4 as last written to the port.
        const char *labels[] = {"S3", "S4", "S5", "S6", "S7"};
        for (int n = 0; n < 5; ++n) {
            const ConnectorPin *pin = findPinByLabel(labels[n]);
            images[pin->controlId] = pin->imageForLevel((dataLatch >> n) & 1);
        }
    }

    void controlRead()
    {
        for (const ConnectorPin *pin : kControlPins) // released, nothing pulls them low
            images[pin->controlId] = IDB_CTRL_HIGH;
        controlReleasedByRead = true;
    }
};

class Soak {
public:
    Soak(CZelvaneDlg &panel, SimulatedPort &port) : m_panel(panel), m_port(port) {}

    bool run(int actions)
    {
        m_panel.activateWindow();
        if (!QTest::qWaitForWindowActive(&m_panel))
            return failed("the panel never became active");
        QElapsedTimer clock;
        clock.start();
        for (int i = 1; i <= actions; ++i) {
            act();
            QApplication::processEvents();
            while (m_panel.portBusy()) // what it sent comes back before the next action
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (i % 1000 == 0 && !check(i))
                return false;
            if (i == 1000) {
                m_residentAfterFirst = memoryInUseKiB();
                m_imagesAfterFirst = IndicatorImages::decodeCount();
            }
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        const long residentAtEnd = memoryInUseKiB();
        std::printf(
            "soak: %d actions in %.1f s (%.0f us each): %d clicks, %d double clicks, %d status "
            "reads, %d control reads, %d About boxes, %d Tab, %d Space\n",
            actions, seconds, seconds * 1e6 / actions, m_counts["click"], m_counts["double"],
            m_counts["status"], m_counts["control"], m_counts["about"], m_counts["tab"],
            m_counts["space"]);
        std::printf("soak: %s after 1,000 actions %ld KiB, at the end %ld KiB (%+ld KiB); "
                    "images loaded %d, then %d\n",
                    kMemoryMeasure, m_residentAfterFirst, residentAtEnd,
                    residentAtEnd - m_residentAfterFirst, m_imagesAfterFirst,
                    IndicatorImages::decodeCount());
        if (IndicatorImages::decodeCount() != m_imagesAfterFirst)
            return failed("more images were loaded");
        if (residentAtEnd - m_residentAfterFirst > 1024)
            return failed(std::string(kMemoryMeasure) + " grew by more than 1 MiB");
        return true;
    }

private:
    IndicatorLabel *randomIndicator()
    {
        const ConnectorPin &pin = kConnectorPins[m_random() % kConnectorPins.size()];
        return m_panel.indicator(pin.controlId);
    }

    QPushButton *button(int id) { return m_panel.button(id); }

    void openAndCloseAbout(const std::function<void()> &open)
    {
        QTimer::singleShot(0, [] {
            if (QWidget *about = QApplication::activeModalWidget();
                about && about->inherits("CAboutDlg"))
                about->close();
        });
        open();
        ++m_counts["about"];
        m_panel.activateWindow();
    }

    void act()
    {
        const unsigned roll = m_random() % 100;
        if (roll < 40) {
            IndicatorLabel *target = randomIndicator();
            QTest::mouseClick(target, Qt::LeftButton);
            m_model.click(*findPinByControlId(target->controlId()));
            ++m_counts["click"];
        } else if (roll < 55) {
            IndicatorLabel *target = randomIndicator();
            QTest::mouseDClick(m_panel.windowHandle(), Qt::LeftButton, {},
                               target->geometry().center());
            m_model.click(*findPinByControlId(target->controlId()));
            ++m_counts["double"];
        } else if (roll < 63) {
            QTest::mouseClick(button(1008), Qt::LeftButton);
            m_model.statusRead();
            ++m_counts["status"];
        } else if (roll < 71) {
            QTest::mouseClick(button(1011), Qt::LeftButton);
            m_model.controlRead();
            ++m_counts["control"];
        } else if (roll < 72) {
            if (m_random() % 2)
                openAndCloseAbout([&] { QTest::mouseClick(button(1012), Qt::LeftButton); });
            else
                openAndCloseAbout([&] { m_panel.windowMenu()->actions().last()->trigger(); });
        } else if (roll < 86) {
            if (QWidget *focus = QApplication::focusWidget())
                QTest::keyClick(focus, Qt::Key_Tab);
            ++m_counts["tab"];
        } else {
            pressSpace();
        }
    }

    void pressSpace()
    {
        QWidget *focus = QApplication::focusWidget();
        if (!focus || focus == button(IDCANCEL))
            return; // Space on 退出程序 would end the run
        ++m_counts["space"];
        if (focus == button(1012))
            return openAndCloseAbout([&] { QTest::keyClick(focus, Qt::Key_Space); });
        QTest::keyClick(focus, Qt::Key_Space);
        if (focus == button(1008))
            m_model.statusRead();
        else if (focus == button(1011))
            m_model.controlRead();
    }

    bool check(int actions)
    {
        for (const auto &[id, image] : m_model.images)
            if (m_panel.indicator(id)->image() != image)
                return failed("indicator " + std::to_string(id) + " is wrong after " +
                              std::to_string(actions));
        const PinLevels &levels = ProcessPinLevels();
        if (levels.data != m_model.data || levels.control != m_model.control)
            return failed("remembered levels differ");
        if (m_port.dataLatch() != m_model.dataLatch)
            return failed("data register differs");
        const std::uint8_t control = m_port.controlLatch();
        if (m_model.controlReleasedByRead ? (control & 0x0F) != 0x04
                                          : control != EncodeControlByte(m_model.control))
            return failed("control register differs");
        QSet<qint64> pixmaps;
        for (const ConnectorPin &pin : kConnectorPins)
            pixmaps.insert(m_panel.indicator(pin.controlId)->pixmap().cacheKey());
        if (pixmaps.size() > 4)
            return failed("the indicators hold more than the four shared images");
        return true;
    }

    bool failed(const std::string &what)
    {
        std::printf("soak FAILED: %s\n", what.c_str());
        return false;
    }

    CZelvaneDlg &m_panel;
    SimulatedPort &m_port;
    Model m_model;
    std::mt19937 m_random{20261207};
    std::map<std::string, int> m_counts;
    long m_residentAfterFirst = 0;
    int m_imagesAfterFirst = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    const int actions = argc > 1 ? std::atoi(argv[1]) : 100000;
    CZelvaneApp app(argc, argv);
    auto *port = new SimulatedPort;
    SetPortOpener([port] { return PortOpening{std::unique_ptr<PortBackend>(port), {}}; });
    bool passed = false;
    CZelvaneDlg panel(ProcessPinLevels());
    QTimer::singleShot(0, [&] {
        Soak soak(panel, *port);
        passed = soak.run(actions);
        panel.reject();
    });
    panel.DoModal();
    SetPortOpener(nullptr);
    std::printf("%s\n", passed ? "soak PASSED" : "soak FAILED");
    return passed ? 0 : 1;
}
