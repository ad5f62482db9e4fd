#include "net/Wire.h"

#include <QtEndian>

QByteArray Wire::integer(qint32 value) {
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray Wire::string(const QByteArray& text) {
    return integer(static_cast<qint32>(text.size())) + text;
}

qint32 Wire::toInteger(const char* fourBytes) {
    return qFromLittleEndian<qint32>(fourBytes);
}
