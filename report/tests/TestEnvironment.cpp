// The report tests' application object for the whole run (fonts, drawing and the platform's
// printers need one), with no print queues: the printers are the platform's "PDF" printer and
// the engine's virtual printer.
#include "Printers.h"
#include "TestSupport.h"

#include <QApplication>

namespace {

TQtAppOptions withoutQueues() {
    TQtAppOptions o;
    o.After = [] { SetPrintQueueSource([] { return std::vector<TPrintQueue>(); }); };
    return o;
}

const auto* app = AddQtApplication<QApplication>("report_tests", withoutQueues());

} // namespace
