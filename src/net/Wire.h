#pragma once

#include "protocol/Protocol.h"

#include <QByteArray>
#include <QtGlobal>

// The framing both ends share: integers as 4 bytes little-endian, strings as an integer byte
// count followed by the bytes, without terminator.
namespace Wire {
QByteArray integer(qint32 value);
QByteArray string(const QByteArray& text);
qint32 toInteger(const char* fourBytes);

// The commands and constants of the exchange, shared with the server.
using Command = Protocol::Command;
using enum Protocol::Command;
inline constexpr qint32 programVersion = Protocol::programVersion;
inline constexpr quint16 serverPort = Protocol::serverPort;
} // namespace Wire
