#include "db/JetFile.h"

#include <QFile>

namespace dao {

bool isJetHeader(const QByteArray& firstBytes) {
    if (firstBytes.size() < kJetHeaderBytes || !firstBytes.startsWith(QByteArrayLiteral("\x00\x01\x00\x00")))
        return false;
    const QByteArray name = firstBytes.mid(4, 15);
    return name == "Standard Jet DB" || name == "Standard ACE DB";
}

bool isJetFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && isJetHeader(file.read(kJetHeaderBytes));
}

} // namespace dao
