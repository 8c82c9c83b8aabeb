#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The receiver simulator as a child process on a loopback address, and what it received.
class Simulator {
public:
    // `options` go to the simulator as they are, such as {"--listen", "::1"}.
    explicit Simulator(const QString& mode = QStringLiteral("ok"), quint16 port = 0,
                       const QStringList& options = {});
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    quint16 port() const { return m_port; }
    // As it goes into config.txt: "127.0.0.1:PORT" or "[::1]:PORT".
    QString address() const;

    // Request targets received so far, such as "/cgi-bin/rc?115".
    QStringList targets();
    // Full log lines of the requests received so far.
    QStringList lines();
    // Keeps the event loop running until at least `count` requests have arrived.
    bool waitForTargets(int count, int timeoutMs = 5000);

    // Switches the running simulator to another mode and waits until it has.
    void setMode(const QString& mode);

    void stop();

private:
    void drain();

    QProcess m_process;
    QString m_address;
    quint16 m_port = 0;
    QByteArray m_partial;
    QStringList m_lines;
    QStringList m_modes;
};

// "/cgi-bin/rc?<code>"
QString rcTarget(int code);

// A loopback port on which nothing listens: connections to it are refused.
quint16 closedPort();
