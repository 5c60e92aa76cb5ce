// The grid's own pictures: the indicator marks of the current record and the sort markers.
// They are drawn here instead of being loaded from resources.
#include "DBGridEh.h"

#include "Forms.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr TColor kWhite = 0x00FFFFFF;
constexpr TColor kTeal = 0x00808000;
constexpr TColor kFuchsia = 0x00FF00FF;
constexpr TColor kInk = 0x00000000;
// The highlight of an incremental search, and what replaces it should it be the mask colour.
constexpr TColor kSearchHighlight = 0x0000FFFF;
constexpr TColor kTealStandIn = 0x007F7F00;

enum class TMark { Arrow, Pencil, Star, Dot, ArrowDot };

void begin(TBitmap& B, int W, int H, TColor Background) {
    B.SetSize(W, H);
    TCanvas* c = B.GetCanvas();
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(Background);
    c->FillRect(TRect{0, 0, W, H});
}

void fillShape(TCanvas* C, TColor Color, const std::vector<TPoint>& Points) {
    C->GetBrush()->SetColor(Color);
    C->GetPen()->SetColor(Color);
    C->Polygon(Points);
}

// One indicator mark in Ink on Background.
void drawMark(TBitmap& B, TMark Mark, TColor Ink, TColor Background) {
    const int w = IndicatorImageWidthEh, h = IndicatorImageHeightEh;
    begin(B, w, h, Background);
    TCanvas* c = B.GetCanvas();
    const int mid = h / 2;
    switch (Mark) {
    case TMark::Arrow:
        fillShape(c, Ink, {{3, mid - 4}, {7, mid}, {3, mid + 4}});
        break;
    case TMark::ArrowDot:
        fillShape(c, Ink, {{5, mid - 4}, {9, mid}, {5, mid + 4}});
        fillShape(c, Ink, {{0, mid - 1}, {2, mid - 1}, {2, mid + 1}, {0, mid + 1}});
        break;
    case TMark::Pencil:
        // a slanted pencil: shaft and point
        fillShape(c, Ink, {{6, 0}, {8, 2}, {3, 7}, {1, 5}});
        fillShape(c, Ink, {{1, 6}, {2, 7}, {0, 8}});
        break;
    case TMark::Star:
        c->GetPen()->SetColor(Ink);
        c->MoveTo(4, mid - 4);
        c->LineTo(4, mid + 5);
        c->MoveTo(0, mid);
        c->LineTo(9, mid);
        c->MoveTo(1, mid - 3);
        c->LineTo(8, mid + 4);
        c->MoveTo(7, mid - 3);
        c->LineTo(0, mid + 4);
        break;
    case TMark::Dot:
        fillShape(c, Ink, {{3, mid - 2}, {6, mid - 2}, {6, mid + 1}, {3, mid + 1}});
        break;
    }
}

// A sort marker: a triangle pointing down (descending order marks) or up.
void drawSortMarker(TBitmap& B, bool Down) {
    const int w = SortMarkerImageWidthEh, h = SortMarkerImageHeightEh;
    begin(B, w, h, kFuchsia);
    const TColor shade = 0x00404040;
    const int top = h / 2 - 3, bottom = h / 2 + 2;
    if (Down)
        fillShape(B.GetCanvas(), shade, {{1, top}, {w - 2, top}, {w / 2, bottom}});
    else
        fillShape(B.GetCanvas(), shade, {{w / 2, top}, {w - 2, bottom}, {1, bottom}});
}

} // namespace

void TCustomDBGridEh::loadImages() {
    indicators = std::make_unique<TImageList>(IndicatorImageWidthEh, IndicatorImageHeightEh);
    sortMarkerImages =
        std::make_unique<TImageList>(SortMarkerImageWidthEh, SortMarkerImageHeightEh);
    TBitmap bmp; // one bitmap for every picture
    for (TMark m : {TMark::Arrow, TMark::Pencil, TMark::Star, TMark::Dot, TMark::ArrowDot}) {
        drawMark(bmp, m, kInk, kWhite);
        indicators->AddMasked(&bmp, kWhite);
    }
    drawMark(bmp, TMark::Arrow, kWhite, kTeal);
    indicators->AddMasked(&bmp, kTeal);
    // the arrow of the current record while an incremental search runs
    const TColor search = kSearchHighlight == kTeal ? kTealStandIn : kSearchHighlight;
    drawMark(bmp, TMark::Arrow, kWhite, search);
    if (indicators->Count() > 6)
        indicators->ReplaceMasked(6, &bmp, kTeal);
    else
        indicators->AddMasked(&bmp, kTeal);
    drawSortMarker(bmp, true);
    sortMarkerImages->AddMasked(&bmp, kFuchsia);
    drawSortMarker(bmp, false);
    sortMarkerImages->AddMasked(&bmp, kFuchsia);
}

// Arrow cursors drawn once: a black arrow with a white rim on a transparent square, its point
// the hot spot.
void RegisterGridCursorsEh() {
    static bool done = false;
    if (done || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    done = true;
    auto arrow = [](bool Down) {
        QPixmap p(16, 16);
        p.fill(Qt::transparent);
        QPainter g(&p);
        // a shaft and a head, pointing right; turned for the down arrow
        const QPolygon shape({QPoint(1, 6), QPoint(8, 6), QPoint(8, 2), QPoint(14, 8),
                              QPoint(8, 14), QPoint(8, 10), QPoint(1, 10)});
        g.setRenderHint(QPainter::Antialiasing, false);
        if (Down) {
            g.translate(16, 0);
            g.rotate(90);
        }
        g.setPen(QPen(Qt::white, 1));
        g.setBrush(Qt::black);
        g.drawPolygon(shape);
        g.end();
        return Down ? QCursor(p, 8, 14) : QCursor(p, 14, 8);
    };
    Screen->SetCursors(crDownCurEh, arrow(true));
    Screen->SetCursors(crRightCurEh, arrow(false));
}
