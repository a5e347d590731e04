// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Localization.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

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

QString Localization::chosenLanguage(const QStringList& preferredLanguages)
{
    const QString forced = qEnvironmentVariable("CORVANE_LANG").trimmed().toLower();
    if (forced == QStringLiteral("en") || forced == QStringLiteral("zh"))
        return forced;
    return languageFor(preferredLanguages);
}

QString Localization::qtLocaleFor(const QString& language, const QStringList& preferredLanguages)
{
    if (language != QStringLiteral("zh"))
        return QStringLiteral("en");
    const QString first = preferredLanguages.value(0).toLower();
    const bool traditional = first.startsWith(QStringLiteral("zh-hant")) || first.startsWith(QStringLiteral("zh-tw")) ||
                             first.startsWith(QStringLiteral("zh-hk")) || first.startsWith(QStringLiteral("zh-mo"));
    return traditional ? QStringLiteral("zh_TW") : QStringLiteral("zh_CN");
}

bool Localization::loadQtTranslations(QTranslator& translator, const QString& qtLocale)
{
    return translator.load(QStringLiteral("qtbase_") + qtLocale, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

QString Localization::install(const QStringList& preferredLanguages)
{
    auto* app = QCoreApplication::instance();
    const QString language = chosenLanguage(preferredLanguages);
    // What Qt describes itself (file kinds from the MIME database) follows the same choice.
    QLocale::setDefault(QLocale(qtLocaleFor(language, preferredLanguages)));
    auto* qtTable = new QTranslator(app);
    if (loadQtTranslations(*qtTable, qtLocaleFor(language, preferredLanguages)))
        QCoreApplication::installTranslator(qtTable);
    else
        delete qtTable;
    if (language == QStringLiteral("zh")) {
        auto* chinese = new Localization(app);
        if (chinese->loadChinese())
            QCoreApplication::installTranslator(chinese);
        else
            delete chinese;
        return QStringLiteral("zh");
    }
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

bool Localization::loadChinese()
{
    return m_table.load(QStringLiteral(":/i18n/corvane_zh.qm"));
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
