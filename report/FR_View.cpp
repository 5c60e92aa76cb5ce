#include "FR_View.h"

#include "Dialogs.h"
#include "FR_Class.h"
#include "FR_PrDlg.h"
#include "FR_Progr.h"
#include "FR_Search.h"

#include <QFileInfo>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

TRect moved(TRect R, int Dx, int Dy) {
    return TRect{R.Left + Dx, R.Top + Dy, R.Right + Dx, R.Bottom + Dy};
}

constexpr TColor clPageArea = TColor(0xD4A7A7);

template <class T> T* child(TComponent* Owner, TWinControl* Parent, TAlign Align, int Size) {
    T* c = new T(Owner);
    c->SetParent(Parent);
    c->SetBounds(0, 0, Size, Size);
    c->SetAlign(Align);
    return c;
}

TPanel* plainPanel(TComponent* Owner, TWinControl* Parent, TAlign Align, int Size) {
    TPanel* p = child<TPanel>(Owner, Parent, Align, Size);
    p->SetBevelOuter(bvNone);
    p->SetCaption(QString());
    return p;
}

} // namespace

TfrLastZoom& frLastZoom() {
    static TfrLastZoom last;
    return last;
}

// ---- the page box ----------------------------------------------------------------------------

TfrPBox::TfrPBox(TComponent* AOwner) : TPanel(AOwner) {
    SetBevelOuter(bvNone);
    SetBevelInner(bvNone);
    SetColor(TColor(0x808080));
    SetCaption(QString());
}

void TfrPBox::Paint() {
    if (Preview) Preview->PaintView(GetCanvas(), GetWidth(), GetHeight());
}

void TfrPBox::Resize() {
    TPanel::Resize();
    if (Preview) Preview->FormResize();
}

bool TfrPBox::PageAt(int X, int Y, int& Index, TPoint& PagePoint) const {
    if (!Preview || !Preview->Pages) return false;
    TfrEMFPages& pages = *Preview->Pages;
    const TPoint p{X - Preview->OffsX, Y - Preview->OffsY};
    for (int i = 0; i < pages.Count(); ++i) {
        const TRect r = pages[i]->pgRect;
        if (p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom) {
            Index = i;
            PagePoint = TPoint{int(std::lround((p.X - r.Left) / Preview->Zoom)),
                               int(std::lround((p.Y - r.Top) / Preview->Zoom))};
            return true;
        }
    }
    return false;
}

void TfrPBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TPanel::MouseDown(Button, Shift, X, Y);
    Down = true;
    LastX = X;
    LastY = Y;
    int index;
    TPoint at;
    if (PageAt(X, Y, index, at)) {
        if (Preview->CurPage != index + 1) {
            Preview->CurPage = index + 1;
            Preview->ShowPageNum();
        }
        TCursor cursor = crDefault;
        Preview->Pages->DoClick(index, at, true, cursor);
    }
    if (Button == mbRight && Preview && Preview->ProcMenu) {
        const TPoint s = ClientToScreen(TPoint{X, Y});
        Preview->ProcMenu->Popup(s.X, s.Y);
    }
}

void TfrPBox::MouseMove(TShiftState Shift, int X, int Y) {
    TPanel::MouseMove(Shift, X, Y);
    if (!Preview) return;
    if (!Down) {
        // The report may show what lies under the mouse with the cursor it chooses.
        if (!Preview->Report || !Preview->Report->OnMouseOverObject) return;
        int index;
        TPoint at;
        TCursor cursor = crDefault;
        if (!PageAt(X, Y, index, at) || !Preview->Pages->DoClick(index, at, false, cursor))
            cursor = crDefault;
        SetCursor(cursor);
        return;
    }
    Preview->HScrollBar->SetPosition(Preview->HScrollBar->GetPosition() - (X - LastX));
    Preview->VScrollBar->SetPosition(Preview->VScrollBar->GetPosition() - (Y - LastY));
    LastX = X;
    LastY = Y;
}

void TfrPBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TPanel::MouseUp(Button, Shift, X, Y);
    Down = false;
}

// ---- the window ------------------------------------------------------------------------------

TfrPreviewForm::TfrPreviewForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName(u"frPreviewForm"_s);
    SetCaption(frLoadStr(55207));
    SetBounds(40, 40, 760, 560);
    SetKeyPreview(true);

    ToolBar = plainPanel(this, this, alTop, 30);
    ToolBar->SetBevelOuter(bvRaised);
    auto button = [this](int Tag, int Hint, const QString& Caption, int Width) {
        TfrTBButton* b = new TfrTBButton(this);
        b->SetParent(ToolBar);
        b->SetBounds(10000, 0, Width, 28);
        b->SetTag(Tag);
        b->SetCaption(Caption);
        b->SetHint(frLoadStr(Hint));
        b->SetShowHint(true);
        return b;
    };
    ZoomBtn = button(200, 53024, u"100%"_s, 56);
    LoadBtn = button(201, 53025, u"Відкрити"_s, 78);
    SaveBtn = button(202, 53026, u"Зберегти"_s, 78);
    PrintBtn = button(203, 53027, u"Друк"_s, 56);
    PageSetupBtn = button(203, 53033, u"Параметри сторінки"_s, 136);
    FindBtn = button(204, 53028, u"Знайти"_s, 64);
    HelpBtn = button(0, 53032, u"?"_s, 28);
    ExitBtn = button(205, 53023, u"Закрити"_s, 72);
    HelpBtn->SetVisible(false); // context help is not available

    PageArea = plainPanel(this, this, alClient, 100);
    RightPanel = plainPanel(this, PageArea, alRight, 17);
    BottomPanel = plainPanel(this, PageArea, alBottom, 17);
    TPanel* counter = plainPanel(this, BottomPanel, alLeft, 110);
    Label1 = new TLabel(this);
    Label1->SetParent(counter);
    Label1->SetBounds(6, 1, 100, 15);
    Label1->SetAutoSize(false);
    Label1->SetTag(206);
    HScrollBar = child<TScrollBar>(this, BottomPanel, alClient, 17);
    // Speed buttons: they never take the focus from the page area's keys.
    PgUp = child<TfrSpeedButton>(this, RightPanel, alTop, 17);
    PgUp->SetCaption(u"▲"_s);
    PgUp->SetGrayedInactive(false);
    PgDown = child<TfrSpeedButton>(this, RightPanel, alBottom, 17);
    PgDown->SetCaption(u"▼"_s);
    PgDown->SetGrayedInactive(false);
    VScrollBar = child<TScrollBar>(this, RightPanel, alClient, 17);
    VScrollBar->SetKind(sbVertical);
    for (TScrollBar* b : {HScrollBar, VScrollBar}) {
        b->SmallChange = 10;
        b->LargeChange = 200;
        b->SetParams(0, 0, 32000);
        b->SetTabStop(false);
    }
    PBox = child<TfrPBox>(this, PageArea, alClient, 100);
    PBox->Preview = this;
    PBox->SetTag(207);

    ProcMenu = new TPopupMenu(this);
    auto item = [this](const QString& Caption, int Tag, bool Zoom) {
        TMenuItem* m = new TMenuItem(this);
        m->SetCaption(Caption);
        m->SetTag(Tag);
        if (Zoom) {
            m->SetRadioItem(true);
            m->SetGroupIndex(1);
            m->OnClick = [this](TObject* S) { N3Click(S); };
        }
        ProcMenu->GetItems()->Add(m);
        return m;
    };
    for (int z : {200, 150, 100, 75, 50, 25, 10})
        item(QString::number(z) + u'%', z, true)->SetChecked(z == 100);
    item(frLoadStr(53020), 1, true);
    item(frLoadStr(53021), 2, true);
    item(frLoadStr(53022), 3, true);
    N4 = item(u"-"_s, 0, false);
    N5 = item(frLoadStr(53029), 0, false);
    N6 = item(frLoadStr(53030), 0, false);
    N7 = item(frLoadStr(53031), 0, false);
    N7->OnClick = [this](TObject* S) { DelPageBtnClick(S); };
    // No designer in this program: prepared pages are not edited.
    for (TMenuItem* m : {N4, N5, N6, N7})
        m->SetVisible(false);

    ZoomBtn->OnClick = [this](TObject* S) { ZoomBtnClick(S); };
    LoadBtn->OnClick = [this](TObject* S) { LoadBtnClick(S); };
    SaveBtn->OnClick = [this](TObject* S) { SaveBtnClick(S); };
    PrintBtn->OnClick = [this](TObject* S) { PrintBtnClick(S); };
    PageSetupBtn->OnClick = [this](TObject* S) { PageSetupBtnClick(S); };
    FindBtn->OnClick = [this](TObject* S) { FindBtnClick(S); };
    ExitBtn->OnClick = [this](TObject* S) { ExitBtnClick(S); };
    PgUp->OnClick = [this](TObject* S) { PgUpClick(S); };
    PgDown->OnClick = [this](TObject* S) { PgDownClick(S); };
    VScrollBar->OnChange = [this](TObject* S) { VScrollBarChange(S); };
    HScrollBar->OnChange = [this](TObject* S) { HScrollBarChange(S); };
    OnKeyDown = [this](TObject*, WORD& Key, TShiftState Shift) { FormKeyDown(Key, Shift); };
    OnResize = [this](TObject*) { FormResize(); };
    OnMouseWheel = [this](TObject*, TShiftState, int Delta, TPoint, bool& Handled) {
        MouseWheel(Delta / 120);
        Handled = true;
    };
    OnShow = [this](TObject*) {
        if (!Embedded) frRestoreFormPosition(this);
    };
    OnClose = [this](TObject*, TCloseAction& Action) {
        if (!Embedded) frSaveFormPosition(this);
        Action = caHide;
    };
    EndLoading();
    ZoomMode = frLastZoom().Mode;
    Zoom = frLastZoom().Zoom;
}

TfrPreviewForm::~TfrPreviewForm() {
    Disconnect();
}

void TfrPreviewForm::Connect(TfrReport* AReport) {
    Disconnect();
    Report = AReport;
    Pages = std::make_unique<TfrEMFPages>(AReport);
    Pages->Swap(AReport->EMFPages);
    prepareToolBar();
    ZoomMode = frLastZoom().Mode;
    if (ZoomMode == 0) Zoom = frLastZoom().Zoom;
    checkZoomItem();
    CurPage = 1;
    OffsX = OffsY = 0;
    LastFoundPage = LastFoundObject = 0;
    FoundPage = -1;
    syncing = true;
    HScrollBar->SetPosition(0);
    VScrollBar->SetPosition(0);
    syncing = false;
    ShowPageNum();
    Layout();
    for (int i = 0; i < Pages->Count(); ++i) {
        (*Pages)[i]->Visible = false;
        Pages->Draw(i, PBox->GetCanvas(), TRect{});
    }
    N7->SetEnabled(Pages->Count() > 1);
    PBox->Invalidate();
}

void TfrPreviewForm::Disconnect() {
    if (!Report || !Pages) return;
    Report->EMFPages.Clear();
    Report->EMFPages.Swap(*Pages);
    Pages.reset();
}

void TfrPreviewForm::ShowReport(TfrReport* AReport) {
    Connect(AReport);
    if (Options.ModalPreview) {
        SetWindowState(wsMaximized);
        ShowModal();
    } else {
        SetWindowState(wsMaximized);
        Show();
    }
}

void TfrPreviewForm::prepareToolBar() {
    const TfrPreviewButtons b = Options.PreviewButtons;
    ZoomBtn->SetVisible(b.Contains(pbZoom));
    LoadBtn->SetVisible(b.Contains(pbLoad));
    SaveBtn->SetVisible(b.Contains(pbSave));
    PrintBtn->SetVisible(b.Contains(pbPrint));
    FindBtn->SetVisible(b.Contains(pbFind));
    ExitBtn->SetVisible(b.Contains(pbExit) && !Embedded);
    PageSetupBtn->SetVisible(b.Contains(pbPageSetup));
    TfrPrinter* p = frGlobalPrinter();
    PrintBtn->SetEnabled(p->VirtualIndex > 0);
    // Page setup builds the report again: not for pages opened from a file.
    PageSetupBtn->SetEnabled(p->VirtualIndex > 0 && Report && Report->CanRebuild);
    for (TfrTBButton* btn : {ZoomBtn, LoadBtn, SaveBtn, PrintBtn, FindBtn, ExitBtn, PageSetupBtn})
        btn->SetGrayedInactive(Options.GrayedButtons);
    switch (Options.InitialZoom) {
    case pzPageWidth:
        frLastZoom().Mode = 1;
        break;
    case pzOnePage:
        frLastZoom().Mode = 2;
        break;
    case pzTwoPages:
        frLastZoom().Mode = 3;
        break;
    default:
        break;
    }
}

void TfrPreviewForm::checkZoomItem() {
    TMenuItem* items = ProcMenu->GetItems();
    for (int i = 0; i < items->Count(); ++i) {
        TMenuItem* m = items->GetItems(i);
        if (!m->GetRadioItem()) continue;
        const int tag = m->GetTag();
        if ((ZoomMode != 0 && tag == ZoomMode) ||
            (ZoomMode == 0 && tag > 3 && tag == int(std::lround(Zoom * 100))))
            m->SetChecked(true);
        else if (m->GetChecked())
            m->SetChecked(false);
    }
}

int TfrPreviewForm::AllPages() const {
    return Pages ? Pages->Count() : 0;
}

void TfrPreviewForm::SetPage(int N) {
    if (N < 1 || N > AllPages()) return;
    CurPage = N;
    ShowPageNum();
    scrollToPage();
}

void TfrPreviewForm::SetZoom(double Percent) {
    ZoomMode = 0;
    Zoom = Percent / 100;
    frLastZoom() = {Zoom, ZoomMode};
    checkZoomItem();
    Layout();
    PBox->Invalidate();
}

void TfrPreviewForm::SetZoomMode(int Mode) {
    ZoomMode = Mode;
    frLastZoom().Mode = Mode;
    checkZoomItem();
    Layout();
    frLastZoom().Zoom = Zoom;
    PBox->Invalidate();
}

void TfrPreviewForm::FormResize() {
    Layout();
    PBox->Invalidate();
}

void TfrPreviewForm::Layout() {
    const int count = AllPages();
    if (count == 0) return;
    const int bw = PBox->GetWidth(), bh = PBox->GetHeight();
    const TfrPageInfo* cur = (*Pages)[std::clamp(CurPage, 1, count) - 1];
    const int pw = std::max(cur->PrnInfo.PageWidth, 1), ph = std::max(cur->PrnInfo.PageHeight, 1);
    switch (ZoomMode) {
    case 1:
        Zoom = double(bw - 20) / pw;
        break;
    case 2:
        Zoom = double(bh - 20) / ph;
        break;
    case 3:
        Zoom = double(bw - 30) / (2.0 * pw);
        break;
    default:
        break;
    }
    if (Zoom <= 0.01) Zoom = 0.01;
    ZoomBtn->SetCaption(QString::number(std::lround(Zoom * 100)) + u'%');
    auto scaled = [this](const TfrPageInfo* p) {
        return TSize{int(std::lround(p->PrnInfo.PageWidth * Zoom)),
                     int(std::lround(p->PrnInfo.PageHeight * Zoom))};
    };
    // Pages per row: the longest run that fits the box's width.
    int perRow = 1;
    if (ZoomMode == 2)
        perRow = 1;
    else if (ZoomMode == 3)
        perRow = 2;
    else {
        int best = 0, run = 0, x = 10;
        for (int i = 0; i < count; ++i) {
            const int w = scaled((*Pages)[i]).cx;
            if (x + w + 10 <= bw) {
                x += w + 10;
                ++run;
            } else {
                best = std::max(best, run);
                run = x + w + 10 <= bw + w + 10 && x == 10 ? 0 : 0;
                x = 10;
                if (x + w + 10 <= bw) {
                    x += w + 10;
                    run = 1;
                }
            }
        }
        perRow = std::max({best, run, 1});
    }
    int y = 10, right = 0, bottom = 0;
    for (int i = 0; i < count; i += perRow) {
        int x = 10, rowHeight = 0;
        for (int j = i; j < std::min(i + perRow, count); ++j) {
            TfrPageInfo* p = (*Pages)[j];
            const TSize s = scaled(p);
            int left = x;
            if (perRow == 1 && s.cx < bw) left = (bw - s.cx) / 2;
            p->pgRect = TRect{left, y, left + s.cx, y + s.cy};
            x = left + s.cx + 10;
            rowHeight = std::max(rowHeight, s.cy);
            right = std::max(right, p->pgRect.Right);
        }
        y += rowHeight + 10;
        bottom = y - 10;
    }
    auto range = [](int r) { return r >= 0 ? r + 10 : 0; };
    syncing = true;
    const int hr = range(right - bw), vr = range(bottom - bh);
    HScrollBar->SetParams(std::min(HScrollBar->GetPosition(), hr), 0, hr);
    VScrollBar->SetParams(std::min(VScrollBar->GetPosition(), vr), 0, vr);
    HScrollBar->SetEnabled(hr != 0);
    VScrollBar->SetEnabled(vr != 0);
    OffsX = -HScrollBar->GetPosition();
    OffsY = -VScrollBar->GetPosition();
    syncing = false;
    scrollToPage();
}

void TfrPreviewForm::scrollToPage() {
    if (CurPage < 1 || CurPage > AllPages()) return;
    const int top = (*Pages)[CurPage - 1]->pgRect.Top - 10;
    if (-OffsY == top) return;
    syncing = true;
    VScrollBar->SetPosition(top);
    OffsY = -VScrollBar->GetPosition();
    syncing = false;
    PBox->Invalidate();
}

TRect TfrPreviewForm::PageContentRect(int Index, double AZoom) const {
    const TfrPageInfo* p = (*Pages)[Index];
    const TRect pr = p->pgRect;
    if (p->UseMargins)
        return TRect{0, 0, int(std::lround(p->PrnInfo.PageWidth * AZoom)),
                     int(std::lround(p->PrnInfo.PageHeight * AZoom))};
    const TfrPageMetrics& m = p->PrnInfo;
    const int l = int(std::lround((m.OffsetX + p->pgMargins[0]) * AZoom));
    const int t = int(std::lround((m.OffsetY + p->pgMargins[1]) * AZoom));
    const int w = int(std::lround((m.PrintableWidth - p->pgMargins[0] - p->pgMargins[2]) * AZoom));
    const int h = int(std::lround((m.PrintableHeight - p->pgMargins[1] - p->pgMargins[3]) * AZoom));
    (void)pr;
    return TRect{l, t, l + w, t + h};
}

void TfrPreviewForm::PaintView(TCanvas* C, int Width, int Height) {
    const TRect all{0, 0, Width, Height};
    if (AllPages() == 0) {
        C->GetBrush()->SetColor(clBtnFace);
        C->FillRect(all);
        return;
    }
    TfrEMFPages& pages = *Pages;
    C->GetBrush()->SetColor(clPageArea);
    C->FillRect(all);
    for (int i = 0; i < pages.Count(); ++i) {
        TfrPageInfo* p = pages[i];
        const TRect r = moved(p->pgRect, OffsX, OffsY);
        p->Visible = r.Right > 0 && r.Bottom > 0 && r.Left < Width && r.Top < Height;
        if (!p->Visible) {
            pages.Draw(i, C, TRect{});
            continue;
        }
        C->GetPen()->SetColor(clBlack);
        C->GetPen()->SetMode(pmCopy);
        C->GetBrush()->SetColor(clWhite);
        C->Rectangle(r);
        C->MoveTo(r.Right, r.Top + 1);
        C->LineTo(r.Right, r.Bottom);
        C->LineTo(r.Left, r.Bottom);
        pages.Draw(i, C, moved(PageContentRect(i, Zoom), r.Left, r.Top));
    }
    if (FoundPage >= 0 && FoundPage < pages.Count() && FoundRect.Width() > 0) {
        const TRect f = moved(FoundRect, OffsX, OffsY);
        C->GetPen()->SetColor(clWhite);
        C->GetPen()->SetMode(pmXor);
        for (int y = f.Top; y < f.Bottom; ++y) {
            C->MoveTo(f.Left, y);
            C->LineTo(f.Right, y);
        }
        C->GetPen()->SetMode(pmCopy);
    }
}

void TfrPreviewForm::ShowPageNum() {
    if (AllPages() == 0)
        Label1->SetCaption(QString());
    else
        Label1->SetCaption(frLoadStr(55004) + u' ' + QString::number(CurPage) + u'/' +
                           QString::number(AllPages()));
    if (PageChanged) PageChanged(CurPage);
}

void TfrPreviewForm::VScrollBarChange(TObject*) {
    if (syncing) return;
    OffsY = -VScrollBar->GetPosition();
    const int line = -OffsY + 11;
    for (int i = 0; i < AllPages(); ++i) {
        const TRect r = (*Pages)[i]->pgRect;
        if (r.Top <= line && r.Bottom + 10 >= line) {
            if (CurPage != i + 1) {
                CurPage = i + 1;
                ShowPageNum();
            }
            break;
        }
    }
    PBox->Invalidate();
}

void TfrPreviewForm::HScrollBarChange(TObject*) {
    if (syncing) return;
    OffsX = -HScrollBar->GetPosition();
    PBox->Invalidate();
}

void TfrPreviewForm::MouseWheel(int Notches) {
    VScrollBar->SetPosition(VScrollBar->GetPosition() -
                            Notches * VScrollBar->SmallChange * WheelLines);
}

bool TfrPreviewForm::FindText() {
    if (FindStr.isEmpty() || AllPages() == 0) return false;
    TfrEMFPages& pages = *Pages;
    const QString what = FindCase ? FindStr : FindStr.toUpper();
    for (int i = std::max(LastFoundPage, 0); i < pages.Count(); ++i) {
        TfrPageInfo* p = pages[i];
        TRecordingCanvas rec(p->PrnInfo.PageWidth, p->PrnInfo.PageHeight);
        const bool wasVisible = p->Visible;
        p->Visible = true;
        pages.Draw(i, &rec, PageContentRect(i, 1.0));
        p->Visible = wasVisible;
        const auto& items = rec.Texts().Items;
        for (int k = 0; k < int(items.size()); ++k) {
            const QString t = FindCase ? items[size_t(k)].Text : items[size_t(k)].Text.toUpper();
            if (k + 1 <= LastFoundObject || !t.contains(what)) continue;
            LastFoundPage = i;
            LastFoundObject = k + 1;
            const TRect b = items[size_t(k)].Bounds;
            const TRect pr = p->pgRect;
            FoundRect = TRect{pr.Left + int(std::lround(b.Left * Zoom)),
                              pr.Top + int(std::lround(b.Top * Zoom)),
                              pr.Left + int(std::lround(b.Right * Zoom)),
                              pr.Top + int(std::lround(b.Bottom * Zoom))};
            FoundPage = i;
            CurPage = i + 1;
            ShowPageNum();
            // The found text inside the box, with 10 pixels to spare.
            syncing = true;
            const int bw = PBox->GetWidth(), bh = PBox->GetHeight();
            if (FoundRect.Top + OffsY < 10 || FoundRect.Bottom + OffsY > bh - 10)
                VScrollBar->SetPosition(FoundRect.Top - 10);
            if (FoundRect.Left + OffsX < 10 || FoundRect.Right + OffsX > bw - 10)
                HScrollBar->SetPosition(FoundRect.Left - 10);
            OffsX = -HScrollBar->GetPosition();
            OffsY = -VScrollBar->GetPosition();
            syncing = false;
            PBox->Invalidate();
            return true;
        }
        LastFoundObject = 0;
    }
    return false;
}

// ---- commands --------------------------------------------------------------------------------

void TfrPreviewForm::FormKeyDown(WORD& Key, TShiftState Shift) {
    if (AllPages() == 0) return;
    const bool ctrl = Shift.Contains(ssCtrl);
    auto bar = [](TScrollBar* B, int Delta) { B->SetPosition(B->GetPosition() + Delta); };
    bool handled = true;
    switch (Key) {
    case VK_UP:
        bar(VScrollBar, -VScrollBar->SmallChange);
        break;
    case VK_DOWN:
        bar(VScrollBar, VScrollBar->SmallChange);
        break;
    case VK_LEFT:
        bar(HScrollBar, -HScrollBar->SmallChange);
        break;
    case VK_RIGHT:
        bar(HScrollBar, HScrollBar->SmallChange);
        break;
    case VK_PRIOR:
        if (ctrl)
            PgUpClick(this);
        else
            bar(VScrollBar, -VScrollBar->LargeChange);
        break;
    case VK_NEXT:
        if (ctrl)
            PgDownClick(this);
        else
            bar(VScrollBar, VScrollBar->LargeChange);
        break;
    case VK_SPACE:
        ZoomBtnClick(this);
        break;
    case VK_ESCAPE:
        ExitBtnClick(this);
        break;
    case VK_HOME:
        if (!ctrl) return;
        VScrollBar->SetPosition(0);
        break;
    case VK_END:
        if (!ctrl) return;
        SetPage(AllPages());
        break;
    case VK_F3:
        FindNext();
        break;
    default:
        if (!ctrl) return;
        if (Key == 'O')
            LoadBtnClick(this);
        else if (Key == 'S')
            SaveBtnClick(this);
        else if (Key == 'P') {
            if (PrintBtn->GetEnabled()) PrintBtnClick(this);
        } else if (Key == 'F')
            FindBtnClick(this);
        else
            handled = false;
    }
    if (handled) Key = 0;
}

void TfrPreviewForm::ZoomBtnClick(TObject*) {
    const TPoint p = ZoomBtn->ClientToScreen(TPoint{0, ZoomBtn->GetHeight()});
    ProcMenu->Popup(p.X, p.Y);
}

void TfrPreviewForm::N3Click(TObject* Sender) {
    auto* m = dynamic_cast<TMenuItem*>(Sender);
    if (!m) return;
    const int tag = m->GetTag();
    syncing = true;
    HScrollBar->SetPosition(0);
    OffsX = 0;
    syncing = false;
    if (tag >= 1 && tag <= 3)
        SetZoomMode(tag);
    else
        SetZoom(tag);
}

void TfrPreviewForm::withReportPages(const std::function<void()>& F) {
    if (!Report) return;
    TfrReport* r = Report;
    Disconnect();
    Report = r;
    struct Retake {
        TfrPreviewForm* f;
        ~Retake() {
            f->Pages = std::make_unique<TfrEMFPages>(f->Report);
            f->Pages->Swap(f->Report->EMFPages);
        }
    } retake{this};
    F();
}

void TfrPreviewForm::LoadBtnClick(TObject*) {
    if (!Report) return;
    TFileDialogRequest q;
    q.Filter = frLoadStr(55211) + u" (*.frp)|*.frp"_s;
    q.DefaultExt = u"frp"_s;
    if (!GetUserInteraction()->FileDialog(q)) return;
    // The shown document is replaced only when the file loads.
    TfrReport* r = Report;
    TfrEMFPages loaded(r);
    {
        TFileStream* s = nullptr;
        try {
            s = new TFileStream(q.FileName, fmOpenRead);
            loaded.LoadFromStream(s);
        } catch (const Exception& e) {
            delete s;
            Application->MessageBox(e.Message, frLoadStr(SError), MB_OK | MB_ICONERROR);
            return;
        }
        delete s;
    }
    Pages->Clear();
    Pages->Swap(loaded);
    r->CanRebuild = false;
    PageSetupBtn->SetEnabled(false);
    CurPage = 1;
    LastFoundPage = LastFoundObject = 0;
    FoundPage = -1;
    for (int i = 0; i < Pages->Count(); ++i)
        (*Pages)[i]->Visible = false;
    ShowPageNum();
    Layout();
    N7->SetEnabled(Pages->Count() > 1);
    PBox->Invalidate();
}

void TfrPreviewForm::SaveBtnClick(TObject*) {
    if (!Report) return;
    TFileDialogRequest q;
    q.Save = true;
    q.Filter = frLoadStr(55211) + u" (*.frp)|*.frp"_s;
    if (!GetUserInteraction()->FileDialog(q)) return;
    const QString name =
        QFileInfo(q.FileName).path() + u'/' + QFileInfo(q.FileName).completeBaseName() + u".frp"_s;
    withReportPages([&] { Report->SavePreparedReport(name); });
}

void TfrPreviewForm::PrintBtnClick(TObject*) {
    if (!Report || !PrintBtn->GetEnabled()) return;
    std::unique_ptr<TfrPrintForm> dlg(new TfrPrintForm(nullptr));
    dlg->E1->SetValue(Options.DefaultCopies);
    dlg->CollateCB->SetChecked(Options.DefaultCollate);
    if (Options.ShowPrintDialog && dlg->ShowModal() != mrOk) return;
    QString list;
    if (!dlg->PageListText(CurPage, list)) return;
    const int copies = int(dlg->E1->GetValue());
    const int parity = dlg->CB2->GetItemIndex();
    const bool collate = dlg->CollateCB->GetChecked();
    dlg.reset();
    withReportPages([&] {
        TfrReport* r = Report;
        try {
            frRunWithProgress(r, frLoadStr(55203), frLoadStr(55208),
                              [&](const std::function<void(int)>& Progress) {
                                  frPrintPreparedPages(r, list, copies, parity, collate, Progress);
                              });
        } catch (const EAbort&) {
        }
    });
}

void TfrPreviewForm::PageSetupBtnClick(TObject*) {
    if (!Report || !PageSetupBtn->GetEnabled()) return;
    TfrReport* r = Report;
    TfrPrinter* prn = frGlobalPrinter();
    TPrinter* dev = prn->Printer;
    TfrPage* first = nullptr;
    for (int i = 0; i < r->Pages.Count() && !first; ++i)
        if (r->Pages[i]->PageType == ptReport) first = r->Pages[i];
    if (!dev || !first) return;
    // Margins go to the dialog in hundredths of a millimetre and come back in page units.
    auto toDialog = [](int Units) { return int(std::lround(Units * 500.0 / 18)); };
    auto toPage = [](int Hundredths) { return int(std::lround(Hundredths * 18.0 / 500)); };
    TRect margins{toDialog(first->pgMargins[0]), toDialog(first->pgMargins[1]),
                  toDialog(first->pgMargins[2]), toDialog(first->pgMargins[3])};
    // The dialog sets up a device: the virtual printer gives way to the platform's current
    // one, as for printing, and the device starts from the first page's paper.
    const int previous = prn->PrinterIndex;
    if (prn->IsVirtual()) prn->SelectPrinter(dev->GetPrinterIndex());
    prn->ChangeSettings(first->pgSize, first->pgWidth, first->pgHeight, true,
                        first->pgOr == poLandscape ? poLandscape : poPortrait, first->pgBin);
    if (!dev->ExecutePageSetupDialog(margins)) {
        prn->SelectPrinter(previous);
        return;
    }
    prn->ReadDeviceSettings();
    const int pageMargins[4] = {toPage(margins.Left), toPage(margins.Top), toPage(margins.Right),
                                toPage(margins.Bottom)};
    for (int i = 0; i < r->Pages.Count(); ++i) {
        TfrPage* p = r->Pages[i];
        if (p->PageType != ptReport) continue;
        p->ChangePaper(prn->PaperSize, prn->PaperWidth, prn->PaperHeight, prn->Orientation,
                       prn->Bin);
        std::copy(std::begin(pageMargins), std::end(pageMargins), p->pgMargins);
    }
    Disconnect();
    r->PrepareReport();
    Connect(r);
}

void TfrPreviewForm::FindBtnClick(TObject*) {
    if (AllPages() == 0) return;
    std::unique_ptr<TfrPreviewSearchForm> dlg(new TfrPreviewSearchForm(nullptr));
    dlg->Edit1->SetText(FindStr);
    dlg->CB1->SetChecked(FindCase);
    if (dlg->ShowModal() != mrOk) return;
    FindStr = dlg->Edit1->GetText();
    FindCase = dlg->CB1->GetChecked();
    if (!FindCase) FindStr = FindStr.toUpper();
    LastFoundPage = dlg->RB1->GetChecked() ? 0 : CurPage - 1;
    LastFoundObject = 0;
    FindText();
}

void TfrPreviewForm::FindNext() {
    if (FindStr.isEmpty()) return;
    if (LastFoundPage != CurPage - 1) {
        LastFoundPage = CurPage - 1;
        LastFoundObject = 0;
    }
    FindText();
}

void TfrPreviewForm::DelPageBtnClick(TObject*) {
    if (AllPages() <= 1) return;
    if (Application->MessageBox(frLoadStr(55005), frLoadStr(55006), MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
        return;
    Pages->Delete(CurPage - 1);
    CurPage = 1;
    ShowPageNum();
    Layout();
    N7->SetEnabled(Pages->Count() > 1);
    PBox->Invalidate();
}

void TfrPreviewForm::ExitBtnClick(TObject*) {
    if (GetFormState().Contains(fsModal))
        SetModalResult(mrOk);
    else
        Close();
}

void TfrPreviewForm::PgUpClick(TObject*) {
    if (CurPage > 1) SetPage(CurPage - 1);
}

void TfrPreviewForm::PgDownClick(TObject*) {
    if (CurPage < AllPages()) SetPage(CurPage + 1);
}

// ---- the panel -------------------------------------------------------------------------------

TfrPreview::TfrPreview(TComponent* AOwner) : TPanel(AOwner) {
    SetBevelInner(bvNone);
    SetBevelOuter(bvLowered);
    SetCaption(QString());
    window = std::make_unique<TfrPreviewForm>(nullptr);
    window->Embedded = true;
    window->WheelLines = 3;
    window->PageChanged = [this](int N) {
        if (OnPageChanged) OnPageChanged(this, N);
    };
}

TfrPreview::~TfrPreview() {
    if (window) window->Disconnect();
}

void TfrPreview::Connect(TfrReport* Report) {
    window->PageArea->SetParent(this);
    if (showToolbar) window->ToolBar->SetParent(this);
    window->Connect(Report);
    OnMouseWheel = [this](TObject*, TShiftState, int Delta, TPoint, bool& Handled) {
        window->MouseWheel(Delta / 120);
        Handled = true;
    };
}

void TfrPreview::Disconnect() {
    window->Disconnect();
}

int TfrPreview::GetPage() const {
    return window->CurPage;
}
void TfrPreview::SetPage(int N) {
    window->SetPage(N);
}
int TfrPreview::AllPages() const {
    return window->AllPages();
}
void TfrPreview::SetZoom(double Percent) {
    window->SetZoom(Percent);
}
void TfrPreview::PageWidth() {
    window->SetZoomMode(1);
}
void TfrPreview::OnePage() {
    window->SetZoomMode(2);
}
void TfrPreview::First() {
    SetPage(1);
}
void TfrPreview::Prev() {
    SetPage(GetPage() - 1);
}
void TfrPreview::Next() {
    SetPage(GetPage() + 1);
}
void TfrPreview::Last() {
    SetPage(AllPages());
}
void TfrPreview::LoadFromFile() {
    window->LoadBtnClick(this);
}
void TfrPreview::SaveToFile() {
    window->SaveBtnClick(this);
}
void TfrPreview::Print() {
    window->PrintBtnClick(this);
}

void TfrPreview::SetScrollBars(TScrollStyle Value) {
    scrollBars = Value;
    window->RightPanel->SetVisible(Value == ssBoth || Value == ssVertical);
    window->BottomPanel->SetVisible(Value == ssBoth || Value == ssHorizontal);
}

void TfrPreview::SetShowToolbar(bool Value) {
    showToolbar = Value;
    window->ToolBar->SetParent(Value ? static_cast<TWinControl*>(this) : window.get());
}
