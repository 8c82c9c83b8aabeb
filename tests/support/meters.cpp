#include "meters.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>

namespace {

qint64 statusField(const char* name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        qFatal("cannot read /proc/self/status");
    const QByteArray prefix = QByteArray(name) + ':';
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    qFatal("no %s in /proc/self/status", name);
}

} // namespace

StallMeter::StallMeter()
{
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout,
                     [this] { m_worst = std::max(m_worst, m_clock.restart()); });
    m_clock.start();
    m_timer.start();
}

qint64 residentKiB() { return statusField("VmRSS"); }

qint64 peakResidentKiB() { return statusField("VmHWM"); }

void resetPeakMemory()
{
    // Writing 5 to clear_refs sets the peak back to the current size.
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (!refs.open(QIODevice::WriteOnly) || refs.write("5") != 1)
        qFatal("cannot reset the peak resident size");
}

bool messageBoxShown()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(w) && w->isVisible())
            return true;
    }
    return false;
}

bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > timeoutMs)
            loop.quit();
    });
    poll.start(1);
    if (!done())
        loop.exec();
    return done();
}
