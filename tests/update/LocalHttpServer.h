#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

// A tiny HTTP server on 127.0.0.1 for the update check, living in the test's own thread. Because it only
// answers while the test thread runs its event loop, an answer can only ever reach a caller that has
// already returned: a check that waited for its answer before returning could never get one.
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Answer, // write the answer as soon as the request is complete, then close
        Hold,   // read the request and never answer
    };

    explicit LocalHttpServer(QObject* parent = nullptr);

    bool listen();
    quint16 port() const { return m_server.serverPort(); }
    QString address(const QString& path) const;

    void setMode(Mode mode) { m_mode = mode; }
    void setAnswer(const QByteArray& answer) { m_answer = answer; }
    // An answer with status 200 and the given body.
    static QByteArray ok(const QByteArray& body);

    // Every complete request received (request line and headers), oldest first.
    QList<QByteArray> requests() const { return m_requests; }
    int answered() const { return m_answered; }
    // How many clients went away before the server closed their connection.
    int clientsLeft() const { return m_clientsLeft; }
    // Ordered record of what happened ("request", "answered", "client left"), shared with the test.
    QStringList* events = nullptr;

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);

    QTcpServer m_server;
    Mode m_mode = Mode::Answer;
    QByteArray m_answer;
    QList<QByteArray> m_requests;
    int m_answered = 0;
    int m_clientsLeft = 0;
};
