// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/engine/LoginItemObject.h"

#include "platform/DisplayText.h"
#include "platform/FileChecks.h"

#include <QFile>
#include <QLocale>
#include <QMimeDatabase>
#include <QStringList>

#include <cstdlib>
#include <sys/stat.h>

namespace corvane {

namespace {

bool endsWith(const std::string& text, const char* suffix)
{
    const std::string s(suffix);
    return text.size() > s.size() && text.compare(text.size() - s.size(), s.size(), s) == 0;
}

} // namespace

QString LoginItemObject::imageTitle() const
{
    return DisplayText::forName(lastComponent(filePath));
}

QString LoginItemObject::imageSubtitle() const
{
    return DisplayText::forName(pathExtension(filePath));
}

QString LoginItemObject::company() const
{
    return companyFor(bundleID);
}

QString LoginItemObject::companyFor(const std::string& bundleID)
{
    std::string id = bundleID;
    for (const char* suffix : {".service", ".socket", ".timer", ".path"})
        if (endsWith(id, suffix)) {
            id.resize(id.size() - std::string(suffix).size());
            break;
        }
    const QStringList parts = QString::fromUtf8(id).split(QLatin1Char('.'));
    if (parts.size() < 2)
        return QStringLiteral("Unknow");
    // Each word's first letter in capitals, the rest in small letters.
    const QLocale locale;
    QString word = locale.toLower(parts.at(1));
    if (!word.isEmpty())
        word = locale.toUpper(word.left(1)) + word.mid(1);
    return word;
}

QString LoginItemObject::humanReadableFileType(const std::string& path)
{
    std::string expanded = path;
    if (!expanded.empty() && expanded.front() == '~')
        if (const char* home = std::getenv("HOME"))
            expanded = home + expanded.substr(1);
    if (expanded.empty() || !FileChecks::existsNoFollow(expanded))
        return {};
    static const QMimeDatabase database;
    struct stat st;
    const QString name = QFile::decodeName(QByteArray::fromStdString(expanded));
    if (!FileChecks::statPath(expanded, st))
        return database.mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment();
    if (S_ISDIR(st.st_mode))
        return database.mimeTypeForName(QStringLiteral("inode/directory")).comment();
    // Only a plain file is opened to look at its first bytes: a FIFO would never answer.
    return database
        .mimeTypeForFile(name, S_ISREG(st.st_mode) ? QMimeDatabase::MatchDefault : QMimeDatabase::MatchExtension)
        .comment();
}

} // namespace corvane
