// The service certificate as a card of 120 x 64 mm, ruled round: the organisation, the number,
// the photo, the name, position and subdivision, and the head's position over a line for the
// signature. The certificates report prints one card per selected employee; the card window
// prints the current employee's.
#pragma once

#include "TemplateKit.h"

struct TCertificateFields {
    QString Number, Family, Name, Patr, Photo, Position, Subdivision; // field references
};

inline void CertificateCard(TTemplate& T, TfrBandView* Band, const TCertificateFields& F) {
    const double w = 120, h = 64;
    T.Text(0, 0, w, h, QString(), TStyle().Ruled());
    T.Text(2, 2, w - 4, 6, "[Org]", TStyle().Sans().Pt(9).Bold().Center());
    T.Text(2, 9, w - 4, 7, "ПОСВІДЧЕННЯ № [" + F.Number + "]", TStyle().Pt(13).Bold().Center());
    auto* photo = static_cast<TfrPictureView*>(frCreateObject(gtPicture, QString()));
    photo->Name = QStringLiteral("Photo");
    photo->SetBounds(T.Page->pgMargins[0] + TemplateUnits(3), Band->Top + TemplateUnits(18),
                     TemplateUnits(28), TemplateUnits(36));
    photo->Memo.SetText("[" + F.Photo + "]");
    photo->Flags = flStretched | flPictRatio | flPictCenter;
    photo->FrameTyp = frftLeft | frftTop | frftRight | frftBottom;
    photo->BlobType = btBMP;
    T.Page->Objects.Add(photo);
    const double x = 35, cw = w - x - 3;
    T.Text(x, 18, cw, 7, "[" + F.Family + "]", TStyle().Pt(13).Bold());
    T.Text(x, 25, cw, 6, "[" + F.Name + "] [" + F.Patr + "]", TStyle().Pt(11));
    T.Text(x, 32, cw, 5, "Посада", TStyle().Sans().Pt(7).Italic());
    T.Text(x, 36, cw, 6, "[" + F.Position + "]", TStyle().Pt(10));
    T.Text(x, 43, cw, 5, "Підрозділ", TStyle().Sans().Pt(7).Italic());
    T.Text(x, 47, cw, 6, "[" + F.Subdivision + "]", TStyle().Pt(10));
    T.Text(x, 55, cw * 0.55, 7, "[Pos]", TStyle().Pt(9));
    T.Line(x + cw * 0.58, 60, cw * 0.4);
}
