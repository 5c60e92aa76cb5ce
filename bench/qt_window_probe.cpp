// The baseline of bench_app: a minimal Qt program that shows one empty window and ends as
// soon as it is exposed.
#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <unistd.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.resize(800, 560);
    w.show();
    while (!w.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    _exit(0);
}
