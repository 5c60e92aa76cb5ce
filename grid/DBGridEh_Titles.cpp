// Column titles with their sort markers, and the tree of the multi-level title.
#include "DBGridEhInternal.h"

#include <algorithm>

// ---- TColumnTitleEh -----------------------------------------------------------------------------

TColumnTitleEh::TColumnTitleEh(TColumnEh* Column) : column(Column) {
    font = std::make_unique<TFont>();
    if (TFont* d = DefaultFont()) font->Assign(d);
    font->OnChange = [this](TObject* Sender) { fontChanged(Sender); };
}

TColumnTitleEh::~TColumnTitleEh() = default;

TCustomDBGridEh* TColumnTitleEh::grid() const {
    return column->GetGrid();
}

void TColumnTitleEh::changed(bool AllItems) {
    column->changed(AllItems);
}

QString TColumnTitleEh::DefaultCaption() {
    TField* f = column->GetField();
    return f ? f->GetDisplayName() : column->GetFieldName();
}

QString TColumnTitleEh::GetCaption() {
    return column->assignedValues.Contains(cvTitleCaption) ? caption : DefaultCaption();
}

void TColumnTitleEh::SetCaption(const QString& Value) {
    if (!column->GetStored()) {
        // the grid rebuilds such a column from its field: the field keeps the caption
        TCustomDBGridEh* g = grid();
        if (g && g->GetDataLink()->GetActive() && column->GetField())
            column->GetField()->SetDisplayLabel(Value);
        return;
    }
    if (KeepOwnValue(caption, Value, column->assignedValues, cvTitleCaption)) changed(false);
}

bool TColumnTitleEh::IsCaptionStored() {
    return column->assignedValues.Contains(cvTitleCaption) && caption != DefaultCaption();
}

TAlignment TColumnTitleEh::GetAlignment() const {
    return column->assignedValues.Contains(cvTitleAlignment) ? alignment : DefaultAlignment();
}

void TColumnTitleEh::SetAlignment(TAlignment Value) {
    if (KeepOwnValue(alignment, Value, column->assignedValues, cvTitleAlignment)) changed(false);
}

bool TColumnTitleEh::IsAlignmentStored() const {
    return column->assignedValues.Contains(cvTitleAlignment) && alignment != DefaultAlignment();
}

TColor TColumnTitleEh::DefaultColor() const {
    TCustomDBGridEh* g = grid();
    return g ? g->GetFixedColor() : clBtnFace;
}

TColor TColumnTitleEh::GetColor() const {
    return column->assignedValues.Contains(cvTitleColor) ? color : DefaultColor();
}

void TColumnTitleEh::SetColor(TColor Value) {
    if (KeepOwnValue(color, Value, column->assignedValues, cvTitleColor)) changed(false);
}

bool TColumnTitleEh::IsColorStored() const {
    return column->assignedValues.Contains(cvTitleColor) && color != DefaultColor();
}

TFont* TColumnTitleEh::DefaultFont() const {
    TCustomDBGridEh* g = grid();
    if (g) return g->GetTitleFont();
    return column->font ? column->GetFont() : nullptr;
}

void TColumnTitleEh::refreshDefaultFont() {
    if (!column->assignedValues.Contains(cvTitleFont))
        CopyDefaultFont(font.get(), DefaultFont(), fontQuiet);
}

TFont* TColumnTitleEh::GetFont() {
    refreshDefaultFont();
    return font.get();
}

void TColumnTitleEh::SetFont(TFont* Value) {
    font->Assign(Value);
    if (!column->assignedValues.Contains(cvTitleFont)) fontChanged(font.get());
}

void TColumnTitleEh::fontChanged(TObject*) {
    if (fontQuiet) return;
    column->assignedValues.Include(cvTitleFont);
    changed(true);
}

bool TColumnTitleEh::IsFontStored() const {
    return column->assignedValues.Contains(cvTitleFont);
}

void TColumnTitleEh::SetTitleButton(bool Value) {
    if (titleButton == Value) return;
    titleButton = Value;
    changed(false);
}

void TColumnTitleEh::SetOrientation(TTextOrientationEh Value) {
    if (orientation == Value) return;
    orientation = Value;
    changed(false);
}

void TColumnTitleEh::SetEndEllipsis(bool Value) {
    endEllipsis = Value;
    changed(false);
}

void TColumnTitleEh::SetImageIndex(int Value) {
    imageIndex = Value;
    if (TCustomDBGridEh* g = grid()) g->LayoutChanged();
}

void TColumnTitleEh::RestoreDefaults() {
    bool fontWasAssigned = column->assignedValues.Contains(cvTitleFont);
    column->assignedValues -=
        TColumnEhValues{cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont};
    caption.clear();
    CopyDefaultFont(font.get(), DefaultFont(), fontQuiet);
    changed(fontWasAssigned);
}

void TColumnTitleEh::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TColumnTitleEh*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    if (s == this) return;
    const TColumnEhValues from = s->column->assignedValues;
    if (from.Contains(cvTitleAlignment)) SetAlignment(s->alignment);
    if (from.Contains(cvTitleColor)) SetColor(s->color);
    if (from.Contains(cvTitleCaption)) SetCaption(s->caption);
    if (from.Contains(cvTitleFont)) SetFont(s->font.get());
    SetTitleButton(s->titleButton);
    SetSortMarker(s->sortMarker);
    SetEndEllipsis(s->endEllipsis);
    SetToolTips(s->toolTips);
    SetOrientation(s->orientation);
}

// ---- sort markers

void TColumnTitleEh::SetSortMarker(TSortMarkerEh Value) {
    if (Value == sortMarker) return;
    sortMarker = Value;
    TCustomDBGridEh* g = grid();
    // Loading sets the markers and indexes as stored; the grid orders them when it is loaded.
    if (!g || g->IsLoading()) return;
    TColumnsEhList* marked = g->GetSortMarkedColumns();
    TDBGridColumnsEh* cols = g->GetColumns();
    if (!g->GetOptionsEh().Contains(dghMultiSortMarking)) {
        if (Value != smNoneEh) {
            for (int i = 0; i < cols->Count(); ++i) {
                TColumnTitleEh* t = cols->GetItems(i)->title.get();
                if (t != this && t->sortMarker != smNoneEh) t->SetSortMarker(smNoneEh);
            }
            sortIndex = 1;
            marked->Clear();
            marked->Add(column);
        } else {
            sortIndex = 0;
            marked->Clear();
        }
    } else if (Value != smNoneEh && sortIndex == 0) {
        int indexed = 0;
        for (int i = 0; i < cols->Count(); ++i)
            if (cols->GetItems(i)->title->sortIndex != 0) ++indexed;
        sortIndex = indexed + 1;
        marked->Add(column);
    } else if (Value == smNoneEh && sortIndex != 0) {
        for (int i = 0; i < cols->Count(); ++i) {
            TColumnTitleEh* t = cols->GetItems(i)->title.get();
            if (t != this && t->sortIndex > sortIndex) --t->sortIndex;
        }
        marked->Remove(column);
        sortIndex = 0;
    }
    changed(false);
}

void TColumnTitleEh::SetSortIndex(int Value) {
    if (Value < 0) Value = 0;
    if (Value == sortIndex || sortMarker == smNoneEh) return;
    TCustomDBGridEh* g = grid();
    if (!g || g->IsLoading()) {
        sortIndex = Value;
        return;
    }
    if (Value == 0) return;
    TDBGridColumnsEh* cols = g->GetColumns();
    TColumnEh* other = nullptr;
    for (int i = 0; i < cols->Count() && !other; ++i)
        if (cols->GetItems(i) != column && cols->GetItems(i)->title->sortIndex == Value)
            other = cols->GetItems(i);
    if (!other) return;
    other->title->sortIndex = sortIndex;
    TColumnsEhList* marked = g->GetSortMarkedColumns();
    int a = marked->IndexOf(column), b = marked->IndexOf(other);
    if (a >= 0 && b >= 0) marked->Exchange(a, b);
    sortIndex = Value;
    changed(false);
}

void TColumnTitleEh::ToggleSortMarker(bool KeepOthers) {
    TCustomDBGridEh* g = grid();
    if (g && !KeepOthers) {
        TDBGridColumnsEh* cols = g->GetColumns();
        for (int i = 0; i < cols->Count(); ++i) {
            TColumnTitleEh* t = cols->GetItems(i)->title.get();
            if (t != this && t->sortMarker != smNoneEh) t->SetSortMarker(smNoneEh);
        }
    }
    switch (sortMarker) {
    case smNoneEh:
        SetSortMarker(smDownEh);
        break;
    case smDownEh:
        SetSortMarker(smUpEh);
        break;
    case smUpEh:
        SetSortMarker(KeepOthers ? smNoneEh : smDownEh);
        break;
    }
}

int TColumnTitleEh::GetSortMarkingWidth() {
    if (sortIndex == 0) return 0;
    TCustomDBGridEh* g = grid();
    int width = SortMarkerIndentEh;
    int number = 0;
    if (g && g->GetSortMarkedColumns()->Count() >= 2) {
        TCanvas* c = g->GetCanvas();
        TFont saved;
        saved.Assign(c->GetFont());
        c->GetFont()->Assign(TCustomDBGridEh::SortIndexFont());
        number = c->TextWidth(QString::number(sortIndex));
        c->GetFont()->Assign(&saved);
        width += number;
    }
    int room = column->GetWidth() - 4;
    if (width > room) width -= 14;
    if (width > room) width -= number + 2;
    return std::max(0, width);
}

// ---- THeadTreeNode ------------------------------------------------------------------------------

namespace {
const QString kNodeNotInTree = QStringLiteral("Node not in Tree");
const QString kToNotInLevel = QStringLiteral("ATo not in level");
} // namespace

THeadTreeNode::THeadTreeNode(const QString& AText, int AWidth, int AHeight)
    : Text(AText), Height(AHeight), Width(AWidth) {
    Next = this;
}

THeadTreeNode::~THeadTreeNode() {
    if (!Host) FreeAllChild();
}

void THeadTreeNode::FreeAllChild() {
    if (!Child) return;
    std::vector<THeadTreeNode*> ring;
    THeadTreeNode* p = Child;
    do {
        ring.push_back(p);
        p = p->Next;
    } while (p != Child);
    Child = nullptr;
    for (THeadTreeNode* n : ring) {
        n->FreeAllChild();
        delete n;
    }
}

bool THeadTreeNode::Find(THeadTreeNode* Node) {
    THeadTreeNode* p = this;
    do {
        if (p == Node) return true;
        if (p->Child && p->Child->Find(Node)) return true;
        p = p->Next;
    } while (p != this);
    return false;
}

THeadTreeNode* THeadTreeNode::AddChild(THeadTreeNode* Node, const QString& AText, int AWidth,
                                       int AHeight) {
    if (!Node || !Find(Node)) throw Exception(kNodeNotInTree);
    auto* n = new THeadTreeNode(AText, AWidth, AHeight);
    n->Host = Node;
    if (!Node->Child) {
        Node->Child = n;
    } else {
        THeadTreeNode* last = Node->Child;
        while (last->Next != Node->Child)
            last = last->Next;
        last->Next = n;
        n->Next = Node->Child;
    }
    return n;
}

THeadTreeNode* THeadTreeNode::Add(THeadTreeNode* After, const QString& AText, int AWidth,
                                  int AHeight) {
    if (!After || !Find(After)) throw Exception(kNodeNotInTree);
    auto* n = new THeadTreeNode(AText, AWidth, AHeight);
    n->Host = After->Host;
    n->Next = After->Next;
    After->Next = n;
    return n;
}

THeadTreeNode* THeadTreeNode::Union(THeadTreeNode* From, THeadTreeNode* To, int AHeight,
                                    const QString& AText) {
    if (!From || !Find(From)) throw Exception(kNodeNotInTree);
    THeadTreeNode* first = From->Host ? From->Host->Child : From;
    bool inLevel = false;
    for (THeadTreeNode* p = From;;) {
        if (p == To) {
            inLevel = true;
            break;
        }
        p = p->Next;
        if (p == first) break;
    }
    if (!inLevel) throw Exception(kToNotInLevel);
    THeadTreeNode* n = Add(To, AText, 0, AHeight);
    n->VLineWidth = To->VLineWidth;
    THeadTreeNode* prev = From;
    while (prev->Next != From)
        prev = prev->Next;
    prev->Next = n;
    n->Child = From;
    if (From->Host && From->Host->Child == From) From->Host->Child = n;
    int sum = 0;
    for (THeadTreeNode* p = From;;) {
        sum += p->Width + n->VLineWidth;
        p->Height -= AHeight;
        p->Host = n;
        if (p == To) break;
        p = p->Next;
    }
    To->Next = From;
    n->Width = n->VLineWidth >= 1 ? sum - n->VLineWidth : sum;
    return n;
}

void THeadTreeNode::ForEach(const std::function<void(THeadTreeNode*, void*)>& Proc, void* Param) {
    std::function<void(THeadTreeNode*)> walk = [&](THeadTreeNode* First) {
        THeadTreeNode* p = First;
        do {
            Proc(p, Param);
            if (p->Child) walk(p->Child);
            p = p->Next;
        } while (p != First);
    };
    if (Child) walk(Child);
}

// ---- words --------------------------------------------------------------------------------------

int WordPositionEh(int N, const QString& S, const QString& Delimiters) {
    int count = 0, i = 0;
    const int len = int(S.size());
    while (i < len) {
        while (i < len && Delimiters.contains(S[i]))
            ++i;
        if (i >= len) break;
        if (++count == N) return i + 1;
        while (i < len && !Delimiters.contains(S[i]))
            ++i;
    }
    return 0;
}

QString ExtractWordPosEh(int N, const QString& S, const QString& Delimiters, int& Pos) {
    Pos = WordPositionEh(N, S, Delimiters);
    if (Pos == 0) return QString();
    int end = Pos - 1;
    while (end < S.size() && !Delimiters.contains(S[end]))
        ++end;
    return S.mid(Pos - 1, end - (Pos - 1));
}

QString ExtractWordEh(int N, const QString& S, const QString& Delimiters) {
    int pos = 0;
    return ExtractWordPosEh(N, S, Delimiters, pos);
}
