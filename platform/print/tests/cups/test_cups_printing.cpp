// Printing through a real CUPS server with two queues, "kadry" (the default) and "buhgalteria",
// whose jobs land as files in a folder: ./test.sh starts it (cmake/cups.sh) and names it in
// KADRION_TEST_CUPS and KADRION_TEST_CUPS_OUT. The tests that change queues make queues of
// their own, so they may run side by side.
#include "PdfTools.h"
#include "Printers.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <gtest/gtest.h>

namespace {

QString server() {
    return qEnvironmentVariable("KADRION_TEST_CUPS");
}
QString outFolder() {
    return qEnvironmentVariable("KADRION_TEST_CUPS_OUT");
}

// Runs a CUPS administration command against the private server.
bool cups(const QString& Program, const QStringList& Args) {
    return RunProgram(Program, Args, QByteArray(), 30000).Succeeded();
}

// The files the queue's jobs have written so far.
QStringList jobsOf(const QString& Queue) {
    return QDir(outFolder()).entryList({Queue + QStringLiteral("-*.out")}, QDir::Files);
}

// Waits, on the folder's change notices (no fixed pause), until the queue has Count jobs.
bool waitForJobs(const QString& Queue, int Count) {
    QFileSystemWatcher watcher({outFolder()});
    QDeadlineTimer deadline(30000);
    while (jobsOf(Queue).size() < Count) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                        int(std::max<qint64>(1, deadline.remainingTime())));
    }
    return true;
}

class CupsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (server().isEmpty() || !QFile::exists(server()))
            GTEST_SKIP() << "no private CUPS server (./test.sh starts one)";
    }
    void TearDown() override {
        for (const QString& q : made)
            cups(QStringLiteral("lpadmin"), {QStringLiteral("-x"), q});
    }
    // A queue of this test's own, accepting jobs.
    QString makeQueue(const QString& Stem) {
        QString name = Stem + QString::number(QCoreApplication::applicationPid());
        EXPECT_TRUE(cups(QStringLiteral("lpadmin"),
                         {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                          QStringLiteral("kadrionfile:") + outFolder(), QStringLiteral("-m"),
                          QStringLiteral("raw")}));
        made << name;
        return name;
    }
    static void select(TPrinter& P, const QString& Queue) {
        int i = P.GetPrinters()->IndexOf(Queue);
        ASSERT_GE(i, 0) << Queue.toStdString();
        P.SetPrinterIndex(i);
    }
    static void printOnePage(TPrinter& P, const QString& Text) {
        P.SetTitle(QStringLiteral("Наказ"));
        P.BeginDoc();
        P.GetCanvas()->GetFont()->SetSize(14);
        P.GetCanvas()->TextOut(100, 100, Text);
        P.EndDoc();
    }
    QStringList made;
};

TEST_F(CupsTest, TheQueuesAreListedWithTheDefaultCurrent) {
    TPrinter printer;
    QStringList names = printer.GetPrinters()->ToStringList();
    EXPECT_TRUE(names.contains(QStringLiteral("kadry")));
    EXPECT_TRUE(names.contains(QStringLiteral("buhgalteria")));
    EXPECT_EQ(names.last(), TPrinter::PdfPrinterName());
    QString device, driver, port;
    printer.GetPrinter(device, driver, port);
    EXPECT_EQ(device, QStringLiteral("kadry"));
    EXPECT_FALSE(printer.IsPdfPrinter());
}

TEST_F(CupsTest, ADocumentPrintsOnTheChosenQueue) {
    TPrinter printer;
    select(printer, QStringLiteral("buhgalteria"));
    const int before = int(jobsOf(QStringLiteral("buhgalteria")).size());
    printOnePage(printer, QStringLiteral("Наказ про відпустку"));
    ASSERT_TRUE(waitForJobs(QStringLiteral("buhgalteria"), before + 1));
    QStringList jobs = jobsOf(QStringLiteral("buhgalteria"));
    jobs.sort();
    const QString file = QDir(outFolder()).filePath(jobs.last());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF"));
    EXPECT_TRUE(pdftools::text(file).contains(QStringLiteral("Наказ про відпустку")));
}

TEST_F(CupsTest, AQueueDeletedAfterTheListWasReadIsAnErrorNotAnotherPrinter) {
    const QString gone = makeQueue(QStringLiteral("gone"));
    TPrinter printer;
    select(printer, gone);
    ASSERT_TRUE(cups(QStringLiteral("lpadmin"), {QStringLiteral("-x"), gone}));
    made.clear();
    try {
        printer.BeginDoc();
        printer.EndDoc();
        FAIL() << "printed without a word";
    } catch (const EPrinter& e) {
        EXPECT_TRUE(e.Message.contains(gone)) << e.Message.toStdString();
    }
    EXPECT_FALSE(printer.GetPrinting());
    // the printer stays usable: another queue prints
    select(printer, QStringLiteral("kadry"));
    const int before = int(jobsOf(QStringLiteral("kadry")).size());
    printOnePage(printer, QStringLiteral("Довідка"));
    EXPECT_TRUE(waitForJobs(QStringLiteral("kadry"), before + 1));
}

TEST_F(CupsTest, AQueueThatRefusesJobsIsAnErrorWithItsReason) {
    const QString queue = makeQueue(QStringLiteral("refusing"));
    TPrinter printer;
    select(printer, queue);
    // refusing from the start: BeginDoc says so
    ASSERT_TRUE(cups(QStringLiteral("cupsreject"),
                     {QStringLiteral("-r"), QStringLiteral("Немає паперу"), queue}));
    try {
        printer.BeginDoc();
        FAIL() << "the refused document was taken";
    } catch (const EPrinter& e) {
        EXPECT_TRUE(e.Message.contains(queue)) << e.Message.toStdString();
        EXPECT_TRUE(e.Message.contains(QStringLiteral("Немає паперу"))) << e.Message.toStdString();
    }
    EXPECT_FALSE(printer.GetPrinting());
    // refusing once the document was started: EndDoc says so
    ASSERT_TRUE(cups(QStringLiteral("cupsaccept"), {queue}));
    printer.BeginDoc();
    printer.GetCanvas()->TextOut(100, 100, QStringLiteral("Наказ"));
    printer.NewPage();
    ASSERT_TRUE(cups(QStringLiteral("cupsreject"), {queue}));
    EXPECT_THROW(printer.EndDoc(), EPrinter);
    EXPECT_FALSE(printer.GetPrinting());
    EXPECT_TRUE(jobsOf(queue).isEmpty());
}

} // namespace
