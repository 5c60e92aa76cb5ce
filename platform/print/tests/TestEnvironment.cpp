// An application object for the whole test run (printing and fonts need one). The printers see
// no print queue of the machine they run on: the tests that want queues give their own.
#include "Printers.h"
#include "TestSupport.h"

#include <QApplication>

namespace {

TQtAppOptions withoutQueues() {
    TQtAppOptions o;
    o.After = [] { SetPrintQueueSource([] { return std::vector<TPrintQueue>(); }); };
    return o;
}

const auto* app = AddQtApplication<QApplication>("print_tests", withoutQueues());

} // namespace
