#include "server/Sha256.h"

#ifdef VAZAZO_WITH_OPENSSL
#include <openssl/evp.h>

struct Sha256::State {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : state(std::make_unique<State>()) {
    reset();
}

void Sha256::reset() {
    EVP_DigestInit_ex(state->context, EVP_sha256(), nullptr);
}

void Sha256::add(QByteArrayView bytes) {
    EVP_DigestUpdate(state->context, bytes.data(), size_t(bytes.size()));
}

QByteArray Sha256::hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(state->context, digest, &length);
    reset();
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}
#else
#include <QCryptographicHash>

struct Sha256::State {
    QCryptographicHash hash{QCryptographicHash::Sha256};
};

Sha256::Sha256() : state(std::make_unique<State>()) {}

void Sha256::reset() {
    state->hash.reset();
}

void Sha256::add(QByteArrayView bytes) {
    state->hash.addData(bytes);
}

QByteArray Sha256::hex() {
    const QByteArray digest = state->hash.result().toHex();
    reset();
    return digest;
}
#endif

Sha256::~Sha256() = default;
