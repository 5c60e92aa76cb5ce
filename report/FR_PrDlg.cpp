#include "FR_PrDlg.h"

#include "Dialogs.h"
#include "FR_Class.h"
#include "FR_Ctrls.h"

#include <QRegularExpression>

TfrPrintForm::TfrPrintForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    frSetupDialog(this, QStringLiteral("frPrintForm"), frLoadStr(53040), 420, 330);

    GroupBox1 = frPlace<TGroupBox>(this, this, 8, 4, 404, 56);
    GroupBox1->SetCaption(frLoadStr(53041));
    Label4 = frPlaceLabel(this, GroupBox1, 10, 24, frLoadStr(53049));
    CB1 = frPlace<TComboBox>(this, GroupBox1, 60, 20, 226, 24);
    CB1->SetStyle(csDropDownList);
    PropButton = frPlace<TButton>(this, GroupBox1, 294, 19, 102, 26);
    PropButton->SetCaption(frLoadStr(53042));

    GroupBox2 = frPlace<TGroupBox>(this, this, 8, 66, 230, 176);
    GroupBox2->SetCaption(frLoadStr(53044));
    RB1 = frPlace<TRadioButton>(this, GroupBox2, 10, 22, 210, 20);
    RB1->SetCaption(frLoadStr(53045));
    RB1->SetChecked(true);
    RB2 = frPlace<TRadioButton>(this, GroupBox2, 10, 46, 210, 20);
    RB2->SetCaption(frLoadStr(53046));
    RB3 = frPlace<TRadioButton>(this, GroupBox2, 10, 70, 90, 20);
    RB3->SetCaption(frLoadStr(53047));
    E2 = frPlace<TEdit>(this, GroupBox2, 100, 68, 120, 24);
    Label2 = frPlace<TLabel>(this, GroupBox2, 10, 98, 210, 70);
    Label2->SetWordWrap(true);
    Label2->SetCaption(frLoadStr(53048));

    GroupBox3 = frPlace<TGroupBox>(this, this, 246, 66, 166, 176);
    GroupBox3->SetCaption(frLoadStr(53043));
    Label1 = frPlaceLabel(this, GroupBox3, 10, 28, frLoadStr(53050));
    E1 = frPlace<TSpinEdit>(this, GroupBox3, 100, 24, 56, 24);
    E1->SetMinValue(1);
    E1->SetMaxValue(999);
    E1->SetValue(1);
    CollateCB = frPlace<TCheckBox>(this, GroupBox3, 10, 62, 20, 20);
    CollateCB->SetChecked(true);
    Label3 = frPlaceLabel(this, GroupBox3, 32, 63, frLoadStr(53051));
    PB1 = frPlace<TfrCollatePicture>(this, GroupBox3, 36, 96, 92, 53);

    Label5 = frPlaceLabel(this, this, 12, 256, frLoadStr(53052));
    CB2 = frPlace<TComboBox>(this, this, 0, 252, 220, 24);
    CB2->SetStyle(csDropDownList);
    for (int id : {53053, 53054, 53055})
        CB2->GetItems()->Add(frLoadStr(id));

    Button1 = frPlace<TButton>(this, this, 250, 294, 76, 27);
    Button1->SetCaption(frLoadStr(55000));
    Button1->SetDefault(true);
    Button1->SetModalResult(mrOk);
    Button2 = frPlace<TButton>(this, this, 336, 294, 76, 27);
    Button2->SetCaption(frLoadStr(55001));
    Button2->SetCancel(true);
    Button2->SetModalResult(mrCancel);

    CB1->OnChange = [this](TObject* S) { CB1Click(S); };
    PropButton->OnClick = [this](TObject* S) { PropButtonClick(S); };
    E2->OnEnter = [this](TObject* S) { E2Enter(S); };
    RB3->OnClick = [this](TObject* S) { RB3Click(S); };
    PB1->Source = CollateCB;
    CollateCB->OnClick = [this](TObject*) { PB1->Invalidate(); };
    Label3->OnClick = [this](TObject* S) { Label3Click(S); };
    Label3->OnDblClick = [this](TObject* S) { Label3Click(S); };
    EndLoading();

    // The platform's printers (the virtual printer is not offered); real printers have the
    // same index in both lists.
    TfrPrinter* p = frGlobalPrinter();
    for (int i = 0; i < p->VirtualIndex; ++i)
        CB1->GetItems()->Add(p->Printers[i]);
    OldIndex = p->PrinterIndex;
    const int platformIndex = p->Printer ? p->Printer->GetPrinterIndex() : 0;
    CB1->SetItemIndex(p->IsVirtual() ? platformIndex : p->PrinterIndex);
    if (p->IsVirtual() && p->Printer) OldIndex = platformIndex;
    CB2->SetItemIndex(0);
    CB2->SetLeft(Label5->GetLeft() + Label5->GetWidth() + 11);
}

void TfrCollatePicture::Paint() {
    TCanvas* c = GetCanvas();
    c->GetBrush()->SetColor(clBtnFace);
    c->FillRect(TRect{0, 0, GetWidth(), GetHeight()});
    // A sheet with its page number, the later ones of a stack drawn over the earlier.
    auto sheet = [c](int X, int Y, int Page) {
        const TRect r{X, Y, X + 18, Y + 24};
        c->GetPen()->SetColor(clBlack);
        c->GetBrush()->SetColor(clWhite);
        c->Rectangle(r);
        c->GetFont()->SetColor(clBlack);
        c->GetFont()->SetSize(7);
        c->GetBrush()->SetStyle(bsClear);
        c->TextOut(X + 6, Y + 5, QString::number(Page));
        c->GetBrush()->SetStyle(bsSolid);
    };
    if (!Source || Source->GetChecked()) {
        // Two stacks of pages 3, 2, 1 (page 1 on top), side by side.
        for (int set = 0; set < 2; ++set)
            for (int page = 3; page >= 1; --page)
                sheet(8 + set * 38 + (page - 1) * 7, 0 + (page - 1) * 7, page);
    } else {
        // Each page's two copies together.
        for (int page = 1; page <= 3; ++page)
            for (int copy = 1; copy >= 0; --copy)
                sheet((page - 1) * 30 + copy * 6, 8 + copy * 6, page);
    }
}

void TfrPrintForm::CB1Click(TObject*) {
    frGlobalPrinter()->SelectPrinter(CB1->GetItemIndex());
}

void TfrPrintForm::PropButtonClick(TObject*) {
    frGlobalPrinter()->ShowPropertiesDialog();
}

void TfrPrintForm::E2Enter(TObject*) {
    RB3->SetChecked(true);
}

void TfrPrintForm::RB3Click(TObject*) {
    // Checked from code before the dialog shows, there is nothing to focus yet.
    if (GetVisible() && E2->CanFocus()) E2->SetFocus();
}

void TfrPrintForm::Label3Click(TObject*) {
    CollateCB->SetChecked(!CollateCB->GetChecked());
    PB1->Invalidate();
}

void TfrPrintForm::FormDeactivate(TObject*) {
    if (GetModalResult() != mrOk) frGlobalPrinter()->SelectPrinter(OldIndex);
}

TModalResult TfrPrintForm::ShowModal() {
    const TModalResult r = TForm::ShowModal();
    // OK prints on the printer the list shows, also when the virtual printer was current and
    // the user left the list as it was.
    TfrPrinter* p = frGlobalPrinter();
    if (r == mrOk && CB1->GetItemIndex() >= 0 && p->PrinterIndex != CB1->GetItemIndex())
        p->SelectPrinter(CB1->GetItemIndex());
    FormDeactivate(this);
    return r;
}

bool TfrPrintForm::PageListText(int CurrentPage, QString& List) {
    List.clear();
    if (RB2->GetChecked()) List = QString::number(CurrentPage);
    if (!RB3->GetChecked()) return true;
    QList<int> pages;
    if (!frParsePageList(E2->GetText(), 1, pages)) {
        Application->MessageBox(frLoadStr(57110) + QStringLiteral(": ") + E2->GetText(),
                                frLoadStr(SError), MB_OK | MB_ICONERROR);
        return false;
    }
    List = E2->GetText();
    return true;
}

bool frParsePageList(const QString& Text, int Count, QList<int>& Pages) {
    Pages.clear();
    QString s = Text;
    s.remove(QLatin1Char(' '));
    if (s.isEmpty()) {
        for (int i = 1; i <= Count; ++i)
            Pages << i;
        return true;
    }
    if (s.endsWith(QLatin1Char('-'))) s += QString::number(Count);
    static const QRegularExpression item(QStringLiteral(R"(^(\d{1,9})(?:-(\d{1,9}))?$)"));
    QList<int> result;
    for (const QString& part : s.split(QLatin1Char(','))) {
        const auto m = item.match(part);
        if (!m.hasMatch()) return false;
        const int from = m.captured(1).toInt();
        const int to = m.captured(2).isEmpty() ? from : m.captured(2).toInt();
        for (int i = std::max(from, 1); i <= std::min(to, Count); ++i)
            result << i;
    }
    Pages = result;
    return true;
}

QList<int> frPagesToPrint(const QList<int>& Pages, int Parity) {
    QList<int> r;
    for (int p : Pages)
        if (Parity == 0 || (Parity == 1 && p % 2 == 1) || (Parity == 2 && p % 2 == 0)) r << p;
    return r;
}

namespace {

// The rectangle of a prepared page on the printer's canvas, whose origin is the printable
// area's corner: the whole sheet, or the printable area within the margins.
TRect printerRect(const TfrPageInfo* P, const TfrPageMetrics& M) {
    if (P->UseMargins)
        return TRect{-M.DevOffsetX, -M.DevOffsetY, M.DevPageWidth - M.DevOffsetX,
                     M.DevPageHeight - M.DevOffsetY};
    const double k = M.PageWidth > 0 ? double(M.DevPageWidth) / M.PageWidth : 1;
    const int l = qRound(P->pgMargins[0] * k), t = qRound(P->pgMargins[1] * k);
    return TRect{l, t, M.DevPrintableWidth - qRound(P->pgMargins[2] * k),
                 M.DevPrintableHeight - qRound(P->pgMargins[3] * k)};
}

} // namespace

bool frPrintPreparedPages(TfrReport* Report, const QString& PageList, int Copies, int Parity,
                          bool Collate, const std::function<void(int)>& Progress) {
    TfrEMFPages& pages = Report->EMFPages;
    QList<int> list;
    if (!frParsePageList(PageList, pages.Count(), list)) return false;
    list = frPagesToPrint(list, Parity);
    if (list.isEmpty()) return true;
    Copies = std::max(Copies, 1);
    QList<int> order; // every sheet in print order
    if (Collate) {
        for (int c = 0; c < Copies; ++c)
            order << list;
    } else {
        for (int p : list)
            for (int c = 0; c < Copies; ++c)
                order << p;
    }
    TfrPrinter* prn = frGlobalPrinter();
    TPrinter* dev = prn->Printer;
    if (!dev || prn->IsVirtual()) return false;
    const TfrPageInfo* first = pages[order.first() - 1];
    prn->ChangeSettings(first->pgSize, first->pgWidth, first->pgHeight, false,
                        TPrinterOrientation(first->pgOr), first->pgBin);
    dev->SetTitle(Report->Title.isEmpty() ? frLoadStr(SUntitled) : Report->Title);
    dev->SetCopies(1);
    Report->Terminated = false;
    dev->BeginDoc();
    bool firstSheet = true;
    for (int n : order) {
        TfrPageInfo* p = pages[n - 1];
        if (!firstSheet) {
            prn->ChangeSettings(p->pgSize, p->pgWidth, p->pgHeight, false,
                                TPrinterOrientation(p->pgOr), p->pgBin);
            dev->NewPage();
        }
        firstSheet = false;
        TfrPageMetrics m;
        prn->GetPageMetrics(m);
        const bool wasVisible = p->Visible;
        p->Visible = true;
        pages.Draw(n - 1, dev->GetCanvas(), printerRect(p, m));
        p->Visible = wasVisible;
        if (Progress) Progress(n);
        if (Report->Terminated) {
            dev->Abort();
            return false;
        }
    }
    dev->EndDoc();
    return true;
}
