#pragma once

#include <QBuffer>

// A device that fails once a given number of bytes has gone through it, in either direction: a full disk or
// a failing drive without the machine having one.
class FailDevice : public QBuffer {
public:
    explicit FailDevice(qint64 failAfter, const QByteArray& contents = {}) : m_failAfter(failAfter) {
        setData(contents);
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_passed + maxSize > m_failAfter)
            return fail();
        const qint64 n = QBuffer::readData(data, maxSize);
        m_passed += n;
        return n;
    }
    qint64 writeData(const char* data, qint64 size) override {
        if (m_passed + size > m_failAfter)
            return fail();
        const qint64 n = QBuffer::writeData(data, size);
        m_passed += n;
        return n;
    }

private:
    qint64 fail() {
        setErrorString(QStringLiteral("FAILDEVICE"));
        return -1;
    }

    qint64 m_failAfter;
    qint64 m_passed = 0;
};
