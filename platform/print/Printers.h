// Printers over Qt print support: the list of the machine's print queues plus one "PDF" printer
// that writes a file and is always present (so printing works on any machine), the current
// printer with its device mode (paper, orientation, bin, copies), its device metrics, and print
// jobs drawn through a TCanvas.
//
// Device contract, as on the original platform:
// - coordinates are device pixels at the printer's resolution (LOGPIXELSX/Y); the canvas origin
//   is the top-left corner of the printable area, which lies PHYSICALOFFSETX/Y pixels inside the
//   sheet; PageWidth/PageHeight (HORZRES/VERTRES) are the printable area;
// - paper is named by the platform's paper codes (DMPAPER_A4 = 9 ...) or given as a custom size
//   (DMPAPER_USER with dmPaperWidth/dmPaperLength in tenths of a millimetre, both flags set);
//   sizes describe the sheet as fed (portrait), the orientation turns it;
// - a device mode set while a document prints takes effect from the next page, so paper and
//   orientation may change between the pages of one document.
#pragma once

#include "Graphics.h"

#include <QList>
#include <QMarginsF>
#include <QPageSize>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QPrinter;
class QPainter;
class QPageLayout;

KADRION_EXCEPTION(EPrinter, Exception)

// ---- device mode ------------------------------------------------------------------------------

// TDeviceMode::dmFields: which members the device accepts (and, for the paper size, which ones a
// request sets).
constexpr uint32_t DM_ORIENTATION = 0x00000001;
constexpr uint32_t DM_PAPERSIZE = 0x00000002;
constexpr uint32_t DM_PAPERLENGTH = 0x00000004;
constexpr uint32_t DM_PAPERWIDTH = 0x00000008;
constexpr uint32_t DM_COPIES = 0x00000100;
constexpr uint32_t DM_DEFAULTSOURCE = 0x00000200;
constexpr uint32_t DM_PRINTQUALITY = 0x00000400;
constexpr uint32_t DM_COLLATE = 0x00008000;

constexpr int DMORIENT_PORTRAIT = 1;
constexpr int DMORIENT_LANDSCAPE = 2;

constexpr int DMCOLLATE_FALSE = 0;
constexpr int DMCOLLATE_TRUE = 1;

// Paper codes.
constexpr int DMPAPER_LETTER = 1;
constexpr int DMPAPER_LETTERSMALL = 2;
constexpr int DMPAPER_TABLOID = 3;
constexpr int DMPAPER_LEDGER = 4;
constexpr int DMPAPER_LEGAL = 5;
constexpr int DMPAPER_STATEMENT = 6;
constexpr int DMPAPER_EXECUTIVE = 7;
constexpr int DMPAPER_A3 = 8;
constexpr int DMPAPER_A4 = 9;
constexpr int DMPAPER_A4SMALL = 10;
constexpr int DMPAPER_A5 = 11;
constexpr int DMPAPER_B4 = 12;
constexpr int DMPAPER_B5 = 13;
constexpr int DMPAPER_FOLIO = 14;
constexpr int DMPAPER_QUARTO = 15;
constexpr int DMPAPER_10X14 = 16;
constexpr int DMPAPER_11X17 = 17;
constexpr int DMPAPER_NOTE = 18;
constexpr int DMPAPER_ENV_9 = 19;
constexpr int DMPAPER_ENV_10 = 20;
constexpr int DMPAPER_ENV_DL = 27;
constexpr int DMPAPER_ENV_C5 = 28;
constexpr int DMPAPER_ENV_C3 = 29;
constexpr int DMPAPER_ENV_C4 = 30;
constexpr int DMPAPER_ENV_C6 = 31;
constexpr int DMPAPER_ENV_B5 = 34;
constexpr int DMPAPER_A4_TRANSVERSE = 55;
constexpr int DMPAPER_A5_TRANSVERSE = 61;
constexpr int DMPAPER_A2 = 66;
constexpr int DMPAPER_A3_TRANSVERSE = 67;
constexpr int DMPAPER_USER = 256;

// Paper sources.
constexpr int DMBIN_UPPER = 1;
constexpr int DMBIN_ONLYONE = 1;
constexpr int DMBIN_LOWER = 2;
constexpr int DMBIN_MIDDLE = 3;
constexpr int DMBIN_MANUAL = 4;
constexpr int DMBIN_ENVELOPE = 5;
constexpr int DMBIN_ENVMANUAL = 6;
constexpr int DMBIN_AUTO = 7;
constexpr int DMBIN_TRACTOR = 8;
constexpr int DMBIN_SMALLFMT = 9;
constexpr int DMBIN_LARGEFMT = 10;
constexpr int DMBIN_LARGECAPACITY = 11;
constexpr int DMBIN_CASSETTE = 14;
constexpr int DMBIN_FORMSOURCE = 15;
constexpr int DMBIN_USER = 256;

// The settings of a printer. Sizes are in tenths of a millimetre.
struct TDeviceMode {
    QString dmDeviceName;
    uint32_t dmFields = 0;
    int dmOrientation = DMORIENT_PORTRAIT;
    int dmPaperSize = DMPAPER_A4;
    int dmPaperLength = 0;
    int dmPaperWidth = 0;
    int dmCopies = 1;
    int dmDefaultSource = 0;
    int dmPrintQuality = 0; // dots per inch
    int dmCollate = DMCOLLATE_FALSE;
    bool operator==(const TDeviceMode&) const = default;
};

// ---- papers and bins ---------------------------------------------------------------------------

// One paper a printer offers: its code, name and size as fed (tenths of a millimetre).
struct TPaperInfo {
    int Code = 0;
    QString Name;
    int Width = 0;
    int Height = 0;
};

// One paper source: its code (DMBIN_*) and name.
struct TBinInfo {
    int Code = 0;
    QString Name;
};

// The platform's paper table (codes 1-47, 50-68 and DMPAPER_USER with size 0 x 0), in code order.
const std::vector<TPaperInfo>& StandardPapers();
// The row of a code, or null.
const TPaperInfo* FindStandardPaper(int Code);
// The platform's code of a Qt page size (0 when it has none).
int PaperCodeOfPageSize(const QPageSize& Size);

// ---- print queues
// ---------------------------------------------------------------------------------

// What the system says of one print queue.
struct TPrintQueue {
    QString Name, Driver, Port;
    bool Default = false; // the system's default queue
    QList<QPageSize> PageSizes;
    QPageSize DefaultPageSize;
    bool CustomSizes = true;
    int Resolution = 300;
    bool Copies = true;
    QList<int> Sources; // QPrinter::PaperSource values
    // The unprintable edges of a paper in points; when not set, Margins for every paper.
    std::function<QMarginsF(const QPageSize& Size, bool Landscape)> MinimumMargins;
    QMarginsF Margins;
};

// The system's CUPS queues.
std::vector<TPrintQueue> SystemPrintQueues();
using TPrintQueueSource = std::function<std::vector<TPrintQueue>()>;
// Replaces where printers read their queues (empty: SystemPrintQueues); returns the previous.
TPrintQueueSource SetPrintQueueSource(TPrintQueueSource Source);

// ---- device capabilities ------------------------------------------------------------------------

// GetDeviceCaps indices.
constexpr int DRIVERVERSION = 0;
constexpr int TECHNOLOGY = 2;
constexpr int HORZSIZE = 4; // printable width in millimetres
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8; // printable width in pixels
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int ASPECTX = 40;
constexpr int ASPECTY = 42;
constexpr int ASPECTXY = 44;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;
constexpr int SCALINGFACTORX = 114;
constexpr int SCALINGFACTORY = 115;

constexpr int DT_RASPRINTER = 2;

// ---- the printer -------------------------------------------------------------------------------

enum TPrinterState { psNoHandle, psHandleIC, psHandleDC };
enum TPrinterOrientation { poPortrait, poLandscape };
enum TPrinterCapability { pcCopies, pcOrientation, pcCollation };
using TPrinterCapabilities = TSet<TPrinterCapability>;

class TPrinter;

// The canvas of a printer: draws on the page of the running job; outside a job it measures text
// with the printer's fonts and reports the printable area as its size.
class TPrinterCanvas : public TCanvas {
    KADRION_CLASS(TPrinterCanvas)
    explicit TPrinterCanvas(TPrinter* APrinter) : printer(APrinter) {}
    TSize GetDeviceSize() override;

protected:
    void CreateHandle() override {}

private:
    TPrinter* printer;
};

class TPrinter : public TObject {
    KADRION_CLASS(TPrinter)
    // Reads the print queues; the system's default queue is current, else "PDF".
    TPrinter();
    ~TPrinter() override;

    // The name of the printer that writes PDF files.
    static QString PdfPrinterName() { return QStringLiteral("PDF"); }

    // ---- the list ----
    // The queues' names, then "PDF" (always the last entry).
    TStrings* GetPrinters() const { return printers.get(); }
    int GetPrinterIndex() const { return index; }
    // -1 selects the default printer. Raises EPrinter "Printer index out of range" for a bad
    // index and "Printing in progress" during a job.
    void SetPrinterIndex(int Value);
    int GetPdfIndex() const { return printers->Count() - 1; }
    bool IsPdfPrinter() const { return index == GetPdfIndex(); }
    // Reads the queues again, keeping the current printer and the settings of every printer
    // still there.
    void Refresh();
    // Device name, driver and port of the current printer.
    void GetPrinter(QString& ADevice, QString& ADriver, QString& APort) const;

    // ---- the settings of the current printer ----
    // A copy of the device mode: the settings now in force (dmFields tells what the device
    // accepts).
    TDeviceMode GetDeviceMode() const { return mode; }
    // Applies what the device accepts from Mode (dmFields of Mode says which size members are
    // set: DM_PAPERWIDTH and DM_PAPERLENGTH both for a custom size); the rest stays. An unknown
    // paper code or a custom size not above zero keeps the paper. During a job the new
    // settings start with the next page.
    void SetDeviceMode(const TDeviceMode& Mode);
    TPrinterOrientation GetOrientation() const;
    void SetOrientation(TPrinterOrientation Value);
    // 1 when the device cannot print copies (the PDF printer): the caller repeats the pages.
    int GetCopies() const { return mode.dmCopies; }
    void SetCopies(int Value);
    TPrinterCapabilities GetCapabilities() const;
    // The papers and paper sources the current printer offers (no sources: empty).
    const std::vector<TPaperInfo>& GetPapers() const;
    const std::vector<TBinInfo>& GetBins() const;
    // The printable area in device pixels.
    int GetPageWidth() const { return GetDeviceCaps(HORZRES); }
    int GetPageHeight() const { return GetDeviceCaps(VERTRES); }
    // Device metrics of the current settings by a GetDeviceCaps index; 0 for an unknown one.
    int GetDeviceCaps(int Index) const;
    // The installed font families.
    TStrings* GetFonts();

    // ---- the job ----
    QString GetTitle() const { return title; }
    void SetTitle(const QString& Value) { title = Value; }
    // A fixed file for the PDF printer to write. Empty (the default) asks the user at every
    // BeginDoc.
    QString GetFileName() const { return fileName; }
    void SetFileName(const QString& Value) { fileName = Value; }
    // The file the current or last job of the PDF printer writes.
    QString GetJobFileName() const { return jobFile; }
    // Starts a document on page 1. The PDF printer asks for the file name first (OnAskFileName,
    // else the user-interaction service); a cancelled question raises EAbort. Raises EPrinter
    // "Printing in progress" during a job and when the device cannot be opened, and, naming
    // the printer, when its queue is gone from the print system or refuses jobs.
    void BeginDoc();
    // Ends the page and starts the next one with the settings in force.
    void NewPage();
    // Ends the document and hands it to the device; raises EPrinter, with the print system's
    // reason, when the queue did not take the job.
    void EndDoc();
    // Stops the job: nothing more is drawn, the PDF printer removes its unfinished file.
    void Abort();
    bool GetAborted() const { return aborted; }
    bool GetPrinting() const { return printing; }
    int GetPageNumber() const { return pageNumber; }
    TPrinterState GetState() const { return printing ? psHandleDC : psHandleIC; }
    TCanvas* GetCanvas() const { return canvas.get(); }

    // ---- questions to the user ----
    // The print setup: printer, paper, orientation, bin and copies; applies the answer and
    // returns true on OK. Asks OnSetupDialog when set, else the user-interaction service.
    bool ExecuteSetupDialog();
    // The page setup of the current printer: paper, orientation, bin and the margins of the page
    // (Margins in and out: left, top, right, bottom in hundredths of a millimetre). On OK applies
    // the paper, orientation and bin and returns true. An answer whose margins leave no room on
    // its paper is told to the user and changes nothing (false).
    bool ExecutePageSetupDialog(TRect& Margins);

    // Asks the file name of the PDF printer: FileName in is the proposal, out the choice;
    // false cancels.
    std::function<bool(TPrinter* Sender, QString& FileName)> OnAskFileName;
    // The print-setup question: PrinterIndex and Mode in are the current ones, out the choice;
    // false cancels.
    std::function<bool(TPrinter* Sender, int& PrinterIndex, TDeviceMode& Mode)> OnSetupDialog;

private:
    struct TDevice;
    void checkPrinting(bool Printing) const;
    static void checkQueue(const QString& Name, const QString& Queue);
    static QString queueGoneMessage(const QString& Name);
    static QString refusedMessage(const QString& Name, const QString& Reason);
    void selectDevice(int Index);
    TDeviceMode accepted(const TDeviceMode& Mode) const;
    QPageLayout layoutOf(const TDeviceMode& Mode) const;
    void applyLayout(const TDeviceMode& Mode);
    void resetCanvas();
    bool askFileName(QString& FileName);
    bool askSetup(int& PrinterIndex, TDeviceMode& Mode);

    std::unique_ptr<TStringList> printers;
    std::vector<std::unique_ptr<TDevice>> devices;
    std::unique_ptr<TStringList> fonts;
    int index = 0;
    TDeviceMode mode;
    std::unique_ptr<TPrinterCanvas> canvas;
    std::unique_ptr<QPrinter> qprinter;
    std::unique_ptr<QPainter> painter;
    QString title;
    QString fileName;
    QString jobFile;
    bool printing = false;
    bool aborted = false;
    int pageNumber = 0;
};

// The process's printer, made on first use (a QGuiApplication must exist) and freed with the
// application object.
TPrinter* Printer();
// Replaces the process's printer (not owned; null goes back to the own one); returns the
// previous.
TPrinter* SetPrinter(TPrinter* NewPrinter);
