// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/engine/UninstallRecord.h"

#include "common/QSFileUtility.h"
#include "platform/BoundedFile.h"
#include "platform/Bundle.h"
#include "platform/DisplayText.h"
#include "platform/FileChecks.h"

namespace corvane {

namespace {

constexpr size_t kIconLimit = 1024 * 1024;
const QString kNone = QStringLiteral("--");

// The last component without its extension, as a file manager names the item.
QString displayStem(const std::string& path)
{
    std::string name = lastComponent(path);
    const std::string extension = pathExtension(name);
    if (!extension.empty())
        name.resize(name.size() - extension.size() - 1);
    return DisplayText::forName(name);
}

QString shown(const std::string& text)
{
    return DisplayText::forName(text);
}

// A bundle's icon file from its Resources folder. Only a plain file name counts: the
// dictionary is the bundle author's, and "../../x" must not lead out of the bundle.
std::string bundleIcon(const std::string& bundle, const QVariantMap& info)
{
    std::string name = info.value(QStringLiteral("CFBundleIconFile")).toString().toStdString();
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return {};
    if (pathExtension(name).empty())
        name += ".icns";
    return BoundedFile::read(joinPath(bundle, "Contents/Resources/" + name), kIconLimit).value_or(std::string());
}

} // namespace

long long UninstallRecord::leadingNumber(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        negative = t[i++] == QLatin1Char('-');
    long long value = 0;
    for (; i < t.size() && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9'); ++i) {
        if (value > 100000000000000LL)
            break; // large enough to be "not zero"; no overflow
        value = value * 10 + (t[i].unicode() - '0');
    }
    return negative ? -value : value;
}

QString UninstallRecord::bundleVersionFrom(const QVariantMap& info)
{
    const QString shortKey = QStringLiteral("CFBundleShortVersionString");
    const QString longKey = QStringLiteral("CFBundleVersion");
    QString version = info.contains(shortKey) ? info.value(shortKey).toString() : kNone;
    if (leadingNumber(version) == 0)
        version = info.contains(longKey) ? info.value(longKey).toString() : kNone;
    if (version.trimmed().isEmpty())
        version = kNone;
    return shown(version.toStdString());
}

QString UninstallRecord::diskMegabytes(const std::string& path)
{
    const double bytes = double(QSFileUtility::sizeAtPath(path, true));
    return QString::asprintf("%.1fMB", bytes / 1000.0 / 1000.0);
}

UninstallRecord UninstallRecord::application(const DesktopApp& app)
{
    UninstallRecord record;
    record.filePath = app.path;
    if (app.kind == DesktopApp::Kind::Bundle) {
        record.bundleName = displayStem(app.path);
        const std::optional<BundleInfo> info = Bundle::read(app.path);
        const QVariantMap dictionary = info ? info->dictionary : QVariantMap();
        record.bundleVersion = bundleVersionFrom(dictionary);
        record.iconData = bundleIcon(app.path, dictionary);
        record.iconName = "application-x-executable";
    } else {
        record.bundleName = app.name.empty() ? displayStem(app.path) : shown(app.name);
        record.bundleVersion = app.version.empty() ? kNone : shown(app.version);
        // An Icon= value is a theme name or, now and then, an absolute file.
        if (!app.icon.empty() && app.icon.front() == '/')
            record.iconData = BoundedFile::read(app.icon, kIconLimit).value_or(std::string());
        else
            record.iconName = app.icon;
        if (record.iconName.empty())
            record.iconName = "application-x-executable";
    }
    const std::optional<QDateTime> added = QSFileUtility::fileAddDateByPath(app.path);
    record.bundleDateAdded = added ? QSFileUtility::stringFromDateByYear(*added) : kNone;
    record.bundleSize = QSFileUtility::fileSizeByDoubleSize(double(QSFileUtility::sizeAtPath(app.path, false)));
    return record;
}

UninstallRecord UninstallRecord::plugIn(const Uninstall::PlugIn& plugIn)
{
    UninstallRecord record;
    record.filePath = plugIn.path;
    record.bundleName = plugIn.name.empty() ? displayStem(plugIn.path) : shown(plugIn.name);
    if (!plugIn.version.empty())
        record.bundleVersion = shown(plugIn.version);
    // Only an extension carries a name of its own; it is no plain folder to the user.
    if (!plugIn.name.empty())
        record.iconName = "application-x-addon";
    record.bundleSize = diskMegabytes(plugIn.path);
    return record;
}

UninstallRecord UninstallRecord::preferencePane(const std::string& path)
{
    UninstallRecord record;
    record.filePath = path;
    record.bundleName = displayStem(path);
    record.bundleSize = diskMegabytes(path);
    return record;
}

} // namespace corvane
