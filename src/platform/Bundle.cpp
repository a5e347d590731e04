// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Bundle.h"

#include "platform/BoundedFile.h"

#include "platform/FileChecks.h"

#include <QDateTime>
#include <QTimeZone>
#include <QVariantList>

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr off_t kMaxPlistBytes = 16 * 1024 * 1024;

QVariant toVariant(plist_t node, int depth)
{
    if (!node || depth > 64)
        return {};
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return QVariant(b != 0);
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return QVariant(static_cast<qulonglong>(v));
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return QVariant(v);
    }
    case PLIST_STRING: {
        char* s = nullptr;
        plist_get_string_val(node, &s);
        QString text = s ? QString::fromUtf8(s) : QString();
        free(s);
        return QVariant(text);
    }
    case PLIST_KEY: {
        char* s = nullptr;
        plist_get_key_val(node, &s);
        QString text = s ? QString::fromUtf8(s) : QString();
        free(s);
        return QVariant(text);
    }
    case PLIST_DATA: {
        char* d = nullptr;
        uint64_t len = 0;
        plist_get_data_val(node, &d, &len);
        QByteArray bytes(d, static_cast<qsizetype>(len));
        free(d);
        return QVariant(bytes);
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        // Property-list dates count from 2001-01-01 UTC.
        const qint64 epoch2001 = 978307200;
        return QVariant(QDateTime::fromSecsSinceEpoch(epoch2001 + sec, QTimeZone::utc()));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t n = plist_array_get_size(node);
        for (uint32_t i = 0; i < n; ++i)
            list.push_back(toVariant(plist_array_get_item(node, i), depth + 1));
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        if (!it)
            return QVariant(map);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!key)
                break;
            map.insert(QString::fromUtf8(key), toVariant(value, depth + 1));
            free(key);
        }
        free(it);
        return QVariant(map);
    }
    default:
        return {};
    }
}

std::optional<QByteArray> readSmallFile(const std::string& path)
{
    // Non-blocking, regular files only, bounded: a FIFO or a device planted in a bundle
    // must not freeze or flood the reader.
    const auto bytes = BoundedFile::read(path, kMaxPlistBytes);
    if (!bytes)
        return std::nullopt;
    return QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
}

} // namespace

std::optional<QVariantMap> Bundle::parsePropertyList(const QByteArray& data)
{
    if (data.isEmpty())
        return std::nullopt;
    plist_t root = nullptr;
    if (data.startsWith("bplist00"))
        plist_from_bin(data.constData(), static_cast<uint32_t>(data.size()), &root);
    else
        plist_from_xml(data.constData(), static_cast<uint32_t>(data.size()), &root);
    if (!root)
        return std::nullopt;
    std::optional<QVariantMap> out;
    if (plist_get_node_type(root) == PLIST_DICT)
        out = toVariant(root, 0).toMap();
    plist_free(root);
    return out;
}

std::optional<BundleInfo> Bundle::read(const std::string& bundlePath)
{
    std::optional<QByteArray> data = readSmallFile(joinPath(bundlePath, "Contents/Info.plist"));
    if (!data)
        data = readSmallFile(joinPath(bundlePath, "Info.plist"));
    if (!data)
        return std::nullopt;
    std::optional<QVariantMap> dict = parsePropertyList(*data);
    if (!dict)
        return std::nullopt;
    BundleInfo info;
    info.path = bundlePath;
    info.dictionary = *dict;
    info.identifier = dict->value(QStringLiteral("CFBundleIdentifier")).toString();
    info.name = dict->value(QStringLiteral("CFBundleName")).toString();
    if (info.name.isEmpty())
        info.name = dict->value(QStringLiteral("CFBundleDisplayName")).toString();
    info.executable = dict->value(QStringLiteral("CFBundleExecutable")).toString();
    info.shortVersion = dict->value(QStringLiteral("CFBundleShortVersionString")).toString();
    info.version = dict->value(QStringLiteral("CFBundleVersion")).toString();
    return info;
}

std::string Bundle::executablePath(const BundleInfo& info)
{
    if (info.executable.isEmpty())
        return {};
    return joinPath(info.path, "Contents/MacOS/" + info.executable.toStdString());
}

} // namespace corvane
