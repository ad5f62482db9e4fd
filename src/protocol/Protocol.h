#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

// The exchange between the game and the score server, as both ends build it. Integers are 4 bytes
// little-endian, strings an integer byte count and the bytes. Everything beyond the original
// commands 1 to 5 is used only with a server whose discovery page offers it.
namespace Protocol {

enum Command : qint32 {
    versionCheck = 1,
    uploadTable = 2,
    end = 3,
    synchronize = 4,
    uploadStream = 5,
    // Offered with "receipts": string game id; the streams up to gameEnd belong to that game.
    gameBegin = 6,
    // Offered with "receipts": the server answers with the game's receipt (below).
    gameEnd = 7,
    // Offered with "sync-claims": string participant id, sent before synchronize.
    syncClaim = 8,
    // Offered with "sync-claims": sent after the downloaded tables were stored.
    syncReceived = 9,
};

// With "sync-claims", a synchronization the server will not run now (too many from one address)
// is answered with this flag count and a string to show the player, and the server closes.
inline constexpr qint32 syncRefusedFlagCount = -1;

inline constexpr qint32 programVersion = 173;
inline constexpr quint16 serverPort = 8228;

// The longest string the game reads from a server, and the longest line a server takes.
inline constexpr qint32 maxClientStringBytes = 16384;
inline constexpr qint32 maxServerStringBytes = 1 << 20;
inline constexpr qint32 maxGameIdBytes = 64;

// Stream names of command 5; "session" only with the "sessions" capability.
inline constexpr const char* statsStream = "stats";
inline constexpr const char* infoStream = "info";
inline constexpr const char* sessionStream = "session";

// The discovery page's optional third line: the prefix, then capability words separated by
// blanks. A page without it is a server of the original exchange.
inline constexpr QByteArrayView capabilitiesPrefix = "capabilities:";

struct Capabilities {
    // Game ids, per-game receipts and storing each game once.
    bool receipts = false;
    // The session record as a third stream of a game (needs receipts).
    bool sessions = false;
    // Synchronizations carry the participant id and their completion, so a broken one is not
    // merged twice.
    bool syncClaims = false;
    // The TCP exchange runs over TLS.
    bool tls = false;

    // From the page's text (carriage returns removed); unknown words are ignored.
    static Capabilities fromPage(const QByteArray& page);
    // The third line a server puts on its page, with its line feed; empty when it offers nothing.
    QByteArray pageLine() const;
};

// A receipt (answer to gameEnd): integer status, then the string with the lower-case hex SHA-256
// of the game as the server holds it.
enum ReceiptStatus : qint32 {
    receiptRefused = -1,
    receiptStored = 0,
    // The same id with the same content was stored before; nothing was added.
    receiptAlreadyStored = 1,
    // The same id came before with other content; this one is kept as a revision.
    receiptRevision = 2,
};

// The digest both ends compare: SHA-256 over the game's streams framed as on the wire (for each
// stream: integer 5, its name, its lines, the empty string), in the order they were sent, as
// lower-case hex.
QByteArray gameDigest(QByteArrayView framedStreams);

// Framing helpers both ends use.
void appendInteger(QByteArray& out, qint32 value);
void appendString(QByteArray& out, QByteArrayView text);
qint32 integerAt(const char* fourBytes);

} // namespace Protocol
