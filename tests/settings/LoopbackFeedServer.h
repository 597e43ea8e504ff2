#pragma once

#include <QByteArray>
#include <QHash>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// Serves one fixed HTTP response on 127.0.0.1 to every request, so that update checks run offline.
class LoopbackFeedServer : public QObject
{
    Q_OBJECT
public:
    LoopbackFeedServer();

    void setResponse(int status, const QByteArray& body);
    QUrl url() const;
    int requestCount() const { return m_requestCount; }

private:
    void read(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_requests;
    int m_status = 200;
    QByteArray m_body;
    int m_requestCount = 0;
};
