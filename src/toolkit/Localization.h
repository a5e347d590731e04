// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTranslator>

namespace corvane {

// The program's one localisation table, keyed by the Chinese texts. Every text is looked
// up by its key whatever class asks for it, so a screen's tr("返回") finds the same entry
// as any other; a key without an entry is shown as it is.
class Localization : public QTranslator
{
    Q_OBJECT
public:
    static constexpr const char* kSharedContext = "Corvane";

    explicit Localization(QObject* parent = nullptr);

    // Chooses the language (chosenLanguage), installs the English table, or for Chinese
    // the table of the few texts whose keys are English (the profiler's), and Qt's own
    // translations for it, so standard dialogs speak it too.
    // Answers the language now in use ("zh" or "en").
    static QString install(const QStringList& preferredLanguages);
    // The language the table would be chosen for: Chinese when the most preferred language
    // is, else English.
    static QString languageFor(const QStringList& preferredLanguages);
    // CORVANE_LANG ("en" or "zh") when set to one of them, else languageFor.
    static QString chosenLanguage(const QStringList& preferredLanguages);
    // The locale of Qt's own translations for the preferred languages in `language`:
    // "zh_TW" for traditional Chinese, "zh_CN" for other Chinese, "en" for English.
    static QString qtLocaleFor(const QString& language, const QStringList& preferredLanguages);
    // Loads Qt's translations for that locale from Qt's translations folder.
    static bool loadQtTranslations(QTranslator& translator, const QString& qtLocale);

    bool loadEnglish();
    bool loadChinese();
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override;

private:
    QTranslator m_table;
};

} // namespace corvane
