// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ReadableOutline.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>

namespace corvane {

namespace {

constexpr int kColumnPadding = 12;
constexpr int kSmallestColumn = 36;

} // namespace

// Draws a cell as the outline's providers describe it, with its text already shortened
// by the column's rule, so what is drawn is what shownText() answers.
class ReadableOutline::RowDelegate : public QStyledItemDelegate
{
public:
    explicit RowDelegate(ReadableOutline* outline) : QStyledItemDelegate(outline), m_outline(outline) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), m_outline->m_rowHeight));
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem prepared = option;
        prepare(prepared, index);
        const QWidget* widget = prepared.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &prepared, painter, widget);
    }

    void prepare(QStyleOptionViewItem& option, const QModelIndex& index) const
    {
        initStyleOption(&option, index);
        option.textElideMode = m_outline->elideModeFor(index.column());
        if (option.text.isEmpty())
            return;
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        // The style keeps this margin on both sides of the text rectangle when it draws.
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget);
        option.text = option.fontMetrics.elidedText(option.text, option.textElideMode,
                                                    std::max(0, textRect.width() - 2 * margin));
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (m_outline->m_icon) {
            const QIcon icon = m_outline->m_icon(index);
            if (!icon.isNull()) {
                option->icon = icon;
                option->features |= QStyleOptionViewItem::HasDecoration;
                option->decorationSize = m_outline->iconSize();
            }
        }
        if (m_outline->m_bold && m_outline->m_bold(index)) {
            option->font.setBold(true);
            option->fontMetrics = QFontMetrics(option->font);
        }
        if (m_outline->m_colour)
            if (const std::optional<QColor> colour = m_outline->m_colour(index))
                option->palette.setColor(QPalette::Text, *colour);
    }

private:
    ReadableOutline* m_outline;
};

ReadableOutline::ReadableOutline(QWidget* parent) : QTreeView(parent), m_delegate(new RowDelegate(this))
{
    setItemDelegate(m_delegate);
    setUniformRowHeights(true);
    setTextElideMode(Qt::ElideRight);
    header()->setStretchLastSection(false);
    // Columns fit the rows in view, never the whole list: a list of thousands of files
    // costs the main thread a screenful of measurements per fit, and scrolling fits again.
    header()->setResizeContentsPrecision(0);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ReadableOutline::fitSoon);
}

void ReadableOutline::setNameColumn(int column, double minShare)
{
    m_nameColumn = column;
    m_nameShare = std::clamp(minShare, 0.0, 0.9);
    fitSoon();
}

void ReadableOutline::setColumnRule(int column, ColumnRule rule)
{
    m_rules[column] = rule;
    fitSoon();
}

void ReadableOutline::setRowHeight(int height)
{
    m_rowHeight = height;
}

void ReadableOutline::setIconProvider(std::function<QIcon(const QModelIndex&)> provider)
{
    m_icon = std::move(provider);
}

void ReadableOutline::setColourProvider(std::function<std::optional<QColor>(const QModelIndex&)> provider)
{
    m_colour = std::move(provider);
}

void ReadableOutline::setBoldProvider(std::function<bool(const QModelIndex&)> provider)
{
    m_bold = std::move(provider);
}

Qt::TextElideMode ReadableOutline::elideModeFor(int column) const
{
    if (column == m_nameColumn)
        return Qt::ElideMiddle;
    auto it = m_rules.find(column);
    return it == m_rules.end() ? Qt::ElideRight : it->second.elide;
}

void ReadableOutline::setModel(QAbstractItemModel* model)
{
    if (QAbstractItemModel* old = this->model())
        disconnect(old, nullptr, this, nullptr);
    QTreeView::setModel(model);
    if (!model)
        return;
    for (int c = 0; c < model->columnCount(); ++c)
        header()->setSectionResizeMode(c, c == m_nameColumn ? QHeaderView::Stretch : QHeaderView::Interactive);
    connect(model, &QAbstractItemModel::modelReset, this, &ReadableOutline::fitSoon);
    connect(model, &QAbstractItemModel::layoutChanged, this, &ReadableOutline::fitSoon);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ReadableOutline::fitSoon);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ReadableOutline::fitSoon);
    connect(model, &QAbstractItemModel::dataChanged, this, &ReadableOutline::fitSoon);
    fitColumns();
}

void ReadableOutline::fitSoon()
{
    if (m_fitPending)
        return;
    m_fitPending = true;
    QTimer::singleShot(0, this, [this] {
        m_fitPending = false;
        fitColumns();
    });
}

void ReadableOutline::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    fitColumns();
}

void ReadableOutline::fitColumns()
{
    const QAbstractItemModel* m = model();
    if (!m)
        return;
    const int total = viewport()->width();
    std::map<int, int> widths;
    int used = 0;
    for (int c = 0; c < m->columnCount(); ++c) {
        if (c == m_nameColumn || isColumnHidden(c))
            continue;
        int want = std::max(0, sizeHintForColumn(c));
        if (want > 0)
            want += kColumnPadding;
        const auto rule = m_rules.find(c);
        if (rule != m_rules.end()) {
            if (rule->second.maxWidth > 0)
                want = std::min(want, rule->second.maxWidth);
            if (rule->second.maxShare > 0)
                want = std::min(want, int(total * rule->second.maxShare));
        }
        widths[c] = want;
        used += want;
    }
    // The name keeps what it needs, up to its share; the widest other columns give way
    // first.
    const int nameNeed = std::max(0, sizeHintForColumn(m_nameColumn)) + kColumnPadding;
    const int room = total - std::min(nameNeed, int(total * m_nameShare));
    while (used > room) {
        auto widest = std::max_element(widths.begin(), widths.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
        if (widest == widths.end() || widest->second <= kSmallestColumn)
            break;
        const int cut = std::min(used - room, widest->second - kSmallestColumn);
        widest->second -= std::max(1, std::min(cut, widest->second / 4 + 1));
        used = 0;
        for (const auto& [column, width] : widths)
            used += width;
    }
    for (const auto& [column, width] : widths)
        setColumnWidth(column, width);
}

QString ReadableOutline::shownText(const QModelIndex& index) const
{
    if (!index.isValid())
        return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.widget = this;
    m_delegate->prepare(option, index);
    return option.text;
}

void ReadableOutline::styleAsList(int rowHeight, int radius)
{
    setRowHeight(rowHeight);
    setIconSize(QSize(32, 32));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setStyleSheet(QStringLiteral("QTreeView { background: white; border: none; border-radius: %1px; }"
                                 " QHeaderView::section { background: white; color: #707070;"
                                 " border: none; border-bottom: 1px solid #e4e4e4; padding: 4px 6px; }")
                      .arg(radius));
}

} // namespace corvane
