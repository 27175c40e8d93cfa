#pragma once

#include <QLayout>
#include <QList>

namespace korvane {

// Lays its items out in rows from left to right and starts a new row where
// the width runs out, so that a bar of buttons wraps on a small screen
// instead of cutting its last buttons off. A stretch item (addStretch) fills
// the rest of its row and pushes what follows to the right.
class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent = nullptr);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    // A gap that takes the rest of its row.
    void addStretch();
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items (when place is set) and gives the height they take.
    int arrange(const QRect& rect, bool place) const;

    QList<QLayoutItem*> m_items;
};

// A widget holding a FlowLayout without margins: what a page adds to its own
// layout as a bar of buttons that wraps.
QWidget* flowBar(QWidget* parent, FlowLayout** layout);

} // namespace korvane
