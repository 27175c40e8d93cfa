#include "app/messageboxprompt.h"

#include <QMessageBox>

namespace korvane {

namespace {
const QString kTitle = QStringLiteral("Korvane3.2");
}

void MessageBoxPrompt::information(const QString& text) {
    QMessageBox::information(m_parent, kTitle, text, QMessageBox::Ok);
}

bool MessageBoxPrompt::question(const QString& text) {
    return QMessageBox::question(m_parent, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) != QMessageBox::No;
}

} // namespace korvane
