#include "CalUnit.h"

#include "CalTable.h"
#include "DMUnit.h"
#include "Dialogs.h"
#include "FormBuild.h"
#include "ReportDlgs.h"

TCalForm* CalForm = nullptr;

namespace {

const char16_t* const WeekDays[7] = {u"Пн", u"Вт", u"Ср", u"Чт", u"Пт", u"Сб", u"Вс"};
const char* const MonthCaptions[12] = {"Січень",   "Лютий",   "Березень", "Квітень",
                                       "Травень",  "Червень", "Липень",   "Серпень",
                                       "Вересень", "Жовтень", "Листопад", "Грудень"};

constexpr int CellWidth = 18, CellHeight = 17, GridLeft = 12, GridTop = 64, GridStepX = 156,
              GridStepY = 162, LabelHeight = 18;

bool isDayOff(const QString& Mark) {
    return Mark == u"в" || Mark == u"Вс" || Mark == u"Сб";
}

QString titleOf(int Year) {
    return QStringLiteral("Календар на %1 рік").arg(Year);
}

} // namespace

TCalForm::TCalForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetUpDialog(this, "CalForm", "Календар", GridLeft * 2 + 4 * GridStepX - 16,
                GridTop + 3 * GridStepY + 30);
    SetShowHint(true);

    ToolBar1 = Place<TToolBar>(this, this, "ToolBar1", 0, 0, 400, 26);
    ToolBar1->SetAlign(alTop);
    ToolBar1->SetFlat(true);
    ToolBar1->SetShowCaptions(true);
    ToolBar1->SetButtonWidth(84);
    ToolBar1->SetButtonHeight(24);
    ToolBar1->SetShowHint(true);
    auto button = [this](const char* Name, const char* Caption, const char* Hint,
                         void (TCalForm::*Handler)(TObject*)) {
        auto* b = new TToolButton(this);
        b->SetName(QString::fromLatin1(Name));
        b->SetParent(ToolBar1);
        b->SetCaption(QString::fromUtf8(Caption));
        b->SetHint(QString::fromUtf8(Hint));
        b->OnClick = [this, Handler](TObject* S) { (this->*Handler)(S); };
        return b;
    };
    ToolButton1 =
        button("ToolButton1", "Створити", "Створити новий календар", &TCalForm::ToolButton1Click);
    ToolButton2 = button("ToolButton2", "Відкрити", "Відкрити існуючий календар",
                         &TCalForm::ToolButton2Click);
    ToolButton4 = button("ToolButton4", "Зберегти", "Зберегти зміни", &TCalForm::ToolButton4Click);
    ToolButton5 = button("ToolButton5", "Закрити", "Закрити календар", &TCalForm::ToolButton5Click);

    Label13 = Place<TLabel>(this, this, "Label13", 0, 30, GetClientWidth(), 24);
    Label13->SetAlignment(taCenter);
    Label13->GetFont()->SetHeight(-18);
    Label13->GetFont()->SetStyle(TFontStyles{fsBold});
    Label13->GetFont()->SetColor(clNavy);

    for (int m = 0; m < 12; ++m) {
        const int left = GridLeft + (m % 4) * GridStepX, top = GridTop + (m / 4) * GridStepY;
        TLabel* l = Place<TLabel>(this, this, "", left, top, 7 * (CellWidth + 1) + 4, LabelHeight);
        l->SetName(QStringLiteral("Label%1").arg(m + 1));
        l->SetAlignment(taCenter);
        l->SetCaption(QString::fromUtf8(MonthCaptions[m]));
        l->GetFont()->SetStyle(TFontStyles{fsBold});
        MonthLabels[m] = l;
        TStringGrid* g = Place<TStringGrid>(this, this, "", left, top + LabelHeight,
                                            7 * (CellWidth + 1) + 4, 7 * (CellHeight + 1) + 4);
        g->SetName(QStringLiteral("Grid%1").arg(m + 1));
        g->SetTag(m + 1);
        g->SetColCount(7);
        g->SetRowCount(7);
        g->SetFixedCols(1);
        g->SetFixedRows(0);
        g->SetDefaultColWidth(CellWidth);
        g->SetDefaultRowHeight(CellHeight);
        g->SetScrollBars(ssNone);
        g->SetOptions(TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine});
        g->SetHint(QStringLiteral("Для изменения\nсделайте двойной щелчок\nмышью на нужной дате"));
        g->SetShowHint(true);
        g->OnDrawCell = [this](TObject* S, int C, int R, TRect Rect, TGridDrawState St) {
            Grid1DrawCell(S, C, R, Rect, St);
        };
        g->OnDblClick = [this](TObject* S) { Grid1DblClick(S); };
        g->OnExit = [this](TObject* S) { Grid1Exit(S); };
        Grids[m] = g;
    }

    // The legend.
    const int legendTop = GridTop + 3 * GridStepY + 6;
    const struct {
        TColor Color;
        const char* Text;
    } legend[] = {
        {clBlack, "- робочі дні"}, {clRed, "- вихідні дні"}, {clFuchsia, "- святкові дні"}};
    for (int i = 0; i < 3; ++i) {
        const int left = GridLeft + 40 + i * 180;
        TShape* s = Place<TShape>(this, this, "", left, legendTop + 2, 14, 14);
        s->GetBrush()->SetColor(legend[i].Color);
        PlaceLabel(this, this, "", left + 20, legendTop, legend[i].Text);
    }

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->SetName(QStringLiteral("PopupMenu1"));
    auto item = [this](const char* Name, const char* Caption, void (TCalForm::*Handler)(TObject*)) {
        auto* m = new TMenuItem(this);
        m->SetName(QString::fromLatin1(Name));
        m->SetCaption(QString::fromUtf8(Caption));
        m->OnClick = [this, Handler](TObject* S) { (this->*Handler)(S); };
        PopupMenu1->GetItems()->Add(m);
        return m;
    };
    N1 = item("N1", "робочий день", &TCalForm::N1Click);
    N2 = item("N2", "вихідний день", &TCalForm::N2Click);
    N3 = item("N3", "святковий день", &TCalForm::N3Click);

    // Each showing starts afresh; coming back from a dialog of its own (the year, a preview)
    // keeps what the window shows.
    OnShow = [this](TObject* S) { FormActivate(S); };
    EndLoading();
    FormCreate(this);
}

TCalForm::~TCalForm() {
    if (CalForm == this) CalForm = nullptr;
}

QString TCalForm::Mark(int Month, int Day) const {
    const int k = image.FirstWeekday[Month - 1] + Day;
    return cells[Month - 1][k - 1].Mark;
}

const TCalForm::TCell& TCalForm::CellAt(int Month, int Col, int Row) const {
    return cells[Month - 1][CellNumber(Col, Row) - 1];
}

void TCalForm::FormCreate(TObject*) {
    // The grids' menu opens on double click only.
    PopupMenu1->SetAutoPopup(false);
    reset();
}

void TCalForm::FormActivate(TObject*) {
    reset();
}

void TCalForm::reset() {
    for (TMonthCells& m : cells)
        m.fill(TCell{});
    image = TCalendarYear{};
    year = 0;
    for (TStringGrid* g : Grids) {
        for (int c = 1; c < 7; ++c)
            for (int r = 0; r < 7; ++r)
                g->SetCells(c, r, QString());
        // Saturday and Sunday are painted red by the draw rule.
        for (int r = 0; r < 5; ++r)
            g->SetCells(0, r, QString::fromUtf16(WeekDays[r]));
        g->SetCol(1);
        g->SetRow(0);
    }
    ToolButton4->SetEnabled(false);
    Label13->SetCaption(QStringLiteral("Календар"));
}

bool TCalForm::askYear(int& Year) {
    QuetForm->Label1->SetEnabled(false);
    QuetForm->ComboBox1->SetEnabled(false);
    const bool ok = QuetForm->ShowModal() == mrOk;
    QuetForm->Label1->SetEnabled(true);
    QuetForm->ComboBox1->SetEnabled(true);
    if (ok) Year = QuetForm->SpinEdit1->GetValue();
    return ok;
}

void TCalForm::fillGrid(int Month) {
    TStringGrid* g = Grids[Month - 1];
    for (int c = 1; c < 7; ++c)
        for (int r = 0; r < 7; ++r)
            g->SetCells(c, r, CellAt(Month, c, r).Text);
    g->Invalidate();
}

void TCalForm::show(const TCalendarYear& Image) {
    image = Image;
    for (int m = 1; m <= 12; ++m) {
        TMonthCells& mc = cells[m - 1];
        mc.fill(TCell{});
        const int offset = std::clamp(image.FirstWeekday[m - 1], 0, 6);
        image.FirstWeekday[m - 1] = offset;
        for (int d = 1; d <= 31; ++d)
            mc[offset + d - 1] = TCell{image.Day(m, d).Text, image.Day(m, d).Mark};
        fillGrid(m);
    }
    Label13->SetCaption(titleOf(year));
}

void TCalForm::ToolButton1Click(TObject*) {
    int y = 0;
    if (!askYear(y)) return;
    year = y;
    show(MakeCalendarYear(y));
    ToolButton4->SetEnabled(true);
}

void TCalForm::ToolButton2Click(TObject*) {
    int y = 0;
    if (!askYear(y)) return;
    TCalendarYear read;
    if (!DM->LoadYear(y, read)) {
        GetUserInteraction()->MessageBox(titleOf(y) +
                                             QStringLiteral(" Відсутній. Необхідно його створити."),
                                         QStringLiteral("Помилка"), MB_OK | MB_ICONERROR);
        return;
    }
    year = y;
    show(read);
}

void TCalForm::ToolButton4Click(TObject*) {
    if (year == 0) return;
    // The cells go back into the days.
    for (int m = 1; m <= 12; ++m)
        for (int d = 1; d <= 31; ++d) {
            const TCell& c = cells[m - 1][image.FirstWeekday[m - 1] + d - 1];
            image.Day(m, d) = TCalendarDay{c.Text, c.Mark};
        }
    SaveCalendar(year, image);
    ToolButton4->SetEnabled(false);
    GetUserInteraction()->MessageBox(QString::fromUtf16(SCalendarSaved),
                                     QStringLiteral("Інформація"), MB_OK | MB_ICONINFORMATION);
}

void TCalForm::ToolButton5Click(TObject*) {
    DM->IBCal->Close();
    Close();
}

void TCalForm::Grid1DrawCell(TObject* Sender, int ACol, int ARow, TRect Rect,
                             TGridDrawState State) {
    auto* g = static_cast<TStringGrid*>(Sender);
    TCanvas* c = g->GetCanvas();
    TColor colour = clNone;
    QString text;
    if (ACol == 0) {
        if (ARow >= 5) {
            colour = clRed;
            text = QString::fromUtf16(WeekDays[ARow]);
        }
    } else {
        const TCell& cell = CellAt(int(g->GetTag()), ACol, ARow);
        text = cell.Text;
        if (isDayOff(cell.Mark))
            colour = clRed;
        else if (cell.Mark == u"п")
            colour = clFuchsia;
        // The current cell of a grid without the focus is not highlighted: its colour shows.
        if (State.Contains(gdSelected) && !State.Contains(gdFocused)) {
            c->GetBrush()->SetColor(g->GetColor());
            c->FillRect(Rect);
            if (colour == clNone) colour = g->GetFont()->GetColor();
        }
    }
    if (colour == clNone) return;
    c->FillRect(Rect);
    c->GetFont()->SetColor(colour);
    c->TextOut(Rect.Left + 2, Rect.Top + 2, text);
}

void TCalForm::Grid1DblClick(TObject* Sender) {
    auto* g = static_cast<TStringGrid*>(Sender);
    markMonth = int(g->GetTag());
    markCol = g->GetCol();
    markRow = g->GetRow();
    if (markCol < 1 || CellAt(markMonth, markCol, markRow).Text.isEmpty()) return;
    const TPoint at = g->ClientToScreen(TPoint{25, 25});
    PopupMenu1->Popup(at.X, at.Y);
}

void TCalForm::Grid1Exit(TObject* Sender) {
    auto* g = static_cast<TStringGrid*>(Sender);
    g->SetCol(1);
    g->SetRow(0);
}

void TCalForm::setMark(const char16_t* Mark) {
    if (markMonth < 1 || markCol < 1) return;
    cells[markMonth - 1][CellNumber(markCol, markRow) - 1].Mark = QString::fromUtf16(Mark);
    Grids[markMonth - 1]->Invalidate();
    ToolButton4->SetEnabled(true);
}

void TCalForm::N1Click(TObject*) {
    setMark(u"р");
}

void TCalForm::N2Click(TObject*) {
    setMark(u"в");
}

void TCalForm::N3Click(TObject*) {
    setMark(u"п");
}
