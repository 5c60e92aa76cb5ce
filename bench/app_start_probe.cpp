// The program's start up to its main window on the screen, for bench_app: the forms in their
// order with the settings read and the database connected, the splash pause passing on an
// injected clock. Ends at once when the main window is exposed (exit code 0; 1 when the
// database did not connect).
#include "Clock.h"
#include "DMUnit.h"
#include "MainUnit.h"
#include "Startup.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <unistd.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TFakeClock clock(GetClock()->Now());
    TClockSwap swap(&clock);
    CreateApplicationForms();
    if (!DM->Database->GetConnected()) _exit(1);
    MainForm->Show();
    while (!MainForm->GetHandle()->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    _exit(0);
}
