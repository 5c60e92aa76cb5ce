// Fonts, pens and brushes.
#include "GfxInternal.h"
#include "Graphics.h"

#include <QFontMetrics>

void TGraphicsObject::Changed() {
    if (OnChange) OnChange(this);
}

// ---- font names ----

QString FontTwinName(const QString& Name) {
    struct Twin {
        const char* From;
        const char* To;
    };
    static const Twin twins[] = {
        {"Arial", "Liberation Sans"},
        {"Arial Cyr", "Liberation Sans"},
        {"Helvetica", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"},
        {"Microsoft Sans Serif", "Liberation Sans"},
        {"System", "Liberation Sans"},
        {"Small Fonts", "Liberation Sans"},
        {"Tahoma", "DejaVu Sans"},
        {"Verdana", "DejaVu Sans"},
        {"Arial Narrow", "Liberation Sans Narrow"},
        {"Times New Roman", "Liberation Serif"},
        {"Times New Roman Cyr", "Liberation Serif"},
        {"Times", "Liberation Serif"},
        {"MS Serif", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
        {"Courier New Cyr", "Liberation Mono"},
        {"Courier", "Liberation Mono"},
        {"Fixedsys", "Liberation Mono"},
        {"Terminal", "Liberation Mono"},
        {"Lucida Console", "DejaVu Sans Mono"},
    };
    QString n = Name.trimmed();
    for (const Twin& t : twins)
        if (n.compare(QLatin1String(t.From), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(t.To);
    return n.isEmpty() ? QStringLiteral("Liberation Sans") : n;
}

// ---- TFont ----

int TFont::DefaultPixelsPerInch = 96;

TFont::TFont() : pixelsPerInch(DefaultPixelsPerInch) {
    height = -MulDiv(8, pixelsPerInch, 72);
}

void TFont::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TFont*>(Source)) {
        if (f == this) return;
        name = f->name;
        // Across resolutions the point size is kept, as the platform does.
        height = f->pixelsPerInch == pixelsPerInch ? f->height
                                                   : -MulDiv(f->GetSize(), pixelsPerInch, 72);
        style = f->style;
        color = f->color;
        charset = f->charset;
        pitch = f->pitch;
        orientation = f->orientation;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TFont::SetName(const QString& Value) {
    if (Value.isEmpty() || Value == name) return;
    name = Value;
    Changed();
}

int TFont::GetSize() const {
    return -MulDiv(height, 72, pixelsPerInch);
}

void TFont::SetSize(int Value) {
    SetHeight(-MulDiv(Value, pixelsPerInch, 72));
}

void TFont::SetHeight(int Value) {
    if (Value == height) return;
    height = Value;
    Changed();
}

void TFont::SetStyle(TFontStyles Value) {
    if (Value == style) return;
    style = Value;
    Changed();
}

void TFont::SetColor(TColor Value) {
    if (Value == color) return;
    color = Value;
    Changed();
}

void TFont::SetCharset(TFontCharset Value) {
    if (Value == charset) return;
    charset = Value;
    Changed();
}

void TFont::SetPitch(TFontPitch Value) {
    if (Value == pitch) return;
    pitch = Value;
    Changed();
}

void TFont::SetPixelsPerInch(int Value) {
    if (Value > 0) pixelsPerInch = Value;
}

void TFont::SetOrientation(int Value) {
    if (Value == orientation) return;
    orientation = Value;
    Changed();
}

QFont TFont::ToQFont() const {
    QFont f(FontTwinName(name));
    // Widths as the platform measures them: advances summed, no kerning.
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setBold(style.Contains(fsBold));
    f.setItalic(style.Contains(fsItalic));
    f.setUnderline(style.Contains(fsUnderline));
    f.setStrikeOut(style.Contains(fsStrikeOut));
    if (pitch == fpFixed) f.setFixedPitch(true);
    int px = height < 0 ? -height : height;
    if (px == 0) px = 13;
    f.setPixelSize(px);
    if (height > 0) {
        // A positive height is the cell height: scale the character height to fit it.
        QFontMetrics fm(f);
        int cell = fm.ascent() + fm.descent();
        if (cell > 0 && cell != height) f.setPixelSize(std::max(1, MulDiv(px, height, cell)));
    }
    return f;
}

bool TFont::operator==(const TFont& o) const {
    return name == o.name && height == o.height && style == o.style && color == o.color &&
           charset == o.charset && pitch == o.pitch && orientation == o.orientation;
}

// ---- TPen ----

void TPen::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TPen*>(Source)) {
        if (p == this) return;
        color = p->color;
        width = p->width;
        style = p->style;
        mode = p->mode;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TPen::SetColor(TColor Value) {
    if (Value == color) return;
    color = Value;
    Changed();
}

void TPen::SetWidth(int Value) {
    if (Value < 0 || Value == width) return;
    width = Value;
    Changed();
}

void TPen::SetStyle(TPenStyle Value) {
    if (Value == style) return;
    style = Value;
    Changed();
}

void TPen::SetMode(TPenMode Value) {
    if (Value == mode) return;
    mode = Value;
    Changed();
}

// ---- TBrush ----

TBrush::TBrush() = default;
TBrush::~TBrush() = default;

void TBrush::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBrush*>(Source)) {
        if (b == this) return;
        color = b->color;
        style = b->style;
        if (b->bitmap) {
            bitmap = std::make_unique<TBitmap>();
            bitmap->Assign(b->bitmap.get());
        } else {
            bitmap.reset();
        }
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

void TBrush::SetColor(TColor Value) {
    if (Value == color && style != bsClear) return;
    color = Value;
    if (style == bsClear) style = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
    if (Value == style) return;
    style = Value;
    Changed();
}

void TBrush::SetBitmap(TBitmap* Value) {
    if (Value) {
        bitmap = std::make_unique<TBitmap>();
        bitmap->Assign(Value);
    } else {
        bitmap.reset();
    }
    Changed();
}
