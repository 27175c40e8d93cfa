#include "app/helpwindow.h"

#include "ui/twips.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>

namespace korvane {

namespace {

const QStringList kGuide = {
    QStringLiteral("软件用途："),
    QStringLiteral(
        "    "
        "该软件为管理者提供了一种Korvane功能，可任意设定班次、时间、每班人数，软件可自动生成最为合"
        "理的排班方案，并可提供强大的查询和报表功能。最为特别的是，该Korvane可任意设定值班人躲避时"
        "间、班次等条件，使排班管理更为智能更为人性化！该版本3.0较上一版本1."
        "1有了重大的升级，引入了组的概念，人员、日期、班次都可以任意设定组，针对组可以进行排班条件"
        "设定，例如可以设定某组人员不排在（或限排在）特定日期组的某组班次，这样大大增加了条件设定的"
        "灵活性。"),
    QStringLiteral(""),
    QStringLiteral(""),
    QStringLiteral("软件使用步骤："),
    QStringLiteral(""),
    QStringLiteral("        "),
    QStringLiteral(
        "    "
        "1、首先进入初始设定。共有上下两排共六个按钮可供选择。上排为值班人员设定、日期范围设定、班"
        "次设定。这三个按钮分别设定相应的值班人员、日期、班次。下面的三个按钮则是有关组的设定按钮，"
        "也是更高级的选项。不同的组分别对应不同的集合，值班人员组可以设定值班人员的集合，日期组设定"
        "日期的集合，班次组对应班次的集合。这些集合会在软件中扮演重要的角色！"),
    QStringLiteral(""),
    QStringLiteral("    2、下面介绍上述六个按钮对应的软件初始化设定。"),
    QStringLiteral("    "
                   "2."
                   "1、首先介绍值班人员设定，这是生成排班的基础条件，可通过点击“增加员工”按钮以增加"
                   "记录行，记录行只须填入姓名。可以选定某行记录，点击“删除员工”按钮以删除该员工。"
                   "单击单元格可以对相应的姓名进行修改。"),
    QStringLiteral("    2.2、日期范围设定决定了排班的起点和终点。"),
    QStringLiteral("    "
                   "2."
                   "3、班次的设定包括班次名称、人数、开始结束时间、备注和分布时间。分布时间的引入，"
                   "是为了迎合班次分布的实际特点：有些班次并不是每天都有的，分布时间可以选择一个设"
                   "定好的日期组，这样只有在这个组的日期才会安排这个班次，默认情况是班次的分布时间"
                   "为全部。最大连续天数是限定该班次重复的最大天数，如夜班不可以重复2天以上，则在最"
                   "大连续天数处设2。最大连续天数的默认值都是无限制！"),
    QStringLiteral(
        "    "
        "2."
        "4、值班人员组设定是设定值班人员的集合，每个值班人员可以同时隶属于不同的值班人员组。设定界"
        "面左面的为值班人员组的增删按钮，如果想修改组名，单击单元格就可以进行输入修改。右面为组成员"
        "的增删，点击增加删除成员按钮就会进入相应的界面。<< >>分别为转移操作按钮。"),
    QStringLiteral(
        "    "
        "2."
        "5、日期组设定是设定值班人员的集合，每个日期可以同时隶属于不同的日期组。设定界面左面的为日"
        "期组的增删按钮，如果想修改组名，单击单元格就可以进行输入修改。右面为组成员的增删，点击增加"
        "删除成员按钮就会进入相应的界面。<< >>分别为转移操作按钮。"),
    QStringLiteral(
        "    "
        "2."
        "6、班次组设定是设定值班人员的集合，每个班次可以同时隶属于不同的班次组。设定界面左面的为班"
        "次组的增删按钮，如果想修改组名，单击单元格就可以进行输入修改。右面为组成员的增删，点击增加"
        "删除成员按钮就会进入相应的界面。<< >>分别为转移操作按钮。"),
    QStringLiteral("    "),
    QStringLiteral("    3、点击“结束设置”。进入排班主界面。"),
    QStringLiteral("    "),
    QStringLiteral(
        "    "
        "4、通过选择“某人（或组）”不排（或限排）在“某日期（或组）”的某班（或组）的格式进行约束条件"
        "设定。选择完每一个条件后，点击“添加该条件”按钮，则该条件会记录到数据库中，然后可以输入第二"
        "个条件。通过这种方式可以输入任意多的设定条件，理论上可以实现任何排班要求。需要注意的是限排"
        "的意思是不能排在限制区之外，但并不是一定要排，是否排班完全由算法决定。例如条件：张三限排在"
        "每周五的夜班，这个条件限定了张三不能值除了每周五夜班之外的班次，但并不一定每周五都是张三值"
        "班，值不值班要看计算结果，要看合不合理。约束条件的每一条记录都能够删除。另外约束条件记录的"
        "顺序可以任意，不会影响排班的逻辑！"),
    QStringLiteral(" "),
    QStringLiteral(
        "    "
        "5、当所有值班参数都设定好了，点击“生成值班表”就可以生成值班表了，根据人数，班数等因素，生"
        "成值班表需要的时间会不同，在按钮上方有一个进度条显示生成值班表的进度状况。"),
    QStringLiteral(""),
    QStringLiteral("    7、当值班表生成完毕，可点击“生成报表”进入报表页，可选择打印或者报表存储。"),
    QStringLiteral(""),
    QStringLiteral("    "
                   "8、如果要生成某人的值班表，可在个人查询框中输入姓名（支持模糊），点击“开始个人"
                   "查询”就会生成个人的值班报表，同样也可以点击“生成报表”以生成个人值班报表。点击“"
                   "退出个人查询”重新显示完整值班表。"),
    QStringLiteral(""),
    QStringLiteral("    "
                   "9、如果要生成某班次的值班表，可在班次查询框中输入班次（支持模糊），点击“开始班"
                   "次查询”就会生成班次的值班报表，同样也可以点击“生成报表”以生成班次值班报表。点击"
                   "“退出班次查询”重新显示完整值班表。"),
    QStringLiteral(""),
    QStringLiteral("    "
                   "10、点击菜单栏中工具下的导出数据库，则会将所有设定的参数，包括值班人员（组）、"
                   "日期（组）、班次（组）、约束条件，导出到选定的路径。点击菜单栏中工具下的导入数"
                   "据库，则会将所有设定的参数，包括值班人员（组）、日期（组）、班次（组）、约束条"
                   "件，恢复到当前数据库。这样就可以将不同的排班环境和方案保存下来，并随时调出。"),
    QStringLiteral(""),
    QStringLiteral("    "
                   "11、通过点击菜单栏中工具下的“载入样例数据库”，可以导入设置样例。该样例数据库为"
                   "医院排班信息，存在着数个组，可以通过点击初始设定界面中的六个设定按钮进行浏览，"
                   "约束条件也可一目了然。可以点击生成值班表进行测试！"),
    QStringLiteral(""),
    QStringLiteral("    "
                   "12、点击菜单栏中工具下的“清空数据库”就可以将数据库清空！另外有一项应该特别注意"
                   "：一旦更改成员名称或者组名称，有相关的引用的地方一定要重新设置，如班次中的分布"
                   "日期、排班约束条件中的相关设置！"),
    QStringLiteral(""),
    QStringLiteral("    "),
    QStringLiteral("    "
                   "用户也可以使用设置向导来进行设置，点击“进入设置向导”按钮，就可以进入向导，“上一"
                   "步”和“下一步”为向导的后退和前进方向，通过该向导，用户可以方便的完成初始设置。"),
    QStringLiteral(""),
};

} // namespace

const QStringList& HelpWindow::guideLines() {
    return kGuide;
}

QString HelpWindow::guideText() {
    return kGuide.join(QStringLiteral("\r\n"));
}

QStringList HelpWindow::sectionLines() {
    QStringList lines;
    const QDir sections(QStringLiteral(":/help"), QStringLiteral("*.txt"), QDir::Name, QDir::Files);
    for (const QString& name : sections.entryList()) {
        QFile file(sections.filePath(name));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        lines << QString::fromUtf8(file.readAll()).trimmed().split(QLatin1Char('\n'));
        lines << QString();
    }
    return lines;
}

QString HelpWindow::helpText() {
    return (kGuide + sectionLines()).join(QStringLiteral("\r\n"));
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("hep"));
    setWindowTitle(QStringLiteral("帮助说明"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("Text14"));
    m_text->setReadOnly(true);
    m_text->setPlainText(helpText());

    m_exit = new QPushButton(QStringLiteral("退出帮助"), this);
    m_exit->setObjectName(QStringLiteral("Command1"));
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);
    resize(800, 600);
}

void HelpWindow::placeText(const QSize& mainWindowSize) {
    const int width = qMax(twips(1500), mainWindowSize.width() - twips(100));
    const int height = qMax(twips(1500), mainWindowSize.height() - twips(3000));
    m_text->setVisible(true);
    m_text->setGeometry(0, 0, width, height);
    const QSize button = m_exit->sizeHint().expandedTo(QSize(twips(1500), twips(495)));
    m_exit->setGeometry((width - button.width()) / 2, height + twips(150), button.width(),
                        button.height());
    resize(width, height + twips(150) + button.height() + twips(150));
}

} // namespace korvane
