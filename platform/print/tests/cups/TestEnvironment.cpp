// The application, talking to the private print server only (when ./test.sh named one).
#include "TestSupport.h"

#include <QApplication>

namespace {

TQtAppOptions privateServer() {
    TQtAppOptions o;
    o.Before = [] {
        const QByteArray server = qgetenv("KADRION_TEST_CUPS");
        if (!server.isEmpty()) qputenv("CUPS_SERVER", server);
    };
    return o;
}

const auto* app = AddQtApplication<QApplication>("print_cups_tests", privateServer());

} // namespace
