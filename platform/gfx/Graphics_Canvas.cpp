// The GDI-like canvas over QPainter.
#include "GfxInternal.h"
#include "Graphics.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <QRawFont>
#include <QVarLengthArray>
#include <QtEndian>
#include <cmath>
#include <deque>
#include <memory>

using gfx::colorToPixel;
using gfx::pixelToColor;
using gfx::toQRect;

// ---- raster operations ----

uint32_t ApplyRop3(int32_t Rop, uint32_t P, uint32_t S, uint32_t D) {
    // Bit i of the operation index (bits 16..23) is the result for pattern bit (i & 4),
    // source bit (i & 2) and destination bit (i & 1).
    uint32_t code = (uint32_t(Rop) >> 16) & 0xFF;
    uint32_t r = 0;
    for (int i = 0; i < 8; ++i) {
        if (!(code & (1u << i))) continue;
        uint32_t m = ((i & 4) ? P : ~P) & ((i & 2) ? S : ~S) & ((i & 1) ? D : ~D);
        r |= m;
    }
    return r;
}

namespace {

bool ropUsesSource(int32_t rop) {
    uint32_t c = (uint32_t(rop) >> 16) & 0xFF;
    return ((c >> 2) & 0x33) != (c & 0x33);
}

// The Qt raster operation for a pen mode; pmCopy/pmBlack/pmWhite/pmNop draw normally.
QPainter::CompositionMode penComposition(TPenMode m) {
    switch (m) {
    case pmNot:
        return QPainter::RasterOp_NotDestination;
    case pmNotCopy:
        return QPainter::RasterOp_NotSource;
    case pmMergePenNot:
        return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot:
        return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen:
        return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen:
        return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge:
        return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask:
        return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask:
        return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor:
        return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor:
        return QPainter::RasterOp_NotSourceXorDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

bool ropComposition(int32_t rop, QPainter::CompositionMode& mode) {
    switch (rop) {
    case cmSrcCopy:
        mode = QPainter::CompositionMode_Source;
        return true;
    case cmSrcAnd:
        mode = QPainter::RasterOp_SourceAndDestination;
        return true;
    case cmSrcPaint:
        mode = QPainter::RasterOp_SourceOrDestination;
        return true;
    case cmSrcInvert:
        mode = QPainter::RasterOp_SourceXorDestination;
        return true;
    case cmNotSrcCopy:
        mode = QPainter::RasterOp_NotSource;
        return true;
    case cmSrcErase:
        mode = QPainter::RasterOp_SourceAndNotDestination;
        return true;
    case cmMergePaint:
        mode = QPainter::RasterOp_NotSourceOrDestination;
        return true;
    case cmNotSrcErase:
        mode = QPainter::RasterOp_NotSourceAndNotDestination;
        return true;
    default:
        return false;
    }
}

// Keeps OnChanging/OnChange around one drawing operation.
struct ChangeScope {
    explicit ChangeScope(TCanvas* c, void (TCanvas::*changing)(), void (TCanvas::*changed)())
        : canvas(c), after(changed) {
        (canvas->*changing)();
    }
    ~ChangeScope() { (canvas->*after)(); }
    TCanvas* canvas;
    void (TCanvas::*after)();
};

} // namespace

// ---- text recorder ----

std::vector<int> TTextRecorder::Find(const QString& S, bool CaseSensitive) const {
    std::vector<int> out;
    for (size_t i = 0; i < Items.size(); ++i)
        if (Items[i].Text.contains(S, CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive))
            out.push_back(int(i));
    return out;
}

// ---- text without shaping ----

namespace {

// The feature tags of a font's substitution or positioning table (its FeatureList).
QList<QByteArray> featureTags(const QByteArray& Table) {
    QList<QByteArray> tags;
    if (Table.size() < 10) return tags;
    const auto* d = reinterpret_cast<const uchar*>(Table.constData());
    const qsizetype list = qFromBigEndian<quint16>(d + 6);
    if (list + 2 > Table.size()) return tags;
    const int count = qFromBigEndian<quint16>(d + list);
    for (int i = 0; i < count && list + 2 + 6 * (i + 1) <= Table.size(); ++i)
        tags << Table.mid(list + 2 + 6 * i, 4);
    return tags;
}

// Whether the font's glyphs can be placed straight from its character map and advances, as
// shaping would place them: no substitutions at all, and no positioning but kerning, which
// the platform's fonts have turned off. Worked out once per font face.
bool placesWithoutShaping(const QRawFont& Raw) {
    thread_local QHash<QString, bool> known;
    const QString key = Raw.familyName() + u'\n' + Raw.styleName() + u'\n' +
                        QString::number(int(Raw.weight())) + u'\n' +
                        QString::number(int(Raw.style()));
    if (auto it = known.constFind(key); it != known.cend()) return *it;
    bool plain = featureTags(Raw.fontTable("GSUB")).isEmpty();
    for (const QByteArray& tag : featureTags(Raw.fontTable("GPOS")))
        plain = plain && tag == "kern";
    known.insert(key, plain);
    return plain;
}

// A character that shaping passes through as its own glyph: no control or format character,
// no combining mark, no surrogate, nothing written right to left.
bool standsAlone(QChar c) {
    const char16_t u = c.unicode();
    if (u >= 0x20 && u < 0x7F) return true;
    if (u < 0x20 || c.isSurrogate()) return false;
    switch (c.category()) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return false;
    default:
        break;
    }
    switch (c.direction()) {
    case QChar::DirR:
    case QChar::DirAL:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirRLI:
    case QChar::DirLRE:
    case QChar::DirLRO:
    case QChar::DirLRI:
    case QChar::DirFSI:
    case QChar::DirPDF:
    case QChar::DirPDI:
    case QChar::DirNSM:
        return false;
    default:
        return true;
    }
}

// The glyphs and advances of the characters met so far in a face at a size (Latin, Cyrillic
// and the characters below them), shared by the canvases of a thread: the canvas that measures
// a report and the printer's draw the same texts, and a font is set up anew at every change.
struct GlyphTable {
    static constexpr char16_t Size = 0x500;
    static constexpr quint32 Unknown = 0xFFFFFFFFu; // not looked up yet; 0 is "no glyph"
    quint32 Glyph[Size];
    qreal Advance[Size];
    GlyphTable() { std::fill(std::begin(Glyph), std::end(Glyph), Unknown); }
};

std::shared_ptr<GlyphTable> glyphTableOf(const QFont& Font) {
    thread_local QHash<QString, std::shared_ptr<GlyphTable>> tables;
    std::shared_ptr<GlyphTable>& t = tables[Font.key()];
    if (!t) t = std::make_shared<GlyphTable>();
    return t;
}

} // namespace

// ---- TCanvas ----

// The Qt font and its metrics for the current TFont, rebuilt when the font differs.
struct TCanvas::FontCache {
    QString Name;
    int Height = 0;
    TFontStyles Style;
    TFontPitch Pitch = fpDefault;
    int Orientation = 0;
    QFont Font;
    QFontMetrics Metrics;
    // The face, and whether a text of characters that stand alone can be measured and drawn
    // from its glyphs without shaping: the same glyphs in the same places, at a fraction of
    // the cost (shaping a text costs more than drawing it, and every text is measured too).
    QRawFont Raw;
    bool Unshaped = false;
    std::shared_ptr<GlyphTable> Table;
    // Asked for with every text; QFontMetrics looks them up each time.
    int Ascent = 0, Descent = 0;
    explicit FontCache(const TFont& f)
        : Name(f.GetName()), Height(f.GetHeight()), Style(f.GetStyle()), Pitch(f.GetPitch()),
          Orientation(f.GetOrientation()), Font(f.ToQFont()), Metrics(Font),
          Ascent(Metrics.ascent()), Descent(Metrics.descent()) {
        if (Orientation == 0 && !Font.kerning() && !Font.underline() && !Font.strikeOut() &&
            !Font.overline() && Font.hintingPreference() == QFont::PreferNoHinting &&
            Font.capitalization() == QFont::MixedCase && Font.letterSpacing() == 0 &&
            Font.wordSpacing() == 0) {
            Raw = QRawFont::fromFont(Font);
            Unshaped = Raw.isValid() && placesWithoutShaping(Raw);
            if (Unshaped) Table = glyphTableOf(Font);
        }
    }
    bool Matches(const TFont& f) const {
        return Name == f.GetName() && Height == f.GetHeight() && Style == f.GetStyle() &&
               Pitch == f.GetPitch() && Orientation == f.GetOrientation();
    }
    // The text's glyphs and their advances, when the text can do without shaping: every
    // character stands alone and has a glyph in the face (else another font would be needed).
    bool Glyphs(const QString& Text, QVarLengthArray<quint32, 128>& Indexes,
                QVarLengthArray<QPointF, 128>& Advances) const {
        if (!Unshaped || Text.isEmpty()) return false;
        const qsizetype n = Text.size();
        Indexes.resize(n);
        Advances.resize(n);
        for (qsizetype i = 0; i < n; ++i) {
            const QChar c = Text[i];
            const char16_t u = c.unicode();
            quint32 g = u < GlyphTable::Size ? Table->Glyph[u] : GlyphTable::Unknown;
            qreal advance = g != GlyphTable::Unknown ? Table->Advance[u] : 0;
            if (g == GlyphTable::Unknown) {
                if (!standsAlone(c)) return false;
                int one = 1;
                QPointF a;
                if (!Raw.glyphIndexesForChars(&c, 1, &g, &one) || one != 1) g = 0;
                if (g != 0 && !Raw.advancesForGlyphIndexes(&g, &a, 1, QRawFont::UseDesignMetrics))
                    g = 0;
                advance = a.x();
                if (u < GlyphTable::Size) {
                    Table->Glyph[u] = g;
                    Table->Advance[u] = advance;
                }
            }
            if (g == 0) return false; // another font would draw it
            Indexes[i] = g;
            Advances[i] = QPointF(advance, 0);
        }
        return true;
    }
    // Draws the text as one run of glyphs with its baseline starting at At, each glyph after
    // the advances of those before it (or the given advances of the characters); false, and
    // nothing drawn, when the text needs shaping.
    bool Draw(QPainter* P, QPointF At, const QString& Text, const std::vector<int>* Dx) const {
        // Only devices that place the glyphs they are given: a recorded picture keeps the text
        // of what is drawn, which a run of glyphs does not carry.
        const QPaintEngine* engine = P->paintEngine();
        if (!engine ||
            (engine->type() != QPaintEngine::Raster && engine->type() != QPaintEngine::Pdf))
            return false;
        QVarLengthArray<quint32, 128> glyphs;
        QVarLengthArray<QPointF, 128> advances;
        if (!Glyphs(Text, glyphs, advances) || (Dx && glyphs.size() != Text.size())) return false;
        QVarLengthArray<QPointF, 128> positions(glyphs.size());
        qreal x = 0;
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            positions[i] = QPointF(x, 0);
            if (!Dx)
                x += advances[i].x();
            else if (size_t(i) < Dx->size())
                x += (*Dx)[size_t(i)];
            else
                x += qRound(advances[i].x());
        }
        QGlyphRun run;
        run.setRawFont(Raw);
        run.setRawData(glyphs.constData(), positions.constData(), int(glyphs.size()));
        P->drawGlyphRun(At, run);
        return true;
    }
    // The width of a text as QFontMetrics gives it (its advances summed and rounded).
    int Width(const QString& Text) const {
        QVarLengthArray<quint32, 128> glyphs;
        QVarLengthArray<QPointF, 128> advances;
        if (!Glyphs(Text, glyphs, advances)) return Metrics.horizontalAdvance(Text);
        qreal w = 0;
        for (const QPointF& a : advances)
            w += a.x();
        return qRound(w);
    }
};

const TCanvas::FontCache& TCanvas::fontCache() {
    if (!fontCacheData || !fontCacheData->Matches(*font))
        fontCacheData = std::make_unique<FontCache>(*font);
    return *fontCacheData;
}

struct TCanvas::SavedState {
    bool hasClip = false;
    QRegion clip;
    TPoint org, viewport, penPos;
    TFont font;
    TPen pen;
    TBrush brush;
    int bkMode = OPAQUE;
    TColor bkColor = clWhite, textColor = clBlack;
    unsigned textAlign = 0;
    int charExtra = 0;
    TCopyMode copyMode = cmSrcCopy;
};

TCanvas::TCanvas()
    : font(std::make_unique<TFont>()), pen(std::make_unique<TPen>()),
      brush(std::make_unique<TBrush>()) {
    font->OnChange = [this](TObject* s) { fontChanged(s); };
    brush->OnChange = [this](TObject* s) { brushChanged(s); };
    textColor = font->GetColor();
    bkColor = brush->GetColor();
}

TCanvas::~TCanvas() {
    if (ownPainter && painter) {
        painter->end();
        delete painter;
    }
}

void TCanvas::fontChanged(TObject*) {
    textColor = font->GetColor();
}

void TCanvas::brushChanged(TObject*) {
    // As the platform's canvas: a solid brush gives an opaque background in its colour; any
    // other style a transparent one (hatches keep their gaps).
    if (brush->GetStyle() == bsSolid) {
        bkMode = OPAQUE;
        bkColor = brush->GetColor();
    } else {
        bkMode = TRANSPARENT;
        bkColor = TColor(~uint32_t(ColorToRGB(brush->GetColor())) & 0xFFFFFFu);
    }
}

QPainter* TCanvas::GetHandle() {
    requireHandle();
    return painter;
}

void TCanvas::requireHandle() {
    if (!painter) CreateHandle();
}

void TCanvas::CreateHandle() {
    if (device) BeginOwnPainter(device);
}

void TCanvas::BeginOwnPainter(QPaintDevice* Device) {
    FreeHandle();
    auto* p = new QPainter();
    if (!p->begin(Device)) {
        delete p;
        return;
    }
    painter = p;
    ownPainter = true;
    baseTransform = QTransform();
    hasBaseClip = false;
    baseClip = QRegion();
    applyTransform();
}

void TCanvas::SetHandle(QPainter* Painter) {
    FreeHandle();
    // A new device context: clip, origin and saved states of the old one are gone.
    hasClip = false;
    clipRegion = QRegion();
    windowOrg = TPoint{};
    viewportOrg = TPoint{};
    saved.clear();
    painter = Painter;
    ownPainter = false;
    if (painter) {
        baseTransform = painter->transform();
        hasBaseClip = painter->hasClipping();
        baseClip = hasBaseClip ? painter->clipRegion() : QRegion();
        applyTransform();
    }
}

void TCanvas::SetDevice(QPaintDevice* Device) {
    SetHandle(nullptr);
    device = Device;
}

QPaintDevice* TCanvas::GetDevice() const {
    if (device) return device;
    return painter ? painter->device() : nullptr;
}

void TCanvas::FreeHandle() {
    if (painter && ownPainter) {
        painter->end();
        delete painter;
    }
    painter = nullptr;
    ownPainter = false;
    hasBaseClip = false;
    baseClip = QRegion();
}

TSize TCanvas::GetDeviceSize() {
    QPaintDevice* d = GetDevice();
    if (!d) return {};
    return TSize{d->width(), d->height()};
}

TCanvasState TCanvas::GetState() const {
    if (!painter) return {};
    return {csHandleValid, csFontValid, csPenValid, csBrushValid};
}

// Transform and clip: the painter's base transform, the clip region (in base coordinates),
// then the window origin.
void TCanvas::applyTransform() {
    if (!painter) return;
    painter->setTransform(baseTransform);
    if (hasClip && hasBaseClip)
        painter->setClipRegion(clipRegion.intersected(baseClip));
    else if (hasClip)
        painter->setClipRegion(clipRegion);
    else if (hasBaseClip)
        painter->setClipRegion(baseClip);
    else
        painter->setClipping(false);
    painter->translate(shiftX(), shiftY());
}

bool TCanvas::deviceVisible(const QPoint& P) const {
    return (!hasClip || clipRegion.contains(P)) && (!hasBaseClip || baseClip.contains(P));
}

void TCanvas::DrawImage(const TRect& Dest, const QImage& Image) {
    if (Image.isNull()) return;
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (!painter) return;
    painter->save();
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter->drawImage(toQRect(gfx::normalized(Dest)), Image);
    painter->restore();
}

void TCanvas::DrawImage(int X, int Y, const QImage& Image) {
    DrawImage(TRect{X, Y, X + Image.width(), Y + Image.height()}, Image);
}

QPoint TCanvas::toDevice(int X, int Y) const {
    return baseTransform.map(QPoint(X + shiftX(), Y + shiftY()));
}

QImage* TCanvas::DirectImage() {
    QPaintDevice* d = GetDevice();
    if (d && d->devType() == QInternal::Image) return static_cast<QImage*>(d);
    return nullptr;
}

// ---- modes ----

int TCanvas::SetBkMode(int Mode) {
    int old = bkMode;
    bkMode = Mode;
    return old;
}

TColor TCanvas::SetBkColor(TColor C) {
    TColor old = bkColor;
    bkColor = C;
    return old;
}

TColor TCanvas::SetTextColor(TColor C) {
    TColor old = textColor;
    textColor = C;
    return old;
}

unsigned TCanvas::SetTextAlign(unsigned Align) {
    unsigned old = textAlign;
    textAlign = Align;
    return old;
}

int TCanvas::SetTextCharacterExtra(int Extra) {
    int old = charExtra;
    charExtra = Extra;
    return old;
}

TPoint TCanvas::SetWindowOrg(int X, int Y) {
    TPoint old = windowOrg;
    windowOrg = TPoint{X, Y};
    applyTransform();
    return old;
}

void TCanvas::MoveWindowOrg(int DX, int DY) {
    SetWindowOrg(windowOrg.X + DX, windowOrg.Y + DY);
}

TPoint TCanvas::SetViewportOrg(int X, int Y) {
    TPoint old = viewportOrg;
    viewportOrg = TPoint{X, Y};
    applyTransform();
    return old;
}

void TCanvas::MoveViewportOrg(int DX, int DY) {
    SetViewportOrg(viewportOrg.X + DX, viewportOrg.Y + DY);
}

int TCanvas::SetStretchBltMode(int Mode) {
    int old = stretchMode;
    stretchMode = Mode;
    return old;
}

// ---- clipping ----

namespace {
QRect hugeRect() {
    return QRect(-1000000, -1000000, 2000000, 2000000);
}
} // namespace

TRect TCanvas::GetClipRect() {
    QRect r;
    if (hasClip || hasBaseClip) {
        r = (hasClip && hasBaseClip ? clipRegion.intersected(baseClip)
             : hasClip              ? clipRegion
                                    : baseClip)
                .boundingRect();
    } else {
        TSize s = GetDeviceSize();
        r = QRect(0, 0, s.cx, s.cy);
    }
    r.translate(-shiftX(), -shiftY());
    return gfx::fromQRect(r);
}

bool TCanvas::GetClipRgn(QRegion& Region) const {
    if (!hasClip) {
        Region = QRegion();
        return false;
    }
    Region = clipRegion.translated(-shiftX(), -shiftY());
    return true;
}

void TCanvas::SelectClipRgn(const QRegion* Rgn) {
    if (!Rgn) {
        hasClip = false;
        clipRegion = QRegion();
    } else {
        hasClip = true;
        clipRegion = Rgn->translated(shiftX(), shiftY());
    }
    applyTransform();
}

void TCanvas::SelectClipRect(const TRect& R) {
    QRegion rg(toQRect(gfx::normalized(R)));
    SelectClipRgn(&rg);
}

void TCanvas::IntersectClipRect(const TRect& R) {
    QRegion rg(toQRect(gfx::normalized(R)).translated(shiftX(), shiftY()));
    clipRegion = hasClip ? clipRegion.intersected(rg) : rg;
    hasClip = true;
    applyTransform();
}

void TCanvas::ExcludeClipRect(const TRect& R) {
    QRegion rg(toQRect(gfx::normalized(R)).translated(shiftX(), shiftY()));
    if (!hasClip) {
        TSize s = GetDeviceSize();
        clipRegion = s.cx > 0 ? QRegion(0, 0, s.cx, s.cy) : QRegion(hugeRect());
    }
    clipRegion = clipRegion.subtracted(rg);
    hasClip = true;
    applyTransform();
}

bool TCanvas::PtVisible(int X, int Y) {
    QPoint p(X + shiftX(), Y + shiftY());
    if (hasBaseClip && !baseClip.contains(p)) return false;
    if (hasClip) return clipRegion.contains(p);
    TSize s = GetDeviceSize();
    return s.cx == 0 || QRect(0, 0, s.cx, s.cy).contains(p);
}

bool TCanvas::RectVisible(const TRect& R) {
    QRect q = toQRect(gfx::normalized(R)).translated(shiftX(), shiftY());
    if (hasBaseClip && !baseClip.intersects(q)) return false;
    if (hasClip) return clipRegion.intersects(q);
    TSize s = GetDeviceSize();
    return s.cx == 0 || QRect(0, 0, s.cx, s.cy).intersects(q);
}

// ---- state save ----

int TCanvas::SaveDC() {
    auto st = std::make_unique<SavedState>();
    st->hasClip = hasClip;
    st->clip = clipRegion;
    st->org = windowOrg;
    st->viewport = viewportOrg;
    st->penPos = penPos;
    st->font.Assign(font.get());
    st->pen.Assign(pen.get());
    st->brush.Assign(brush.get());
    st->bkMode = bkMode;
    st->bkColor = bkColor;
    st->textColor = textColor;
    st->textAlign = textAlign;
    st->charExtra = charExtra;
    st->copyMode = copyMode;
    saved.push_back(std::move(st));
    return int(saved.size());
}

bool TCanvas::RestoreDC(int SavedDC) {
    int index = SavedDC < 0 ? int(saved.size()) + SavedDC : SavedDC - 1;
    if (index < 0 || index >= int(saved.size())) return false;
    std::unique_ptr<SavedState> st = std::move(saved[size_t(index)]);
    saved.resize(size_t(index));
    font->Assign(&st->font);
    pen->Assign(&st->pen);
    brush->Assign(&st->brush);
    hasClip = st->hasClip;
    clipRegion = st->clip;
    windowOrg = st->org;
    viewportOrg = st->viewport;
    penPos = st->penPos;
    bkMode = st->bkMode;
    bkColor = st->bkColor;
    textColor = st->textColor;
    textAlign = st->textAlign;
    charExtra = st->charExtra;
    copyMode = st->copyMode;
    applyTransform();
    return true;
}

// ---- pens and brushes ----

QPen TCanvas::makePen() const {
    TPenStyle st = pen->GetStyle();
    TPenMode m = pen->GetMode();
    if (st == psClear || m == pmNop) return QPen(Qt::NoPen);
    QColor c = m == pmBlack   ? QColor(Qt::black)
               : m == pmWhite ? QColor(Qt::white)
               : m == pmNot   ? QColor(Qt::white)
                              : ColorToQColor(pen->GetColor());
    int w = pen->GetWidth();
    QPen p(c);
    p.setWidth(w <= 1 ? 1 : w);
    p.setCapStyle(w <= 1 ? Qt::FlatCap : Qt::RoundCap);
    p.setJoinStyle(w <= 1 ? Qt::MiterJoin : Qt::RoundJoin);
    // The platform's dash patterns, for thin pens only (wide pens are solid there).
    if (w <= 1) {
        switch (st) {
        case psDash:
            p.setDashPattern({18, 6});
            break;
        case psDot:
            p.setDashPattern({3, 3});
            break;
        case psDashDot:
            p.setDashPattern({9, 6, 3, 6});
            break;
        case psDashDotDot:
            p.setDashPattern({9, 3, 3, 3, 3, 3});
            break;
        default:
            break;
        }
    }
    return p;
}

QBrush TCanvas::makeBrush() const {
    if (TBitmap* b = brush->GetBitmap(); b && !b->GetEmpty()) return QBrush(b->ToImage());
    QColor c = ColorToQColor(brush->GetColor());
    switch (brush->GetStyle()) {
    case bsSolid:
        return QBrush(c);
    case bsClear:
        return QBrush(Qt::NoBrush);
    case bsHorizontal:
        return QBrush(c, Qt::HorPattern);
    case bsVertical:
        return QBrush(c, Qt::VerPattern);
    case bsFDiagonal:
        return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal:
        return QBrush(c, Qt::BDiagPattern);
    case bsCross:
        return QBrush(c, Qt::CrossPattern);
    case bsDiagCross:
        return QBrush(c, Qt::DiagCrossPattern);
    }
    return QBrush(c);
}

void TCanvas::setupShape(QPainter* p, bool withBrush) {
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setPen(makePen());
    p->setBrush(withBrush ? makeBrush() : QBrush(Qt::NoBrush));
    p->setBackgroundMode(bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    p->setBackground(QBrush(ColorToQColor(bkColor)));
    p->setCompositionMode(penComposition(pen->GetMode()));
}

void TCanvas::endShape(QPainter* p) {
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// ---- lines and shapes ----

void TCanvas::MoveTo(int X, int Y) {
    penPos = TPoint{X, Y};
}

void TCanvas::LineTo(int X, int Y) {
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (painter && !(penPos.X == X && penPos.Y == Y)) {
        setupShape(painter, false);
        if (pen->GetWidth() <= 1) {
            // The end point is not painted: stop one step short along the major axis.
            int dx = X - penPos.X, dy = Y - penPos.Y;
            int n = std::max(std::abs(dx), std::abs(dy));
            double ex = penPos.X + double(dx) * (n - 1) / n;
            double ey = penPos.Y + double(dy) * (n - 1) / n;
            QPoint end(int(std::lround(ex)), int(std::lround(ey)));
            QPen p = painter->pen();
            p.setCapStyle(Qt::SquareCap);
            painter->setPen(p);
            if (end == QPoint(penPos.X, penPos.Y))
                painter->drawPoint(end);
            else
                painter->drawLine(QPoint(penPos.X, penPos.Y), end);
        } else {
            painter->drawLine(QPoint(penPos.X, penPos.Y), QPoint(X, Y));
        }
        endShape(painter);
    }
    penPos = TPoint{X, Y};
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
    Polyline(Points.data(), int(Points.size()));
}

void TCanvas::Polyline(const TPoint* Points, int Count) {
    if (Count < 2) return;
    TPoint keep = penPos;
    MoveTo(Points[0].X, Points[0].Y);
    for (int i = 1; i < Count; ++i)
        LineTo(Points[i].X, Points[i].Y);
    penPos = keep;
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
    Polygon(Points.data(), int(Points.size()));
}

void TCanvas::Polygon(const TPoint* Points, int Count) {
    if (Count < 2) return;
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (!painter) return;
    QPolygon poly;
    for (int i = 0; i < Count; ++i)
        poly << QPoint(Points[i].X, Points[i].Y);
    setupShape(painter, true);
    // Fill first (interior as the platform fills it), then the outline.
    QPen outline = painter->pen();
    painter->setPen(Qt::NoPen);
    painter->drawPolygon(poly, Qt::OddEvenFill);
    painter->setPen(outline);
    painter->setBrush(Qt::NoBrush);
    painter->drawPolygon(poly, Qt::OddEvenFill);
    endShape(painter);
}

void TCanvas::PolyBezier(const std::vector<TPoint>& Points) {
    if (Points.size() < 4) return;
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (!painter) return;
    QPainterPath path(QPointF(Points[0].X, Points[0].Y));
    for (size_t i = 1; i + 2 < Points.size(); i += 3)
        path.cubicTo(Points[i].X, Points[i].Y, Points[i + 1].X, Points[i + 1].Y, Points[i + 2].X,
                     Points[i + 2].Y);
    setupShape(painter, false);
    painter->drawPath(path);
    endShape(painter);
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (!painter) return;
    TRect r = gfx::normalized(TRect{X1, Y1, X2, Y2});
    if (r.Width() <= 0 || r.Height() <= 0) return;
    setupShape(painter, true);
    int w = pen->GetWidth();
    bool noPen = painter->pen().style() == Qt::NoPen;
    if (noPen) {
        // Without an outline the platform fills one pixel less to the right and bottom.
        painter->fillRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1), painter->brush());
    } else if (w <= 1) {
        // Outline on Left..Right-1 and Top..Bottom-1, interior filled by the brush.
        if (painter->brush().style() != Qt::NoBrush && r.Width() > 2 && r.Height() > 2)
            painter->fillRect(QRect(r.Left + 1, r.Top + 1, r.Width() - 2, r.Height() - 2),
                              painter->brush());
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
    } else {
        QRectF f(r.Left + w / 2.0, r.Top + w / 2.0, r.Width() - w, r.Height() - w);
        if (pen->GetStyle() != psInsideFrame)
            f = QRectF(r.Left + 0.5 * (w % 2), r.Top + 0.5 * (w % 2), r.Width() - 1,
                       r.Height() - 1);
        QPen p = painter->pen();
        p.setJoinStyle(Qt::MiterJoin);
        painter->setPen(p);
        painter->drawRect(f);
    }
    endShape(painter);
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (!painter) return;
    TRect r = gfx::normalized(TRect{X1, Y1, X2, Y2});
    setupShape(painter, true);
    painter->drawRoundedRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1), X3 / 2.0,
                             Y3 / 2.0, Qt::AbsoluteSize);
    endShape(painter);
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (!painter) return;
    TRect r = gfx::normalized(TRect{X1, Y1, X2, Y2});
    setupShape(painter, true);
    painter->drawEllipse(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
    endShape(painter);
}

namespace {
// Angle in Qt's 1/16 degrees (counter-clockwise, y down) of the ray from the centre to (x, y).
int rayAngle16(const QRectF& box, int x, int y) {
    QPointF c = box.center();
    double a = std::atan2(-(y - c.y()) * box.width() / std::max(1.0, box.height()), x - c.x());
    return int(std::lround(a * 180.0 / M_PI * 16.0));
}
} // namespace

void TCanvas::arcShape(const TRect& Bounds, int X3, int Y3, int X4, int Y4, bool WithBrush,
                       void (QPainter::*Draw)(const QRectF&, int, int)) {
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (!painter) return;
    TRect r = gfx::normalized(Bounds);
    QRectF box(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
    int a1 = rayAngle16(box, X3, Y3), a2 = rayAngle16(box, X4, Y4);
    int span = a2 - a1;
    if (span <= 0) span += 360 * 16;
    setupShape(painter, WithBrush);
    (painter->*Draw)(box, a1, span);
    endShape(painter);
}

void TCanvas::Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
    arcShape(TRect{X1, Y1, X2, Y2}, X3, Y3, X4, Y4, false,
             static_cast<void (QPainter::*)(const QRectF&, int, int)>(&QPainter::drawArc));
}

void TCanvas::Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
    arcShape(TRect{X1, Y1, X2, Y2}, X3, Y3, X4, Y4, true,
             static_cast<void (QPainter::*)(const QRectF&, int, int)>(&QPainter::drawChord));
}

void TCanvas::Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
    arcShape(TRect{X1, Y1, X2, Y2}, X3, Y3, X4, Y4, true,
             static_cast<void (QPainter::*)(const QRectF&, int, int)>(&QPainter::drawPie));
}

void TCanvas::FillRect(const TRect& R) {
    if (R.Right <= R.Left || R.Bottom <= R.Top || brush->GetStyle() == bsClear) return;
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (!painter) return;
    painter->setBackgroundMode(bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    painter->setBackground(QBrush(ColorToQColor(bkColor)));
    painter->fillRect(toQRect(R), makeBrush());
}

void TCanvas::FillSolid(const TRect& R, TColor Color) {
    if (R.Right <= R.Left || R.Bottom <= R.Top) return;
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (!painter) return;
    painter->fillRect(toQRect(R), ColorToQColor(Color));
}

void TCanvas::FrameRect(const TRect& R) {
    if (R.Right <= R.Left || R.Bottom <= R.Top) return;
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (!painter) return;
    QBrush b = makeBrush();
    int w = R.Width(), h = R.Height();
    painter->fillRect(QRect(R.Left, R.Top, w, 1), b);
    painter->fillRect(QRect(R.Left, R.Bottom - 1, w, 1), b);
    painter->fillRect(QRect(R.Left, R.Top, 1, h), b);
    painter->fillRect(QRect(R.Right - 1, R.Top, 1, h), b);
}

void TCanvas::DrawFocusRect(const TRect& R) {
    if (R.Right <= R.Left || R.Bottom <= R.Top) return;
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (!painter) return;
    // Every other pixel of the border (by parity of x + y) is inverted.
    QPolygon pts;
    auto add = [&](int x, int y) {
        if (((x + y) & 1) == 0) pts << QPoint(x, y);
    };
    for (int x = R.Left; x < R.Right; ++x) {
        add(x, R.Top);
        if (R.Bottom - 1 > R.Top) add(x, R.Bottom - 1);
    }
    for (int y = R.Top + 1; y < R.Bottom - 1; ++y) {
        add(R.Left, y);
        if (R.Right - 1 > R.Left) add(R.Right - 1, y);
    }
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen p(Qt::white);
    p.setWidth(1);
    painter->setPen(p);
    painter->drawPoints(pts);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::InvertRect(const TRect& R) {
    if (R.Right <= R.Left || R.Bottom <= R.Top) return;
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (!painter) return;
    painter->setCompositionMode(QPainter::RasterOp_NotDestination);
    painter->fillRect(toQRect(R), Qt::white);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::FloodFill(int X, int Y, TColor Color, TFillStyle FillStyle) {
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    QImage* img = DirectImage();
    if (!img) return;
    QPoint start = toDevice(X, Y);
    if (!img->rect().contains(start)) return;
    const uint32_t target = colorToPixel(Color) | 0xFF000000u;
    const uint32_t fill = colorToPixel(brush->GetColor());
    auto at = [&](int x, int y) { return reinterpret_cast<uint32_t*>(img->scanLine(y)) + x; };
    auto inside = [&](int x, int y) {
        uint32_t v = *at(x, y) | 0xFF000000u;
        if (!deviceVisible(QPoint(x, y))) return false;
        return FillStyle == fsSurface ? v == target : v != target;
    };
    if (!inside(start.x(), start.y()) || (*at(start.x(), start.y()) | 0xFF000000u) == fill) return;
    std::vector<uint8_t> seen(size_t(img->width()) * size_t(img->height()), 0);
    std::deque<QPoint> queue{start};
    while (!queue.empty()) {
        QPoint p = queue.front();
        queue.pop_front();
        if (!img->rect().contains(p)) continue;
        size_t k = size_t(p.y()) * size_t(img->width()) + size_t(p.x());
        if (seen[k] || !inside(p.x(), p.y())) continue;
        seen[k] = 1;
        *at(p.x(), p.y()) = fill;
        queue.push_back(QPoint(p.x() + 1, p.y()));
        queue.push_back(QPoint(p.x() - 1, p.y()));
        queue.push_back(QPoint(p.x(), p.y() + 1));
        queue.push_back(QPoint(p.x(), p.y() - 1));
    }
}

// ---- text ----

namespace {

QString withoutPrefix(const QString& s, int& underlineAt) {
    QString out;
    underlineAt = -1;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == u'&' && i + 1 < s.size()) {
            ++i;
            if (s[i] != u'&') underlineAt = int(out.size());
        } else if (s[i] == u'&') {
            continue;
        }
        out += s[i];
    }
    return out;
}

} // namespace

int TCanvas::TextWidth(const QString& Text) {
    return TextExtent(Text).cx;
}

int TCanvas::TextHeight(const QString& Text) {
    return TextExtent(Text).cy;
}

TSize TCanvas::TextExtent(const QString& Text) {
    const FontCache& fc = fontCache();
    int w = (Text.isEmpty() ? 0 : fc.Width(Text)) + charExtra * int(Text.size());
    return TSize{w, fc.Ascent + fc.Descent};
}

void TCanvas::GetTextMetrics(TTextMetric& TM) {
    const QFont& f = fontCache().Font;
    const QFontMetrics& fm = fontCache().Metrics;
    TM = TTextMetric();
    TM.tmAscent = fontCache().Ascent;
    TM.tmDescent = fontCache().Descent;
    TM.tmHeight = TM.tmAscent + TM.tmDescent;
    TM.tmInternalLeading = std::max(0, TM.tmHeight - f.pixelSize());
    TM.tmExternalLeading = std::max(0, fm.leading());
    TM.tmAveCharWidth = fm.averageCharWidth();
    TM.tmMaxCharWidth = fm.maxWidth();
    TM.tmWeight = font->GetStyle().Contains(fsBold) ? 700 : 400;
    TM.tmItalic = font->GetStyle().Contains(fsItalic) ? 1 : 0;
    TM.tmUnderlined = font->GetStyle().Contains(fsUnderline) ? 1 : 0;
    TM.tmStruckOut = font->GetStyle().Contains(fsStrikeOut) ? 1 : 0;
    QString fam = f.family();
    uint8_t family = fam.contains(QLatin1String("Mono")) ? 0x30
                     : fam.contains(QLatin1String("Serif")) && !fam.contains(QLatin1String("Sans"))
                         ? 0x10
                         : 0x20;
    bool fixed = QFontInfo(f).fixedPitch();
    TM.tmPitchAndFamily = uint8_t(family | 0x06 | (fixed ? 0 : 1));
    TM.tmCharSet = font->GetCharset() == DEFAULT_CHARSET ? RUSSIAN_CHARSET : font->GetCharset();
}

void TCanvas::recordText(int X, int Y, const QString& Text, int Width, int Height) {
    if (!recorder || Text.isEmpty()) return;
    TTextRecord r;
    r.Text = Text;
    r.Origin = TPoint{X + shiftX(), Y + shiftY()};
    r.Bounds = TRect{r.Origin.X, r.Origin.Y, r.Origin.X + Width, r.Origin.Y + Height};
    r.FontName = font->GetName();
    r.FontHeight = font->GetHeight();
    r.FontStyle = font->GetStyle();
    r.Color = textColor;
    recorder->Items.push_back(std::move(r));
}

// Draws one line with its cell's top-left at (X, Y), in the text colour, without background.
void TCanvas::drawTextLine(int X, int Y, const QString& Shown, int UnderlineAt) {
    const FontCache& fc = fontCache();
    const QFont& f = fc.Font;
    const QFontMetrics& fm = fc.Metrics;
    painter->setPen(ColorToQColor(textColor));
    painter->setBackgroundMode(Qt::TransparentMode);
    int orient = font->GetOrientation();
    // The whole line in one run of glyphs when it needs no shaping.
    if (orient == 0 && charExtra == 0 &&
        fc.Draw(painter, QPointF(X, Y + fontCache().Ascent), Shown, nullptr)) {
    } else {
        painter->setFont(f);
        if (orient != 0) {
            painter->save();
            painter->translate(X, Y);
            painter->rotate(-orient / 10.0);
            painter->drawText(QPoint(0, fontCache().Ascent), Shown);
            painter->restore();
        } else if (charExtra != 0) {
            int x = X;
            for (QChar ch : Shown) {
                painter->drawText(QPoint(x, Y + fontCache().Ascent), QString(ch));
                x += fm.horizontalAdvance(ch) + charExtra;
            }
        } else {
            painter->drawText(QPoint(X, Y + fontCache().Ascent), Shown);
        }
    }
    if (UnderlineAt >= 0 && UnderlineAt < Shown.size()) {
        int x0 = X + fc.Width(Shown.left(UnderlineAt)) + charExtra * UnderlineAt;
        int w = fm.horizontalAdvance(Shown[UnderlineAt]);
        painter->fillRect(QRect(x0, Y + fontCache().Ascent + 1, w, 1), ColorToQColor(textColor));
    }
}

void TCanvas::TextOut(int X, int Y, const QString& Text) {
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    TSize ext = TextExtent(Text);
    int x = (textAlign & TA_UPDATECP) ? penPos.X : X;
    int y = (textAlign & TA_UPDATECP) ? penPos.Y : Y;
    if ((textAlign & TA_CENTER) == TA_CENTER)
        x -= ext.cx / 2;
    else if (textAlign & TA_RIGHT)
        x -= ext.cx;
    if ((textAlign & TA_BASELINE) == TA_BASELINE)
        y -= fontCache().Ascent;
    else if (textAlign & TA_BOTTOM)
        y -= ext.cy;
    recordText(x, y, Text, ext.cx, ext.cy);
    requireHandle();
    if (painter) {
        if (bkMode == OPAQUE)
            painter->fillRect(QRect(x, y, ext.cx, ext.cy), ColorToQColor(bkColor));
        drawTextLine(x, y, Text, -1);
    }
    penPos = TPoint{X + ext.cx, Y};
}

void TCanvas::TextRect(const TRect& Rect, int X, int Y, const QString& Text) {
    int options = ETO_CLIPPED | textFlags;
    if (brush->GetStyle() != bsClear) options |= ETO_OPAQUE;
    ExtTextOut(X, Y, options, &Rect, Text, nullptr);
}

void TCanvas::ExtTextOut(int X, int Y, int Options, const TRect* Rect, const QString& Text,
                         const std::vector<int>* Dx) {
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    const QFont& f = fontCache().Font;
    const QFontMetrics& fm = fontCache().Metrics;
    int h = fontCache().Ascent + fontCache().Descent;
    int w = 0;
    const bool opaqueCell = bkMode == OPAQUE && !(Rect && (Options & ETO_OPAQUE));
    if (Dx) {
        for (size_t i = 0; i < size_t(Text.size()) && i < Dx->size(); ++i)
            w += (*Dx)[i];
    } else if (recorder || opaqueCell) {
        // Measured only for the record and the cell's background: measuring is dear.
        w = fontCache().Width(Text) + charExtra * int(Text.size());
    }
    recordText(X, Y, Text, w, h);
    if (!painter) return;
    painter->save();
    if (Rect && (Options & ETO_OPAQUE)) painter->fillRect(toQRect(*Rect), ColorToQColor(bkColor));
    if (Rect && (Options & ETO_CLIPPED))
        painter->setClipRect(toQRect(*Rect),
                             painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    if (opaqueCell) painter->fillRect(QRect(X, Y, w, h), ColorToQColor(bkColor));
    if (Dx) {
        painter->setPen(ColorToQColor(textColor));
        // The background, when there is one, is filled above.
        painter->setBackgroundMode(Qt::TransparentMode);
        // One run of glyphs at the given advances, else character by character.
        if (!fontCache().Draw(painter, QPointF(X, Y + fontCache().Ascent), Text, Dx)) {
            painter->setFont(f);
            int x = X;
            for (size_t i = 0; i < size_t(Text.size()); ++i) {
                painter->drawText(QPoint(x, Y + fontCache().Ascent), QString(Text[qsizetype(i)]));
                x += i < Dx->size() ? (*Dx)[i] : fm.horizontalAdvance(Text[qsizetype(i)]);
            }
        }
    } else {
        drawTextLine(X, Y, Text, -1);
    }
    painter->restore();
}

namespace {

struct TextLine {
    QString Text;
    int Underline = -1;
    int Width = 0;
};

} // namespace

int TCanvas::DrawText(const QString& Text, TRect& Rect, unsigned Format) {
    int tabChars = (Format & DT_TABSTOP) ? int((Format >> 8) & 0xFF) : 8;
    if (Format & DT_TABSTOP) Format &= ~0xFF00u;
    return drawText(Text, Rect, Format, tabChars);
}

int TCanvas::DrawTextEx(const QString& Text, TRect& Rect, unsigned Format, DRAWTEXTPARAMS* Params) {
    int tabChars = 8;
    if (Format & DT_TABSTOP) {
        tabChars = Params && Params->iTabLength > 0 ? Params->iTabLength : 8;
        Format &= ~DT_TABSTOP;
    }
    TRect r = Rect;
    if (Params) {
        r.Left += Params->iLeftMargin;
        r.Right -= Params->iRightMargin;
        Params->uiLengthDrawn = unsigned(Text.size());
    }
    int h = drawText(Text, r, Format, tabChars);
    if (Format & DT_CALCRECT) {
        Rect.Right = r.Right + (Params ? Params->iRightMargin : 0);
        Rect.Bottom = r.Bottom;
    }
    return h;
}

int TCanvas::drawText(const QString& Text, TRect& Rect, unsigned Format, int tabChars) {
    const QFontMetrics& fm = fontCache().Metrics;
    const int lineHeight = fontCache().Ascent + fontCache().Descent +
                           ((Format & DT_EXTERNALLEADING) ? std::max(0, fm.leading()) : 0);
    const bool single = Format & DT_SINGLELINE;
    const bool expandTabs = Format & DT_EXPANDTABS;
    if (tabChars <= 0) tabChars = 8;
    const int tabWidth = std::max(1, tabChars * fm.averageCharWidth());

    if (Text.isEmpty()) {
        if (Format & DT_CALCRECT) {
            Rect.Right = Rect.Left;
            Rect.Bottom = single ? Rect.Top + lineHeight : Rect.Top;
        }
        return 0;
    }

    // Width of a piece of text with tabs expanded from the line start.
    auto measure = [&](const QString& s) {
        if (!expandTabs || !s.contains(u'\t'))
            return fontCache().Width(s) + charExtra * int(s.size());
        int x = 0;
        int start = 0;
        for (int i = 0; i <= s.size(); ++i) {
            if (i == s.size() || s[i] == u'\t') {
                QString seg = s.mid(start, i - start);
                x += fontCache().Width(seg) + charExtra * int(seg.size());
                if (i < s.size()) x = (x / tabWidth + 1) * tabWidth;
                start = i + 1;
            }
        }
        return x;
    };

    // Paragraphs.
    QStringList paragraphs;
    if (single) {
        QString s = Text;
        s.remove(u'\r');
        s.remove(u'\n');
        paragraphs << s;
    } else {
        QString s = Text;
        s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        s.replace(u'\r', u'\n');
        paragraphs = s.split(u'\n');
    }

    const int maxWidth = Rect.Right - Rect.Left;
    const bool wrap = (Format & DT_WORDBREAK) && !single;
    std::vector<TextLine> lines;
    for (const QString& para : paragraphs) {
        int ul = -1;
        QString shown = (Format & DT_NOPREFIX) ? para : withoutPrefix(para, ul);
        if (!wrap || measure(shown) <= maxWidth) {
            lines.push_back({shown, ul, measure(shown)});
            continue;
        }
        // Greedy word wrap: break at blanks; the blanks at a break are dropped. A word
        // longer than the line stays whole unless DT_EDITCONTROL asks to break it.
        const int n = int(shown.size());
        int pos = 0;
        while (pos < n) {
            int end = pos;
            int i = pos;
            for (;;) {
                int wEnd = i;
                while (wEnd < n && shown[wEnd] == u' ')
                    ++wEnd;
                while (wEnd < n && shown[wEnd] != u' ')
                    ++wEnd;
                bool fits = measure(shown.mid(pos, wEnd - pos)) <= maxWidth;
                if (!fits && end > pos) break;
                if (!fits && (Format & DT_EDITCONTROL)) {
                    int k = pos + 1;
                    while (k < wEnd && measure(shown.mid(pos, k + 1 - pos)) <= maxWidth)
                        ++k;
                    end = k;
                    break;
                }
                end = wEnd;
                if (end >= n || !fits) break;
                i = wEnd;
            }
            QString text = shown.mid(pos, end - pos);
            int lineUl = (ul >= pos && ul < end) ? ul - pos : -1;
            lines.push_back({text, lineUl, measure(text)});
            pos = end;
            while (pos < n && shown[pos] == u' ')
                ++pos;
        }
        if (shown.isEmpty()) lines.push_back({QString(), -1, 0});
    }

    if (Format & DT_PATH_ELLIPSIS) {
        // Shorten the part before the last separator, keeping the file name whole.
        const QString dots = QStringLiteral("...");
        for (TextLine& l : lines) {
            if (l.Width <= maxWidth) continue;
            int sep = int(std::max(l.Text.lastIndexOf(u'\\'), l.Text.lastIndexOf(u'/')));
            if (sep <= 0) continue;
            QString head = l.Text.left(sep), tail = l.Text.mid(sep);
            while (!head.isEmpty() && measure(head + dots + tail) > maxWidth)
                head.chop(1);
            l.Text = head + dots + tail;
            l.Width = measure(l.Text);
            l.Underline = -1;
        }
    }
    if (Format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) {
        const QString dots = QStringLiteral("...");
        for (TextLine& l : lines) {
            if (l.Width <= maxWidth) continue;
            QString t = l.Text;
            while (!t.isEmpty() && measure(t + dots) > maxWidth)
                t.chop(1);
            l.Text = t + dots;
            l.Width = measure(l.Text);
            if (l.Underline >= t.size()) l.Underline = -1;
        }
    }

    const int total = lineHeight * int(lines.size());
    int widest = 0;
    for (const TextLine& l : lines)
        widest = std::max(widest, l.Width);

    if (Format & DT_CALCRECT) {
        Rect.Right = Rect.Left + widest;
        Rect.Bottom = Rect.Top + total;
        return total;
    }

    int y = Rect.Top;
    if (single && (Format & DT_VCENTER))
        y = Rect.Top + (Rect.Bottom - Rect.Top - lineHeight) / 2;
    else if (single && (Format & DT_BOTTOM))
        y = Rect.Bottom - lineHeight;

    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    requireHandle();
    if (painter) {
        painter->save();
        if (!(Format & DT_NOCLIP))
            painter->setClipRect(toQRect(Rect),
                                 painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    int ly = y;
    for (const TextLine& l : lines) {
        int x = Rect.Left;
        if (Format & DT_RIGHT)
            x = Rect.Right - l.Width;
        else if (Format & DT_CENTER)
            x = Rect.Left + (maxWidth - l.Width) / 2;
        recordText(x, ly, l.Text, l.Width, lineHeight);
        if (painter) {
            if (bkMode == OPAQUE && l.Width > 0)
                painter->fillRect(QRect(x, ly, l.Width, lineHeight), ColorToQColor(bkColor));
            if (expandTabs && l.Text.contains(u'\t')) {
                // Draw the tab-separated pieces at their stops.
                int start = 0, px = 0;
                for (int i = 0; i <= l.Text.size(); ++i) {
                    if (i == l.Text.size() || l.Text[i] == u'\t') {
                        QString seg = l.Text.mid(start, i - start);
                        int su =
                            (l.Underline >= start && l.Underline < i) ? l.Underline - start : -1;
                        drawTextLine(x + px, ly, seg, su);
                        px += fontCache().Width(seg) + charExtra * int(seg.size());
                        if (i < l.Text.size()) px = (px / tabWidth + 1) * tabWidth;
                        start = i + 1;
                    }
                }
            } else {
                drawTextLine(x, ly, l.Text, (Format & DT_HIDEPREFIX) ? -1 : l.Underline);
            }
        }
        ly += lineHeight;
    }
    if (painter) painter->restore();
    if (single && (Format & (DT_VCENTER | DT_BOTTOM))) return y - Rect.Top + total;
    return total;
}

namespace {
int nextTab(int x, const std::vector<int>& stops, int origin, int defaultTab) {
    if (stops.size() <= 1) {
        int step = stops.empty() ? defaultTab : std::max(1, std::abs(stops[0]));
        int rel = x - origin;
        return origin + (rel / step + 1) * step;
    }
    for (int s : stops)
        if (origin + std::abs(s) > x) return origin + std::abs(s);
    int step = std::max(1, std::abs(stops.back()) - std::abs(stops[stops.size() - 2]));
    int last = origin + std::abs(stops.back());
    return last + ((x - last) / step + 1) * step;
}
} // namespace

TSize TCanvas::GetTabbedTextExtent(const QString& Text, const std::vector<int>& TabStops) {
    const QFontMetrics& fm = fontCache().Metrics;
    int def = 8 * fm.averageCharWidth();
    int x = 0, start = 0;
    for (int i = 0; i <= Text.size(); ++i)
        if (i == Text.size() || Text[i] == u'\t') {
            QString seg = Text.mid(start, i - start);
            x += fontCache().Width(seg) + charExtra * int(seg.size());
            if (i < Text.size()) x = nextTab(x, TabStops, 0, def);
            start = i + 1;
        }
    return TSize{x, fontCache().Ascent + fontCache().Descent};
}

TSize TCanvas::TabbedTextOut(int X, int Y, const QString& Text, const std::vector<int>& TabStops,
                             int TabOrigin) {
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    const QFontMetrics& fm = fontCache().Metrics;
    int h = fontCache().Ascent + fontCache().Descent;
    int def = 8 * fm.averageCharWidth();
    requireHandle();
    int x = X, start = 0;
    for (int i = 0; i <= Text.size(); ++i)
        if (i == Text.size() || Text[i] == u'\t') {
            QString seg = Text.mid(start, i - start);
            int w = fontCache().Width(seg) + charExtra * int(seg.size());
            recordText(x, Y, seg, w, h);
            int nx = x + w;
            if (i < Text.size()) nx = nextTab(nx, TabStops, TabOrigin, def);
            if (painter) {
                if (bkMode == OPAQUE)
                    painter->fillRect(QRect(x, Y, nx - x, h), ColorToQColor(bkColor));
                drawTextLine(x, Y, seg, -1);
            }
            x = nx;
            start = i + 1;
        }
    return TSize{x - X, h};
}

// ---- images ----

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
    if (!Graphic || Graphic->GetEmpty()) return;
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    Graphic->Draw(this, TRect{X, Y, X + Graphic->GetWidth(), Y + Graphic->GetHeight()});
}

void TCanvas::StretchDraw(const TRect& Rect, TGraphic* Graphic) {
    if (!Graphic || Graphic->GetEmpty()) return;
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    Graphic->Draw(this, Rect);
}

QImage TCanvas::ReadPixels(const TRect& R) {
    QImage* img = DirectImage();
    if (!img) return QImage();
    QRect q = toQRect(gfx::normalized(R)).translated(shiftX(), shiftY());
    q = baseTransform.mapRect(q);
    // Outside the image reads as black, as the platform's BitBlt gives.
    QImage out(q.size(), QImage::Format_RGB32);
    out.fill(0xFF000000u);
    QRect part = q.intersected(img->rect());
    for (int y = part.top(); y <= part.bottom(); ++y) {
        const auto* src = reinterpret_cast<const uint32_t*>(img->constScanLine(y));
        auto* dst = reinterpret_cast<uint32_t*>(out.scanLine(y - q.top()));
        for (int x = part.left(); x <= part.right(); ++x)
            dst[x - q.left()] = src[x] | 0xFF000000u;
    }
    return out;
}

// Puts Src (already the size of Dest) on the canvas with a raster operation.
void TCanvas::ropBlit(const TRect& Dest, const QImage& Src, int32_t Rop) {
    QRect dq = toQRect(gfx::normalized(Dest));
    if (dq.isEmpty()) return;
    const uint32_t pattern = colorToPixel(brush->GetColor()) & 0xFFFFFFu;
    if (QImage* img = DirectImage(); img && baseTransform.isIdentity()) {
        // Exact per-pixel operation on the image.
        QRect dev = dq.translated(shiftX(), shiftY());
        QRect part = dev.intersected(img->rect());
        for (int y = part.top(); y <= part.bottom(); ++y) {
            auto* d = reinterpret_cast<uint32_t*>(img->scanLine(y));
            const uint32_t* s =
                Src.isNull() ? nullptr
                             : reinterpret_cast<const uint32_t*>(Src.constScanLine(y - dev.top()));
            for (int x = part.left(); x <= part.right(); ++x) {
                if (!deviceVisible(QPoint(x, y))) continue;
                uint32_t sv = s ? (s[x - dev.left()] & 0xFFFFFFu) : 0;
                uint32_t dv = d[x] & 0xFFFFFFu;
                d[x] = 0xFF000000u | (ApplyRop3(Rop, pattern, sv, dv) & 0xFFFFFFu);
            }
        }
        return;
    }
    requireHandle();
    if (!painter) return;
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    QPainter::CompositionMode mode;
    if (Rop == cmBlackness)
        painter->fillRect(dq, Qt::black);
    else if (Rop == cmWhiteness)
        painter->fillRect(dq, Qt::white);
    else if (Rop == cmPatCopy)
        painter->fillRect(dq, ColorToQColor(brush->GetColor()));
    else if (Rop == cmDstInvert) {
        painter->setCompositionMode(QPainter::RasterOp_NotDestination);
        painter->fillRect(dq, Qt::white);
    } else if (Rop == cmPatInvert) {
        painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter->fillRect(dq, ColorToQColor(brush->GetColor()));
    } else if (Rop == ROP_DSPDxax && !Src.isNull()) {
        // The brush where the source has bits, the destination elsewhere: clear the source's
        // bits in the destination, then add the brush's bits under them.
        QImage notSrc = Src.convertToFormat(QImage::Format_RGB32);
        QImage under = notSrc;
        for (int y = 0; y < notSrc.height(); ++y) {
            auto* n = reinterpret_cast<uint32_t*>(notSrc.scanLine(y));
            auto* u = reinterpret_cast<uint32_t*>(under.scanLine(y));
            for (int x = 0; x < notSrc.width(); ++x) {
                u[x] = 0xFF000000u | (n[x] & pattern);
                n[x] = 0xFF000000u | (~n[x] & 0xFFFFFFu);
            }
        }
        painter->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        painter->drawImage(dq.topLeft(), notSrc);
        painter->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        painter->drawImage(dq.topLeft(), under);
    } else if (Rop == cmMergeCopy && !Src.isNull()) {
        painter->setCompositionMode(QPainter::CompositionMode_Source);
        painter->drawImage(dq.topLeft(), Src);
        painter->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        painter->fillRect(dq, QColor::fromRgb(pattern | 0xFF000000u));
    } else if (!Src.isNull()) {
        if (!ropComposition(Rop, mode)) mode = QPainter::CompositionMode_Source;
        painter->setCompositionMode(mode);
        painter->drawImage(dq.topLeft(), Src);
    }
    painter->restore();
}

namespace {
// The source pixels stretched (and mirrored for reversed rectangles) to the destination size.
QImage fitted(const QImage& src, const TRect& dest, const TRect& source, bool smooth) {
    if (src.isNull()) return src;
    QImage s = src;
    bool mirrorH = (dest.Right < dest.Left) != (source.Right < source.Left);
    bool mirrorV = (dest.Bottom < dest.Top) != (source.Bottom < source.Top);
    if (mirrorH || mirrorV) s = s.mirrored(mirrorH, mirrorV);
    int w = std::abs(dest.Right - dest.Left), h = std::abs(dest.Bottom - dest.Top);
    if (s.width() != w || s.height() != h)
        s = s.scaled(w, h, Qt::IgnoreAspectRatio,
                     smooth ? Qt::SmoothTransformation : Qt::FastTransformation);
    return s.convertToFormat(QImage::Format_RGB32);
}
} // namespace

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
    StretchBlt(Dest, Canvas, Source, copyMode);
}

void TCanvas::BitBlt(int X, int Y, int W, int H, TCanvas* Source, int XSrc, int YSrc, int32_t Rop) {
    StretchBlt(TRect{X, Y, X + W, Y + H}, Source, TRect{XSrc, YSrc, XSrc + W, YSrc + H}, Rop);
}

void TCanvas::StretchBlt(const TRect& Dest, TCanvas* Source, const TRect& Src, int32_t Rop) {
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    QImage s;
    if (Source && ropUsesSource(Rop)) {
        s = Source->ReadPixels(Src);
        if (s.isNull()) return;
        s = fitted(s, Dest, Src, stretchMode == HALFTONE);
        const bool srcMono = Source->IsMonochrome(), dstMono = IsMonochrome();
        if (srcMono != dstMono) {
            const uint32_t fore = colorToPixel(textColor), back = colorToPixel(bkColor);
            const uint32_t key = colorToPixel(Source->bkColor) & 0xFFFFFFu;
            for (int y = 0; y < s.height(); ++y) {
                auto* p = reinterpret_cast<uint32_t*>(s.scanLine(y));
                for (int x = 0; x < s.width(); ++x) {
                    uint32_t v = p[x] & 0xFFFFFFu;
                    if (srcMono) {
                        int lum = (int((v >> 16) & 0xFF) * 30 + int((v >> 8) & 0xFF) * 59 +
                                   int(v & 0xFF) * 11) /
                                  100;
                        p[x] = lum >= 128 ? back : fore;
                    } else {
                        p[x] = v == key ? 0xFFFFFFFFu : 0xFF000000u;
                    }
                }
            }
        }
    }
    ropBlit(Dest, s, Rop);
}

void TCanvas::BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color) {
    if (!Bitmap || Bitmap->GetEmpty()) return;
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    QImage s = Bitmap->GetCanvas()->ReadPixels(Source);
    if (s.isNull()) return;
    const uint32_t from = colorToPixel(Color) & 0xFFFFFFu;
    const uint32_t to = colorToPixel(brush->GetColor());
    for (int y = 0; y < s.height(); ++y) {
        auto* p = reinterpret_cast<uint32_t*>(s.scanLine(y));
        for (int x = 0; x < s.width(); ++x)
            if ((p[x] & 0xFFFFFFu) == from) p[x] = to;
    }
    ropBlit(Dest, fitted(s, Dest, Source, stretchMode == HALFTONE), cmSrcCopy);
}

TColor TCanvas::GetPixels(int X, int Y) {
    QImage* img = DirectImage();
    if (!img) return CLR_INVALID;
    QPoint p = toDevice(X, Y);
    if (!img->rect().contains(p)) return CLR_INVALID;
    return pixelToColor(img->pixel(p));
}

void TCanvas::SetPixels(int X, int Y, TColor Color) {
    ChangeScope cs(this, &TCanvas::Changing, &TCanvas::Changed);
    if (QImage* img = DirectImage(); img && baseTransform.isIdentity()) {
        QPoint p = toDevice(X, Y);
        if (!img->rect().contains(p) || !deviceVisible(p)) return;
        reinterpret_cast<uint32_t*>(img->scanLine(p.y()))[p.x()] = colorToPixel(Color);
        return;
    }
    requireHandle();
    if (painter) painter->fillRect(QRect(X, Y, 1, 1), ColorToQColor(Color));
}

// ---- locking and notification ----

void TCanvas::Lock() {
    ++lockCount;
}

bool TCanvas::TryLock() {
    ++lockCount;
    return true;
}

void TCanvas::Unlock() {
    if (lockCount > 0) --lockCount;
}

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

// ---- free functions ----

int DrawTextEx(TCanvas* Canvas, const QString& Text, TRect& Rect, unsigned Format,
               DRAWTEXTPARAMS* Params) {
    return Canvas ? Canvas->DrawTextEx(Text, Rect, Format, Params) : 0;
}
int DrawText(TCanvas* Canvas, const QString& Text, TRect& Rect, unsigned Format) {
    return Canvas ? Canvas->DrawText(Text, Rect, Format) : 0;
}
int SetBkMode(TCanvas* Canvas, int Mode) {
    return Canvas ? Canvas->SetBkMode(Mode) : 0;
}
TColor SetBkColor(TCanvas* Canvas, TColor Color) {
    return Canvas ? Canvas->SetBkColor(Color) : CLR_INVALID;
}
TColor SetTextColor(TCanvas* Canvas, TColor Color) {
    return Canvas ? Canvas->SetTextColor(Color) : CLR_INVALID;
}
int SetStretchBltMode(TCanvas* Canvas, int Mode) {
    return Canvas ? Canvas->SetStretchBltMode(Mode) : 0;
}
int SaveDC(TCanvas* Canvas) {
    return Canvas ? Canvas->SaveDC() : 0;
}
bool RestoreDC(TCanvas* Canvas, int SavedDC) {
    return Canvas && Canvas->RestoreDC(SavedDC);
}
bool GetTextMetrics(TCanvas* Canvas, TTextMetric& TM) {
    if (!Canvas) return false;
    Canvas->GetTextMetrics(TM);
    return true;
}
void IntersectClipRect(TCanvas* Canvas, int Left, int Top, int Right, int Bottom) {
    if (Canvas) Canvas->IntersectClipRect(TRect{Left, Top, Right, Bottom});
}
void ExcludeClipRect(TCanvas* Canvas, int Left, int Top, int Right, int Bottom) {
    if (Canvas) Canvas->ExcludeClipRect(TRect{Left, Top, Right, Bottom});
}

// ---- recording canvas ----

TRecordingCanvas::TRecordingCanvas(int Width, int Height) : width(Width), height(Height) {
    SetRecorder(&texts);
}

TRecordingCanvas::~TRecordingCanvas() {
    FreeHandle();
}

void TRecordingCanvas::CreateHandle() {
    BeginOwnPainter(&picture);
}

const QPicture& TRecordingCanvas::GetPicture() {
    FreeHandle();
    return picture;
}
