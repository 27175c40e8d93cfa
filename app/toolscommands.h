#pragma once

#include <QObject>

namespace korvane {

class ApplicationController;

// The tools menu: 导出数据库, 导入数据库, 清空数据库 and 载入样例数据库.
// A chosen file is checked before anything is closed; the working file is
// replaced only by the checked, atomic whole-file operations; every command
// that goes ahead ends with a restart, and a failure is reported once the
// main window is back.
class ToolsCommands : public QObject {
    Q_OBJECT
public:
    ToolsCommands(ApplicationController& controller, QWidget* window);

    void exportDatabase(); // dataout
    void importDatabase(); // datain
    void clearDatabase();  // qingkong
    void loadSample();     // yangli

private:
    // Asks the confirmation, checks source, then replaces the working file with it.
    void replaceWith(const QString& source);

    ApplicationController& m_controller;
    QWidget* m_window;
};

} // namespace korvane
