// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

namespace corvane {

// Lets code that reads values out of parsed JSON treat a missing value, a null and an
// empty text alike.
class StringCheck
{
public:
    static bool isEmpty(const std::optional<QString>& text);
    static bool isEmpty(const QString& text);
    static QString defaultValue(const std::optional<QString>& text);
    static QString defaultValue(const QString& text);
    // A JSON value: null, undefined or a non-text count as the null object.
    static bool isEmpty(const QJsonValue& value);
    static QString defaultValue(const QJsonValue& value);
};

// The null object itself: always empty, its default value the empty text.
class EmptyCheck
{
public:
    static bool isEmpty(std::nullptr_t = nullptr) { return true; }
    static QString defaultValue(std::nullptr_t = nullptr) { return QString(); }
};

} // namespace corvane
