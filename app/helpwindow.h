#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace korvane {

// 帮助说明 (hep): the user guide, a section on each capability added to the
// program since, and a button that closes the window.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The guide, one line per entry.
    static const QStringList& guideLines();
    // The guide as the text box holds it: lines joined by CR LF.
    static QString guideText();
    // The sections after the guide, one line per entry: each is a text of
    // data/help/ built into the program, in the order of their file names,
    // so a new section is a new text and nothing else.
    static QStringList sectionLines();
    // What the text box holds: the guide and then the sections.
    static QString helpText();

    // Places the text box at the top left, as wide as the main window less
    // 100 twips and as high as it less 3000 twips.
    void placeText(const QSize& mainWindowSize);

private:
    QPlainTextEdit* m_text;
    QPushButton* m_exit;
};

} // namespace korvane
