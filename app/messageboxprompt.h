#pragma once

#include "store/prompt.h"

#include <QPointer>
#include <QWidget>

namespace korvane {

// The window's prompt: a modal message box with OK for information and
// Yes / No (是 / 否) for a question, over the given parent window.
class MessageBoxPrompt : public Prompt {
public:
    explicit MessageBoxPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void information(const QString& text) override;
    bool question(const QString& text) override;
    QString text(const QString& label, const QString& initial) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace korvane
