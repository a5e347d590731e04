// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Localization.h"

#include <QCoreApplication>

namespace corvane {

Localization::Localization(QObject* parent)
    : QTranslator(parent)
{
}

QString Localization::languageFor(const QStringList& preferredLanguages)
{
    if (preferredLanguages.isEmpty())
        return QStringLiteral("en");
    const QString first = preferredLanguages.first();
    return first.startsWith(QStringLiteral("zh")) ? QStringLiteral("zh") : QStringLiteral("en");
}

QString Localization::install(const QStringList& preferredLanguages)
{
    if (languageFor(preferredLanguages) == QStringLiteral("zh"))
        return QStringLiteral("zh");
    auto* app = QCoreApplication::instance();
    auto* table = new Localization(app);
    if (!table->loadEnglish()) {
        delete table;
        return QStringLiteral("zh");
    }
    QCoreApplication::installTranslator(table);
    return QStringLiteral("en");
}

bool Localization::loadEnglish()
{
    return m_table.load(QStringLiteral(":/i18n/corvane_en.qm"));
}

QString Localization::translate(const char* context, const char* sourceText, const char* disambiguation, int n) const
{
    QString text = m_table.translate(context, sourceText, disambiguation, n);
    if (text.isEmpty())
        text = m_table.translate(kSharedContext, sourceText, disambiguation, n);
    return text;
}

bool Localization::isEmpty() const
{
    return m_table.isEmpty();
}

} // namespace corvane
