#include "protocol/Sha256.h"

#include <openssl/evp.h>

struct Sha256::Context {
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(md); }
};

Sha256::Sha256() : context(std::make_unique<Context>()) {
    EVP_DigestInit_ex(context->md, EVP_sha256(), nullptr);
}

Sha256::~Sha256() = default;

void Sha256::add(QByteArrayView bytes) {
    EVP_DigestUpdate(context->md, bytes.data(), static_cast<size_t>(bytes.size()));
}

void Sha256::reset() {
    EVP_DigestInit_ex(context->md, EVP_sha256(), nullptr);
}

QByteArray Sha256::hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context->md, digest, &length);
    return QByteArray(reinterpret_cast<const char*>(digest), static_cast<qsizetype>(length)).toHex();
}

QByteArray Sha256::hexOf(QByteArrayView bytes) {
    Sha256 hash;
    hash.add(bytes);
    return hash.hex();
}
