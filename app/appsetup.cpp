#include "app/appsetup.h"

#include <QApplication>
#include <QDirIterator>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QTranslator>

namespace korvane {

namespace {

// A frame whose icon is left empty draws the style's stand-in, Qt's logo;
// the program's own icon takes its place.
class ProgramIconStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override {
        if (icon == SP_TitleBarMenuButton)
            return QApplication::windowIcon();
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};

} // namespace

void setUpApplication(QApplication& app) {
    QCoreApplication::setOrganizationName(QStringLiteral("Korvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvane"));
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));

    // Every window, page frame, message box and dialog takes the program's
    // icon from here (without one, Qt draws its own logo); the desktop entry
    // of the same name gives the task bar the icon too.
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/icons"), {QStringLiteral("*.png")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (sizes.hasNext())
        icon.addFile(sizes.next());
    QApplication::setWindowIcon(icon);
    QApplication::setStyle(new ProgramIconStyle);
    QGuiApplication::setDesktopFileName(QStringLiteral("korvane"));

    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);

    // The designed fonts (宋体, 楷体_GB2312) are Windows fonts; map them and
    // the default to an installed CJK family so no character renders as a box.
    const QStringList cjk = {QStringLiteral("WenQuanYi Micro Hei"),
                             QStringLiteral("WenQuanYi Zen Hei"),
                             QStringLiteral("Noto Sans CJK SC")};
    for (const QString& designed :
         {QStringLiteral("宋体"), QStringLiteral("楷体_GB2312"), QStringLiteral("SimSun")})
        QFont::insertSubstitutions(designed, cjk);
    const QStringList families = QFontDatabase::families();
    for (const QString& family : cjk) {
        if (families.contains(family)) {
            QFont font(family);
            font.setPointSizeF(10.5);
            QApplication::setFont(font);
            break;
        }
    }
}

} // namespace korvane
