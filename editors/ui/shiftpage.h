#pragma once

#include <QWidget>

namespace korvane {

class PageContext;

// 班次设定 (frmBanciset): the shifts of a day.
class ShiftPage : public QWidget {
    Q_OBJECT
public:
    explicit ShiftPage(PageContext& context, QWidget* parent = nullptr);

private:
    PageContext& m_context;
};

} // namespace korvane
