#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <deque>

class QNetworkAccessManager;
class QNetworkReply;

namespace orvalet {

// A panel's hidden view: it loads request URLs and throws the answers away.
// Requests go out one at a time so that the receiver sees presses in the order
// they were made; a silent receiver holds the queue for a few seconds at most,
// and presses that waited too long behind it are given up, oldest first.
class Browser : public QObject {
    Q_OBJECT

public:
    static constexpr int requestDeadlineMs = 3000;
    // A press still waiting after this long is stale: the user has moved on.
    static constexpr qint64 staleAfterMs = 2 * requestDeadlineMs;
    // Past this many waiting presses the oldest is given up.
    static constexpr std::size_t maxPending = 1024;
    // An answer longer than this is cut off; nothing of it is used.
    static constexpr qint64 maxAnswerBytes = 64 * 1024;

    explicit Browser(QObject* parent = nullptr);
    ~Browser() override;

    void navigate(const QUrl& url);

    std::size_t pendingCount() const { return m_pending.size(); }
    // Presses given up so far, stale or over the limit.
    quint64 givenUp() const { return m_givenUp; }
    bool isLoading() const { return m_current != nullptr; }

signals:
    // Emitted when a request has ended, however it ended.
    void requestEnded();

private:
    void startNext();
    void discardAnswer();
    void endCurrent();

    struct Press {
        QUrl url;
        qint64 at;
    };

    QNetworkAccessManager& m_network;
    QElapsedTimer m_clock;
    std::deque<Press> m_pending;
    quint64 m_givenUp = 0;
    QNetworkReply* m_current = nullptr;
    qint64 m_answerBytes = 0;
    QTimer m_deadline;
};

} // namespace orvalet
