// The shape view: a rectangle, rounded rectangle, ellipse, triangle or one of the two
// diagonals inside the view's rectangle, drawn with the frame pen and the fill colour.
#pragma once

#include "FR_Class.h"

enum TfrShapeKind : uint8_t {
    skRectangle,
    skRoundRectangle,
    skEllipse,
    skTriangle,
    skDiagonal1,
    skDiagonal2
};

class TfrShapeView : public TfrView {
    KADRION_CLASS(TfrShapeView)
    TfrShapeView();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void Draw(TCanvas* ACanvas) override;

    // A kind above skDiagonal2 (from a damaged or newer template) draws no figure.
    uint8_t ShapeType = skRectangle;
};
