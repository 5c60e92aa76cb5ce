// Writing a report template in code. A template is one source file in this folder named after
// it (har_tab1.cpp makes har_tab1.frf) holding one builder:
//
//     KADRION_TEMPLATE(har_tab1) {
//         T.Band(btReportTitle, 20);                          // height in mm, stacked downwards
//         T.Text(0, 0, T.Width(), 6, "[Org]", TStyle().Bold().Center());
//         T.Band(btMasterData, 6, "frDBDataSet1");
//         T.Cell(0, 0, 40, 6, "[Select.\"FAMILY\"]");
//     }
//
// Positions are millimetres: X from the left margin, Y from the top of the current band. The
// page is A4 (portrait unless the builder says otherwise) with margins of 20 mm on the left and
// 10 mm elsewhere; texts are Liberation Serif, 10 pt, wrapped, unless a style says otherwise.
// Views are named Band<n>, Text<n> and Line<n>; a view that a command looks up by name is
// named by the builder (T.Text(...)->Name = "Memo4").
#pragma once

#include "FR_Class.h"

#include <QString>
#include <QStringList>
#include <map>

// The look of a text view, built up by chained calls.
struct TStyle {
    QString Font = QStringLiteral("Liberation Serif");
    double Size = 10;
    int FontStyle = 0; // frfs* bits
    int Align = frtaLeft;
    int Frame = frftNone;
    bool Wrap = true;
    bool Stretch = false; // grows with its text (in a band whose Flags hold flStretched)
    int Format = -1;      // display format word; -1 leaves the engine's default

    TStyle& Pt(double S) {
        Size = S;
        return *this;
    }
    TStyle& Bold() {
        FontStyle |= frfsBold;
        return *this;
    }
    TStyle& Italic() {
        FontStyle |= frfsItalic;
        return *this;
    }
    TStyle& Underline() {
        FontStyle |= frfsUnderline;
        return *this;
    }
    TStyle& Center() {
        Align = (Align & ~3) | frtaCenter;
        return *this;
    }
    TStyle& Right() {
        Align = (Align & ~3) | frtaRight;
        return *this;
    }
    TStyle& Middle() {
        Align |= frtaMiddle;
        return *this;
    }
    // Ruled on every side.
    TStyle& Ruled() {
        Frame = frftLeft | frftTop | frftRight | frftBottom;
        return *this;
    }
    TStyle& Sans() {
        Font = QStringLiteral("Liberation Sans");
        return *this;
    }
    TStyle& Stretched() {
        Stretch = true;
        return *this;
    }
    TStyle& NoWrap() {
        Wrap = false;
        return *this;
    }
};

class TTemplate {
public:
    // Empties Report and gives it one A4 page.
    explicit TTemplate(TfrReport* Report);

    // Turns the page landscape (before the first band).
    void Landscape();
    // The usable width and height of the page, mm.
    double Width() const;
    double Height() const;

    // A band of a type below the previous one; the views that follow go into it. A master
    // data band names its report dataset ("frDBDataSet1"). Bands keep their height unless the
    // builder sets flStretched in their Flags.
    TfrBandView* Band(int Type, double HeightMm, const QString& DataSet = QString());
    // A text view in the current band.
    TfrMemoView* Text(double X, double Y, double W, double H, const QString& Text,
                      const TStyle& Style = TStyle());
    // A ruled table cell, centred vertically, small sans type (the figures of a table).
    TfrMemoView* Cell(double X, double Y, double W, double H, const QString& Text,
                      TStyle Style = TStyle().Sans().Pt(8).Middle().Ruled());
    // A horizontal line across W mm.
    TfrView* Line(double X, double Y, double W);

    // The head's signature line: the position, a rule for the signature and the name.
    void Signature(double Y, const QString& PositionExpr = QStringLiteral("[Pos]"),
                   const QString& NameExpr = QStringLiteral("[Boss]"));

    // A count cell's reference by its literal variable name: "[MyArr_Arr_17]".
    static QString Arr(int Number);

    TfrReport* Report;
    TfrPage* Page;

private:
    TfrBandView* band = nullptr;
    double bandTop = 0; // mm from the page top, of the current band
    double nextTop = 10;
    std::map<QString, int> counters;
    QString nextName(const char* Base);
    void place(TfrView* V, double X, double Y, double W, double H) const;
};

// Page units of a length in millimetres.
int TemplateUnits(double Mm);

using TTemplateBuild = void (*)(TTemplate& T);
// Records a builder under its template name; the macro below calls it.
bool RegisterTemplate(const char* Name, TTemplateBuild Build);
// The builder of a name; null when none is registered.
TTemplateBuild FindTemplate(const QString& Name);
// Every registered name.
QStringList TemplateNames();
// Builds the template of a name into Report; false when no builder has that name.
bool BuildTemplate(const QString& Name, TfrReport* Report);

#define KADRION_TEMPLATE(Name)                                                                     \
    static void Name##_build(TTemplate& T);                                                        \
    [[maybe_unused]] static const bool Name##_registered = RegisterTemplate(#Name, Name##_build);  \
    static void Name##_build(TTemplate& T)
