#pragma once
// SHA-256 through OpenSSL's libcrypto: it uses the processor's SHA instructions, so hashing
// every byte of a read costs a few percent of the read instead of doubling it.
#include <QByteArray>
#include <QByteArrayView>
#include <memory>

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(Sha256 &&) noexcept;
    Sha256 &operator=(Sha256 &&) noexcept;

    void add(QByteArrayView bytes);
    // The digest of the bytes added so far; more may be added afterwards.
    QByteArray result() const;
    void reset();

    static QByteArray hash(QByteArrayView bytes);

private:
    struct Context;
    std::unique_ptr<Context> m_ctx;
};
