// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

namespace corvane {

// The signature over an update archive: Ed25519 over
//   "CorvaneTidewell-update" NUL version NUL archive-bytes
// so the version is part of what is signed and an older archive cannot pass for a newer
// one. Checked against a public key built into the program; docs/updates.md says how the
// release key signs.
class UpdateSignature
{
public:
    // The raw 32-byte public key the program trusts.
    static QByteArray builtInKey();
    static QByteArray signedPrefix(const QString& version);
    // Blocks while the archive is read: call it off the main thread. False for any file
    // that cannot be read, any key or signature of the wrong length, any mismatch.
    static bool verifyFile(const std::string& archivePath, const QString& version, const QByteArray& signature,
                           const QByteArray& publicKey = builtInKey());
    // The same check over archive bytes already in memory: the companion verifies exactly
    // the bytes it then unpacks.
    static bool verifyBytes(const std::string& archive, const QString& version, const QByteArray& signature,
                            const QByteArray& publicKey = builtInKey());
    static bool verify(const QByteArray& message, const QByteArray& signature, const QByteArray& publicKey);
    // Frees the crypto library's state for the calling thread: a pool thread that checked
    // an archive lives on, and its state would otherwise stay with it until the end.
    static void releaseThreadState();

    // What the companion needs to check the archive again before installing it: the
    // offered version and its signature, kept beside the archive as "<archive>.sig"
    // (two lines: the version, the signature in base64).
    struct Sidecar
    {
        QString version;
        QByteArray signature;
    };
    static std::string sidecarPath(const std::string& archivePath);
    // Replaces the file atomically; false when it could not be written.
    static bool writeSidecar(const std::string& archivePath, const Sidecar& sidecar);
    // Nothing when the file is missing, not a regular file (links are not followed) or
    // not two such lines.
    static std::optional<Sidecar> readSidecar(const std::string& archivePath);
};

} // namespace corvane
