// The engine's printer: the installed printers of the platform (which always include the "PDF"
// printer) plus the virtual printer, on which reports are built, previewed and saved without
// any device; the current paper, orientation and bin; and the page metrics in page units.
#pragma once

#include "Classes.h"
#include "FR_Const.h"
#include "Printers.h"

#include <QString>
#include <cstdint>

// Page units: view geometry, bands and margins are in these, 91.6256157635468 to the inch.
constexpr double frUnitsPerInch = 91.6256157635468;

// The paper code of a user-defined size.
constexpr int frCustomPaper = 256;
// The bin code of the printer's default paper source; never written to the device.
constexpr int frDefaultBin = 0xFFFF;

// A page of the current printer and paper: device pixels and page units.
struct TfrPageMetrics {
    int32_t DevPageWidth = 0; // physical page, device pixels
    int32_t DevPageHeight = 0;
    int32_t PageWidth = 0; // physical page, page units
    int32_t PageHeight = 0;
    int32_t DevOffsetX = 0; // unprintable left and top edges, device pixels
    int32_t DevOffsetY = 0;
    int32_t OffsetX = 0; // the same in page units
    int32_t OffsetY = 0;
    int32_t DevPrintableWidth = 0; // printable area, device pixels
    int32_t DevPrintableHeight = 0;
    int32_t PrintableWidth = 0; // printable area, page units
    int32_t PrintableHeight = 0;
    bool operator==(const TfrPageMetrics&) const = default;
};

class TfrPrinter : public TObject {
    KADRION_CLASS(TfrPrinter)
    // Paper names loaded, A4 portrait; no printer attached yet (only the virtual one).
    TfrPrinter();
    ~TfrPrinter() override;

    // Lists the platform printer's printers (null: none) followed by the virtual printer and
    // takes the platform's current printer, else the virtual one.
    void AttachPrinter(TPrinter* APrinter);
    // Makes entry Index of Printers current (an index outside the list is ignored).
    void SelectPrinter(int Index);
    // Stores and applies a paper request unless it equals the current settings (Force applies
    // it anyway). During a print job the platform printer takes the new settings from the next
    // page it starts, so a document may change paper between its pages.
    void ChangeSettings(int APaperSize, int APaperWidth, int APaperHeight, bool Force,
                        TPrinterOrientation AOrientation, int ABin);
    // Whether a request equals the current settings: the same paper code and orientation, and a
    // bin equal to the current one or frDefaultBin; for a custom size both sides within 1 tenth
    // of a millimetre and the bin not compared.
    bool SameSettings(int APaperSize, int APaperWidth, int APaperHeight,
                      TPrinterOrientation AOrientation, int ABin) const;
    void GetPageMetrics(TfrPageMetrics& Metrics) const;
    // The platform's printer settings dialog for the current printer; true when accepted.
    bool ShowPropertiesDialog();
    // Reads the device settings again.
    void Refresh();
    // The current printer's paper, papers and bins as the device reports them.
    void ReadDeviceSettings();
    // Hands the stored settings to the device (or, for the virtual printer, to its paper table).
    void ApplySettings();

    bool IsVirtual() const { return PrinterIndex == VirtualIndex; }
    // The index of a paper code in PaperSizes, or -1.
    int PaperIndex(int Code) const;
    // The index of a bin code in Bins, or -1.
    int BinIndex(int Code) const;

    QString Device, Driver, Port;
    TPrinter* Printer = nullptr;
    TStringList PaperNames; // in the order of PaperSizes
    TStringList BinNames;   // in the order of Bins, the default source first
    TStringList Printers;   // the platform's printers, then the virtual printer
    int PrinterIndex = 0;
    int VirtualIndex = 0;
    TPrinterOrientation Orientation = poPortrait;
    int PaperSize = 9;     // DMPAPER_*; frCustomPaper for a size of its own
    int PaperWidth = 2100; // tenths of a millimetre, in the current orientation
    int PaperHeight = 2970;
    int Bin = frDefaultBin;
    // At most 256 papers and 256 bins (the default source and 255 of the device) are kept.
    static constexpr int MaxPapers = 256;
    static constexpr int MaxBins = 256;
    uint16_t PaperSizes[MaxPapers] = {};
    int PaperSizesNum = 0;
    uint16_t Bins[MaxBins] = {};
    int BinsNum = 0;

private:
    void selectVirtual();
};

// The number of the virtual printer's papers, and row Index of its table (the platform's
// codes, names and sizes).
int frVirtualPaperCount();
const TPaperInfo& frVirtualPaper(int Index);
