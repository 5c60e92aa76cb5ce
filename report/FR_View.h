// The preview: the prepared pages of a report laid out at a zoom, scrolled by bars, keys, the
// wheel and the mouse, paged, searched and printed; the window that holds it and the panel
// that a host form places to borrow the window's view.
#pragma once

#include "ExtCtrls.h"
#include "FR_Ctrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"

#include <memory>

class TfrReport;
class TfrEMFPages;
class TfrPreviewForm;
class TfrPreview;

enum TfrPreviewButton { pbZoom, pbLoad, pbSave, pbPrint, pbFind, pbHelp, pbExit, pbPageSetup };
using TfrPreviewButtons = TSet<TfrPreviewButton>;
enum TfrPreviewZoom { pzDefault, pzPageWidth, pzOnePage, pzTwoPages };

// What a report asks of its preview.
struct TfrPreviewOptions {
    TfrPreviewButtons PreviewButtons{pbZoom, pbLoad, pbSave, pbPrint, pbFind, pbExit};
    TfrPreviewZoom InitialZoom = pzDefault;
    bool ModalPreview = true;
    bool ShowPrintDialog = true;
    bool GrayedButtons = false;
    int DefaultCopies = 1;
    bool DefaultCollate = true;
};

// The drawing surface of the preview.
class TfrPBox : public TPanel {
    KADRION_CLASS(TfrPBox)
    explicit TfrPBox(TComponent* AOwner);
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // The pages are laid out again for the new size: the box also changes size when the
    // window it is embedded in does (a preview shown and then maximised).
    void Resize() override;
    // The page under a point of the box and the point in that page's units.
    bool PageAt(int X, int Y, int& Index, TPoint& PagePoint) const;
    TfrPreviewForm* Preview = nullptr;
    bool Down = false;
    int LastX = 0, LastY = 0;
};

class TfrPreviewForm : public TForm {
    KADRION_CLASS(TfrPreviewForm)
    explicit TfrPreviewForm(TComponent* AOwner);
    ~TfrPreviewForm() override;

    // Borrows the report's prepared pages (the report gets an empty list, so that it can be
    // built again meanwhile) and resets the view to page 1.
    void Connect(TfrReport* AReport);
    // Gives the pages back to the report.
    void Disconnect();
    // Connects and shows the window, modally when the options ask.
    void ShowReport(TfrReport* AReport);

    // ---- the view ----
    void SetPage(int N);
    int AllPages() const;
    void SetZoom(double Percent);
    void SetZoomMode(int Mode);
    void FormResize();
    // Recomputes the zoom, the page places and the scroll ranges, and scrolls to CurPage.
    void Layout();
    // Paints the page area, as the page box shows it, on a canvas of the box's size.
    void PaintView(TCanvas* Canvas, int Width, int Height);
    void ShowPageNum();
    void VScrollBarChange(TObject* Sender);
    void HScrollBarChange(TObject* Sender);
    void MouseWheel(int Notches);
    // Finds FindStr from LastFoundPage / LastFoundObject on; true when found (the page becomes
    // current and the text is highlighted).
    bool FindText();
    // The page-box rectangle of a page's content (page rectangle moved by the offsets).
    TRect PageContentRect(int Index, double AZoom) const;

    // ---- commands ----
    void FormKeyDown(WORD& Key, TShiftState Shift);
    void ZoomBtnClick(TObject* Sender);
    void N3Click(TObject* Sender);
    void LoadBtnClick(TObject* Sender);
    void SaveBtnClick(TObject* Sender);
    void PrintBtnClick(TObject* Sender);
    // The page setup of the current printer with the first report page's margins; on OK every
    // report page takes the printer's paper and the margins, the report is built again and
    // shown from page 1.
    void PageSetupBtnClick(TObject* Sender);
    void FindBtnClick(TObject* Sender);
    void FindNext();
    void DelPageBtnClick(TObject* Sender);
    void ExitBtnClick(TObject* Sender);
    void PgUpClick(TObject* Sender);
    void PgDownClick(TObject* Sender);

    TfrReport* Report = nullptr;
    std::unique_ptr<TfrEMFPages> Pages;
    TfrPreviewOptions Options;
    int CurPage = 1;
    double Zoom = 1.0;
    int ZoomMode = 2;
    int OffsX = 0, OffsY = 0;
    QString FindStr;
    bool FindCase = false;
    int LastFoundPage = 0, LastFoundObject = 0;
    int WheelLines = 1;
    bool Embedded = false; // the view lives in a TfrPreview
    TRect FoundRect;       // page-box units at offset 0, empty when nothing is highlighted
    int FoundPage = -1;
    std::function<void(int PageNo)> PageChanged;

    TPanel* ToolBar;
    TfrTBButton* ZoomBtn;
    TfrTBButton* LoadBtn;
    TfrTBButton* SaveBtn;
    TfrTBButton* PrintBtn;
    TfrTBButton* FindBtn;
    TfrTBButton* HelpBtn;
    TfrTBButton* ExitBtn;
    TfrTBButton* PageSetupBtn;
    TPanel* PageArea;
    TPanel* RightPanel;
    TPanel* BottomPanel;
    TfrSpeedButton* PgUp;
    TfrSpeedButton* PgDown;
    TScrollBar* VScrollBar;
    TScrollBar* HScrollBar;
    TLabel* Label1;
    TfrPBox* PBox;
    TPopupMenu* ProcMenu;
    TMenuItem* N4;
    TMenuItem* N5;
    TMenuItem* N6;
    TMenuItem* N7;

private:
    void prepareToolBar();
    void checkZoomItem();
    void scrollToPage();
    // The pages are given back to the report for an operation and taken again.
    void withReportPages(const std::function<void()>& F);
    bool syncing = false;
};

// The last zoom chosen in any preview; new previews start with it.
struct TfrLastZoom {
    double Zoom = 1.0;
    int Mode = 2;
};
TfrLastZoom& frLastZoom();

// A panel that shows a report's prepared pages with the view of its own hidden preview window.
class TfrPreview : public TPanel {
    KADRION_CLASS(TfrPreview)
    explicit TfrPreview(TComponent* AOwner);
    ~TfrPreview() override;
    void Connect(TfrReport* Report);
    void Disconnect();
    int GetPage() const;
    void SetPage(int N);
    int AllPages() const;
    void SetZoom(double Percent);
    void PageWidth();
    void OnePage();
    void First();
    void Prev();
    void Next();
    void Last();
    void LoadFromFile();
    void SaveToFile();
    void Print();
    TScrollStyle GetScrollBars() const { return scrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool GetShowToolbar() const { return showToolbar; }
    void SetShowToolbar(bool Value);
    TfrPreviewForm* Window() const { return window.get(); }
    std::function<void(TObject* Sender, int PageNo)> OnPageChanged;

private:
    std::unique_ptr<TfrPreviewForm> window;
    TScrollStyle scrollBars = ssBoth;
    bool showToolbar = false;
};
