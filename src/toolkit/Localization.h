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

    // Loads the English table unless the most preferred language is Chinese, and installs
    // it. Answers the language now in use ("zh" or "en").
    static QString install(const QStringList& preferredLanguages);
    // The language the table would be chosen for.
    static QString languageFor(const QStringList& preferredLanguages);

    bool loadEnglish();
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override;

private:
    QTranslator m_table;
};

} // namespace corvane
