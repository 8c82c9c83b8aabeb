#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>

#include <atomic>
#include <mutex>
#include <vector>

// Nanoseconds on the monotonic clock that the receiver thread and the presses share.
qint64 nowNs();

struct Arrival {
    qint64 at;         // when the request line was complete
    QByteArray target; // such as "/cgi-bin/rc?115"
};

// A receiver on 127.0.0.1 in a thread of its own. It stamps each request the
// moment its request line is complete and answers as the bundled simulator
// does, on a connection kept open.
class TimedReceiver {
public:
    TimedReceiver();
    ~TimedReceiver();
    TimedReceiver(const TimedReceiver&) = delete;
    TimedReceiver& operator=(const TimedReceiver&) = delete;

    quint16 port() const { return m_port; }
    QString address() const;
    int count() const { return m_count.load(); }
    Arrival arrival(int index) const;
    std::vector<Arrival> since(int index) const;

    // The answer the simulator gives a key request.
    static const QByteArray& answer();

private:
    friend class ReceiverServer;
    void record(QByteArray target);

    QThread m_thread;
    quint16 m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<Arrival> m_arrivals;
    std::atomic<int> m_count{0};
};

// A plain blocking socket to the receiver: the floor for any sender on loopback.
class RawClient {
public:
    explicit RawClient(quint16 port);
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    // Writes one GET for the target and reads its whole answer.
    void get(const QByteArray& target);

private:
    int m_fd = -1;
    QByteArray m_request;
};
