// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "startup/engine/LoginItemListModel.h"
#include "toolkit/OpenPanel.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPushButton;

namespace corvane {

class GlowAnimation;
class LaunchItems;
class ReadableOutline;

// The startup screen: the user's login items and the services other software installed,
// in one list. Ticked rows are switched off with "禁用"; "添加选项" adds login items
// through a chooser of files; every row can be shown in the file manager.
class LoginItemViewController : public QWidget
{
    Q_OBJECT

public:
    explicit LoginItemViewController(LaunchItems& items, QWidget* parent = nullptr);
    ~LoginItemViewController() override;

    // The list of the layout the program runs with.
    static LoginItemViewController* demoView();

    // Builds the rows in the background and shows them when they are all there.
    void loadArray();
    bool isLoading() const { return m_loading; }
    bool isRemoving() const { return m_removing; }

    // A row's box clicked: ticked rows are switched off in the order they were ticked.
    void selectBtnClicked(int row, bool ticked);
    void clickedBtn(int row);
    void addClick();
    void addImagesWithPaths(const std::vector<std::string>& paths);
    void updateDatasource();
    void removeItem();

    LoginItemListModel* model() const { return m_model; }
    ReadableOutline* loginTableView() const { return m_table; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* disableButton() const { return m_disable; }
    QMessageBox* alertBox() const { return m_alert.data(); }
    OpenPanel* openPanel() const { return m_panel.data(); }
    GlowAnimation* glow() const { return m_glow; }
    // The ticked rows, in tick order, as their paths.
    std::vector<std::string> deleteListPaths() const;

private:
    struct Key
    {
        int type;
        std::string path;
        std::string id;
        bool operator==(const Key& other) const = default;
    };
    static Key keyOf(const LoginItemObject& object);
    int rowOf(const Key& key) const;

    LaunchItems& m_items;
    LoginItemListModel* m_model = nullptr;
    ReadableOutline* m_table = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_disable = nullptr;
    GlowAnimation* m_glow = nullptr;
    QPointer<QMessageBox> m_alert;
    QPointer<OpenPanel> m_panel;
    std::vector<Key> m_deleteList;
    std::vector<LoginItemObject> m_pathArray;
    std::shared_ptr<std::atomic<uint64_t>> m_generation = std::make_shared<std::atomic<uint64_t>>(0);
    bool m_loading = false;
    bool m_removing = false;
};

} // namespace corvane
