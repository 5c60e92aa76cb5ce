// The edit-button painter, the option objects, the size grip, the lookup list box and its
// drop-down form.
#include "DBLookupEh.h"

#include "Controls.h"
#include "Forms.h"
#include "ScopeGuard.h"
#include "WinWidget.h"

#include <QPolygon>
#include <QRegion>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

// The frame of a flat button part: the control's colour when inactive, sunken when pressed,
// raised otherwise.
void flatFrame(TCanvas* C, const TRect& R, TColor ParentColor, bool Pressed, bool Active) {
    TRect r = R;
    if (!Active) {
        C->GetBrush()->SetStyle(bsSolid);
        C->GetBrush()->SetColor(ParentColor);
        C->FrameRect(r);
    } else if (Pressed) {
        DrawEdge(C, r, BDR_SUNKENOUTER, BF_RECT);
    } else {
        DrawEdge(C, r, BDR_RAISEDINNER, BF_RECT);
    }
}

// One arrow part (drop-down, up or down) with the system's scroll glyph.
void arrowPart(TCanvas* C, const TRect& R, unsigned Kind, TColor ParentColor, bool Pressed,
               bool Flat, bool Active, bool Enabled) {
    if (R.Width() <= 0 || R.Height() <= 0) return;
    unsigned state = Kind;
    if (Pressed) state |= DFCS_PUSHED;
    if (Flat) state |= DFCS_FLAT;
    if (!Enabled) state |= DFCS_INACTIVE;
    if (!Flat) {
        DrawFrameControl(C, R, DFC_SCROLL, state);
        return;
    }
    TRect inner{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1};
    C->SaveDC();
    C->IntersectClipRect(inner);
    DrawFrameControl(C, TRect{R.Left, R.Top, R.Right, R.Bottom}, DFC_SCROLL, state);
    C->RestoreDC();
    flatFrame(C, R, ParentColor, Pressed, Active);
}

void dots(TCanvas* C, int X, int Y, int Size, int Gap, TColor Color) {
    for (int i = 0; i < 3; ++i)
        C->FillSolid(TRect{X + i * (Size + Gap), Y, X + i * (Size + Gap) + Size, Y + Size}, Color);
}

void ellipsisButton(TCanvas* C, const TRect& R, TColor ParentColor, bool Pressed, bool Flat,
                    bool Active, bool Enabled) {
    C->FillSolid(R, clBtnFace);
    TRect edge = R;
    if (Flat)
        flatFrame(C, R, ParentColor, Pressed, Active);
    else
        DrawEdge(C, edge, Pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    const int w = R.Width(), h = R.Height();
    const int size = w < 8 ? 1 : 2;
    const int gap = w < 12 ? 1 : 2;
    const int shift = Pressed ? 1 : 0;
    const int x = R.Left + (w - (3 * size + 2 * gap)) / 2 + shift;
    const int y = R.Top + (h - size) / 2 + shift;
    if (Enabled) {
        dots(C, x, y, size, gap, clBtnText);
    } else {
        dots(C, x + 1, y + 1, size, gap, clBtnHighlight);
        dots(C, x, y, size, gap, clBtnShadow);
    }
}

} // namespace

void PaintButtonControlEh(TCanvas* Canvas, TRect ARect, TColor ParentColor,
                          TDrawButtonControlStyleEh Style, int DownButton, bool Flat, bool Active,
                          bool Enabled) {
    switch (Style) {
    case bcsDropDownEh:
        arrowPart(Canvas, ARect, DFCS_SCROLLCOMBOBOX, ParentColor, DownButton != 0, Flat, Active,
                  Enabled);
        break;
    case bcsEllipsisEh:
        ellipsisButton(Canvas, ARect, ParentColor, DownButton != 0, Flat, Active, Enabled);
        break;
    case bcsUpDownEh: {
        const int half = ARect.Height() / 2;
        TRect up{ARect.Left, ARect.Top, ARect.Right, ARect.Top + half};
        TRect down{ARect.Left, ARect.Bottom - half, ARect.Right, ARect.Bottom};
        // an odd height leaves a middle line between the halves
        if (up.Bottom < down.Top)
            Canvas->FillSolid(TRect{ARect.Left, up.Bottom, ARect.Right, down.Top}, ParentColor);
        arrowPart(Canvas, up, DFCS_SCROLLUP, ParentColor, DownButton == 1, Flat, Active, Enabled);
        arrowPart(Canvas, down, DFCS_SCROLLDOWN, ParentColor, DownButton == 2, Flat, Active,
                  Enabled);
        break;
    }
    }
}

void MoveToFiveStepThumbEh(TDataSet* DataSet, int Position, int Page) {
    switch (Position) {
    case 0:
        DataSet->First();
        break;
    case 1:
        DataSet->MoveBy(-Page);
        break;
    case 3:
        DataSet->MoveBy(Page);
        break;
    case 4:
        DataSet->Last();
        break;
    default:
        break;
    }
}

bool MoveByScrollCodeEh(TDataLink* Link, int Code) {
    TDataSet* ds = Link->GetDataSet();
    switch (Code) {
    case SB_LINEUP:
        ds->MoveBy(-Link->GetActiveRecord() - 1);
        return true;
    case SB_LINEDOWN:
        ds->MoveBy(Link->GetRecordCount() - Link->GetActiveRecord());
        return true;
    case SB_TOP:
        ds->First();
        return true;
    case SB_BOTTOM:
        ds->Last();
        return true;
    default:
        return false;
    }
}

int FlatButtonWidthEh() {
    static const int width = [] {
        TBitmap b(1, 1);
        TTextMetric tm;
        b.GetCanvas()->GetTextMetrics(tm);
        int w = int(std::lround(tm.tmHeight * 2.0 / 3.0));
        if (w % 2 == 1) ++w;
        return std::min(w, GetSystemMetrics(SM_CXVSCROLL));
    }();
    return width;
}

// ---- option objects -----------------------------------------------------------------------------

TEditButtonEh::TEditButtonEh(TDBLookupComboboxEh* AOwner)
    : owner(AOwner), glyph(std::make_unique<TBitmap>()) {}

TEditButtonEh::~TEditButtonEh() = default;

void TEditButtonEh::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TEditButtonEh*>(Source)) {
        SetStyle(s->style);
        SetGlyph(s->glyph.get());
        SetNumGlyphs(s->numGlyphs);
        return;
    }
    TPersistent::Assign(Source);
}

void TEditButtonEh::SetStyle(TEditButtonStyleEh Value) {
    if (style == Value) return;
    style = Value;
    if (owner && owner->GetButtonControl()) owner->GetButtonControl()->Invalidate();
}

void TEditButtonEh::SetWidth(int Value) {
    if (width == Value) return;
    width = Value;
    if (owner) owner->updateButtonLayout();
}

void TEditButtonEh::SetGlyph(TBitmap* Value) {
    glyph->Assign(Value);
    if (owner && owner->GetButtonControl()) owner->GetButtonControl()->Invalidate();
}

void TEditButtonEh::SetNumGlyphs(int Value) {
    numGlyphs = std::max(1, Value);
}

void TDropDownBoxEh::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TDropDownBoxEh*>(Source)) {
        Align = s->Align;
        Rows = s->Rows;
        Width = s->Width;
        Sizable = s->Sizable;
        ShowTitles = s->ShowTitles;
        return;
    }
    TPersistent::Assign(Source);
}

// ---- TSizeGripEh --------------------------------------------------------------------------------

TSizeGripEh::TSizeGripEh(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL));
    color = clBtnFace;
    controlStyle.Include(csCaptureMouse);
    SetCursor(crSizeNWSE);
}

void TSizeGripEh::SetPosition(int Value) {
    Value = std::clamp(Value, 0, 3);
    if (position == Value) return;
    position = Value;
    SetCursor(position == 0 || position == 2 ? crSizeNWSE : crSizeNESW);
    applyShape();
    UpdatePosition();
    Invalidate();
}

void TSizeGripEh::SetTriangleWindow(bool Value) {
    if (triangleWindow == Value) return;
    triangleWindow = Value;
    applyShape();
}

void TSizeGripEh::ChangePosition(int Message) {
    switch (Message) {
    case 0: // right to left
        if (position == 1) SetPosition(0);
        if (position == 2) SetPosition(3);
        break;
    case 1: // left to right
        if (position == 0) SetPosition(1);
        if (position == 3) SetPosition(2);
        break;
    case 2: // bottom to top
        if (position == 2) SetPosition(1);
        if (position == 3) SetPosition(0);
        break;
    case 3: // top to bottom
        if (position == 1) SetPosition(2);
        if (position == 0) SetPosition(3);
        break;
    default:
        break;
    }
}

void TSizeGripEh::CreateWnd() {
    TCustomControl::CreateWnd();
    applyShape();
}

void TSizeGripEh::applyShape() {
    if (!HandleAllocated()) return;
    if (!triangleWindow) {
        GetHandle()->clearMask();
        return;
    }
    const int w = width, h = height;
    QPolygon tri;
    switch (position) {
    case 0:
        tri << QPoint(w - 1, 0) << QPoint(0, 0) << QPoint(0, h - 1);
        break;
    case 1:
        tri << QPoint(w, h - 1) << QPoint(w, 0) << QPoint(1, 0);
        break;
    case 3:
        tri << QPoint(w, h) << QPoint(0, h) << QPoint(0, 0);
        break;
    default:
        tri << QPoint(0, h) << QPoint(w, h) << QPoint(w, 0);
        break;
    }
    GetHandle()->setMask(QRegion(tri));
}

void TSizeGripEh::UpdatePosition() {
    TWinControl* p = GetParent();
    if (!p || inPositionUpdate) return;
    inPositionUpdate = true;
    const TRect c = p->GetClientRect();
    const int x = position == 1 || position == 2 ? c.Right - width : c.Left;
    const int y = position == 2 || position == 3 ? c.Bottom - height : c.Top;
    SetBounds(x, y, width, height);
    inPositionUpdate = false;
}

void TSizeGripEh::Paint() {
    TCanvas* c = GetCanvas();
    const int w = width, h = height;
    c->FillSolid(TRect{0, 0, w, h}, clBtnFace);
    // diagonal lines every 4 pixels: one light, two shadow, one face
    const TColor pattern[4] = {clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace};
    for (int d = 0; d < std::max(w, h); ++d) {
        const TColor col = pattern[d % 4];
        c->GetPen()->SetColor(col);
        switch (position) {
        case 0: // the corner at the top left
            c->MoveTo(0, h - 1 - d);
            c->LineTo(w - 1 - d, 0);
            break;
        case 1:
            c->MoveTo(d, 0);
            c->LineTo(w, h - d);
            break;
        case 3:
            c->MoveTo(0, d);
            c->LineTo(w - d, h);
            break;
        default:
            c->MoveTo(d, h);
            c->LineTo(w, d);
            break;
        }
    }
}

void TSizeGripEh::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !GetParent()) return;
    dragging = true;
    downPoint = ClientToScreen(TPoint{X, Y});
    TWinControl* p = GetParent();
    parentAtDown = TRect{p->GetLeft(), p->GetTop(), p->GetLeft() + p->GetWidth(),
                         p->GetTop() + p->GetHeight()};
}

void TSizeGripEh::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomControl::MouseMove(Shift, X, Y);
    if (!dragging || !GetParent()) return;
    TWinControl* p = GetParent();
    const TPoint now = ClientToScreen(TPoint{X, Y});
    const int dx = now.X - downPoint.X, dy = now.Y - downPoint.Y;
    TRect r = parentAtDown;
    // the edges at the grip move, the opposite ones stay
    if (position == 0 || position == 3)
        r.Left = std::min(r.Right - 1, r.Left + dx);
    else
        r.Right = std::max(r.Left + 1, r.Right + dx);
    if (position == 0 || position == 1)
        r.Top = std::min(r.Bottom - 1, r.Top + dy);
    else
        r.Bottom = std::max(r.Top + 1, r.Bottom + dy);
    const int oldW = p->GetClientWidth(), oldH = p->GetClientHeight();
    p->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    if ((p->GetClientWidth() != oldW || p->GetClientHeight() != oldH) && OnParentResized)
        OnParentResized(this);
    UpdatePosition();
}

void TSizeGripEh::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    dragging = false;
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TSizeGripEh::Dispatch(TMessage& Message) {
    TCustomControl::Dispatch(Message);
    if (Message.Msg == WM_MOVE && !inPositionUpdate) UpdatePosition();
}

// ---- TDBLookupListBoxEh -------------------------------------------------------------------------

namespace {

constexpr uintptr_t kListTimer = 2;
constexpr int kMaxRows = 100;
constexpr TColor kTitleLine = 0x00808080;

} // namespace

TDBLookupListBoxEh::TDBLookupListBoxEh(TComponent* AOwner) : TDBLookupControl(AOwner) {
    controlStyle.Include(csDoubleClicks);
    color = clWindow;
    SetTabStop(true);
    width = 121;
    SetRowCount(7);
}

TDBLookupListBoxEh::~TDBLookupListBoxEh() {
    stopTimer();
}

TDataSet* TDBLookupListBoxEh::listDataSet() const {
    return GetListLink()->GetActive() ? GetListLink()->GetDataSet() : nullptr;
}

QString TDBLookupListBoxEh::keyName() const {
    TField* f = dataLink->GetField();
    if (f && f->GetFieldKind() == fkLookup) return f->GetLookupKeyFields();
    return keyFieldName;
}

int TDBLookupListBoxEh::RowHeight() {
    TBitmap b(1, 1);
    b.GetCanvas()->GetFont()->Assign(font.get());
    return std::max(1, b.GetCanvas()->TextHeight(QStringLiteral("0")));
}

int TDBLookupListBoxEh::borderSize() {
    if (popup) return 2;
    return borderStyle == bsSingle ? 4 : 0;
}

void TDBLookupListBoxEh::SetRowCount(int Value) {
    rowCount = std::clamp(Value, 1, kMaxRows);
    updateHeight();
}

void TDBLookupListBoxEh::updateHeight() {
    titleHeight = showTitles ? RowHeight() + 1 : 0;
    TDBLookupControl::SetBounds(left, top, width,
                                RowHeight() * rowCount + borderSize() + titleHeight);
    GetListLink()->SetBufferCount(rowCount);
}

void TDBLookupListBoxEh::SetBorderStyle(TBorderStyle Value) {
    if (borderStyle == Value) return;
    borderStyle = Value;
    if (HandleAllocated()) RecreateWnd();
    SetRowCount(rowCount);
}

void TDBLookupListBoxEh::SetShowTitles(bool Value) {
    if (showTitles == Value) return;
    showTitles = Value;
    updateHeight();
    Invalidate();
}

void TDBLookupListBoxEh::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    titleHeight = showTitles ? RowHeight() + 1 : 0;
    const int rowH = RowHeight();
    const int rows = std::clamp((AHeight - borderSize() - titleHeight) / rowH, 1, kMaxRows);
    rowCount = rows;
    TDBLookupControl::SetBounds(ALeft, ATop, AWidth, rows * rowH + borderSize() + titleHeight);
    if (GetListLink()->GetBufferCount() != rows) {
        GetListLink()->SetBufferCount(rows);
        ListLinkDataChanged();
    }
}

void TDBLookupListBoxEh::CreateParams(TCreateParams& Params) {
    TDBLookupControl::CreateParams(Params);
    if (borderStyle == bsSingle && !popup) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TDBLookupListBoxEh::CreateWnd() {
    TDBLookupControl::CreateWnd();
    updateScrollBar();
}

bool TDBLookupListBoxEh::locateKey() {
    TDataSet* ds = listDataSet();
    if (!ds || keyValue.IsEmpty() || keyValue.IsNull()) return false;
    return ds->Locate(keyName(), keyValue, TLocateOptions{});
}

void TDBLookupListBoxEh::updateText() {
    KeyValueChanged();
}

void TDBLookupListBoxEh::KeyValueChanged() {
    TDataSet* ds = listDataSet();
    if (ds && listActive && !lockPosition && !locateKey()) ds->First();
    TField* f = GetListFieldObject();
    selectedText = f && ds ? f->GetDisplayText() : QString();
    text = selectedText;
    Invalidate();
}

void TDBLookupListBoxEh::UpdateListFields() {
    TDBLookupControl::UpdateListFields();
    TDataSet* ds = listDataSet();
    if (ds) {
        // a lookup data field shows its lookup result first
        TField* f = dataLink->GetField();
        keyField = ds->FindField(keyName());
        if (f && f->GetFieldKind() == fkLookup) {
            if (TField* result = ds->FindField(f->GetLookupResultField())) {
                listFields.erase(std::remove(listFields.begin(), listFields.end(), result),
                                 listFields.end());
                listFields.insert(listFields.begin(), result);
                listFieldIndex = 0;
            }
        }
    }
    if (listActive)
        KeyValueChanged();
    else
        ListLinkDataChanged();
}

void TDBLookupListBoxEh::ListLinkDataChanged() {
    TDBLookupControl::ListLinkDataChanged();
    TDataLink* link = GetListLink();
    TDataSet* ds = listDataSet();
    activeRecordIndex = ds && listActive ? link->GetActiveRecord() : 0;
    filledRows = ds && listActive ? link->GetRecordCount() : 0;
    keySelected = !(keyValue.IsEmpty() || keyValue.IsNull()) || (ds && !ds->Bof());
    updateScrollBar();
    Invalidate();
}

void TDBLookupListBoxEh::selectCurrent() {
    TDataSet* ds = listDataSet();
    if (!ds || !keyField) return;
    lockPosition = true;
    TScopeGuard reset([this] { lockPosition = false; });
    const Variant key = keyField->GetValue();
    if (!VarSameValue(key, keyValue)) SelectKeyValue(key);
    reset.End();
}

void TDBLookupListBoxEh::selectItemAt(int X, int Y) {
    TDataSet* ds = listDataSet();
    if (!ds) return;
    Y = std::clamp(Y, titleHeight, std::max(titleHeight, GetClientHeight() - 1));
    const int delta = (Y - titleHeight) / RowHeight() - activeRecordIndex;
    if (delta != 0) ds->MoveBy(delta);
    selectCurrent();
    (void)X;
}

std::vector<int> TDBLookupListBoxEh::ColumnWidths() {
    std::vector<int> w;
    const int client = GetClientWidth();
    TBitmap b(1, 1);
    b.GetCanvas()->GetFont()->Assign(font.get());
    const int unit = b.GetCanvas()->TextWidth(QStringLiteral("0"));
    int used = 0;
    for (size_t i = 0; i < listFields.size() && used < client; ++i) {
        int cw = i + 1 == listFields.size() ? client - used
                                            : listFields[i]->GetDisplayWidth() * unit + 4;
        cw = std::min(cw, client - used);
        w.push_back(cw);
        used += cw + 1;
    }
    return w;
}

void TDBLookupListBoxEh::Paint() {
    TCanvas* c = GetCanvas();
    c->GetFont()->Assign(font.get());
    const TRect client = GetClientRect();
    const int rowH = RowHeight();
    const std::vector<int> widths = ColumnWidths();
    const TColor lineColor = ColorToRGB(color) == ColorToRGB(clBtnFace) ? clBtnShadow : clBtnFace;
    int top = 0;
    if (showTitles) {
        c->FillSolid(TRect{0, 0, client.Right, titleHeight}, clBtnFace);
        int x = 0;
        for (size_t i = 0; i < widths.size(); ++i) {
            TRect cell{x, 0, x + widths[i], titleHeight - 1};
            c->GetBrush()->SetStyle(bsClear);
            TRect t = cell;
            c->DrawText(listFields[i]->GetDisplayLabel(), t,
                        DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
            c->GetBrush()->SetStyle(bsSolid);
            x += widths[i];
            if (i + 1 < widths.size()) c->FillSolid(TRect{x, 0, x + 1, titleHeight}, kTitleLine);
            ++x;
        }
        c->FillSolid(TRect{0, titleHeight - 1, client.Right, titleHeight}, kTitleLine);
        top = titleHeight;
    }
    TDataLink* link = GetListLink();
    TDataSet* ds = listDataSet();
    const int saved = ds ? link->GetActiveRecord() : 0;
    int marked = -1;
    const TColor text = enabled ? font->GetColor() : clGrayText;
    TScopeGuard restore([&] {
        if (ds) link->SetActiveRecord(saved);
    });
    for (int r = 0; r < rowCount; ++r) {
        const TRect row{0, top + r * rowH, client.Right, top + (r + 1) * rowH};
        TColor fore = text, back = color;
        const bool filled = ds && listActive && r < link->GetRecordCount();
        if (filled) {
            link->SetActiveRecord(r);
            if (keyField && !(keyValue.IsEmpty() || keyValue.IsNull()) &&
                VarSameValue(keyField->GetValue(), keyValue)) {
                fore = clHighlightText;
                back = clHighlight;
                marked = r;
            }
        }
        c->GetBrush()->SetColor(back);
        c->GetFont()->SetColor(fore);
        c->FillRect(row);
        if (!filled) continue;
        int x = 0;
        for (size_t i = 0; i < widths.size(); ++i) {
            TField* f = listFields[i];
            const QString s = f->GetDisplayText();
            const int tw = c->TextWidth(s);
            int tx = x + 2;
            if (f->GetAlignment() == taRightJustify)
                tx = x + widths[i] - tw - 3;
            else if (f->GetAlignment() == taCenter)
                tx = x + (widths[i] - tw) / 2;
            TRect cell{x, row.Top, x + widths[i], row.Bottom};
            c->TextRect(cell, tx, row.Top, s);
            x += widths[i];
            if (i + 1 < widths.size())
                c->FillSolid(TRect{x, row.Top, x + 1, row.Bottom}, lineColor);
            ++x;
        }
    }
    restore.End();
    if (hasFocus || popup) {
        const int r = marked >= 0 ? marked : (keySelected ? -1 : 0);
        if (r >= 0) {
            c->GetFont()->SetColor(clWindowText);
            c->GetBrush()->SetColor(clWindow);
            c->DrawFocusRect(TRect{0, top + r * rowH, client.Right, top + (r + 1) * rowH});
        }
    }
}

void TDBLookupListBoxEh::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    TDataSet* ds = listDataSet();
    if (!ds || !listActive || dataLink->GetReadOnly()) return;
    int delta = 0;
    bool absolute = false;
    switch (Key) {
    case VK_PRIOR:
        delta = 1 - rowCount;
        break;
    case VK_NEXT:
        delta = rowCount - 1;
        break;
    case VK_UP:
    case VK_LEFT:
        delta = -1;
        break;
    case VK_DOWN:
    case VK_RIGHT:
        delta = 1;
        break;
    case VK_HOME:
        ds->First();
        absolute = true;
        break;
    case VK_END:
        ds->Last();
        absolute = true;
        break;
    default:
        return;
    }
    searchText.clear();
    if (!absolute) {
        // from the chosen row when it is shown, else from the key found again
        TField* kf = keyField;
        bool shown = false;
        for (int r = 0; kf && r < GetListLink()->GetRecordCount() && !shown; ++r) {
            const int saved = GetListLink()->GetActiveRecord();
            GetListLink()->SetActiveRecord(r);
            shown = VarSameValue(kf->GetValue(), keyValue);
            GetListLink()->SetActiveRecord(saved);
            if (shown) ds->MoveBy(r - activeRecordIndex);
        }
        // a chosen record out of the rows shown is found again; the move is dropped
        if (!shown && !(keyValue.IsEmpty() || keyValue.IsNull())) {
            locateKey();
            delta = 0;
        }
        if (delta != 0) ds->MoveBy(delta);
    }
    selectCurrent();
    Key = 0;
}

void TDBLookupListBoxEh::KeyPress(QChar& Key) {
    TCustomControl::KeyPress(Key);
    if (Key.isNull()) return;
    TDataSet* ds = listDataSet();
    TField* lf = GetListFieldObject();
    if (!ds || !lf || dataLink->GetReadOnly()) return;
    if (Key.unicode() == VK_BACK) {
        searchText.chop(1);
        Key = QChar();
        return;
    }
    if (Key.unicode() < 32) return;
    const QString s = searchText + Key;
    if (ds->Locate(lf->GetFieldName(), s, TLocateOptions{loCaseInsensitive, loPartialKey})) {
        searchText = s;
        selectCurrent();
    }
    Key = QChar();
}

void TDBLookupListBoxEh::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        searchText.clear();
        if (!popup && CanFocus()) SetFocus();
        if (!dataLink->GetReadOnly()) {
            if (Shift.Contains(ssDouble)) {
                if (Y >= titleHeight && (Y - titleHeight) / RowHeight() == activeRecordIndex)
                    DblClick();
            } else {
                tracking = true;
                selectItemAt(X, Y);
            }
        }
    }
    TDBLookupControl::MouseDown(Button, Shift, X, Y);
}

void TDBLookupListBoxEh::MouseMove(TShiftState Shift, int X, int Y) {
    if (tracking) {
        mouseY = Y;
        selectItemAt(X, Y);
        if (Y < titleHeight || Y >= GetClientHeight())
            AutoScrollStep(Y);
        else
            stopTimer();
    }
    TDBLookupControl::MouseMove(Shift, X, Y);
}

void TDBLookupListBoxEh::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (tracking) {
        stopTimer();
        tracking = false;
        selectItemAt(X, Y);
    }
    TDBLookupControl::MouseUp(Button, Shift, X, Y);
}

void TDBLookupListBoxEh::AutoScrollStep(int Y) {
    TDataSet* ds = listDataSet();
    int d = 0, dir = 0;
    if (Y < titleHeight) {
        d = (titleHeight - Y) / RowHeight() + 1;
        dir = -1;
    } else if (Y >= GetClientHeight()) {
        d = Y - GetClientHeight() + 1;
        dir = 1;
    }
    if (dir == 0 || !ds) {
        stopTimer();
        return;
    }
    const int before = ds->RecNo();
    const TBookmark was = ds->GetBookmark();
    ds->MoveBy(dir);
    if (ds->RecNo() != before || ds->GetBookmark() != was) selectCurrent();
    startTimer(std::max(200 - 15 * d, 0));
}

void TDBLookupListBoxEh::startTimer(int Interval) {
    if (!HandleAllocated()) {
        timerInterval = Interval;
        return;
    }
    if (timerInterval != Interval) SetTimer(GetHandle(), kListTimer, UINT(Interval));
    timerInterval = Interval;
}

void TDBLookupListBoxEh::stopTimer() {
    if (timerInterval >= 0 && HandleAllocated()) KillTimer(GetHandle(), kListTimer);
    timerInterval = -1;
}

void TDBLookupListBoxEh::updateScrollBar() {
    if (!HandleAllocated()) return;
    TDataSet* ds = listDataSet();
    TScrollInfo want;
    want.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    if (ds && listActive && ds->IsSequenced()) {
        want.nMin = 0;
        want.nMax = std::max(0, ds->RecordCount() - 1);
        want.nPage = UINT(rowCount);
        want.nPos = ds->GetState() == dsInsert ? 0 : std::max(0, ds->RecNo() - 1);
    } else if (ds && listActive && GetListLink()->GetRecordCount() >= rowCount) {
        want.nMin = 0;
        want.nMax = 4;
        want.nPage = 0;
        want.nPos = ds->Bof() ? 0 : ds->Eof() ? 4 : 2;
    }
    TScrollInfo now;
    now.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    GetScrollInfo(GetHandle(), SB_VERT, now);
    if (now.nMin != want.nMin || now.nMax != want.nMax || now.nPage != want.nPage ||
        now.nPos != want.nPos)
        SetScrollInfo(GetHandle(), SB_VERT, want, true);
}

void TDBLookupListBoxEh::vertScroll(TMessage& Message) {
    TDataSet* ds = listDataSet();
    if (!ds) return;
    searchText.clear();
    TWMScroll m(Message);
    TDataLink* link = GetListLink();
    if (MoveByScrollCodeEh(link, m.ScrollCode())) return;
    switch (m.ScrollCode()) {
    case SB_PAGEUP:
        ds->MoveBy(-link->GetActiveRecord() - rowCount + 1);
        break;
    case SB_PAGEDOWN:
        ds->MoveBy(link->GetRecordCount() - link->GetActiveRecord() + rowCount - 2);
        break;
    case SB_THUMBPOSITION:
        if (ds->IsSequenced()) {
            ds->SetRecNo(int(HIWORD(Message.WParam)) + 1);
        } else {
            MoveToFiveStepThumbEh(ds, int(HIWORD(Message.WParam)), rowCount);
        }
        break;
    case SB_THUMBTRACK:
        if (ds->IsSequenced()) {
            TScrollInfo si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(GetHandle(), SB_VERT, si);
            ds->SetRecNo(si.nTrackPos + 1);
        }
        break;
    default:
        break;
    }
}

void TDBLookupListBoxEh::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_VSCROLL:
        vertScroll(Message);
        return;
    case WM_TIMER:
        if (TWMTimer(Message).TimerID() == kListTimer) {
            AutoScrollStep(mouseY);
            return;
        }
        break;
    case CM_FONTCHANGED:
        TDBLookupControl::Dispatch(Message);
        SetRowCount(rowCount);
        return;
    default:
        break;
    }
    TDBLookupControl::Dispatch(Message);
}

// ---- TPopupDataListEh ---------------------------------------------------------------------------

TPopupDataListEh::TPopupDataListEh(TComponent* AOwner) : TDBLookupListBoxEh(AOwner) {
    popup = true;
    visible = false;
    SetTabStop(false);
    sizeGrip = new TSizeGripEh(this);
    sizeGrip->SetParent(this);
    sizeGrip->OnParentResized = [this](TObject*) { resizedByUser = true; };
}

TPopupDataListEh::~TPopupDataListEh() = default;

void TPopupDataListEh::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    // never smaller than its grip
    TDBLookupListBoxEh::SetBounds(ALeft, ATop, std::max(AWidth, GetSystemMetrics(SM_CXVSCROLL) + 2),
                                  std::max(AHeight, GetSystemMetrics(SM_CYHSCROLL)));
}

void TPopupDataListEh::CreateParams(TCreateParams& Params) {
    TDBLookupListBoxEh::CreateParams(Params);
    Params.Style = WS_POPUP | WS_CLIPCHILDREN;
    Params.ExStyle = WS_EX_TOOLWINDOW;
    Params.WndParent = nullptr;
}

QWidget* TPopupDataListEh::CreateWindowWidget(const TCreateParams&, QWidget*) {
    // a window of its own above the form that a click never activates
    auto* w = new TWinWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    return w;
}

void TPopupDataListEh::Paint() {
    TDBLookupListBoxEh::Paint();
    // a top-level window has no frame of ours: the list draws its own
    TCanvas* c = GetCanvas();
    c->GetBrush()->SetColor(clWindowFrame);
    c->FrameRect(GetClientRect());
}

void TPopupDataListEh::KeyValueChanged() {
    TDBLookupListBoxEh::KeyValueChanged();
    if (userKeyChange && OnUserKeyValueChange) OnUserKeyValueChange(this);
}

void TPopupDataListEh::KeyDown(WORD& Key, TShiftState Shift) {
    userKeyChange = true;
    TScopeGuard reset([this] { userKeyChange = false; });
    TDBLookupListBoxEh::KeyDown(Key, Shift);
    reset.End();
}

void TPopupDataListEh::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    userKeyChange = true;
    TScopeGuard reset([this] { userKeyChange = false; });
    TDBLookupListBoxEh::MouseDown(Button, Shift, X, Y);
    reset.End();
}

void TPopupDataListEh::MouseMove(TShiftState Shift, int X, int Y) {
    userKeyChange = true;
    TScopeGuard reset([this] { userKeyChange = false; });
    // the row under a mouse moving without a button follows it
    const bool button =
        Shift.Contains(ssLeft) || Shift.Contains(ssRight) || Shift.Contains(ssMiddle);
    if (!button && !tracking && !dataLink->GetReadOnly() && Y >= titleHeight &&
        Y < GetClientHeight())
        selectItemAt(X, Y);
    TDBLookupListBoxEh::MouseMove(Shift, X, Y);
    reset.End();
}

void TPopupDataListEh::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TDBLookupListBoxEh::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft && OnListMouseUp) OnListMouseUp(X, Y);
}

void TPopupDataListEh::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_MOUSEACTIVATE:
        Message.Result = MA_NOACTIVATE;
        return;
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    case WM_SIZE:
        TDBLookupListBoxEh::Dispatch(Message);
        if (sizeGrip) sizeGrip->UpdatePosition();
        return;
    default:
        break;
    }
    TDBLookupListBoxEh::Dispatch(Message);
}
