// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/StringCheck.h"

namespace corvane {

bool StringCheck::isEmpty(const std::optional<QString>& text)
{
    return !text || text->isNull() || text->isEmpty();
}

bool StringCheck::isEmpty(const QString& text)
{
    return text.isEmpty();
}

QString StringCheck::defaultValue(const std::optional<QString>& text)
{
    return isEmpty(text) ? QString(QLatin1String("")) : *text;
}

QString StringCheck::defaultValue(const QString& text)
{
    return text.isEmpty() ? QString(QLatin1String("")) : text;
}

bool StringCheck::isEmpty(const QJsonValue& value)
{
    if (!value.isString())
        return true;
    return value.toString().isEmpty();
}

QString StringCheck::defaultValue(const QJsonValue& value)
{
    return isEmpty(value) ? QString(QLatin1String("")) : value.toString();
}

} // namespace corvane
