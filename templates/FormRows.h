// The rows of a document below a band: each row is a child band of its own, chained after the
// previous one, so that a value that wraps onto more lines pushes the rows below it down
// instead of running over them.
#pragma once

#include "TemplateKit.h"

// A field of the employee on which the card window stands: [IBQuery."FIELD"].
inline QString CardField(const char* Field) {
    return QStringLiteral("[IBQuery.\"%1\"]").arg(QString::fromLatin1(Field));
}

class TFormRows {
public:
    TFormRows(TTemplate& T, TfrBandView* After) : t(T), last(After) {}

    // A new row band of a height; the views that follow go into it.
    TfrBandView* Band(double HeightMm) {
        TfrBandView* b = t.Band(btChild, HeightMm);
        b->Flags |= flStretched;
        last->ChildBand = b->Name;
        last = b;
        return b;
    }
    // A label and its value on a ruled line; LabelW mm for the label.
    void Field(const QString& Label, const QString& Value, double LabelW = 55) {
        Band(6);
        label(0, LabelW, Label);
        value(LabelW, t.Width() - LabelW, Value);
    }
    // Two labels with their values side by side.
    void Fields(const QString& Label1, const QString& Value1, const QString& Label2,
                const QString& Value2, double LabelW = 55, double Label2W = 35) {
        Band(6);
        const double half = (t.Width() - LabelW - Label2W) / 2;
        label(0, LabelW, Label1);
        value(LabelW, half - 2, Value1);
        label(LabelW + half, Label2W, Label2);
        value(LabelW + half + Label2W, half, Value2);
    }
    // A section heading.
    void Heading(const QString& Text) {
        Band(9);
        t.Text(0, 3, t.Width(), 6, Text, TStyle().Sans().Pt(10).Bold());
    }
    // A paragraph of text across the page.
    void Paragraph(const QString& Text, const TStyle& Style = TStyle().Pt(12), double Gap = 2) {
        Band(6 + Gap);
        t.Text(0, Gap, t.Width(), 6, Text, Style)->Flags |= flHideZeros;
    }
    // A signature: the position, a rule and the name.
    void Signature(const QString& Position, const QString& Name, double Gap = 8) {
        Band(6 + Gap);
        t.Signature(Gap, Position, Name);
    }

private:
    void label(double X, double W, const QString& Text) {
        t.Text(X, 1, W, 5, Text, TStyle().Sans().Pt(8).Italic());
    }
    void value(double X, double W, const QString& Text) {
        TStyle s = TStyle().Pt(10).Stretched();
        s.Frame = frftBottom;
        // an empty date or number of the card prints nothing rather than 0
        t.Text(X, 0, W, 6, Text, s)->Flags |= flHideZeros;
    }
    TTemplate& t;
    TfrBandView* last;
};
