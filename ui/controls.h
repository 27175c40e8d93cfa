#pragma once

#include <QPushButton>
#include <QString>

namespace korvane {

// A push button that tests, screenshots and the layout find by its object name.
inline QPushButton* namedButton(const QString& objectName, const QString& text,
                                QWidget* parent = nullptr) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    return button;
}

} // namespace korvane
