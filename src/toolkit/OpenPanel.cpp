// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/OpenPanel.h"

#include <QAbstractItemView>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QItemSelectionModel>

namespace corvane {

OpenPanel::OpenPanel(QWidget* parent, Choice choice) : QFileDialog(parent), m_choice(choice)
{
    setObjectName(QStringLiteral("OpenPanel"));
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFiles);
    setWindowModality(Qt::WindowModal);
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void OpenPanel::accept()
{
    m_chosen.clear();
    if (m_choice == Choice::FilesOnly) {
        // The dialog's own rules: a folder selected is a folder to open.
        setResult(QDialog::Rejected);
        QFileDialog::accept();
        if (result() == QDialog::Accepted)
            for (const QString& file : selectedFiles())
                if (!QFileInfo(file).isDir())
                    m_chosen.push_back(QFile::encodeName(file).toStdString());
        return;
    }
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
        if (!view->isVisible() || !view->selectionModel())
            continue;
        for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
            const QString path = index.data(QFileSystemModel::FilePathRole).toString();
            if (!path.isEmpty())
                m_chosen.push_back(QFile::encodeName(path).toStdString());
        }
        if (!m_chosen.empty())
            break;
    }
    if (!m_chosen.empty()) {
        QDialog::accept();
        return;
    }
    // Nothing picked in the list: a name typed into the field, as the dialog handles it.
    QFileDialog::accept();
    for (const QString& file : selectedFiles())
        m_chosen.push_back(QFile::encodeName(file).toStdString());
}

} // namespace corvane
