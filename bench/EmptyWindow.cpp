// bench_empty_window: the yardstick of bench/footprint, an empty Qt window of
// Ventrel's size with a tray icon, and nothing else: what any Qt program of
// this kind costs before it does any work.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QWidget window;
    window.setWindowTitle("Empty window");
    window.setFixedSize(382, 135);
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::red);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.show();
    window.show();
    return QApplication::exec();
}
