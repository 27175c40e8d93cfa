#include "ui/singlepress.h"

#include <QApplication>
#include <QMouseEvent>

namespace korvane {

namespace {

const QString kFilterName = QStringLiteral("singlePressFilter");

// Judged by the events' own timestamps, so a press that waited in the queue
// while the first one was handled still counts as the second of a pair.
class SinglePressFilter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonPress &&
            event->type() != QEvent::MouseButtonDblClick)
            return QObject::eventFilter(watched, event);
        const quint64 time = static_cast<QMouseEvent*>(event)->timestamp();
        // A double click is a second press within the interval by definition.
        if (event->type() == QEvent::MouseButtonDblClick ||
            (m_pressed && time - m_lastPress < quint64(QApplication::doubleClickInterval())))
            return true;
        m_pressed = true;
        m_lastPress = time;
        return false;
    }

private:
    bool m_pressed = false;
    quint64 m_lastPress = 0;
};

} // namespace

void acceptSinglePresses(QAbstractButton* button) {
    if (!button || button->findChild<QObject*>(kFilterName, Qt::FindDirectChildrenOnly))
        return;
    auto* filter = new SinglePressFilter(button);
    filter->setObjectName(kFilterName);
    button->installEventFilter(filter);
}

} // namespace korvane
