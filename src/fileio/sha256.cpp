#include "fileio/sha256.h"

#include <openssl/evp.h>

struct Sha256::Context {
    EVP_MD_CTX *ctx = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(ctx); }
};

Sha256::Sha256() : m_ctx(std::make_unique<Context>()) { reset(); }
Sha256::~Sha256() = default;
Sha256::Sha256(Sha256 &&) noexcept = default;
Sha256 &Sha256::operator=(Sha256 &&) noexcept = default;

void Sha256::reset() {
    if (!m_ctx) m_ctx = std::make_unique<Context>();
    EVP_DigestInit_ex(m_ctx->ctx, EVP_sha256(), nullptr);
}

void Sha256::add(QByteArrayView bytes) {
    if (!m_ctx) reset();  // moved from
    if (!bytes.isEmpty()) EVP_DigestUpdate(m_ctx->ctx, bytes.data(), std::size_t(bytes.size()));
}

QByteArray Sha256::result() const {
    // Finishes a copy, so the running state goes on.
    if (!m_ctx) return Sha256().result();
    Context copy;
    QByteArray out(EVP_MAX_MD_SIZE, '\0');
    unsigned int n = 0;
    if (!copy.ctx || EVP_MD_CTX_copy_ex(copy.ctx, m_ctx->ctx) != 1 ||
        EVP_DigestFinal_ex(copy.ctx, reinterpret_cast<unsigned char *>(out.data()), &n) != 1)
        return {};
    out.resize(qsizetype(n));
    return out;
}

QByteArray Sha256::hash(QByteArrayView bytes) {
    Sha256 h;
    h.add(bytes);
    return h.result();
}
