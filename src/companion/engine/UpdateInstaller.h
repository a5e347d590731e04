// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "web/engine/UpdateSignature.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace corvane {

class Layout;

// Installs the update the main program downloaded into Documents, without ever leaving
// the applications folder without a complete program in it:
//   stage(): the archive is read once (our own regular file, not a link, bounded), those
//            bytes are checked against the signature kept beside it, unpacked into a fresh
//            hidden folder beside the installed bundle, and the unpacked bundle must be
//            ours, of the signed version, newer than the installed one, with its program;
//   install(): the running main program is stopped, the staged bundle is exchanged with
//            the installed one in one step, and the old copy, the archive and its
//            signature are removed;
//   launch(): the new program is started.
// Until the exchange nothing outside the staging folder is written, and a failure removes
// it. Each step blocks: run them off the main thread.
class UpdateInstaller
{
public:
    struct Places
    {
        std::string documents;    // where the archive and its signature were saved
        std::string applications; // the folder holding the installed bundle
    };
    static Places places(const Layout& layout);

    // What an archive may hold; anything more is not an update of ours.
    static constexpr size_t kArchiveLimit = size_t(512) << 20;
    static constexpr uint64_t kUnpackedLimit = uint64_t(2) << 30;
    static constexpr size_t kEntryLimit = 50000;
    static constexpr size_t kDepthLimit = 64;
    // Hidden staging folders: "<applications>/.CorvaneTidewell-update-XXXXXX".
    static constexpr const char* kStagingPrefix = ".CorvaneTidewell-update-";

    explicit UpdateInstaller(Places places, QByteArray trustedKey = UpdateSignature::builtInKey());

    struct Staged
    {
        std::string refusal;      // why nothing will be installed; empty when staged
        std::string applications; // the applications folder, resolved
        std::string stagingName;  // the staging folder in it
        QString version;
        dev_t archiveDevice = 0; // the archive that was read, removed once installed
        ino_t archiveInode = 0;
        bool ok() const { return refusal.empty(); }
    };
    Staged stage() const;
    // Removes the staging folder of a refused or abandoned installation.
    void discard(const Staged& staged) const;

    struct Installed
    {
        std::string failure; // empty when the new bundle is in place
        bool ok() const { return failure.empty(); }
    };
    // Takes a staged update. On failure the staging folder is gone, the installed bundle
    // is untouched, and a main program that was stopped for it has been started again.
    Installed install(const Staged& staged) const;

    // Starts the installed main program, by argument vector, detached.
    bool launch() const;

    // Removes the staging folders of an installation that was killed. Only the holder of
    // the companion's lock may call it: another companion's installation may be running.
    static int removeLeftovers(const std::string& applications);

    const Places& placesInUse() const { return m_places; }

private:
    std::string installedExecutable(const std::string& applications) const;

    Places m_places;
    QByteArray m_trustedKey;
};

} // namespace corvane
