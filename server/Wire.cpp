#include "server/Wire.h"

#include <QtEndian>

namespace wire {
void putInt(QByteArray& out, qint32 value) {
    char bytes[4];
    qToLittleEndian<qint32>(value, bytes);
    out.append(bytes, 4);
}

void putString(QByteArray& out, QByteArrayView text) {
    putInt(out, static_cast<qint32>(text.size()));
    out.append(text.data(), text.size());
}

qint32 intAt(const char* bytes) {
    return qFromLittleEndian<qint32>(bytes);
}

void Input::append(const QByteArray& bytes) {
    // Parsed bytes are dropped lazily so that appending stays cheap, but soon enough that a
    // session holds little beyond what it has not parsed yet.
    if (position > 0 && (position >= buffer.size() / 2 || position >= 64 * 1024)) {
        buffer.remove(0, position);
        position = 0;
    }
    buffer.append(bytes);
}

Input::Result Input::takeInt(qint32* value) {
    if (available() < 4) {
        return Result::NeedMore;
    }
    *value = intAt(buffer.constData() + position);
    position += 4;
    return Result::Ok;
}

Input::Result Input::takeString(QByteArray* text, qint32 maxLength) {
    if (available() < 4) {
        return Result::NeedMore;
    }
    const qint32 length = intAt(buffer.constData() + position);
    if (length < 0) {
        return Result::Negative;
    }
    if (length > maxLength) {
        return Result::Invalid;
    }
    if (available() < 4 + qsizetype(length)) {
        return Result::NeedMore;
    }
    *text = buffer.mid(position + 4, length);
    position += 4 + length;
    return Result::Ok;
}
int Input::takeFramedRun(QByteArray* out, qint32 maxLength, qsizetype maxBytes, Result* stop) {
    const char* data = buffer.constData();
    qsizetype at = position;
    const qsizetype end = buffer.size();
    int count = 0;
    *stop = Result::NeedMore;
    while (end - at >= 4) {
        const qint32 length = intAt(data + at);
        if (length == 0) {
            *stop = Result::Ok;
            break;
        }
        if (length < 0 || length > maxLength) {
            *stop = length < 0 ? Result::Negative : Result::Invalid;
            break;
        }
        const qsizetype framed = 4 + qsizetype(length);
        if (end - at < framed || at - position + framed > maxBytes) {
            break;
        }
        at += framed;
        ++count;
    }
    out->append(data + position, at - position);
    position = at;
    return count;
}

qsizetype Input::nextStringBytes(qint32 maxLength) const {
    if (available() < 4) {
        return -1;
    }
    const qint32 length = intAt(buffer.constData() + position);
    return length < 0 || length > maxLength ? -1 : 4 + qsizetype(length);
}
} // namespace wire
