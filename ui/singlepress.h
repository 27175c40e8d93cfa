#pragma once

#include <QAbstractButton>
#include <QObject>

namespace korvane {

// One press, one action: a press that follows the last one within the
// double-click interval (a double click, a hurried second click) does
// nothing, so a delete button never takes the next row along with the
// selected one. Only mouse presses are held back; the keyboard is not.
void acceptSinglePresses(QAbstractButton* button);

// Connects the button's clicked to a slot of receiver, through the guard above.
template <typename Receiver, typename Slot>
QMetaObject::Connection connectSinglePress(QAbstractButton* button, const Receiver* receiver,
                                           Slot slot) {
    acceptSinglePresses(button);
    return QObject::connect(button, &QAbstractButton::clicked, receiver, slot);
}

} // namespace korvane
