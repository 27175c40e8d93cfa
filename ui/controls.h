#pragma once

#include <QDate>
#include <QDateEdit>
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

// A date picker with its calendar popup, showing dates in the system's
// form (yyyy-MM-dd), on today.
inline QDateEdit* makePicker(const char* objectName, QWidget* parent = nullptr) {
    auto* picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setObjectName(QLatin1String(objectName));
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return picker;
}

} // namespace korvane
