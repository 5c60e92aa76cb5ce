// The grid's tool tips and title hints: a cell or title whose text is cut off shows it whole in a
// tip laid over it (columns with ToolTips, titles with Title.ToolTips); a title with a Hint shows
// that hint instead.
#include "DBGridEh.h"
#include "DBGridEhInternal.h"
#include "ScopeGuard.h"

#include <algorithm>

TRect TToolTipsWindow::CalcHintRect(int MaxWidth, const QString& AHint, void* AData) {
    // the tip measures and draws in the font of the cell it lies over
    if (AData) GetFont()->Assign(static_cast<TFont*>(AData));
    GetFont()->SetColor(clInfoText);
    GetCanvas()->GetFont()->Assign(GetFont());
    return THintWindow::CalcHintRect(MaxWidth, AHint, AData);
}

bool TCustomDBGridEh::HasOwnHints() {
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnEh* c = columns->GetItems(i);
        if (c->GetToolTips() || c->GetTitle()->GetToolTips() || !c->GetTitle()->GetHint().isEmpty())
            return true;
    }
    return false;
}

void TCustomDBGridEh::hintShowPause(TMessage& Message) {
    int* pause = reinterpret_cast<int*>(Message.LParam);
    if (!pause) return;
    const TGridCoord cell = MouseCoord(lastMouse.X, lastMouse.Y);
    TColumnEh* c = cell.X >= indicatorOffset ? ColumnAt(cell.X - indicatorOffset) : nullptr;
    if (!c) return;
    const int dataRow = cell.Y - titleOffset;
    if (cell.Y >= titleOffset && dataRow < VisibleDataRowCount() && dataLink->GetActive() &&
        c->GetToolTips())
        *pause = 0;
    else if (cell.Y >= 0 && cell.Y < titleOffset && c->GetTitle()->GetToolTips() &&
             c->GetTitle()->GetHint().isEmpty())
        *pause = 0;
}

void TCustomDBGridEh::hintShow(TMessage& Message) {
    auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
    if (!info) return;
    const TGridCoord cell = MouseCoord(info->CursorPos.X, info->CursorPos.Y);
    if (cell.X < indicatorOffset || cell.Y < 0) return;
    TColumnEh* c = ColumnAt(cell.X - indicatorOffset);
    if (!c) return;
    const bool title = cell.Y < titleOffset;
    TColumnTitleEh* t = c->GetTitle();
    if (title && !t->GetHint().isEmpty()) {
        const QString h = t->GetHint();
        const int bar = int(h.indexOf(u'|'));
        info->HintStr = bar < 0 ? h : h.left(bar);
        info->CursorRect = CellRect(cell.X, cell.Y);
        return;
    }
    const int dataRow = cell.Y - titleOffset;
    if (title ? !t->GetToolTips()
              : !(dataRow < VisibleDataRowCount() && dataRow < dataLink->GetRecordCount() &&
                  dataLink->GetActive() && c->GetToolTips()))
        return;
    info->HintStr.clear();
    if (GetCapture() || GetKeyState(VK_CONTROL) < 0) return;

    if (!hintFont) hintFont = std::make_unique<TFont>();
    TRect r = CellRect(cell.X, cell.Y);
    int textRight = r.Left + c->GetWidth();
    QString text;
    TAlignment alignment;
    bool wrap;
    const bool checkBoxes = !title && c->GetColumnType() == ctkCheckboxes;
    if (!title) {
        const int saved = dataLink->GetActiveRecord();
        dataLink->SetActiveRecord(dataRow);
        TScopeGuard restore([&] { dataLink->SetActiveRecord(saved); });
        TField* f = c->GetField();
        if (checkBoxes && f) {
            const int i = c->HasKeyList() ? int(c->GetKeyList()->IndexOf(f->GetText())) : -1;
            if (i >= 0 && c->HasPickList() && i < c->GetPickList()->Count())
                text = c->GetPickList()->Get(i);
        } else if (f) {
            text = c->GetDisplayText();
        }
        restore.End();
        if (c->GetAlwaysShowEditButton() && GetColumnEditStyle(c) != esSimpleEh) {
            // over the edit button there is nothing to show
            textRight -= editButtonWidth;
            r.Right = textRight;
            if (info->CursorPos.X > r.Right) text.clear();
        }
        alignment = checkBoxes ? taLeftJustify : c->GetAlignment();
        wrap = c->GetWordWrap() && allowWordWrap;
        hintFont->Assign(c->GetFont());
    } else {
        const int marker = t->GetSortMarkingWidth();
        if (marker > 2) {
            r.Right -= marker - 2;
            textRight -= marker - 2;
        }
        if (useMultiTitle) {
            THeadTreeNode* leaf = GetColumnLeaf(cell.X - indicatorOffset);
            if (leaf) {
                text = leaf->Text;
                r.Top = r.Bottom - leaf->Height + 1;
                if (info->CursorPos.Y < r.Top) return;
            }
        } else {
            text = t->GetCaption();
        }
        wrap = useMultiTitle || titleHeight != 0 || titleLines != 0;
        alignment = t->GetAlignment();
        hintFont->Assign(t->GetFont());
        if (t->GetOrientation() == tohVertical) {
            wrap = false;
            r = TRect{r.Left, r.Top, r.Left + r.Height(), r.Top + r.Width()};
        }
    }
    if (text.isEmpty()) return;
    const int margin = wrap ? 2 : 0;

    // whether the text is cut off
    TBitmap measure(1, 1);
    TCanvas* mc = measure.GetCanvas();
    mc->GetFont()->Assign(hintFont.get());
    int textWidth, textHeight;
    if (wrap) {
        TRect m{0, 0, std::max(1, r.Width() - 2 - margin), 0};
        mc->DrawText(text, m, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        textWidth = m.Width();
        textHeight = m.Height();
    } else {
        textWidth = mc->TextWidth(text);
        textHeight = mc->TextHeight(text);
    }
    const bool fits =
        textWidth <= r.Width() - 2 - margin && r.Height() - textAllowance + 1 >= textHeight;
    if (!checkBoxes && fits && (alignment != taRightJustify || textRight - 2 <= r.Right)) return;

    info->HintStr = text;
    info->CursorRect = r;
    info->HintWindowClass = [](TComponent* Owner) -> THintWindow* {
        return new TToolTipsWindow(Owner);
    };
    info->HintData = hintFont.get();
    if (wrap) info->HintMaxWidth = r.Width() - 4;
    const int d = flat ? 2 : 1;
    int x = r.Left - 1;
    if (alignment == taRightJustify)
        x = textRight + 1 - textWidth - 7;
    else if (alignment == taCenter)
        x = textRight + 1 - textWidth - 6 + textWidth / 2 - (textRight - r.Left - 4) / 2;
    info->HintPos = ClientToScreen(TPoint{x, r.Top - d});
}
