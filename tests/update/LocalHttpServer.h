#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

// A tiny HTTP server on 127.0.0.1 living in the test's own thread. It only answers while the test thread
// runs its event loop, so an answer can only reach a caller that has already returned: a check that waited
// for its answer inside the call could never get one.
class LocalHttpServer {
public:
    // Once a request's headers are in, answer is written whole and the connection closed; an empty answer
    // leaves the request unanswered for good.
    explicit LocalHttpServer(const QByteArray& answer = {}) {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this, answer] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, answer] {
                    if (!socket->peek(socket->bytesAvailable()).endsWith("\r\n\r\n"))
                        return;
                    requests.append(socket->readAll());
                    if (!answer.isEmpty()) {
                        socket->write(answer);
                        socket->disconnectFromHost();
                    }
                });
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    QString address(const QString& path) const { return QStringLiteral("http://127.0.0.1:%1").arg(port()) + path; }
    // An answer with status 200 and the given body.
    static QByteArray ok(const QByteArray& body) {
        return "HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }

    // Every complete request received (request line and headers), oldest first.
    QList<QByteArray> requests;

private:
    QTcpServer m_server;
};
