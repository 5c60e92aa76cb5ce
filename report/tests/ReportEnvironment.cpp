// The print tests' application object for the whole run (fonts, drawing and the platform's
// printers need one), with no print queues: the printers are the platform's "PDF" printer and
// the engine's virtual printer.
#include "PrintEnvironment.h"
#include "Printers.h"

namespace {

class ReportEnvironment : public PrintEnvironment {
public:
    void SetUp() override {
        SetPrintQueueSource([] { return std::vector<TPrintQueue>(); });
        PrintEnvironment::SetUp();
    }
};

} // namespace

static ::testing::Environment* const reportEnvironment =
    ::testing::AddGlobalTestEnvironment(new ReportEnvironment);
