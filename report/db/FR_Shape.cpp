#include "FR_Shape.h"

#include "Graphics.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {
const QStringList kindNames = {u"skRectangle"_s, u"skRoundRectangle"_s, u"skEllipse"_s,
                               u"skTriangle"_s,  u"skDiagonal1"_s,      u"skDiagonal2"_s};
}

TfrShapeView::TfrShapeView() {
    BaseName = u"Shape"_s;
    Typ = gtAddIn;
    TfrVariables& consts = frGlobals().frConsts;
    for (int i = 0; i < kindNames.size(); ++i)
        consts.SetVariable(kindNames[i], Variant(i));
}

void TfrShapeView::DefineProperties() {
    TfrView::DefineProperties();
    QList<Variant> values;
    for (int i = 0; i < kindNames.size(); ++i)
        values << Variant(i);
    AddProperty(u"Shape"_s, frdtEnum, kindNames, values);
}

void TfrShapeView::SetPropValue(const QString& Index, const Variant& Value) {
    TfrView::SetPropValue(Index, Value);
    if (AnsiUpperCase(Index) == "SHAPE"_L1) ShapeType = uint8_t(Value.AsInteger());
}

Variant TfrShapeView::GetPropValue(const QString& Index) {
    Variant v = TfrView::GetPropValue(Index);
    if (v.IsNull() && AnsiUpperCase(Index) == "SHAPE"_L1) return Variant(int(ShapeType));
    return v;
}

void TfrShapeView::LoadFromStream(TStream* Stream) {
    TfrView::LoadFromStream(Stream);
    ShapeType = frReadByte(Stream);
}

void TfrShapeView::SaveToStream(TStream* Stream) {
    TfrView::SaveToStream(Stream);
    frWriteByte(Stream, ShapeType);
}

void TfrShapeView::Draw(TCanvas* ACanvas) {
    if (!ACanvas) return;
    BeginDraw(ACanvas);
    Memo1.Assign(&Memo);
    ComputeDrawRect();
    const int32_t fill = FillColor;
    FillColor = clNone;
    DrawFill();
    DrawFrame();
    FillColor = fill;

    const int x1 = Left, y1 = Top, x2 = Left + Width, y2 = Top + Height;
    TPen* pen = Canvas->GetPen();
    pen->SetWidth(std::max(1, frRoundCoord(FrameWidth)));
    pen->SetColor(TColor(FrameColor));
    pen->SetStyle(psSolid);
    Canvas->GetBrush()->SetStyle(bsClear);
    if (fill != clNone) {
        Canvas->GetBrush()->SetStyle(bsSolid);
        Canvas->GetBrush()->SetColor(TColor(fill));
    }
    switch (ShapeType) {
    case skRectangle:
        Canvas->Rectangle(x1, y1, x2 + 1, y2 + 1);
        break;
    case skRoundRectangle: {
        const int r = std::min(Width, Height) / 4;
        Canvas->RoundRect(x1, y1, x2 + 1, y2 + 1, r, r);
        break;
    }
    case skEllipse:
        Canvas->Ellipse(x1, y1, x2 + 1, y2 + 1);
        break;
    case skTriangle:
        Canvas->Polygon({TPoint{x2, y2}, TPoint{x1, y2}, TPoint{x1 + (x2 - x1) / 2, y1}});
        break;
    case skDiagonal1:
        Canvas->MoveTo(x1, y2);
        Canvas->LineTo(x2, y1);
        break;
    case skDiagonal2:
        Canvas->MoveTo(x1, y1);
        Canvas->LineTo(x2, y2);
        break;
    default:
        break;
    }
    RestoreGeometry();
}
