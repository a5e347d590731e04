// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <openssl/evp.h>

#include <memory>

namespace corvane::test {

// A stand-in release key: tests sign archives with it and hand its public half to the
// code under test, which otherwise trusts only the key built into the program.
class ReleaseKey
{
public:
    ReleaseKey() : m_key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"), &EVP_PKEY_free) {}

    bool valid() const { return m_key != nullptr; }

    QByteArray publicKey() const
    {
        QByteArray raw(32, '\0');
        size_t length = 32;
        EVP_PKEY_get_raw_public_key(m_key.get(), reinterpret_cast<unsigned char*>(raw.data()), &length);
        return raw;
    }

    QByteArray sign(const QByteArray& message) const
    {
        QByteArray signature(64, '\0');
        size_t length = 64;
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        EVP_DigestSignInit(context, nullptr, nullptr, nullptr, m_key.get());
        EVP_DigestSign(context, reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.constData()), size_t(message.size()));
        EVP_MD_CTX_free(context);
        return signature;
    }

private:
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> m_key;
};

} // namespace corvane::test
