// Ventrel: a desktop monitor for one router, polled every second over SNMP.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "monitor/Fciscomon.h"
#include "monitor/Startdir.h"
#include "shell/Fonts.h"
#include "snmp/Winsockinit.h"

int main(int argc, char* argv[]) {
    if (!StartSockets()) return 1;
    StartReadingFontConfiguration();
    RecordStartDirectory();

    // Qt's shared-memory image transfer makes most repaints wait for the X
    // server's answer; for a window this small, plain requests cost less
    // and wake the program less. A setting of the user's own stands.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    QApplication::setApplicationName("ventrel");
    QApplication::setOrganizationName("Quillot");
    // Hiding to the tray must not end the program; Exit and Quit end it.
    QApplication::setQuitOnLastWindowClosed(false);
    RegisterFonts();
    try {
        TFormCiscoMon window;
        window.show();
        QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, "Ventrel", QString::fromLocal8Bit(e.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, "Ventrel", QString());
    }
    return 0;
}
