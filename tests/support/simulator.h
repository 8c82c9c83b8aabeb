#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The receiver simulator as a child process on 127.0.0.1, and what it received.
class Simulator {
public:
    explicit Simulator(const QString& mode = QStringLiteral("ok"), quint16 port = 0);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    quint16 port() const { return m_port; }
    QString address() const;

    // Request targets received so far, such as "/cgi-bin/rc?115".
    QStringList targets();
    // Full log lines received so far.
    QStringList lines();
    // Keeps the event loop running until at least `count` requests have arrived.
    bool waitForTargets(int count, int timeoutMs = 5000);

    void stop();

private:
    void drain();

    QProcess m_process;
    quint16 m_port = 0;
    QByteArray m_partial;
    QStringList m_lines;
};

// "/cgi-bin/rc?<code>"
QString rcTarget(int code);
