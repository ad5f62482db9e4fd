#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The game's framing: integers are 4 bytes little-endian two's complement, strings a length
// integer followed by that many bytes.
namespace wire {
void putInt(QByteArray& out, qint32 value);
void putString(QByteArray& out, QByteArrayView text);
qint32 intAt(const char* bytes);

// Bytes received but not yet parsed. Reads either take a whole item or leave the input as it
// was, so a parser can wait for more bytes and try again.
class Input {
public:
    enum class Result { Ok, NeedMore, Invalid, Negative };

    void append(const QByteArray& bytes);
    qsizetype available() const { return buffer.size() - position; }
    // Bytes held, parsed ones not yet dropped included.
    qsizetype held() const { return buffer.size(); }
    qsizetype mark() const { return position; }
    void rewind(qsizetype markedPosition) { position = markedPosition; }

    Result takeInt(qint32* value);
    // A length above maxLength is Invalid, a negative one Negative.
    Result takeString(QByteArray* text, qint32 maxLength);

    // Appends a run of complete non-empty strings to out as they are framed, at most maxBytes of
    // them, and says why it stopped: NeedMore (an incomplete string, or maxBytes reached: see
    // nextStringBytes), Ok (an empty string is next, left unread), Invalid or Negative (the next
    // length). Returns the number of strings taken.
    int takeFramedRun(QByteArray* out, qint32 maxLength, qsizetype maxBytes, Result* stop);
    // The framed size of the next string when its length is readable and valid, else -1.
    qsizetype nextStringBytes(qint32 maxLength) const;

private:
    QByteArray buffer;
    qsizetype position = 0;
};
} // namespace wire
