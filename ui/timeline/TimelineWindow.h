#pragma once

#include "SampleQueue.h"
#include "Trace.h"
#include "VcdRecording.h"

#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class TimelineView;

// The timeline: a window of its own beside the panel. While it is open the port thread
// samples the connector into it; closed, it asks for nothing, and a recording under way ends.
class TimelineWindow : public QWidget {
    Q_OBJECT
public:
    // Starts (a queue and an interval) or stops (null) the port thread's sampling.
    using Sampling = std::function<void(std::shared_ptr<SampleQueue>, std::chrono::nanoseconds)>;

    static constexpr std::chrono::nanoseconds kDefaultInterval = std::chrono::milliseconds(1);
    // Frames at the pace a person reads them; the samples wait in their queue meanwhile.
    static constexpr std::chrono::milliseconds kFrame{50};

    explicit TimelineWindow(Sampling sampling, QWidget *parent = nullptr);
    ~TimelineWindow() override;

    TimelineView *view() const { return m_view; }
    const Trace &trace() const { return m_trace; }
    // Takes what the port thread has sampled; the window does so once a frame.
    void takeSamples();
    // Recording to a new file in the documents folder; false, saying why, when it cannot.
    bool startRecording();
    void stopRecording();
    bool recording() const { return m_recording != nullptr; }
    QString recordingPath() const { return m_recordingPath; }
    // The view as a picture in the documents folder; its path, empty when it failed.
    QString exportView(const QString &suffix);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void startSampling();
    QString newDocumentPath(const QString &suffix) const;
    void showInterval(std::int64_t achieved);
    void say(const QString &text);

    Sampling m_sampling;
    std::shared_ptr<SampleQueue> m_queue;
    Trace m_trace;
    std::unique_ptr<VcdRecording> m_recording;
    QString m_recordingPath;
    std::int64_t m_sampledUpTo = 0;
    std::uint32_t m_levels = 0; // the newest sample's
    std::int64_t m_shownInterval = -1;
    QTimer m_frame;
    TimelineView *m_view;
    QComboBox *m_interval;
    QLabel *m_achieved;
    QPushButton *m_record;
    QPushButton *m_pause;
    QPushButton *m_follow;
    QLabel *m_cursors;
    QLabel *m_message;
    QPushButton *m_openFolder;
};
