#include "ui/flowlayout.h"

#include <QSpacerItem>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace korvane {

namespace {

// Between two items where the style names no spacing.
constexpr int kDefaultSpacing = 6;

} // namespace

FlowLayout::FlowLayout(QWidget* parent) : QLayout(parent) {}

FlowLayout::~FlowLayout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
}

void FlowLayout::addStretch() {
    addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
}

int FlowLayout::count() const {
    return int(m_items.size());
}

QLayoutItem* FlowLayout::itemAt(int index) const {
    return m_items.value(index);
}

QLayoutItem* FlowLayout::takeAt(int index) {
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

Qt::Orientations FlowLayout::expandingDirections() const {
    return {};
}

bool FlowLayout::hasHeightForWidth() const {
    return true;
}

int FlowLayout::heightForWidth(int width) const {
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const {
    // As narrow as its widest item: everything else wraps.
    QSize size;
    for (const QLayoutItem* item : m_items)
        size = size.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize FlowLayout::sizeHint() const {
    // Everything on one row.
    int width = 0;
    int height = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        width += item->sizeHint().width() + (width > 0 ? spacing() : 0);
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool place) const {
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int gap = std::max(0, spacing());
    // Rows first, then each row placed: a stretch takes what its row leaves.
    QList<QList<QLayoutItem*>> rows(1);
    int x = 0;
    for (QLayoutItem* item : m_items) {
        if (item->isEmpty() && !item->spacerItem())
            continue;
        const int width = item->spacerItem() ? 0 : item->sizeHint().width();
        if (!rows.last().isEmpty() && x + width > area.width()) {
            rows.append(QList<QLayoutItem*>());
            x = 0;
        }
        rows.last().append(item);
        x += width + gap;
    }
    int y = area.y();
    for (const QList<QLayoutItem*>& row : std::as_const(rows)) {
        int used = 0;
        int height = 0;
        int stretches = 0;
        for (QLayoutItem* item : row) {
            if (item->spacerItem()) {
                ++stretches;
                continue;
            }
            used += item->sizeHint().width();
            height = std::max(height, item->sizeHint().height());
        }
        used += gap * std::max(0, int(row.size()) - 1);
        const int spare = std::max(0, area.width() - used);
        int left = area.x();
        for (QLayoutItem* item : row) {
            if (item->spacerItem()) {
                left += spare / stretches + gap;
                continue;
            }
            const int width = std::min(item->sizeHint().width(), area.width());
            if (place)
                item->setGeometry(QRect(left, y + (height - item->sizeHint().height()) / 2, width,
                                        item->sizeHint().height()));
            left += width + gap;
        }
        y += height + (height > 0 ? gap : 0);
    }
    const QMargins margins = contentsMargins();
    return y - area.y() - (y > area.y() ? gap : 0) + margins.top() + margins.bottom();
}

QWidget* flowBar(QWidget* parent, FlowLayout** layout) {
    auto* bar = new QWidget(parent);
    auto* flow = new FlowLayout(bar);
    flow->setContentsMargins(0, 0, 0, 0);
    // The spacing of the page's own layouts between buttons.
    const int spacing = bar->style()->layoutSpacing(QSizePolicy::PushButton,
                                                    QSizePolicy::PushButton, Qt::Horizontal);
    flow->setSpacing(spacing >= 0 ? spacing : kDefaultSpacing);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    bar->setSizePolicy(policy);
    *layout = flow;
    return bar;
}

} // namespace korvane
