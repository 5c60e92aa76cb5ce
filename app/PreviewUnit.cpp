#include "PreviewUnit.h"

#include <QPainter>
#include <QPainterPath>

TPreviewForm* PreviewForm = nullptr;

namespace {

const QColor ink(40, 60, 130);
const QColor paper(255, 255, 250);
const QColor back(255, 0, 255); // the glyph's transparent colour (its bottom-left pixel)

enum TGlyph {
    gZoom100,
    gWholePage,
    gPageWidth,
    gFirst,
    gPrev,
    gNext,
    gLast,
    gOpen,
    gSave,
    gPrint,
    gClose
};

void sheet(QPainter& p, const QRectF& R) {
    p.setPen(QPen(QColor(70, 70, 90), 1));
    p.setBrush(paper);
    p.drawRect(R);
}

void arrow(QPainter& p, bool Left, qreal X) {
    QPainterPath t;
    t.moveTo(Left ? X + 6 : X, 3);
    t.lineTo(Left ? X : X + 6, 8.5);
    t.lineTo(Left ? X + 6 : X, 14);
    t.closeSubpath();
    p.fillPath(t, ink);
}

// The 18 x 18 pictures of the buttons, drawn in code.
std::unique_ptr<TBitmap> glyph(TGlyph G) {
    QImage img(18, 18, QImage::Format_RGB32);
    img.fill(back);
    {
        QPainter p(&img);
        switch (G) {
        case gZoom100:
            sheet(p, QRectF(3.5, 1.5, 11, 15));
            p.setPen(ink);
            p.setFont(QFont(QStringLiteral("Liberation Sans"), 5, QFont::Bold));
            p.drawText(QRectF(3, 5, 12, 8), Qt::AlignCenter, QStringLiteral("1:1"));
            break;
        case gWholePage:
            sheet(p, QRectF(4.5, 1.5, 9, 15));
            for (int y = 4; y < 15; y += 2)
                p.fillRect(QRectF(6, y, 6, 1), QColor(120, 120, 140));
            break;
        case gPageWidth:
            sheet(p, QRectF(1.5, 3.5, 15, 11));
            p.fillRect(QRectF(3, 8, 12, 2), ink);
            arrow(p, true, 1.5);
            arrow(p, false, 10.5);
            break;
        case gFirst:
            p.fillRect(QRectF(4, 3, 2, 11), ink);
            arrow(p, true, 7);
            break;
        case gPrev:
            arrow(p, true, 6);
            break;
        case gNext:
            arrow(p, false, 6);
            break;
        case gLast:
            arrow(p, false, 5);
            p.fillRect(QRectF(12, 3, 2, 11), ink);
            break;
        case gOpen:
            p.setPen(QColor(120, 90, 20));
            p.setBrush(QColor(240, 200, 90));
            p.drawRect(QRectF(1.5, 5.5, 14, 9));
            p.drawRect(QRectF(1.5, 3.5, 6, 2));
            break;
        case gSave:
            p.setPen(ink);
            p.setBrush(QColor(90, 110, 180));
            p.drawRect(QRectF(2.5, 2.5, 13, 13));
            p.fillRect(QRectF(5, 3, 8, 5), paper);
            p.fillRect(QRectF(6, 11, 6, 4), QColor(200, 200, 210));
            break;
        case gPrint:
            sheet(p, QRectF(5.5, 1.5, 7, 6));
            p.setPen(QColor(60, 60, 60));
            p.setBrush(QColor(170, 170, 180));
            p.drawRect(QRectF(1.5, 7.5, 15, 6));
            sheet(p, QRectF(5.5, 11.5, 7, 5));
            break;
        case gClose:
            p.setPen(QPen(QColor(200, 40, 40), 2.2));
            p.setRenderHint(QPainter::Antialiasing);
            p.drawLine(QPointF(4, 4), QPointF(14, 14));
            p.drawLine(QPointF(14, 4), QPointF(4, 14));
            break;
        }
    }
    auto b = std::make_unique<TBitmap>();
    b->SetImage(img);
    b->SetTransparent(true);
    b->SetTransparentColor(TColor(back.red() | back.green() << 8 | back.blue() << 16));
    return b;
}

} // namespace

TPreviewForm::TPreviewForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName(QStringLiteral("PreviewForm"));
    SetCaption(QString::fromUtf16(SPreviewCaption));
    SetBounds(0, 0, 780, 560);
    SetWindowState(wsMaximized);
    SetBorderIcons({biSystemMenu});
    SetKeyPreview(true);
    SetShowHint(true);

    Panel1 = new TPanel(this);
    Panel1->SetName(QStringLiteral("Panel1"));
    Panel1->SetParent(this);
    Panel1->SetAlign(alTop);
    Panel1->SetHeight(33);
    Panel1->SetCaption(QString());
    frPreview1 = new TfrPreview(this);
    frPreview1->SetName(QStringLiteral("frPreview1"));
    frPreview1->SetParent(this);
    frPreview1->SetAlign(alClient);
    frPreview1->SetScrollBars(ssBoth);

    struct TButtonDef {
        TfrSpeedButton** Field;
        const char* Name;
        TGlyph Glyph;
        const char* Hint;
        int Group;
        std::function<void()> Act;
    };
    const TButtonDef defs[] = {
        {&frSpeedButton2, "frSpeedButton2", gZoom100, "100%", 1,
         [this] { frPreview1->SetZoom(100); }},
        {&frSpeedButton1, "frSpeedButton1", gWholePage, "Сторінка цілком", 1,
         [this] { frPreview1->OnePage(); }},
        {&frSpeedButton3, "frSpeedButton3", gPageWidth, "По ширині сторінки", 1,
         [this] { frPreview1->PageWidth(); }},
        {&frSpeedButton4, "frSpeedButton4", gFirst, "Перша сторінка", 0,
         [this] { frPreview1->First(); }},
        {&frSpeedButton5, "frSpeedButton5", gPrev, "Попередня сторінка", 0,
         [this] { frPreview1->Prev(); }},
        {&frSpeedButton6, "frSpeedButton6", gNext, "Наступна сторінка", 0,
         [this] { frPreview1->Next(); }},
        {&frSpeedButton7, "frSpeedButton7", gLast, "Остання сторінка", 0,
         [this] { frPreview1->Last(); }},
        {&frSpeedButton8, "frSpeedButton8", gOpen, "Відкрити звіт", 0,
         [this] { frPreview1->LoadFromFile(); }},
        {&frSpeedButton9, "frSpeedButton9", gSave, "Зберегти звіт", 0,
         [this] { frPreview1->SaveToFile(); }},
        {&frSpeedButton10, "frSpeedButton10", gPrint, "Друкувати звіт", 0,
         [this] { frPreview1->Print(); }},
        {&frSpeedButton11, "frSpeedButton11", gClose, "Закрити попередній перегляд", 0,
         [this] { SetModalResult(1); }},
    };
    int x = 4;
    for (const TButtonDef& d : defs) {
        // a gap between the groups: zoom, pages, files, close
        if (d.Glyph == gFirst || d.Glyph == gOpen || d.Glyph == gClose) x += 12;
        auto* b = new TfrSpeedButton(this);
        b->SetName(QString::fromLatin1(d.Name));
        b->SetParent(Panel1);
        b->SetBounds(x, 4, 24, 24);
        b->SetFlat(true);
        b->SetGrayedInactive(false);
        b->SetGroupIndex(d.Group);
        b->SetGlyph(glyph(d.Glyph).get());
        b->SetHint(QString::fromUtf8(d.Hint));
        auto act = d.Act;
        b->OnClick = [act](TObject*) { act(); };
        *d.Field = b;
        x += 24;
    }
    frSpeedButton2->SetDown(true);

    OnActivate = [this](TObject* S) { FormActivate(S); };
    OnKeyDown = [this](TObject* S, WORD& Key, TShiftState Shift) { FormKeyDown(S, Key, Shift); };
    EndLoading();
}

TPreviewForm::~TPreviewForm() {
    if (PreviewForm == this) PreviewForm = nullptr;
}

std::vector<TfrSpeedButton*> TPreviewForm::Buttons() const {
    return {frSpeedButton2, frSpeedButton1,  frSpeedButton3, frSpeedButton4,
            frSpeedButton5, frSpeedButton6,  frSpeedButton7, frSpeedButton8,
            frSpeedButton9, frSpeedButton10, frSpeedButton11};
}

void TPreviewForm::FormActivate(TObject*) {
    frSpeedButton2->SetDown(true);
    frPreview1->SetZoom(100);
}

void TPreviewForm::FormKeyDown(TObject*, WORD& Key, TShiftState Shift) {
    if (Key == VK_ESCAPE) {
        SetModalResult(1);
        Key = 0;
        return;
    }
    frPreview1->Window()->FormKeyDown(Key, Shift);
}
