#include "simulator.h"

#include "children.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>

Simulator::Simulator(const QString& mode, quint16 port, const QStringList& options)
{
    endWithTheTest(m_process);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(RECEIVER_SIM_BIN),
                    QStringList{QStringLiteral("--mode"), mode, QStringLiteral("--port"),
                                QString::number(port)} +
                        options);
    if (!m_process.waitForStarted(5000))
        qFatal("receiver-sim did not start");
    QElapsedTimer clock;
    clock.start();
    while (m_port == 0 && clock.elapsed() < 5000) {
        m_process.waitForReadyRead(100);
        m_partial += m_process.readAllStandardOutput();
        const qsizetype end = m_partial.indexOf('\n');
        if (end < 0)
            continue;
        const QByteArray first = m_partial.left(end);
        m_partial.remove(0, end + 1);
        const QByteArray prefix = "listening on ";
        if (!first.startsWith(prefix))
            qFatal("receiver-sim said: %s", first.constData());
        m_address = QString::fromLatin1(first.mid(prefix.size()));
        m_port = static_cast<quint16>(m_address.section(QLatin1Char(':'), -1).toUInt());
    }
    if (m_port == 0)
        qFatal("receiver-sim did not listen");
}

Simulator::~Simulator() { stop(); }

QString Simulator::address() const { return m_address; }

void Simulator::drain()
{
    m_partial += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_partial.left(end));
        m_partial.remove(0, end + 1);
        (line.startsWith(QLatin1String("mode ")) ? m_modes : m_lines) << line;
    }
}

QStringList Simulator::lines()
{
    drain();
    return m_lines;
}

QStringList Simulator::targets()
{
    QStringList result;
    for (const QString& line : lines())
        result << line.section(QLatin1Char('\t'), 0, 0).section(QLatin1Char(' '), 1, 1);
    return result;
}

bool Simulator::waitForTargets(int count, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (targets().size() < count) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(5);
    }
    return true;
}

void Simulator::setMode(const QString& mode)
{
    const qsizetype before = m_modes.size();
    m_process.write(mode.toLatin1() + '\n');
    m_process.waitForBytesWritten(5000);
    QElapsedTimer clock;
    clock.start();
    while (drain(), m_modes.size() == before) {
        if (clock.elapsed() > 5000)
            qFatal("receiver-sim did not switch to %s", qPrintable(mode));
        QTest::qWait(5);
    }
}

void Simulator::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    drain();
    m_process.kill();
    m_process.waitForFinished(5000);
    drain();
}

QString rcTarget(int code) { return QStringLiteral("/cgi-bin/rc?%1").arg(code); }

quint16 closedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        qFatal("no free loopback port");
    return server.serverPort();
}
