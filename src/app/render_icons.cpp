// Build-time tool: writes the program's icon, as drawn in code, into a freedesktop icon
// theme folder (SIZExSIZE/apps/NAME.png), so the installed icons cannot differ from the one
// the window shows.
#include "ui/AppIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        QTextStream(stderr) << "Usage: render_icons THEME_FOLDER ICON_NAME\n";
        return 2;
    }
    const QIcon icon = quillfetchIcon();
    for (const QSize &size : icon.availableSizes()) {
        const QString folder = QStringLiteral("%1/%2x%3/apps")
                                   .arg(arguments.at(1))
                                   .arg(size.width())
                                   .arg(size.height());
        const QString path = folder + u'/' + arguments.at(2) + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !icon.pixmap(size).save(path)) {
            QTextStream(stderr) << "Cannot write " << path << '\n';
            return 1;
        }
    }
    return 0;
}
