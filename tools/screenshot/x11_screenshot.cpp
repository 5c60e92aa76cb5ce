// Saves what the X server shows on its whole screen (every window, pop-up and drop-down list) as
// a PNG file:  x11_screenshot <out.png>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: x11_screenshot <out.png>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    // Window 0 is the root window: the screen as composed by the server.
    QPixmap shot = screen ? screen->grabWindow(0) : QPixmap();
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "x11_screenshot: cannot capture the screen into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
