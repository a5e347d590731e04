// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/LaunchRules.h"

#include "platform/FileChecks.h"
#include "common/AppConfig.h"

#include <QCoreApplication>
#include <QUrl>

namespace corvane {

bool LaunchRules::passesLocationCheck(const std::string& bundlePath, const std::string& buildTree)
{
    if (bundlePath.find("Applications") != std::string::npos
        || bundlePath.find("/Library/Developer/Xcode/DerivedData/") != std::string::npos)
        return true;
    if (buildTree.empty())
        return false;
    std::string tree = buildTree;
    while (tree.size() > 1 && tree.back() == '/')
        tree.pop_back();
    return bundlePath.size() > tree.size() && bundlePath.compare(0, tree.size(), tree) == 0
        && bundlePath[tree.size()] == '/';
}

QString LaunchRules::trimmedModel(const QString& model)
{
    static const QString trimmed = QStringLiteral("0123456789,");
    qsizetype start = 0, end = model.size();
    while (start < end && trimmed.contains(model[start]))
        ++start;
    while (end > start && trimmed.contains(model[end - 1]))
        --end;
    return model.mid(start, end - start);
}

QString LaunchRules::firstGroupTitle(const QString& model)
{
    return QCoreApplication::translate("Corvane", "我的%1").arg(trimmedModel(model));
}

bool LaunchRules::prefersChinese(const QStringList& languages)
{
    return !languages.isEmpty() && languages.first().startsWith(QStringLiteral("zh"));
}

std::string LaunchRules::markerPath(const std::string& home)
{
    return joinPath(home, AppConfig::kFirstRunMarker);
}

bool LaunchRules::welcomeDue(const std::string& home)
{
    return !FileChecks::existsNoFollow(markerPath(home));
}

QString LaunchRules::welcomeUrlFromReply(const QByteArray& body)
{
    const QList<QByteArray> pieces = body.split('\'');
    if (pieces.size() < 2)
        return {};
    const QString text = QString::fromLatin1(pieces.at(1)).trimmed();
    const QUrl url(text, QUrl::StrictMode);
    // Only a web page is opened: a reply must not make the program open a local file or
    // start some other handler.
    if (!url.isValid() || (url.scheme() != QStringLiteral("http") && url.scheme() != QStringLiteral("https"))
        || url.host().isEmpty())
        return {};
    return text;
}

bool LaunchRules::startAtLogin(const QString& label, const std::vector<QVariantMap>& jobs)
{
    if (label.isEmpty())
        return false;
    for (const QVariantMap& job : jobs) {
        if (job.value(QStringLiteral("Label")).toString() == label)
            return job.value(QStringLiteral("OnDemand")).toBool();
    }
    return false;
}

std::string LaunchRules::bundlePathForExecutableFolder(const std::string& folder)
{
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::string tail = "/Contents/MacOS";
    if (path.size() > tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0) {
        std::string bundle = path.substr(0, path.size() - tail.size());
        if (bundle.size() > 4 && bundle.compare(bundle.size() - 4, 4, ".app") == 0)
            return bundle;
    }
    return path;
}

} // namespace corvane
