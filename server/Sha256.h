#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

// SHA-256 of the bytes added, as lower-case hex: the same digest as Protocol::gameDigest, with
// OpenSSL's (hardware-assisted) implementation where the build found it, since a game's digest is
// taken over every byte the server receives.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void reset();
    void add(QByteArrayView bytes);
    QByteArray hex();

private:
    struct State;
    std::unique_ptr<State> state;
};
