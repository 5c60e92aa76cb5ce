#include "PickDate.h"

#include "RXConst.h"
#include "ScopeGuard.h"

#include <algorithm>

namespace {

// The navigation pictures: one or two black triangles pointing left or right on a background
// that stays transparent (its bottom row is left empty, so the bottom-left pixel is it).
std::unique_ptr<TBitmap> arrowGlyph(bool Left, bool Double) {
    auto b = std::make_unique<TBitmap>();
    const int w = Double ? 10 : 6;
    b->SetSize(w, 8);
    TCanvas* c = b->GetCanvas();
    c->FillSolid(TRect{0, 0, w, 8}, clFuchsia);
    for (int start : Double ? std::vector<int>{1, 5} : std::vector<int>{1})
        for (int r = 0; r < 7; ++r) {
            const int d = std::abs(r - 3);
            if (Left)
                c->FillSolid(TRect{start + d, r, start + 4, r + 1}, clBlack);
            else
                c->FillSolid(TRect{start, r, start + 4 - d, r + 1}, clBlack);
        }
    return b;
}

// Hint ids of the navigation buttons in their order.
constexpr int buttonHints[4] = {SPrevYear, SPrevMonth, SNextMonth, SNextYear};

void setButtonHints(TRxTimerSpeedButton* const* Buttons, TStrings* Hints) {
    if (!Hints) return;
    for (int i = 0; i <= std::min(Hints->Count() - 1, 3); ++i)
        if (!Hints->Get(i).isEmpty()) Buttons[i]->SetHint(Hints->Get(i));
}

// Scales a control and everything in it by M/D (a screen of other than 96 pixels per inch).
void scaleTree(TControl* C, int M, int D) {
    C->SetBounds(MulDiv(C->GetLeft(), M, D), MulDiv(C->GetTop(), M, D), MulDiv(C->GetWidth(), M, D),
                 MulDiv(C->GetHeight(), M, D));
    if (!C->GetParentFont()) C->GetFont()->SetHeight(MulDiv(C->GetFont()->GetHeight(), M, D));
    if (auto* w = dynamic_cast<TWinControl*>(C))
        for (int i = 0; i < w->ControlCount(); ++i)
            scaleTree(w->GetControls(i), M, D);
}

// The drop-down's font: the platform's default one.
void resetFont(TFont* Font) {
    TFont plain;
    Font->Assign(&plain);
}

void enableNavigation(TRxTimerSpeedButton* const* Buttons, const TRxCalendar* Cal) {
    const int y = Cal->GetYear(), m = Cal->GetMonth();
    const TDateTime lo = Cal->GetMinDate(), hi = Cal->GetMaxDate();
    const bool back = lo == NullDate;
    const bool forward = hi == NullDate;
    Buttons[0]->SetEnabled(back || y > YearOf(lo));
    Buttons[1]->SetEnabled(back || y > YearOf(lo) || (y == YearOf(lo) && m > MonthOf(lo)));
    Buttons[2]->SetEnabled(forward || y < YearOf(hi) || (y == YearOf(hi) && m < MonthOf(hi)));
    Buttons[3]->SetEnabled(forward || y < YearOf(hi));
}

} // namespace

// ---- TRxTimerSpeedButton ------------------------------------------------------------------

TRxTimerSpeedButton::TRxTimerSpeedButton(TComponent* AOwner) : TRxSpeedButton(AOwner) {
    SetStyle(bsWin31);
    SetAllowTimer(true);
    controlStyle.Include(csReplicatable);
}

// ---- TRxCalendar --------------------------------------------------------------------------

TRxCalendar::TRxCalendar(TComponent* AOwner) : TCustomGrid(AOwner) {
    RegisterRxCursors();
    controlStyle.Include(csFramed);
    date = ::Date();
    fixedCols = 0;
    fixedRows = 1;
    colCount = 7;
    rowCount = 7;
    scrollBars = ssNone;
    options.Exclude(goRangeSelect);
    options.Include(goDrawFocusSelected);
    UpdateCalendar();
}

void TRxCalendar::CreateParams(TCreateParams& Params) {
    TCustomGrid::CreateParams(Params);
    Params.Style |= WS_BORDER;
    Params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

int TRxCalendar::GetDay() const {
    return DayOf(date);
}

int TRxCalendar::GetMonth() const {
    return MonthOf(date);
}

int TRxCalendar::GetYear() const {
    return YearOf(date);
}

bool TRxCalendar::DateInRange(TDateTime Value) const {
    if ((minDate == NullDate && maxDate == NullDate) || Value == NullDate) return true;
    const TDateTime d = DateOf(Value);
    if (minDate != NullDate && d < DateOf(minDate)) return false;
    if (maxDate != NullDate && d > DateOf(maxDate)) return false;
    return true;
}

int TRxCalendar::DayOfCell(int ACol, int ARow) const {
    if (ARow < 1 || ACol < 0 || ACol > 6) return 0;
    const int day = ACol + monthOffset + (ARow - 1) * 7;
    return day >= 1 && day <= DaysPerMonth(GetYear(), GetMonth()) ? day : 0;
}

QString TRxCalendar::GetCellText(int ACol, int ARow) const {
    if (ARow == 0) return FormatSettings.ShortDayNames[(int(startOfWeek) + ACol) % 7];
    const int day = DayOfCell(ACol, ARow);
    return day ? QString::number(day) : QString();
}

void TRxCalendar::layOut(bool DayOnly) {
    const TDateTime first = EncodeDate(GetYear(), GetMonth(), 1);
    monthOffset = 2 - ((DayOfWeek(first) - int(startOfWeek) + 7) % 7);
    if (monthOffset == 2) monthOffset = -5; // the 1st in the last column, not in a column -1
    const int pos = GetDay() - monthOffset;
    updating = true;
    TScopeGuard reset([this] { updating = false; });
    MoveColRow(pos % 7, pos / 7 + 1, true, false);
    reset.End();
    if (DayOnly)
        Repaint();
    else
        Invalidate();
}

void TRxCalendar::UpdateCalendar() {
    layOut(false);
}

void TRxCalendar::Change() {
    if (OnChange) OnChange(this);
}

void TRxCalendar::SetCalendarDate(TDateTime Value) {
    if (minDate != NullDate && DateOf(Value) < DateOf(minDate))
        Value = minDate;
    else if (maxDate != NullDate && DateOf(Value) > DateOf(maxDate))
        Value = maxDate;
    date = DateOf(Value);
    UpdateCalendar();
    Change();
}

void TRxCalendar::changeDateItem(int Index, int Value) {
    if (Value < 1) return;
    int y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    int minY = 0, minM = 0, minD = 0, maxY = 0, maxM = 0, maxD = 0;
    if (minDate != NullDate) DecodeDate(minDate, minY, minM, minD);
    if (maxDate != NullDate) DecodeDate(maxDate, maxY, maxM, maxD);
    switch (Index) {
    case 1: // year
        if (minDate != NullDate && Value <= minY) {
            Value = minY;
            if (m < minM) m = minM;
            if (m == minM && d < minD) d = minD;
        }
        if (maxDate != NullDate && Value >= maxY) {
            Value = maxY;
            if (m > maxM) m = maxM;
            if (m == maxM && d > maxD) d = maxD;
        }
        if (Value == y) return;
        y = Value;
        // 29 February of a year without it becomes the 28th
        d = std::min(d, DaysPerMonth(y, m));
        break;
    case 2: // month
        if (Value > 12 || Value == m) return;
        if (minDate != NullDate && y == minY && Value <= minM) {
            Value = minM;
            if (d < minD) d = minD;
        }
        if (maxDate != NullDate && y == maxY && Value >= maxM) {
            Value = maxM;
            if (d > maxD) d = maxD;
        }
        m = Value;
        d = std::min(d, DaysPerMonth(y, m));
        break;
    default: // day
        if (Value > DaysPerMonth(y, m) || Value == d) return;
        if (minDate != NullDate && EncodeDate(y, m, Value) < DateOf(minDate)) Value = minD;
        if (maxDate != NullDate && EncodeDate(y, m, Value) > DateOf(maxDate)) Value = maxD;
        d = Value;
        break;
    }
    date = EncodeDate(y, m, d);
    useCurrentDate = false;
    layOut(Index == 3);
    Change();
}

void TRxCalendar::NextMonth() {
    int y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    if (++m > 12) {
        m = 1;
        ++y;
    }
    SetCalendarDate(EncodeDate(y, m, std::min(d, DaysPerMonth(y, m))));
}

void TRxCalendar::PrevMonth() {
    int y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    if (--m < 1) {
        m = 12;
        --y;
    }
    SetCalendarDate(EncodeDate(y, m, std::min(d, DaysPerMonth(y, m))));
}

void TRxCalendar::NextYear() {
    int y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    if (m == 2 && d == 29) d = 28;
    if (y < 9999) SetCalendarDate(EncodeDate(y + 1, m, d));
}

void TRxCalendar::PrevYear() {
    int y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    if (m == 2 && d == 29) d = 28;
    if (y > 1) SetCalendarDate(EncodeDate(y - 1, m, d));
}

void TRxCalendar::SetMinDate(TDateTime Value) {
    if (Value == minDate) return;
    minDate = Value;
    if (minDate != NullDate && date < DateOf(minDate)) date = DateOf(minDate);
    UpdateCalendar();
}

void TRxCalendar::SetMaxDate(TDateTime Value) {
    if (Value == maxDate) return;
    maxDate = Value;
    if (maxDate != NullDate && date > DateOf(maxDate)) date = DateOf(maxDate);
    UpdateCalendar();
}

void TRxCalendar::StoreDateBounds(TDateTime AMinDate, TDateTime AMaxDate) {
    minDate = AMinDate;
    maxDate = AMaxDate;
}

void TRxCalendar::SetStartOfWeek(TDayOfWeekName Value) {
    if (Value == startOfWeek) return;
    startOfWeek = Value;
    UpdateCalendar();
}

void TRxCalendar::SetUseCurrentDate(bool Value) {
    if (Value == useCurrentDate) return;
    useCurrentDate = Value;
    if (Value) {
        date = ::Date();
        UpdateCalendar();
    }
}

void TRxCalendar::SetWeekends(TDaysOfWeek Value) {
    if (Value == weekends) return;
    weekends = Value;
    UpdateCalendar();
}

void TRxCalendar::SetWeekendColor(TColor Value) {
    if (Value == weekendColor) return;
    weekendColor = Value;
    Invalidate();
}

void TRxCalendar::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
    TCanvas* c = GetCanvas();
    const QString text = GetCellText(ACol, ARow);
    const int day = DayOfCell(ACol, ARow);
    const bool weekend = weekends.Contains(TDayOfWeekName((int(startOfWeek) + ACol) % 7));
    if (weekend && !AState.Contains(gdSelected)) c->GetFont()->SetColor(weekendColor);
    c->GetBrush()->SetStyle(bsClear);
    const int x = ARect.Left + (ARect.Width() - c->TextWidth(text)) / 2;
    const int y = ARect.Top + (ARect.Height() - c->TextHeight(text)) / 2;
    if (day && !DateInRange(EncodeDate(GetYear(), GetMonth(), day))) {
        // outside the bounds: the disabled look
        if (ColorToRGB(color) == ColorToRGB(clBtnFace)) {
            c->GetFont()->SetColor(clBtnHighlight);
            c->TextRect(ARect, x + 1, y + 1, text);
            c->GetFont()->SetColor(clBtnShadow);
        } else {
            c->GetFont()->SetColor(clBtnFace);
        }
    }
    c->TextRect(ARect, x, y, text);
}

bool TRxCalendar::SelectCell(int ACol, int ARow) {
    if (!updating && readOnly) return false;
    const int day = DayOfCell(ACol, ARow);
    return day != 0 && DateInRange(EncodeDate(GetYear(), GetMonth(), day));
}

void TRxCalendar::Click() {
    const int day = DayOfCell(GetCol(), GetRow());
    if (day) SetDay(day);
    TCustomGrid::Click();
}

void TRxCalendar::KeyDown(WORD& Key, TShiftState Shift) {
    if (Shift.Empty() &&
        (Key == VK_LEFT || Key == VK_SUBTRACT || Key == VK_RIGHT || Key == VK_ADD)) {
        const TDateTime next = date + ((Key == VK_LEFT || Key == VK_SUBTRACT) ? -1 : 1);
        if (!readOnly && DateInRange(next)) SetCalendarDate(next);
        Key = 0;
        return;
    }
    TCustomGrid::KeyDown(Key, Shift);
}

void TRxCalendar::KeyPress(QChar& Key) {
    if (Key == u'T' || Key == u't') {
        if (!readOnly) SetCalendarDate(::Date());
        Key = QChar();
        return;
    }
    TCustomGrid::KeyPress(Key);
}

void TRxCalendar::updateCellSizes() {
    const TRect r = GetClientRect();
    const int lines = options.Contains(goVertLine) ? 6 * gridLineWidth : 0;
    SetDefaultColWidth(std::max(1, (r.Width() - lines) / 7));
    SetDefaultRowHeight(std::max(1, (r.Height() - 6 * gridLineWidth) / 7));
}

void TRxCalendar::Dispatch(TMessage& Message) {
    TCustomGrid::Dispatch(Message);
    if (Message.Msg == WM_SIZE) updateCellSizes();
}

// ---- TLocCalendar -------------------------------------------------------------------------

TLocCalendar::TLocCalendar(TComponent* AOwner) : TRxCalendar(AOwner) {
    controlStyle =
        TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csReplicatable, csOpaque};
    ctl3D = false;
    SetParentColor(true);
    fixedColor = color;
    date = ::Date();
    useCurrentDate = false;
    options = TGridOptions{goFixedHorzLine, goDrawFocusSelected};
    tabStop = false;
    UpdateCalendar();
}

void TLocCalendar::CreateParams(TCreateParams& Params) {
    TRxCalendar::CreateParams(Params);
    Params.Style &= ~(WS_BORDER | WS_TABSTOP | WS_DISABLED);
}

void TLocCalendar::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
    TRxCalendar::DrawCell(ACol, ARow, ARect, AState);
    const int day = DayOfCell(ACol, ARow);
    if (day && EncodeDate(GetYear(), GetMonth(), day) == ::Date()) {
        TCanvas* c = GetCanvas();
        TRect r = ARect;
        c->FillSolid(TRect{r.Left, r.Top, r.Right, r.Top + 1}, clBtnShadow);
        c->FillSolid(TRect{r.Left, r.Top, r.Left + 1, r.Bottom}, clBtnShadow);
        c->FillSolid(TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom}, clBtnHighlight);
        c->FillSolid(TRect{r.Right - 1, r.Top, r.Right, r.Bottom}, clBtnHighlight);
    }
}

void TLocCalendar::Dispatch(TMessage& Message) {
    TRxCalendar::Dispatch(Message);
    if (Message.Msg == CM_PARENTCOLORCHANGED || Message.Msg == CM_COLORCHANGED) fixedColor = color;
}

// ---- TPopupCalendar -----------------------------------------------------------------------

TPopupCalendar::TPopupCalendar(TWinControl* AOwner) : TPopupWindow(AOwner) {
    SetBounds(0, 0, std::max(187, 180), std::max(124, 120));
    SetColor(clBtnFace); // its own colour, not the edit's
    parentFont = false;
    resetFont(font.get());
    showHint = AOwner ? AOwner->GetShowHint() : true;
    parentShowHint = false;
    FourDigitYear = ::FourDigitYear();
    if (IsDesigning()) return;

    backPanel = new TPanel(this);
    backPanel->SetParent(this);
    backPanel->SetAlign(alClient);
    backPanel->SetParentColor(true);
    backPanel->SetControlStyle(backPanel->GetControlStyle() + TControlStyle{csReplicatable});

    topPanel = new TPanel(this);
    topPanel->SetParent(backPanel);
    topPanel->SetAlign(alTop);
    topPanel->SetBounds(0, 0, width - 4, 18);
    topPanel->SetBevelOuter(bvNone);
    topPanel->SetParentColor(true);
    topPanel->SetControlStyle(topPanel->GetControlStyle() + TControlStyle{csReplicatable});

    calendar = new TLocCalendar(this);
    calendar->SetParent(backPanel);
    calendar->SetAlign(alClient);
    calendar->OnChange = [this](TObject*) { UpdateTitle(); };
    calendar->OnMouseUp = [this](TObject*, TMouseButton B, TShiftState S, int X, int Y) {
        calendarMouseUp(B, S, X, Y);
    };

    const int pw = width - 4;
    struct NavButton {
        int Left;
        bool Back, Double;
        std::function<void()> Action;
    };
    const NavButton navButtons[4] = {
        {-1, true, true, [this] { calendar->PrevYear(); }},
        {12, true, false, [this] { calendar->PrevMonth(); }},
        {pw - 26, false, false, [this] { calendar->NextMonth(); }},
        {pw - 14, false, true, [this] { calendar->NextYear(); }},
    };
    for (int i = 0; i < 4; ++i) {
        auto* b = new TRxTimerSpeedButton(this);
        b->SetParent(topPanel);
        b->SetBounds(navButtons[i].Left, -1, 14, 14);
        if (i >= 2) b->SetAnchors(TAnchors{akTop, akRight});
        b->SetGlyph(arrowGlyph(navButtons[i].Back, navButtons[i].Double).get());
        b->SetHint(RxLoadStr(buttonHints[i]));
        auto action = navButtons[i].Action;
        b->OnClick = [action](TObject*) { action(); };
        buttons[i] = b;
    }

    titleLabel = new TLabel(this);
    titleLabel->SetParent(topPanel);
    titleLabel->SetAutoSize(false);
    titleLabel->SetBounds(29, 1, pw - 58, 14);
    titleLabel->SetAnchors(TAnchors{akLeft, akTop, akRight});
    titleLabel->SetTransparent(true);
    titleLabel->SetAlignment(taCenter);
    titleLabel->SetShowAccelChar(false);
    titleLabel->OnDblClick = [this](TObject*) { calendar->SetCalendarDate(::Date()); };
    UpdateTitle();
}

Variant TPopupCalendar::GetValue() {
    if (IsDesigning() || !calendar) return Variant::FromDate(::Date());
    return Variant::FromDate(calendar->GetCalendarDate());
}

void TPopupCalendar::SetValue(const Variant& Value) {
    if (!calendar) return;
    const QString text = VarToStr(Value).remove(FormatSettings.DateSeparator);
    if (!VarIsNull(Value) && !VarIsEmpty(Value) && !Trim(text).isEmpty())
        calendar->SetCalendarDate(Value.AsDate());
    else
        calendar->SetCalendarDate(::Date());
    UpdateTitle();
}

void TPopupCalendar::UpdateTitle() {
    if (!calendar) return;
    titleLabel->SetCaption(
        FormatDateTime(QStringLiteral("MMMM, YYYY"), calendar->GetCalendarDate()));
    UpdateButtons();
}

void TPopupCalendar::UpdateButtons() {
    if (calendar) enableNavigation(buttons, calendar);
}

void TPopupCalendar::Invalidate() {
    TPopupWindow::Invalidate();
    UpdateButtons();
}

void TPopupCalendar::KeyDown(WORD& Key, TShiftState Shift) {
    if (!calendar) return;
    const bool ctrl = Shift.Contains(ssCtrl);
    if (Key == VK_PRIOR) {
        ctrl ? calendar->PrevYear() : calendar->PrevMonth();
    } else if (Key == VK_NEXT) {
        ctrl ? calendar->NextYear() : calendar->NextMonth();
    } else {
        calendar->KeyDown(Key, Shift);
        return;
    }
    Key = 0;
}

void TPopupCalendar::KeyPress(QChar& Key) {
    if (calendar) calendar->KeyPress(Key);
}

void TPopupCalendar::calendarMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button != mbLeft || Shift.Contains(ssShift) || Shift.Contains(ssCtrl) ||
        Shift.Contains(ssAlt))
        return;
    const TGridCoord cell = calendar->MouseCoord(X, Y);
    const int day = cell.Y > 0 ? calendar->DayOfCell(cell.X, cell.Y) : 0;
    // a day outside the bounds is neither chosen nor taken
    if (day && calendar->DateInRange(EncodeDate(calendar->GetYear(), calendar->GetMonth(), day)))
        CloseUp(true);
}

TPopupWindow* CreatePopupCalendar(TWinControl* AOwner, TBiDiMode ABiDiMode, TDateTime MinDate,
                                  TDateTime MaxDate) {
    auto* p = new TPopupCalendar(AOwner);
    const int ppi = Screen->GetPixelsPerInch();
    if (AOwner && !p->IsDesigning() && ppi != 96) {
        scaleTree(p, ppi, 96);
        p->GetCalendar()->SetParentFont(true);
        p->GetCalendar()->SetMinDate(MinDate);
        p->GetCalendar()->SetMaxDate(MaxDate);
        resetFont(p->GetFont());
        p->SetBiDiMode(ABiDiMode);
    }
    return p;
}

void SetupPopupCalendar(TPopupWindow* PopupCalendar, TDayOfWeekName AStartOfWeek,
                        TDaysOfWeek AWeekends, TColor AWeekendColor, TStrings* BtnHints,
                        bool FourDigitYear, TDateTime MinDate, TDateTime MaxDate) {
    auto* p = dynamic_cast<TPopupCalendar*>(PopupCalendar);
    if (!p || !p->GetCalendar()) return;
    TLocCalendar* c = p->GetCalendar();
    if (!p->IsDesigning()) c->StoreDateBounds(MinDate, MaxDate);
    p->FourDigitYear = FourDigitYear;
    c->SetStartOfWeek(AStartOfWeek);
    c->SetWeekendColor(AWeekendColor);
    c->SetWeekends(AWeekends);
    TRxTimerSpeedButton* buttons[4];
    for (int i = 0; i < 4; ++i)
        buttons[i] = p->GetButton(i);
    setButtonHints(buttons, BtnHints);
}

// ---- TSelectDateDlg -----------------------------------------------------------------------

TSelectDateDlg::TSelectDateDlg(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetCaption(RxLoadStr(SDateDlgTitle));
    SetBorderStyle(bsToolWindow);
    SetBorderIcons(TBorderIcons{biSystemMenu});
    SetClientSize(222, 158);
    color = clBtnFace;
    SetPosition(poScreenCenter);
    SetShowHint(true);
    SetKeyPreview(true);
    OnKeyDown = [this](TObject* S, WORD& Key, TShiftState Shift) { FormKeyDown(S, Key, Shift); };

    auto* top = new TPanel(this);
    top->SetParent(this);
    top->SetBounds(0, 0, 222, 22);
    top->SetAlign(alTop);
    top->SetBevelInner(bvLowered);
    top->SetParentColor(true);
    top->OnDblClick = [this](TObject* S) { TopPanelDblClick(S); };

    TitleLabel = new TLabel(this);
    TitleLabel->SetParent(top);
    TitleLabel->SetAutoSize(false);
    TitleLabel->SetBounds(35, 4, 152, 14);
    TitleLabel->SetAlignment(taCenter);
    TitleLabel->GetFont()->SetColor(clBlue);
    TitleLabel->GetFont()->SetStyle(TFontStyles{fsBold});
    TitleLabel->SetTransparent(true);
    TitleLabel->SetShowAccelChar(false);
    TitleLabel->OnDblClick = [this](TObject* S) { TopPanelDblClick(S); };

    struct NavButton {
        int Left;
        bool Back, Double;
        void (TSelectDateDlg::*Handler)(TObject*);
    };
    const NavButton navButtons[4] = {
        {3, true, true, &TSelectDateDlg::PrevYearBtnClick},
        {18, true, false, &TSelectDateDlg::PrevMonthBtnClick},
        {188, false, false, &TSelectDateDlg::NextMonthBtnClick},
        {203, false, true, &TSelectDateDlg::NextYearBtnClick},
    };
    for (int i = 0; i < 4; ++i) {
        auto* b = new TRxTimerSpeedButton(this);
        b->SetParent(top);
        b->SetBounds(navButtons[i].Left, 3, 16, 16);
        b->SetGlyph(arrowGlyph(navButtons[i].Back, navButtons[i].Double).get());
        b->SetHint(RxLoadStr(buttonHints[i]));
        auto handler = navButtons[i].Handler;
        b->OnClick = [this, handler](TObject* S) { (this->*handler)(S); };
        buttons[i] = b;
    }

    auto* bottom = new TPanel(this);
    bottom->SetParent(this);
    bottom->SetBounds(0, 133, 222, 25);
    bottom->SetAlign(alBottom);
    bottom->SetBevelOuter(bvNone);
    OkButton = new TBitBtn(this);
    OkButton->SetParent(bottom);
    OkButton->SetKind(bkOK);
    OkButton->SetBounds(0, 0, 111, 25);
    CancelButton = new TBitBtn(this);
    CancelButton->SetParent(bottom);
    CancelButton->SetKind(bkCancel);
    CancelButton->SetCaption(QStringLiteral("Отмена"));
    CancelButton->SetBounds(111, 0, 111, 25);

    auto* middle = new TPanel(this);
    middle->SetParent(this);
    middle->SetBounds(0, 22, 222, 111);
    middle->SetAlign(alClient);
    middle->SetBevelOuter(bvNone);
    middle->SetBorderWidth(2);

    Calendar = new TRxCalendar(this);
    Calendar->SetParent(middle);
    Calendar->SetBounds(2, 2, 218, 113);
    Calendar->SetAlign(alClient);
    Calendar->SetColor(clWhite);
    Calendar->SetUseCurrentDate(false);
    // Tab is a month on here (the form's key preview), not the next control
    Calendar->SetOptions(Calendar->GetOptions() + TGridOptions{goTabs});
    Calendar->SetCalendarDate(::Date());
    Calendar->OnChange = [this](TObject* S) { CalendarChange(S); };
    Calendar->OnDblClick = [this](TObject* S) { CalendarDblClick(S); };
    SetActiveControl(Calendar);
    EndLoading();
    CalendarChange(Calendar);
}

void TSelectDateDlg::SetDate(TDateTime Value) {
    Calendar->SetCalendarDate(Value == NullDate ? ::Date() : Value);
    CalendarChange(Calendar);
}

void TSelectDateDlg::updateButtons() {
    enableNavigation(buttons, Calendar);
}

void TSelectDateDlg::CalendarChange(TObject*) {
    TitleLabel->SetCaption(
        FormatDateTime(QStringLiteral("MMMM, YYYY"), Calendar->GetCalendarDate()));
    updateButtons();
}

void TSelectDateDlg::PrevMonthBtnClick(TObject*) {
    Calendar->PrevMonth();
}

void TSelectDateDlg::NextMonthBtnClick(TObject*) {
    Calendar->NextMonth();
}

void TSelectDateDlg::PrevYearBtnClick(TObject*) {
    Calendar->PrevYear();
}

void TSelectDateDlg::NextYearBtnClick(TObject*) {
    Calendar->NextYear();
}

void TSelectDateDlg::CalendarDblClick(TObject*) {
    const TGridCoord c{Calendar->GetCol(), Calendar->GetRow()};
    if (Calendar->DayOfCell(c.X, c.Y)) SetModalResult(mrOk);
}

void TSelectDateDlg::TopPanelDblClick(TObject*) {
    SetDate(::Date());
}

void TSelectDateDlg::FormKeyDown(TObject*, WORD& Key, TShiftState Shift) {
    const bool ctrl = Shift.Contains(ssCtrl);
    switch (Key) {
    case VK_ESCAPE:
        SetModalResult(mrCancel);
        break;
    case VK_RETURN:
        SetModalResult(mrOk);
        break;
    case VK_TAB:
        Shift.Contains(ssShift) ? PrevMonthBtnClick(this) : NextMonthBtnClick(this);
        break;
    case VK_PRIOR:
        ctrl ? PrevYearBtnClick(this) : PrevMonthBtnClick(this);
        break;
    case VK_NEXT:
        ctrl ? NextYearBtnClick(this) : NextMonthBtnClick(this);
        break;
    default:
        return;
    }
    TitleLabel->Repaint();
    updateButtons();
    Key = 0;
}

bool SelectDate(TControl* Control, TDateTime& Date, const QString& DlgCaption, TDateTime MinDate,
                TDateTime MaxDate, TDayOfWeekName AStartOfWeek, TDaysOfWeek AWeekends,
                TColor AWeekendColor, TStrings* BtnHints) {
    std::unique_ptr<TSelectDateDlg> dlg(CreateNewForm<TSelectDateDlg>(Application));
    if (!DlgCaption.isEmpty()) dlg->SetCaption(DlgCaption);
    dlg->Calendar->SetMinDate(MinDate);
    dlg->Calendar->SetMaxDate(MaxDate);
    const int ppi = Screen->GetPixelsPerInch();
    const int sw = Screen->GetWidth(), sh = Screen->GetHeight();
    if (ppi != 96) {
        scaleTree(dlg.get(), ppi, 96);
        dlg->Calendar->SetParentFont(true);
        resetFont(dlg->GetFont());
        dlg->SetLeft(sw / 2 - dlg->GetWidth() / 2);
        dlg->SetTop(sh / 2 - dlg->GetHeight() / 2);
    }
    if (Control) {
        const TPoint p = Control->ClientToScreen(TPoint{0, 0});
        int top = p.Y + Control->GetHeight() - 1;
        if (top + dlg->GetHeight() > sh) top = p.Y - dlg->GetHeight() + 1;
        if (top < 0) top = p.Y + Control->GetHeight() - 1;
        int left = std::min(p.X + Control->GetWidth() - dlg->GetWidth(), sw - dlg->GetWidth());
        if (left < 0) left = std::max(p.X, 0);
        dlg->SetPosition(poDesigned);
        dlg->SetBounds(left, top, dlg->GetWidth(), dlg->GetHeight());
    }
    dlg->SetDate(Date);
    dlg->Calendar->SetStartOfWeek(AStartOfWeek);
    dlg->Calendar->SetWeekends(AWeekends);
    dlg->Calendar->SetWeekendColor(AWeekendColor);
    TRxTimerSpeedButton* buttons[4];
    for (int i = 0; i < 4; ++i)
        buttons[i] = dlg->GetButton(i);
    setButtonHints(buttons, BtnHints);
    if (dlg->ShowModal() != mrOk) return false;
    Date = dlg->GetDate();
    return true;
}
