#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

// SHA-256 through the system's crypto library, which uses the processor's SHA instructions where
// it has them: a game's data files are hashed as they are written, so the speed shows in the save.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(QByteArrayView bytes);
    // Forgets everything added, for the next hash.
    void reset();
    // Lower-case hex of everything added; ends the hash.
    QByteArray hex();

    static QByteArray hexOf(QByteArrayView bytes);

private:
    struct Context;
    std::unique_ptr<Context> context;
};
