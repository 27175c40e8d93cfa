#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace korvane {

// How an operation talks to the user: an information box with OK, or a
// question with Yes and No. The window shows message boxes; tests script it.
class Prompt {
public:
    virtual ~Prompt() = default;
    virtual void information(const QString& text) = 0;
    // True unless the user answers No.
    virtual bool question(const QString& text) = 0;
    // A line of text the user types, shown with initial; empty when cancelled.
    virtual QString text(const QString& label, const QString& initial) {
        Q_UNUSED(label);
        return initial;
    }
};

// A prompt that records every text and answers questions from a script
// (Yes when the script has run out).
class ScriptedPrompt : public Prompt {
public:
    explicit ScriptedPrompt(QList<bool> answers = {}) : m_answers(std::move(answers)) {}

    void information(const QString& text) override { m_shown << text; }
    bool question(const QString& text) override {
        m_shown << text;
        m_questions << text;
        return m_answers.isEmpty() ? true : m_answers.takeFirst();
    }

    // Typed lines come from the script too (the initial text when it has run out).
    QString text(const QString& label, const QString& initial) override {
        m_shown << label;
        return m_texts.isEmpty() ? initial : m_texts.takeFirst();
    }
    void addText(const QString& typed) { m_texts << typed; }

    const QStringList& shown() const { return m_shown; }
    const QStringList& questions() const { return m_questions; }
    void clear() {
        m_shown.clear();
        m_questions.clear();
    }
    void addAnswer(bool yes) { m_answers << yes; }

private:
    QList<bool> m_answers;
    QStringList m_texts;
    QStringList m_shown;
    QStringList m_questions;
};

} // namespace korvane
