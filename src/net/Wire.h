#pragma once

#include <QByteArray>
#include <QtGlobal>

// The framing both ends share: integers as 4 bytes little-endian, strings as an integer byte
// count followed by the bytes, without terminator.
namespace Wire {
QByteArray integer(qint32 value);
QByteArray string(const QByteArray& text);
qint32 toInteger(const char* fourBytes);

// The commands that open each part of an exchange.
enum Command : qint32 {
    versionCheck = 1,
    uploadTable = 2,
    end = 3,
    synchronize = 4,
    uploadStream = 5,
};
inline constexpr qint32 programVersion = 173;
inline constexpr quint16 serverPort = 8228;
} // namespace Wire
