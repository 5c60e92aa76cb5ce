// The report objects' tests: an application object for the whole run (forms, fonts and the
// printers need one) with no print queues, and the embedded database engine.
#include "EngineTestSupport.h"
#include "Printers.h"
#include "TestSupport.h"

#include <QApplication>

namespace {

TQtAppOptions withoutQueues() {
    TQtAppOptions o;
    o.After = [] { SetPrintQueueSource([] { return std::vector<TPrintQueue>(); }); };
    return o;
}

const auto* app = AddQtApplication<QApplication>("report_db_tests", withoutQueues());
const auto* engine = ::testing::AddGlobalTestEnvironment(new EmbeddedEngineEnvironment);

} // namespace
