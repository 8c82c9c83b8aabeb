#pragma once

#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

// "/cgi-bin/rc?<code>"
inline QString rcTarget(int code) { return QStringLiteral("/cgi-bin/rc?%1").arg(code); }

// The receiver simulator as a child process on a loopback address, and what it received.
class Simulator {
public:
    // `options` go to the simulator as they are, such as {"--listen", "::1"}.
    explicit Simulator(const QString& mode = QStringLiteral("ok"), quint16 port = 0,
                       const QStringList& options = {})
    {
        // It dies with the test, however the test ends.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(RECEIVER_SIM_BIN),
                        QStringList{QStringLiteral("--mode"), mode, QStringLiteral("--port"),
                                    QString::number(port)} +
                            options);
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
        }
        const QByteArray first = m_process.readLine().trimmed();
        if (!first.startsWith("listening on "))
            qFatal("receiver-sim said: %s", first.constData());
        m_address = QString::fromLatin1(first.mid(13));
    }
    ~Simulator() { m_process.kill(), m_process.waitForFinished(5000); }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // As it goes into config.txt: "127.0.0.1:PORT" or "[::1]:PORT".
    QString address() const { return m_address; }
    quint16 port() const { return quint16(m_address.section(QLatin1Char(':'), -1).toUInt()); }
    // Its log lines of the requests received so far: "GET <target> HTTP/1.1\t...\tauth=<-|ok|bad>".
    QStringList lines()
    {
        while (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            line.startsWith(QLatin1String("mode ")) ? void(++m_modes) : void(m_lines << line);
        }
        return m_lines;
    }
    // Request targets received so far, such as "/cgi-bin/rc?115".
    QStringList targets()
    {
        QStringList result;
        for (const QString& line : lines())
            result << line.section(QLatin1Char(' '), 1, 1);
        return result;
    }
    // Keeps the event loop running until at least `count` requests have arrived.
    bool waitForTargets(int count, int timeoutMs = 5000)
    {
        return QTest::qWaitFor([&] { return targets().size() >= count; }, timeoutMs);
    }
    // Switches the running simulator to another mode and waits until it has.
    void setMode(const QString& mode)
    {
        const int before = (lines(), m_modes);
        m_process.write(mode.toLatin1() + '\n');
        if (!QTest::qWaitFor([&] { return lines(), m_modes > before; }))
            qFatal("receiver-sim did not switch to %s", qPrintable(mode));
    }

private:
    QProcess m_process;
    QString m_address;
    QStringList m_lines;
    int m_modes = 0;
};

// A loopback port on which nothing listens: connections to it are refused.
inline quint16 closedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        qFatal("no free loopback port");
    return server.serverPort();
}
