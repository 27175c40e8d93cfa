#include "app/appsetup.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace korvane {

void setUpApplication(QApplication& app) {
    QCoreApplication::setOrganizationName(QStringLiteral("Korvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvane"));
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));

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
