#pragma once

#include "core/Runnable.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

// A running game's lines on disk, so that a crash loses at most the last half second of them. The
// game's threads only append to a buffer; the journal's own thread writes it out, at once after
// a statistics line and otherwise every half second, so no frame ever waits for the disk.
// A normal save discards the journal; a journal left behind is turned into the usual file pair
// at the next start (recoverJournals).
class Journal : public Runnable {
public:
    static constexpr int wakeMs = 100;
    static constexpr int wakesPerFlush = 5;

    explicit Journal(QDir folder);
    ~Journal() override;
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Creates "journal<T>.txt" for the game begun at gameTime (seconds since 1970; T moves on
    // past existing journals) and starts writing. False, with a log line, when it cannot.
    bool open(qint64 gameTime, bool coordinates);
    // Any thread.
    void addStats(const QByteArray& line);
    void addInfo(const QByteArray& line);
    // Stops the writer, writes what waits and closes the file, which stays.
    void close();
    // Closes and removes the file: its game was saved, or is not to be.
    void discard();
    bool isOpen() const;
    QString path() const { return file.fileName(); }

    void run() override;

    // What a journal holds; complete is false when it has no valid header.
    struct Contents {
        bool valid = false;
        qint64 gameTime = 0;
        bool coordinates = false;
        QList<QByteArray> stats;
        QList<QByteArray> info;
    };
    static Contents read(const QString& path);
    // The journals in folder, left by a run that ended without saving or still being written.
    static QStringList leftovers(const QDir& folder);
    // Holds off every other process from the journal at path; fails while its writer lives.
    static std::unique_ptr<QLockFile> claim(const QString& path);

private:
    void append(char kind, const QByteArray& line);
    void flush();

    QDir folder;
    QFile file;
    std::unique_ptr<QLockFile> lock;
    mutable std::mutex fileLock;
    std::mutex bufferLock;
    QByteArray pending;
    QByteArray writing;
    std::atomic<bool> statsWaiting{false};
};
