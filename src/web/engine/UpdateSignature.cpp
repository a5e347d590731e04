// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/engine/UpdateSignature.h"

#include "platform/AtomicFile.h"
#include "platform/BoundedFile.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <memory>

namespace corvane {

namespace {

// The release key's public half; the private half never leaves its holder.
constexpr unsigned char kReleaseKey[32] = {0x9b, 0xf2, 0x3d, 0x78, 0x91, 0x26, 0xfb, 0x8d, 0x5a, 0xf1, 0x42,
                                           0x6c, 0x33, 0x0b, 0x92, 0x1d, 0x28, 0xb8, 0xb9, 0xb7, 0xc0, 0xe3,
                                           0xed, 0x86, 0xd2, 0x34, 0x8e, 0xc1, 0x2b, 0x18, 0xfb, 0xc1};

// An update archive is a program's worth of bytes; anything larger is not one.
constexpr size_t kArchiveLimit = size_t(2) << 30;

} // namespace

QByteArray UpdateSignature::builtInKey()
{
    return QByteArray(reinterpret_cast<const char*>(kReleaseKey), sizeof kReleaseKey);
}

QByteArray UpdateSignature::signedPrefix(const QString& version)
{
    QByteArray prefix("CorvaneTidewell-update");
    prefix.append('\0');
    prefix.append(version.toUtf8());
    prefix.append('\0');
    return prefix;
}

bool UpdateSignature::verify(const QByteArray& message, const QByteArray& signature, const QByteArray& publicKey)
{
    if (signature.size() != 64 || publicKey.size() != 32)
        return false;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char*>(publicKey.constData()), 32),
        &EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!key || !context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
                            size_t(signature.size()), reinterpret_cast<const unsigned char*>(message.constData()),
                            size_t(message.size())) == 1;
}

bool UpdateSignature::verifyFile(const std::string& archivePath, const QString& version, const QByteArray& signature,
                                 const QByteArray& publicKey)
{
    const auto archive = BoundedFile::read(archivePath, kArchiveLimit);
    if (!archive)
        return false;
    return verifyBytes(*archive, version, signature, publicKey);
}

bool UpdateSignature::verifyBytes(const std::string& archive, const QString& version, const QByteArray& signature,
                                  const QByteArray& publicKey)
{
    QByteArray message = signedPrefix(version);
    message.append(archive.data(), qsizetype(archive.size()));
    return verify(message, signature, publicKey);
}

void UpdateSignature::releaseThreadState()
{
    OPENSSL_thread_stop();
}

std::string UpdateSignature::sidecarPath(const std::string& archivePath)
{
    return archivePath + ".sig";
}

bool UpdateSignature::writeSidecar(const std::string& archivePath, const Sidecar& sidecar)
{
    if (sidecar.version.contains(QLatin1Char('\n')))
        return false;
    const QByteArray content = sidecar.version.toUtf8() + '\n' + sidecar.signature.toBase64() + '\n';
    return AtomicFile::replace(sidecarPath(archivePath), std::string(content.constData(), size_t(content.size())));
}

std::optional<UpdateSignature::Sidecar> UpdateSignature::readSidecar(const std::string& archivePath)
{
    const auto content = BoundedFile::read(sidecarPath(archivePath), 4096, true);
    if (!content)
        return std::nullopt;
    const std::vector<std::string> lines = BoundedFile::lines(*content);
    if (lines.size() != 2 || lines[0].empty())
        return std::nullopt;
    Sidecar sidecar{QString::fromStdString(lines[0]), QByteArray::fromBase64(QByteArray::fromStdString(lines[1]),
                                                                             QByteArray::AbortOnBase64DecodingErrors)};
    if (sidecar.signature.size() != 64)
        return std::nullopt;
    return sidecar;
}

} // namespace corvane
