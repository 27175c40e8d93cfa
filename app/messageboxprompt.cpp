#include "app/messageboxprompt.h"

#include <QInputDialog>

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace korvane {

namespace {

const QString kTitle = QStringLiteral("Korvane3.2");
// What a title bar needs beside the title: the window's icon and its buttons.
constexpr int kTitleBarExtras = 150;

// A box at least as wide as its whole title: a short text ("完成！") would
// otherwise make the box narrower than the title bar needs.
QMessageBox::StandardButton showBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, kTitle, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(kTitle) + kTitleBarExtras;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return QMessageBox::StandardButton(box.exec());
}

} // namespace

void MessageBoxPrompt::information(const QString& text) {
    showBox(m_parent, QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool MessageBoxPrompt::question(const QString& text) {
    return showBox(m_parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes) != QMessageBox::No;
}

QString MessageBoxPrompt::text(const QString& label, const QString& initial) {
    bool accepted = false;
    const QString typed = QInputDialog::getText(m_parent, QStringLiteral("Korvane3.2"), label,
                                                QLineEdit::Normal, initial, &accepted);
    return accepted ? typed.trimmed() : QString();
}

} // namespace korvane
