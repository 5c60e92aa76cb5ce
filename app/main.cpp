// Kadrion: personnel records. The program starts in the folder of its report templates.
#include "Startup.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return RunKadrion();
}
