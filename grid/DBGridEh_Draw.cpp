// Drawing: the text and image writers the cells share, the cells themselves (titles with sort
// markers and the multi-level title, the indicator, data cells of every kind, footers and the
// filler above them), the 3-D frames and the grid's paint with its lines.
#include "DBGridEhInternal.h"
#include "DBLookupEh.h"
#include "Forms.h"
#include "VCLUtils.h"

#include <QWidget>

#include <algorithm>

namespace {

// The look of a selected title or indicator cell.
constexpr TColor kSelectedFixed = 0x00404040;
constexpr TColor kWhite = 0x00FFFFFF;
// The highlight of the typed prefix of an incremental search.
constexpr TColor kSearchBack = 0x0000FFFF;
constexpr TColor kSearchText = 0x00000000;
// The room a title keeps for its sort marker.
constexpr int kMarkerRoom = SortMarkerIndentEh;

// Keeps a canvas's font and brush and gives them back.
class TCanvasLook {
public:
    explicit TCanvasLook(TCanvas* Canvas) : canvas(Canvas) {
        font.Assign(Canvas->GetFont());
        brush.Assign(Canvas->GetBrush());
    }
    ~TCanvasLook() {
        canvas->GetFont()->Assign(&font);
        canvas->GetBrush()->Assign(&brush);
    }
    TCanvasLook(const TCanvasLook&) = delete;
    TCanvasLook& operator=(const TCanvasLook&) = delete;

private:
    TCanvas* canvas;
    TFont font;
    TBrush brush;
};

// Sets the link's active record for the life of the object.
class TActiveRecordScope {
public:
    explicit TActiveRecordScope(TDataLink* Link) : link(Link), saved(Link->GetActiveRecord()) {}
    ~TActiveRecordScope() { link->SetActiveRecord(saved); }
    TActiveRecordScope(const TActiveRecordScope&) = delete;
    TActiveRecordScope& operator=(const TActiveRecordScope&) = delete;

private:
    TDataLink* link;
    int saved;
};

unsigned alignmentFlags(TAlignment A) {
    return A == taRightJustify ? DT_RIGHT : A == taCenter ? DT_CENTER : DT_LEFT;
}

int keyListIndex(TColumnEh* Column, const QString& Text) {
    TStrings* keys = Column->GetKeyList();
    for (int i = 0; i < keys->Count(); ++i)
        if (keys->Get(i) == Text) return i;
    return -1;
}

} // namespace

// ---- the writers --------------------------------------------------------------------------------

QString CutTextToWidth(const QString& Text, TCanvas* Canvas, int MaxWidth) {
    return FitTextWithEllipsis(Text, Canvas, MaxWidth);
}

void DrawCellText(TCanvas* Canvas, const TRect& ARect, bool FillRect, int DX, int DY,
                  const QString& Text, TAlignment Alignment, TTextLayout Layout, bool MultiLine,
                  bool EndEllipsis, int LeftMarg, int RightMarg) {
    if (!MultiLine) {
        const QString shown = EndEllipsis ? CutTextToWidth(Text, Canvas, ARect.Width() - DX) : Text;
        const int w = Canvas->TextWidth(shown);
        int x = ARect.Left + DX;
        if (Alignment == taRightJustify)
            x = ARect.Right - w - 3;
        else if (Alignment == taCenter)
            x = ARect.Left + ARect.Width() / 2 - w / 2;
        if (FillRect) {
            Canvas->TextRect(ARect, x, ARect.Top + DY, shown);
        } else {
            const int mode = Canvas->SetBkMode(TRANSPARENT);
            Canvas->ExtTextOut(x, ARect.Top + DY, ETO_CLIPPED, &ARect, shown);
            Canvas->SetBkMode(mode);
        }
        return;
    }
    if (FillRect) Canvas->FillRect(ARect);
    TRect r{ARect.Left + DX, ARect.Top + DY, ARect.Right - DX, ARect.Bottom - DY};
    unsigned format = DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK | alignmentFlags(Alignment);
    if (EndEllipsis) format |= DT_END_ELLIPSIS;
    DRAWTEXTPARAMS params;
    params.iLeftMargin = LeftMarg;
    params.iRightMargin = RightMarg;
    if (Layout != tlTop) {
        TRect measured = r;
        const int h = Canvas->DrawTextEx(Text, measured, format | DT_CALCRECT, &params);
        if (Layout == tlCenter)
            r.Top += std::max(0, (r.Height() - h) / 2);
        else
            r.Top = std::max(r.Top, r.Bottom - h);
    }
    if (DX > 0) r.Bottom += 1;
    Canvas->SaveDC();
    Canvas->IntersectClipRect(ARect);
    const int mode = Canvas->SetBkMode(TRANSPARENT);
    Canvas->DrawTextEx(Text, r, format, &params);
    Canvas->SetBkMode(mode);
    Canvas->RestoreDC();
}

std::unique_ptr<TFont> CreateVerticalFont(TFont* Font) {
    auto f = std::make_unique<TFont>();
    f->Assign(Font);
    f->SetOrientation(900);
    return f;
}

int DrawVerticalText(TCanvas* Canvas, const TRect& ARect, bool FillRect, int DX, int DY,
                     const QString& Text, TAlignment Alignment, TTextLayout Layout, bool CalcOnly) {
    const TSize ext = Canvas->TextExtent(Text);
    if (CalcOnly) return ext.cx;
    TCanvasLook look(Canvas);
    if (FillRect) Canvas->FillRect(ARect);
    std::unique_ptr<TFont> turned = CreateVerticalFont(Canvas->GetFont());
    Canvas->GetFont()->Assign(turned.get());
    // the text runs upwards from (x, y); its lines stand to the right of x
    int x = ARect.Left + DX;
    if (Alignment == taRightJustify)
        x = ARect.Right - ext.cy;
    else if (Alignment == taCenter)
        x = ARect.Left + ARect.Width() / 2 - ext.cy / 2;
    int y = ARect.Bottom - DY;
    if (Layout == tlTop)
        y = ARect.Top + ext.cx;
    else if (Layout == tlCenter)
        y = ARect.Bottom - ARect.Height() / 2 + ext.cx / 2;
    const int mode = Canvas->SetBkMode(TRANSPARENT);
    Canvas->ExtTextOut(x, y, ETO_CLIPPED, &ARect, Text);
    Canvas->SetBkMode(mode);
    return ext.cx;
}

void DrawCellImage(TCustomImageList* Images, TCanvas* Canvas, const TRect& ARect,
                   TAlignment Alignment, int DX, int ImageIndex) {
    if (!Images || ImageIndex < 0 || ImageIndex >= Images->Count()) return;
    const int w = Images->GetWidth(), h = Images->GetHeight();
    int x = ARect.Left;
    if (Alignment == taRightJustify)
        x = ARect.Right - w;
    else if (Alignment == taCenter)
        x = (ARect.Left + ARect.Right - w) / 2;
    x += DX;
    const int y = ARect.Top + (ARect.Height() - h) / 2;
    const bool fits =
        x >= ARect.Left && y >= ARect.Top && x + w <= ARect.Right && y + h <= ARect.Bottom;
    if (fits) {
        Images->Draw(Canvas, x, y, ImageIndex, true);
        return;
    }
    Canvas->SaveDC();
    Canvas->IntersectClipRect(ARect);
    Images->Draw(Canvas, x, y, ImageIndex, true);
    Canvas->RestoreDC();
}

// ---- frames and check boxes ---------------------------------------------------------------------

void TCustomDBGridEh::Draw3DFrame(TCanvas* Canvas, const TRect& ARect, bool RightSide,
                                  bool LeftSide, bool Pressed1, bool Pressed2) {
    const unsigned edge = Pressed1 || Pressed2 ? BDR_SUNKENINNER : BDR_RAISEDINNER;
    TRect r = ARect;
    if (flat) {
        TCanvasLook look(Canvas);
        Canvas->GetPen()->SetColor(Canvas->GetBrush()->GetColor());
        Canvas->MoveTo(r.Left, r.Bottom - 1);
        Canvas->LineTo(r.Right - 1, r.Bottom - 1);
        if (RightSide) Canvas->LineTo(r.Right - 1, r.Top - 1);
        DrawEdge(Canvas, r, edge, LeftSide ? BF_TOPLEFT : BF_TOP);
        return;
    }
    if (LeftSide && RightSide) {
        DrawEdge(Canvas, r, edge, BF_RECT);
        return;
    }
    DrawEdge(Canvas, r, edge, LeftSide ? BF_TOPLEFT : BF_TOP);
    r = ARect;
    DrawEdge(Canvas, r, edge, RightSide ? BF_BOTTOMRIGHT : BF_BOTTOM);
}

TSize TCustomDBGridEh::CheckBoxSize() {
    return TSize{13, 13};
}

void TCustomDBGridEh::DrawCheck(TCanvas* Canvas, const TRect& ARect, TCheckBoxState State,
                                bool Enabled) {
    TRect r = ARect;
    // a square, the longer side cut to the shorter one, centred
    const int d = r.Width() - r.Height();
    if (d > 0) {
        r.Left += d / 2;
        r.Right = r.Left + r.Height();
    } else if (d < 0) {
        r.Top += -d / 2;
        r.Bottom = r.Top + r.Width();
    }
    unsigned state = DFCS_BUTTONCHECK;
    if (State == cbChecked) state |= DFCS_CHECKED;
    if (State == cbGrayed) state |= DFCS_CHECKED | DFCS_BUTTON3STATE;
    if (!Enabled) state |= DFCS_INACTIVE;
    if (!flat) {
        DrawFrameControl(Canvas, r, DFC_BUTTON, state);
        return;
    }
    // flat: no 3-D edge, a thin frame one pixel inside instead
    Canvas->SaveDC();
    Canvas->IntersectClipRect(TRect{r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2});
    DrawFrameControl(Canvas, r, DFC_BUTTON, state);
    Canvas->RestoreDC();
    TCanvasLook look(Canvas);
    Canvas->GetBrush()->SetStyle(bsSolid);
    Canvas->GetBrush()->SetColor(clBtnShadow);
    Canvas->FrameRect(TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1});
}

// ---- what a cell shows --------------------------------------------------------------------------

QString TCustomDBGridEh::cellText(TColumnEh* Column) {
    TField* f = Column->GetField();
    if (!f) return QString();
    if (Column->HasKeyList() && Column->GetKeyList()->Count() > 0) {
        const int picks = Column->HasPickList() ? Column->GetPickList()->Count() : 0;
        const int i = keyListIndex(Column, f->GetText());
        if (i >= 0 && i < picks) return Column->GetPickList()->Get(i);
        const int n = Column->GetNotInKeyListIndex();
        if (i < 0 && n >= 0 && n < picks) return Column->GetPickList()->Get(n);
        return QString();
    }
    if (drawMemoText && f->GetDataType() == ftMemo) return f->GetAsString();
    return f->GetDisplayText();
}

bool TCustomDBGridEh::columnSelected(TColumnEh* Column) const {
    const TGridSelectionKindEh kind = selection->GetSelectionType();
    if (kind == gskAll) return true;
    return kind == gskColumns && selection->GetColumns()->IndexOf(Column) >= 0;
}

TEditStyleEh TCustomDBGridEh::ColumnEditStyle(TColumnEh* Column, bool ForCells) {
    switch (Column->GetButtonStyle()) {
    case cbsEllipsis:
        return esEllipsisEh;
    case cbsNone:
        return esSimpleEh;
    case cbsUpDown:
        return esUpDownEh;
    case cbsDropDown:
        return esDropDownEh;
    case cbsAuto:
        break;
    }
    TField* f = Column->GetField();
    if (!f) return esSimpleEh;
    const bool ownReadOnly =
        Column->GetAssignedValues().Contains(cvReadOnly) && Column->GetReadOnly();
    if (f->GetFieldKind() == fkLookup) {
        TDataSet* ds = f->GetDataSet();
        TField* key = ds ? ds->FindField(f->GetKeyFields()) : nullptr;
        const bool keyEditable = key && ((ForCells && IsDesigning()) || key->CanModify());
        const bool gridEditable =
            !readOnly && dataLink->GetActive() && !dataLink->GetReadOnly() && !ownReadOnly;
        return keyEditable && gridEditable ? esDataListEh : esSimpleEh;
    }
    if (Column->HasPickList() && Column->GetPickList()->Count() > 0 &&
        (!ForCells || !Column->GetImageList()) && !Column->GetReadOnly())
        return esPickListEh;
    if ((f->GetDataType() == ftDate || f->GetDataType() == ftDateTime) && !Column->GetReadOnly())
        return esDateCalendarEh;
    return esSimpleEh;
}

bool TCustomDBGridEh::HighlightCell(int DataCol, int DataRow, const QString&,
                                    TGridDrawState AState) {
    // a selection shows whenever there is one: Ctrl+A selects the whole grid also without
    // dgMultiSelect, and copy, cut and delete then act on it
    if (dataLink->GetActive() && selection->GetSelectionType() != gskNone) {
        return selection->DataCellSelected(DataCol, dataLink->GetDataSet()->GetBookmark());
    }
    // the current cell counts also in a frozen column, which the base grid draws as fixed
    const bool currentRow = DataRow + titleOffset == GetRow();
    const bool selected =
        AState.Contains(gdSelected) ||
        (currentRow && (dbOptions.Contains(dgRowSelect) || DataCol + indicatorOffset == GetCol()));
    const bool shown = dbOptions.Contains(dgAlwaysShowSelection) ||
                       (IsGridFocused() && optionsEh.Contains(dghHighlightFocus));
    return selected && shown && (updateLock == 0 || dbOptions.Contains(dgRowSelect));
}

bool TCustomDBGridEh::IsGridFocused() {
    if (!HandleAllocated()) return false;
    if (TCustomForm* f = GetParentForm(this)) return f->GetActiveControl() == this;
    HWND h = ::GetFocus();
    return h && (h == handle || handle->isAncestorOf(h));
}

// ---- DrawCell -----------------------------------------------------------------------------------

void TCustomDBGridEh::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
    if (ARect.Right <= ARect.Left) return;
    TCanvas* c = GetCanvas();
    c->GetBrush()->SetStyle(bsSolid);
    if (IsLoading()) {
        c->GetBrush()->SetColor(color);
        c->FillRect(ARect);
        return;
    }
    const int dataCol = ACol - indicatorOffset;
    const int dataRow = ARow - titleOffset;
    const int F = footerRowCount;
    const int B = rowCount - F - 1 - titleOffset;
    const bool fixed = AState.Contains(gdFixed);
    const bool title = dataRow < 0;
    const bool footer = F >= 1 && dataRow > B;

    bool framed = false;
    if (fixed && optionsEh.Contains(dghFixed3D) && (F == 0 || dataRow != B) &&
        (title || dataCol < 0))
        framed = true;
    else if (optionsEh.Contains(dghFooter3D) && footer)
        framed = true;
    else if (optionsEh.Contains(dghData3D) && !fixed && !footer)
        framed = true;
    else if (optionsEh.Contains(dghFixed3D) &&
             (optionsEh.Contains(dghData3D) || optionsEh.Contains(dghFrozen3D)) && F >= 1 &&
             dataRow == B && dataCol < 0)
        framed = true;
    else if (optionsEh.Contains(dghFrozen3D) && fixed && dataRow >= 0 && dataCol >= 0)
        framed = true;
    TRect r = ARect;
    if (framed) r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};

    bool selectedLook = false, pressed = false;
    TColumnEh* column = dataCol >= 0 ? ColumnAt(dataCol) : nullptr;
    if (dataCol >= 0 && column) {
        if (title) {
            c->GetFont()->Assign(column->GetTitle()->GetFont());
            c->GetBrush()->SetColor(column->GetTitle()->GetColor());
            drawTitleCell(ACol, column, r, AState, selectedLook, pressed);
        } else {
            c->GetFont()->Assign(column->GetFont());
            c->GetBrush()->SetColor(column->GetColor());
            if (dataLink->GetActive()) {
                drawRowCell(ACol, ARow, column, r, ARect, AState, framed);
            } else {
                c->FillRect(r);
            }
        }
    } else if (dataCol >= 0) {
        c->GetBrush()->SetColor(fixed && title ? fixedColor : color);
        c->FillRect(r);
    } else {
        drawIndicatorCell(ARow, r);
        selectedLook = selection->GetSelectionType() == gskAll;
    }
    if (framed) Draw3DFrame(c, ARect, true, true, selectedLook || pressed, false);
    if (title && column && useMultiTitle) {
        THeadTreeNode* leaf = GetColumnLeaf(dataCol);
        if (leaf && leaf->Host && leaf->Host != titleTree.get()) {
            TCanvasLook look(c);
            c->GetFont()->Assign(titleFont.get());
            c->GetBrush()->SetColor(selectedLook ? kSelectedFixed : fixedColor);
            if (selectedLook) c->GetFont()->SetColor(kWhite);
            drawTitleTreeNode(leaf, ARect, r);
        }
    }
}

void TCustomDBGridEh::drawTitleCell(int ACol, TColumnEh* Column, TRect ARect, TGridDrawState AState,
                                    bool& SelectedLook, bool& Pressed) {
    TCanvas* c = GetCanvas();
    TColumnTitleEh* t = Column->GetTitle();
    const int dataCol = ACol - indicatorOffset;
    Pressed = pressedTitleCol == ACol && titlePressed;
    THeadTreeNode* leaf = useMultiTitle ? GetColumnLeaf(dataCol) : nullptr;
    TRect text = ARect;
    QString caption = t->GetCaption();
    if (leaf) {
        caption = leaf->Text;
        text.Top = std::max(ARect.Top, ARect.Bottom - leaf->Height + 3);
    }
    const bool image = titleImages && t->GetImageIndex() != -1;
    if (image) caption.clear();
    TSortMarkerEh marker = t->GetSortMarker();
    TColor background = c->GetBrush()->GetColor();
    const bool askParams = Column->GetField() && OnGetBtnParams;
    if (askParams) {
        OnGetBtnParams(this, Column, c->GetFont(), background, marker, Pressed);
        c->GetBrush()->SetColor(background);
    }
    const int pressedOffset =
        !Pressed ? 0 : (!useMultiTitle && titleHeight == 0 && titleLines == 0 ? 1 : 2);

    // the room of the sort marker and, with several sorted columns, of the sort number
    const int cellRight = ARect.Right;
    bool drawMarker = marker != smNoneEh;
    int numberWidth = 0;
    QString number;
    if (drawMarker) {
        text.Right -= kMarkerRoom;
        if (sortMarkedColumns->Count() > 1 && t->GetSortIndex() > 0) {
            number = QString::number(t->GetSortIndex());
            TCanvasLook look(c);
            c->GetFont()->Assign(SortIndexFont());
            numberWidth = c->TextWidth(number);
            text.Right -= numberWidth;
        }
        const int imageWidth = image ? titleImages->GetWidth() : 0;
        if (text.Right < text.Left + imageWidth) {
            drawMarker = false;
            text.Right += kMarkerRoom - 2;
            if (text.Right < text.Left + imageWidth) {
                text.Right += 2 + numberWidth;
                numberWidth = 0;
                number.clear();
            }
        }
        c->GetFont()->Assign(t->GetFont());
        if (askParams) {
            TColor unused = background;
            TSortMarkerEh again = marker;
            OnGetBtnParams(this, Column, c->GetFont(), unused, again, Pressed);
        }
    }
    SelectedLook = columnSelected(Column);
    if (SelectedLook) {
        c->GetBrush()->SetColor(kSelectedFixed);
        c->GetFont()->SetColor(kWhite);
    }
    c->FillRect(ARect);

    const int m = textMargin(true);
    TRect shifted{text.Left + pressedOffset, text.Top + pressedOffset, text.Right + pressedOffset,
                  text.Bottom + pressedOffset};
    if (useMultiTitle && t->GetOrientation() == tohVertical) {
        DrawVerticalText(c, shifted, false, m + 2, m + 2, caption, t->GetAlignment(), tlBottom,
                         false);
    } else if (useMultiTitle || titleHeight != 0 || titleLines != 0) {
        DrawCellText(c, shifted, false, m, m, caption, t->GetAlignment(),
                     useMultiTitle ? tlCenter : tlTop, true, t->GetEndEllipsis(), 0, 0);
    } else {
        DrawCellText(c, shifted, false, m + 1, m + 1, caption, t->GetAlignment(), tlTop, false,
                     t->GetEndEllipsis(), 0, 0);
    }
    if (image) DrawCellImage(titleImages, c, shifted, taCenter, 0, t->GetImageIndex());

    if (marker == smNoneEh || (!drawMarker && number.isEmpty())) return;
    const int imgW = SortMarkerImageWidthEh, imgH = SortMarkerImageHeightEh;
    const int x = cellRight - imgW - 2 - numberWidth + pressedOffset;
    const int y = (text.Top + text.Bottom - imgH) / 2 + pressedOffset;
    if (drawMarker) sortMarkerImages->Draw(c, x, y, marker == smDownEh ? 0 : 1, true);
    if (!number.isEmpty()) {
        TCanvasLook look(c);
        c->GetFont()->Assign(SortIndexFont());
        if (SelectedLook) c->GetFont()->SetColor(kWhite);
        const int mode = c->SetBkMode(TRANSPARENT);
        c->TextOut(cellRight - numberWidth - 2 + pressedOffset, y - 1, number);
        c->SetBkMode(mode);
    }
}

void TCustomDBGridEh::drawTitleTreeNode(THeadTreeNode* Leaf, const TRect& Cell,
                                        const TRect& LeafRect) {
    TCanvas* c = GetCanvas();
    const int line = dbOptions.Contains(dgColLines) ? 1 : 0;
    THeadTreeNode* child = Leaf;
    int childLeft = Cell.Left;
    int childTop = Cell.Bottom - Leaf->Height;
    while (child->Host && child->Host != titleTree.get()) {
        THeadTreeNode* p = child->Host;
        // where the upper cell lies: it starts at its first child
        int left = childLeft;
        for (THeadTreeNode* n = p->Child; n != child; n = n->Next)
            left -= n->Width + line;
        const int bottom = childTop - (dbOptions.Contains(dgRowLines) ? 1 : 0);
        TRect pr{left, bottom - p->Height, left + p->Width, bottom};
        const bool endsHere = pr.Right <= Cell.Right;
        if (!endsHere || ColumnAt(colCount - 1 - indicatorOffset) != Leaf->Column) pr.Right += 1;
        // the part over this column, and over the line after it when the upper cell goes on
        const int lineEnd = pr.Right > Cell.Right ? Cell.Right + line : Cell.Right;
        TRect visible{std::max(pr.Left, Cell.Left), std::max(pr.Top, Cell.Top),
                      std::min(pr.Right, lineEnd), std::min(pr.Bottom, Cell.Bottom)};
        if (visible.Width() > 0 && visible.Height() > 0) {
            c->SaveDC();
            c->IntersectClipRect(visible);
            c->FillRect(pr);
            DrawCellText(c, pr, false, 2, 2, p->Text, taCenter, tlCenter, true, false, 0, 0);
            // the frame of the whole upper cell: the clip keeps the part of this column
            if (optionsEh.Contains(dghFixed3D)) Draw3DFrame(c, pr, true, true, false, false);
            c->RestoreDC();
            if (dbOptions.Contains(dgRowLines)) {
                c->FillSolid(TRect{visible.Left, bottom, visible.Right, bottom + 1},
                             flat ? clGray : clBlack);
            }
        }
        p->Drawn = true;
        childLeft = left;
        childTop = pr.Top;
        child = p;
    }
    (void)LeafRect;
}

void TCustomDBGridEh::drawIndicatorCell(int ARow, const TRect& ARect) {
    TCanvas* c = GetCanvas();
    const int dataRow = ARow - titleOffset;
    const int F = footerRowCount;
    const int B = rowCount - F - 1 - titleOffset;
    c->GetBrush()->SetColor(
        F != 0 && dataRow == B && !optionsEh.Contains(dghFrozen3D) ? color : fixedColor);
    if (!dataLink->GetActive() || dataRow < 0) {
        c->FillRect(ARect);
        return;
    }
    bool selected = selection->GetSelectionType() == gskAll;
    const bool recordRow = dataRow < dataLink->GetRecordCount();
    if (recordRow && dbOptions.Contains(dgMultiSelect)) {
        TActiveRecordScope scope(dataLink.get());
        dataLink->SetActiveRecord(dataRow);
        selected = selected || bookmarks->GetCurrentRowSelected();
    }
    if (selected && recordRow) c->GetBrush()->SetColor(kSelectedFixed);
    c->FillRect(ARect);
    if (!recordRow) return;
    const bool active = dataRow == dataLink->GetActiveRecord();
    if (active) selRow = titleOffset + dataRow;
    if (!active && !selected) return;
    int image = -1;
    TDataSet* ds = dataLink->GetDataSet();
    switch (ds->GetState()) {
    case dsBrowse:
        if (active) image = selected ? 5 : incSearchActive ? 6 : 0;
        break;
    case dsEdit:
        if (active) image = 1;
        break;
    case dsInsert:
        if (active) image = 2;
        break;
    default:
        if (active) image = 0;
        break;
    }
    if (image < 0) return;
    const int m = imageMargin(optionsEh.Contains(dghFixed3D));
    indicators->Draw(c, ARect.Right - indicators->GetWidth() - m,
                     (ARect.Top + ARect.Bottom - indicators->GetHeight()) / 2, image, true);
}

void TCustomDBGridEh::drawFooterCell(int DataCol, int FooterRow, TColumnEh* Column,
                                     const TRect& ARect, TGridDrawState AState, bool Selected) {
    TCanvas* c = GetCanvas();
    TColumnFooterEh* f = Column->FooterForRow(FooterRow);
    c->GetFont()->Assign(f->GetFont());
    TColor background = f->GetColor();
    c->GetBrush()->SetColor(background);
    if (defaultDrawingEh) {
        TAlignment alignment = f->GetAlignment();
        QString text = GetFooterValue(FooterRow, Column);
        GetFooterParams(DataCol, FooterRow, Column, c->GetFont(), background, alignment, AState,
                        text);
        c->GetBrush()->SetColor(background);
        if (Selected) {
            c->GetBrush()->SetColor(clHighlight);
            c->GetFont()->SetColor(clHighlightText);
        }
        const int m = textMargin(optionsEh.Contains(dghFooter3D));
        DrawCellText(c, ARect, true, m, m, text, alignment, tlTop,
                     f->GetWordWrap() && allowWordWrap, f->GetEndEllipsis(), 0, 0);
    }
    if (OnDrawFooterCell) OnDrawFooterCell(this, DataCol, FooterRow, Column, ARect, AState);
}

// The content of a data cell of the current record by the column's kind, with margin M.
static void drawCellContent(TCustomDBGridEh* Grid, TCanvas* C, const TRect& R, TColumnEh* Column,
                            const QString& Text, int M) {
    switch (Column->GetColumnType()) {
    case ctkKeyImageList: {
        C->FillRect(R);
        int i =
            keyListIndex(Column, Column->GetField() ? Column->GetField()->GetText() : QString());
        if (i < 0) i = Column->GetNotInKeyListIndex();
        DrawCellImage(Column->GetImageList(), C, R, Column->GetAlignment(), M, i);
        break;
    }
    case ctkCheckboxes: {
        C->FillRect(R);
        const TSize box = TCustomDBGridEh::CheckBoxSize();
        TRect sq = R;
        if (R.Width() >= box.cx) {
            sq.Left = R.Left + (R.Width() / 2 - box.cx / 2);
            sq.Right = sq.Left + box.cx;
        }
        if (R.Height() >= box.cy) {
            sq.Top = R.Top + (R.Height() / 2 - box.cy / 2);
            sq.Bottom = sq.Top + box.cy;
        }
        Grid->DrawCheck(C, sq, Column->GetCheckboxState(), true);
        break;
    }
    default:
        DrawCellText(C, R, true, M, M, Text, Column->GetAlignment(), tlTop,
                     Column->GetWordWrap() && Grid->GetAllowWordWrap(), Column->GetEndEllipsis(), 0,
                     0);
        break;
    }
}

void TCustomDBGridEh::drawRowCell(int ACol, int ARow, TColumnEh* Column, TRect ARect, TRect Outer,
                                  TGridDrawState AState, bool Framed) {
    TCanvas* c = GetCanvas();
    const int dataCol = ACol - indicatorOffset;
    const int dataRow = ARow - titleOffset;
    const int F = footerRowCount;
    const int B = rowCount - F - 1 - titleOffset;
    TActiveRecordScope scope(dataLink.get());
    if (F != 0 && dataRow >= dataLink->GetRecordCount()) {
        const bool selected = columnSelected(Column);
        if (dataRow <= B) {
            // the filler between the last record and the footers
            c->GetBrush()->SetColor(selected ? clHighlight : color);
            c->FillRect(ARect);
            return;
        }
        drawFooterCell(dataCol, ARow - (rowCount - F), Column, ARect, AState, selected);
        return;
    }
    if (dataRow >= dataLink->GetRecordCount()) {
        c->FillRect(ARect);
        return;
    }
    dataLink->SetActiveRecord(dataRow);
    TRect cell = ARect;
    const TEditStyleEh button =
        Column->GetAlwaysShowEditButton() ? GetColumnEditStyle(Column) : esSimpleEh;
    if (button != esSimpleEh) cell.Right -= editButtonWidth;
    const QString text = cellText(Column);
    if (HighlightCell(dataCol, dataRow, text, AState)) {
        c->GetBrush()->SetColor(clHighlight);
        c->GetFont()->SetColor(clHighlightText);
        AState.Include(gdSelected);
    }
    TColor background = c->GetBrush()->GetColor();
    GetCellParams(Column, c->GetFont(), background, AState);
    c->GetBrush()->SetColor(background);
    if (defaultDrawingEh) drawCellContent(this, c, cell, Column, text, textMargin(Framed));
    if (button != esSimpleEh) {
        TRect b{cell.Right, ARect.Top, cell.Right + editButtonWidth, ARect.Top + editButtonHeight};
        if (Framed) b = TRect{b.Left - 1, b.Top - 1, b.Right + 1, b.Bottom + 1};
        const TDrawButtonControlStyleEh kind = button == esEllipsisEh ? bcsEllipsisEh
                                               : button == esUpDownEh ? bcsUpDownEh
                                                                      : bcsDropDownEh;
        PaintButtonControlEh(c, b, Column->GetColor(), kind, 0, flat, dataLink->GetActive(), true);
        if (editButtonHeight < defaultRowHeight)
            c->FillSolid(TRect{b.Left, b.Bottom, b.Right, Outer.Bottom}, Column->GetColor());
    }
    if (columns->GetState() == csDefault) DrawDataCell(cell, Column->GetField(), AState);
    DrawColumnCell(cell, dataCol, Column, AState);
    if (incSearchActive && AState.Contains(gdSelected) && ACol == GetCol() &&
        (dbOptions.Contains(dgAlwaysShowSelection) || Focused()) && !IsDesigning() &&
        updateLock == 0 && IsGridFocused())
        drawSearchHighlight(Column, cell, text);
}

void TCustomDBGridEh::drawSearchHighlight(TColumnEh* Column, const TRect& ARect,
                                          const QString& Text) {
    TCanvas* c = GetCanvas();
    TCanvasLook look(c);
    c->GetBrush()->SetColor(kSearchBack);
    c->GetFont()->SetColor(kSearchText);
    const int mText = textMargin(false), mImage = imageMargin(false);
    TRect r{ARect.Left + mText + (mText != 0 ? 1 : 0), ARect.Top + mImage, ARect.Right - mText,
            ARect.Bottom - mImage};
    DRAWTEXTPARAMS params;
    params.iTabLength = 0;
    params.iLeftMargin = 0;
    params.iRightMargin = 0;
    // a column not aligned left: the prefix covers its own place in the text
    if (Column->GetAlignment() != taLeftJustify)
        params.iRightMargin = c->TextWidth(Text.mid(incSearchText.size()));
    unsigned format = DT_NOPREFIX | alignmentFlags(Column->GetAlignment());
    if (Column->GetWordWrap() && allowWordWrap) format |= DT_WORDBREAK;
    c->DrawTextEx(incSearchText, r, format, &params);
}

void TCustomDBGridEh::DefaultDrawColumnCell(const TRect& Rect, int DataCol, TColumnEh* Column,
                                            TGridDrawState State) {
    TRect r = Rect;
    int m = 2;
    if (optionsEh.Contains(dghFooter3D)) {
        m = 1;
        r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
    if (flat) --m;
    drawCellContent(this, GetCanvas(), r, Column, Column->GetDisplayText(), m);
    (void)DataCol;
    (void)State;
}

// ---- Paint --------------------------------------------------------------------------------------

void TCustomDBGridEh::Paint() {
    if (layoutRunning) return;
    try {
        paintGrid();
        paintErrorReported = false;
    } catch (...) {
        // reported once, after the paint, until a paint succeeds again
        if (!paintErrorReported) {
            paintErrorReported = true;
            paintError = std::current_exception();
            if (HandleAllocated()) PostMessage(handle, CM_PAINTERROREH, 0, 0);
        }
    }
}

void TCustomDBGridEh::paintGrid() {
    TCanvas* c = GetCanvas();
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const TRect client = GetClientRect();
    struct Span {
        int Index, Start, End; // the cell spans [Start, End); its line follows
    };
    auto spans = [](const TGridAxisDrawInfo& A) {
        std::vector<Span> v;
        int pos = 0;
        for (int i = 0; i < A.FixedCellCount && i < A.GridCellCount; ++i) {
            const int ext = A.GetExtent(i);
            if (ext < 0) continue;
            v.push_back(Span{i, pos, pos + ext});
            pos += ext + A.EffectiveLineWidth;
        }
        pos = A.FixedBoundary;
        for (int i = A.FirstGridCell; i < A.GridCellCount && pos < A.GridExtent; ++i) {
            const int ext = A.GetExtent(i);
            if (ext < 0) continue;
            v.push_back(Span{i, pos, pos + ext});
            pos += ext + A.EffectiveLineWidth;
        }
        return v;
    };
    const std::vector<Span> cols = spans(di.Horz), rows = spans(di.Vert);
    const int hl = di.Horz.EffectiveLineWidth, vl = di.Vert.EffectiveLineWidth;
    const TColor fixedLine = flat ? clGray : clBlack;
    const TColor dataLine = ColorToRGB(color) == ColorToRGB(clSilver) ? clGray : clSilver;
    const int F = footerRowCount;
    const int firstFooter = rowCount - F;
    const bool footersRaised = F > 0 && (optionsEh.Contains(dghFooter3D) ||
                                         ColorToRGB(footerColor) == ColorToRGB(clBtnFace));
    const TGridRect sel = TCustomGrid::GetSelection();
    const bool focused = IsGridFocused();
    const bool editorShown = inplaceEdit && inplaceEdit->GetVisible();
    // the colour of a cell's lines, and whether it has them
    auto lineOf = [&](int Col, int Row, bool Vertical, TColor& Color) {
        const bool titleOrIndicator = Row < fixedRows || Col < indicatorOffset;
        const bool frozen = Col < fixedCols && !titleOrIndicator;
        const bool footer = F > 0 && Row >= firstFooter;
        bool fixedLook = titleOrIndicator || (frozen && optionsEh.Contains(dghFrozen3D)) ||
                         (footer && footersRaised);
        // the separator above raised footers
        if (!Vertical && footersRaised && Row == firstFooter - 1) fixedLook = true;
        Color = fixedLook ? fixedLine : dataLine;
        const bool fixedCell = Row < fixedRows || Col < fixedCols;
        if (Vertical) return options.Contains(fixedCell ? goFixedVertLine : goVertLine);
        return options.Contains(fixedCell ? goFixedHorzLine : goHorzLine);
    };
    for (const Span& r : rows) {
        for (const Span& col : cols) {
            TColor lc;
            if (hl > 0 && lineOf(col.Index, r.Index, true, lc))
                c->FillSolid(TRect{col.End, r.Start, col.End + hl, r.End + vl}, lc);
            if (vl > 0 && lineOf(col.Index, r.Index, false, lc))
                c->FillSolid(TRect{col.Start, r.End, col.End + hl, r.End + vl}, lc);
            const TRect where{col.Start, r.Start, col.End, r.End};
            if (where.Width() <= 0 || where.Height() <= 0 || !c->RectVisible(where)) continue;
            const bool isCurrent = col.Index == current.X && r.Index == current.Y;
            if (isCurrent && editorShown && inplaceCol == col.Index && inplaceRow == r.Index &&
                !IsDesigning())
                continue;
            TGridDrawState state;
            const bool fixed = col.Index < fixedCols || r.Index < fixedRows;
            if (fixed) state.Include(gdFixed);
            if (isCurrent && focused) state.Include(gdFocused);
            if (!fixed && sel.Contains(col.Index, r.Index)) state.Include(gdSelected);
            DrawCell(col.Index, r.Index, where, state);
            if (defaultDrawingEh && state.Contains(gdFocused) &&
                (dbOptions.Contains(dgAlwaysShowSelection) || focused) && !IsDesigning() &&
                !dbOptions.Contains(dgRowSelect) && updateLock == 0 && !fixed) {
                TCanvasLook look(c);
                c->GetFont()->SetColor(clWindowText);
                c->GetBrush()->SetColor(clWindow);
                c->DrawFocusRect(where);
            }
        }
    }
    if (!IsDesigning() && dbOptions.Contains(dgRowSelect) && defaultDrawingEh && focused) {
        TRect fr = BoxRect(indicatorOffset, current.Y, colCount - 1, current.Y);
        if (fr.Width() > 0) {
            TCanvasLook look(c);
            c->GetFont()->SetColor(clWindowText);
            c->GetBrush()->SetColor(clWindow);
            c->DrawFocusRect(fr);
        }
    }
    // the space right of and below the cells
    const int right = cols.empty() ? 0 : std::min(cols.back().End + hl, client.Right);
    const int bottom = rows.empty() ? 0 : std::min(rows.back().End + vl, client.Bottom);
    if (right < client.Right) c->FillSolid(TRect{right, 0, client.Right, bottom}, color);
    if (bottom < client.Bottom) c->FillSolid(TRect{0, bottom, client.Right, client.Bottom}, color);
    if (titleOffset && useMultiTitle)
        titleTree->ForEach([](THeadTreeNode* N, void*) { N->Drawn = false; }, nullptr);
}
