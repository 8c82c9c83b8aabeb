#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// The longest time the event loop went without running a 10 ms timer.
class StallMeter {
public:
    StallMeter();
    qint64 worstGapMs() const { return m_worst; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_worst = 0;
};

// Under the sanitizers freed memory waits in quarantine and every allocation
// carries shadow memory: resident sizes then measure the tool, not the program.
#ifdef ORVALET_SANITIZED
inline constexpr bool memoryIsMeasurable = false;
#else
inline constexpr bool memoryIsMeasurable = true;
#endif

// This process's resident memory and its peak since the last resetPeakMemory(), in KiB,
// from /proc/self/status.
qint64 residentKiB();
qint64 peakResidentKiB();
void resetPeakMemory();

// True while a message box of the program is up.
bool messageBoxShown();

// Runs the event loop as the program runs it, without the pauses QTest::qWait
// takes between rounds, until `done` holds; false when the time ran out.
bool runUntil(const std::function<bool()>& done, int timeoutMs);
