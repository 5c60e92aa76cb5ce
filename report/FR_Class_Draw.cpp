// Drawing of every view: placement by band alignment, the drawing rectangle, fill and frame,
// and printing into a prepared page.
#include "FR_Class.h"

#include "DB.h"
#include "FR_Utils.h"
#include "ScopeGuard.h"

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

int frRoundCoord(double v) {
    if (std::isnan(v)) return 0;
    v = std::nearbyint(v);
    return int(std::clamp(v, double(-frMaxCoord), double(frMaxCoord)));
}

namespace {

// The scales and offsets a drawing uses: the view's during a build, 1 and 0 otherwise.
struct Scaling {
    double sx = 1, sy = 1;
    int ox = 0, oy = 0;
};

Scaling scalingOf(const TfrView* v) {
    Scaling s;
    if (frGlobals().ReportRunning) {
        s.sx = std::isfinite(v->ScaleX) ? v->ScaleX : 1;
        s.sy = std::isfinite(v->ScaleY) ? v->ScaleY : 1;
        s.ox = frClampCoord(v->OffsX);
        s.oy = frClampCoord(v->OffsY);
    }
    return s;
}

bool isCrossBand(int typ) {
    return typ >= btCrossHeader && typ <= btCrossFooter;
}

// Whether two views stand on one row for band alignment: the same top, or the same band.
bool sameRow(const TfrView* a, const TfrView* b) {
    return a->Top == b->Top || (a->Parent && a->Parent == b->Parent);
}

} // namespace

// ---- placement -------------------------------------------------------------------------

TfrPage* TfrView::alignPage() const {
    TfrGlobals& g = frGlobals();
    if (g.ReportRunning && g.ActivePage) return g.ActivePage;
    return ParentPage;
}

void TfrView::BeginDraw(TCanvas* ACanvas) {
    Canvas = ACanvas;
    if (BandAlign == baNone || BandAlign == baBottom || BandAlign == baTop) return;
    // Views of a prepared page were placed when they printed.
    if (ParentPage && ParentPage->PreparedPage) return;
    TfrPage* page = alignPage();
    if (!page) return;
    const int L = page->LeftLimit();
    const int R = page->RightLimit();
    // The nearest view of an alignment on this row to the left (Left below ours) or right.
    auto nearest = [&](int align, bool toLeft) -> TfrView* {
        TfrView* found = nullptr;
        for (int i = 0; i < page->Objects.Count(); ++i) {
            TfrView* v = page->GetObject(i);
            if (v == this || v->BandAlign != align || !sameRow(this, v)) continue;
            if (toLeft ? v->Left >= Left : v->Left <= Left) continue;
            if (!found || (toLeft ? v->Left > found->Left : v->Left < found->Left)) found = v;
        }
        return found;
    };
    switch (BandAlign) {
    case baLeft:
    case baRest: {
        TfrView* l = nearest(baLeft, true);
        Left = l ? frClampCoord(int64_t(l->Left) + l->Width) : L;
        if (BandAlign == baRest) {
            TfrView* r = nearest(baRight, false);
            Width = frClampCoord(int64_t(r ? r->Left : R) - Left);
        }
        break;
    }
    case baRight: {
        TfrView* r = nearest(baRight, false);
        Left = frClampCoord(r ? int64_t(r->Left) - Width - 1 : int64_t(R) - Width);
        break;
    }
    case baCenter:
        Left = frClampCoord(L + (int64_t(R) - L - Width) / 2);
        break;
    case baWidth: {
        TfrGlobals& g = frGlobals();
        if (!g.ReportRunning) {
            Left = L;
            Width = R - L;
        } else if (!g.ActiveBand) {
            Left = L;
            Width = R - L - 1;
        }
        break;
    }
    default:
        break;
    }
}

// ---- the drawing rectangle -------------------------------------------------------------

void TfrView::ComputeDrawRect() {
    saved = {Left, Top, Width, Height, GapX, GapY, FrameWidth};
    geometrySaved = true;
    const Scaling s = scalingOf(this);
    const double w = std::isfinite(saved.FrameWidth) ? saved.FrameWidth : 0;
    Left = frRoundCoord(std::nearbyint(saved.Left * s.sx) + s.ox);
    Top = frRoundCoord(std::nearbyint(saved.Top * s.sy) + s.oy);
    Width = frRoundCoord(saved.Width * s.sx);
    Height = frRoundCoord(saved.Height * s.sy);
    const int ax = frRoundCoord((w * s.sx - 1) / 2), bx = frRoundCoord(w * s.sx / 2);
    const int ay = frRoundCoord((w * s.sy - 1) / 2), by = frRoundCoord(w * s.sy / 2);
    FrameWidth = float(w * s.sx);
    GapX = frClampCoord(int64_t(frRoundCoord(saved.GapX * s.sx)) + bx);
    GapY = frClampCoord(int64_t(frRoundCoord(saved.GapY * s.sy)) + by / 2);
    int right = frRoundCoord((double(saved.Left) + saved.Width) * s.sx + s.ox);
    int bottom = frRoundCoord((double(saved.Top) + saved.Height) * s.sy + s.oy);
    if (FrameTyp & frftRight) right -= bx;
    if (FrameTyp & frftBottom) bottom -= by;
    DrawRect = TRect{Left + ((FrameTyp & frftLeft) ? ax : 0), Top + ((FrameTyp & frftTop) ? ay : 0),
                     right + 1, bottom + 1};
}

void TfrView::RestoreGeometry() {
    if (!geometrySaved) return;
    Left = saved.Left;
    Top = saved.Top;
    Width = saved.Width;
    Height = saved.Height;
    GapX = saved.GapX;
    GapY = saved.GapY;
    FrameWidth = saved.FrameWidth;
    geometrySaved = false;
}

// ---- fill and frame --------------------------------------------------------------------

void TfrView::DrawFill() {
    TfrGlobals& g = frGlobals();
    if (!Canvas || g.FirstPassRunning) return;
    TColor color = FillColor;
    if (color == clNone) {
        if (g.ReportRunning) return;
        color = clWhite;
    }
    Canvas->FillSolid(DrawRect, color);
}

namespace {

// One frame side: a line of width w through coordinate c (x for a vertical side, y for a
// horizontal one) from `from` to `to`, both ends included.
void solidLine(TCanvas* c, bool vertical, int at, int from, int to, int w, TColor color) {
    const int h = w / 2;
    if (vertical)
        c->FillSolid(TRect{at - h, from - h, at - h + w, to - h + w}, color);
    else
        c->FillSolid(TRect{from - h, at - h, to - h + w, at - h + w}, color);
}

void styledLine(TCanvas* c, bool vertical, int at, int from, int to, int w, TColor color,
                TPenStyle style) {
    TPen* pen = c->GetPen();
    pen->SetColor(color);
    pen->SetWidth(1);
    pen->SetStyle(style);
    pen->SetMode(pmCopy);
    // A wide dashed line is w thin ones side by side.
    for (int k = 0; k < w; ++k) {
        const int p = at - w / 2 + k;
        if (vertical) {
            c->MoveTo(p, from);
            c->LineTo(p, to + 1);
        } else {
            c->MoveTo(from, p);
            c->LineTo(to + 1, p);
        }
    }
    pen->SetStyle(psSolid);
}

} // namespace

void TfrView::DrawFrame() {
    TfrGlobals& g = frGlobals();
    if (!Canvas || g.FirstPassRunning || (FrameTyp & 0xF) == 0 || FrameColor == clNone) return;
    const int w = std::clamp(frRoundCoord(FrameWidth), 1, 1000);
    const int x0 = DrawRect.Left, y0 = DrawRect.Top;
    const int x1 = DrawRect.Right - 1, y1 = DrawRect.Bottom - 1;
    struct Line {
        int bit;
        bool vertical;
        int at, from, to;
    };
    const Line lines[] = {{frftRight, true, x1, y0, y1},
                          {frftBottom, false, y1, x0, x1},
                          {frftLeft, true, x0, y0, y1},
                          {frftTop, false, y0, x0, x1}};
    for (const Line& l : lines) {
        if (!(FrameTyp & l.bit)) continue;
        switch (FrameStyle) {
        case psDash:
        case psDot:
        case psDashDot:
        case psDashDotDot:
            styledLine(Canvas, l.vertical, l.at, l.from, l.to, w, FrameColor,
                       TPenStyle(FrameStyle));
            break;
        case 5: // double: frame colour on both sides of a line of the fill colour
            solidLine(Canvas, l.vertical, l.at - w, l.from - w, l.to + w, w, FrameColor);
            if (FillColor != clNone)
                solidLine(Canvas, l.vertical, l.at, l.from, l.to, w, FillColor);
            solidLine(Canvas, l.vertical, l.at + w, l.from - w, l.to + w, w, FrameColor);
            break;
        default:
            solidLine(Canvas, l.vertical, l.at, l.from, l.to, w, FrameColor);
            break;
        }
    }
}

TRect TfrView::ClipRegion(bool Extended) const {
    const double w = std::isfinite(FrameWidth) ? FrameWidth : 0;
    const bool dbl = FrameStyle == 5;
    const int outer = frRoundCoord(dbl ? 1.5 * w : w / 2);
    const int inner = frRoundCoord(dbl ? (w - 1) / 2 + w : (w - 1) / 2);
    TRect r{frClampCoord(int64_t(Left) - outer), frClampCoord(int64_t(Top) - outer),
            frClampCoord(int64_t(Left) + Width + inner + 1),
            frClampCoord(int64_t(Top) + Height + inner + 1)};
    if (Extended) r = TRect{r.Left - 10, r.Top - 10, r.Right + 10, r.Bottom + 10};
    return r;
}

// ---- scripts and printing --------------------------------------------------------------

TfrActiveViewScope::TfrActiveViewScope(TfrView* View) : previous(frGlobals().ActiveView) {
    frGlobals().ActiveView = View;
}

TfrActiveViewScope::~TfrActiveViewScope() {
    if (frEngineStarted()) frGlobals().ActiveView = previous;
}

void TfrView::RunScript() {
    if (Script.Count() == 0) return;
    TfrGlobals& g = frGlobals();
    const QString text = Script.GetText();
    if (!scriptCompiled || text != compiledFrom) {
        TStringList errors;
        compiledScript.Clear();
        g.frInterpretator.PrepareScript(&Script, &compiledScript, &errors);
        if (errors.Count() > 0) throw EParserError(errors[0]);
        compiledFrom = text;
        scriptCompiled = true;
    }
    TfrActiveViewScope scope(this);
    g.frInterpretator.DoScript(&compiledScript);
}

void TfrView::WritePrepared(TStream* Stream) {
    frWriteByte(Stream, Typ);
    if (Typ == gtAddIn) frWriteString(Stream, ClassName());
    const uint8_t mode = StreamMode;
    StreamMode = 1;
    TScopeGuard restore([this, mode] { StreamMode = mode; });
    SaveToStream(Stream);
    restore.End();
}

void TfrView::alignToActiveBand() {
    TfrBand* b = frGlobals().ActiveBand;
    if (!b) return;
    switch (BandAlign) {
    case baBottom:
        Top = frClampCoord(int64_t(b->y) + b->dy - Height);
        break;
    case baTop:
        Top = b->y;
        break;
    case baWidth:
        if (isCrossBand(b->Typ)) {
            Width = b->dx;
            BandAlign = baNone;
        }
        break;
    default:
        break;
    }
}

TField* TfrView::boundBlobField() const {
    if (!DataSet || DataField.isEmpty()) return nullptr;
    TField* f = DataSet->FindField(DataField);
    return f && f->IsBlob() ? f : nullptr;
}

namespace {

// A view whose text is one field reference ([Data."FIELD"], or [FIELD] of the band's dataset)
// takes its content from that field when the field is a blob (a photo in a picture view).
void bindBlobField(TfrView* View) {
    View->DataSet = nullptr;
    View->DataField.clear();
    if (View->Memo.Count() != 1) return;
    const QString s = View->Memo.Get(0).trimmed();
    if (s.size() < 3 || !s.startsWith(u'[') || !s.endsWith(u']')) return;
    TDataSet* ds = frCurrentBandDataSet();
    QString field;
    frGetDataSetAndField(s.mid(1, s.size() - 2), ds, field);
    TField* f = ds && !field.isEmpty() ? ds->FindField(field) : nullptr;
    if (!f || !f->IsBlob()) return;
    View->DataSet = ds;
    View->DataField = field;
}

} // namespace

void TfrView::Print(TStream* Stream) {
    TfrGlobals& g = frGlobals();
    TfrActiveViewScope scope(this);
    BeginDraw(frMeasureCanvas());
    Memo1.Clear();
    Memo1.AddStrings(&Memo);
    bindBlobField(this);
    if (TField* f = boundBlobField()) GetBlob(f);
    if (TfrReport* r = g.ActiveReport; r && r->OnBeforePrint) r->OnBeforePrint(&Memo1, this);
    RunScript();
    if (!Visible) return;
    const QString tag = Tag;
    const int align = BandAlign;
    if (Tag.contains(u'[')) {
        if (TfrReport* r = g.ActiveReport) r->ExpandTag(Tag);
    }
    alignToActiveBand();
    TScopeGuard restore([this, &tag, align] {
        Tag = tag;
        BandAlign = align;
    });
    WritePrepared(Stream);
    restore.End();
}
