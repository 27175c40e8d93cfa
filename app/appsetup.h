#pragma once

class QApplication;

namespace korvane {

// Chinese locale, the program's icon, Qt's own Chinese texts (是 / 否 / 确定 /
// 取消) and an installed CJK font for every widget.
void setUpApplication(QApplication& app);

} // namespace korvane
