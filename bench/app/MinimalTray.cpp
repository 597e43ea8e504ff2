// The yardstick for Tolvar's idle cost: the least a Qt tray program does, an icon with a Quit menu.
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::darkGreen);
        painter.drawEllipse(pixmap.rect().adjusted(1, 1, -1, -1));
    }
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"), &app, &QCoreApplication::quit);
    QSystemTrayIcon tray { QIcon(pixmap) };
    tray.setToolTip(QStringLiteral("Minimal tray"));
    tray.setContextMenu(&menu);
    tray.show();
    return QApplication::exec();
}
