// Objects with named properties, the view classes and their template stream bodies, pages.
#include "FR_Class.h"

#include "Dates.h"

#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

// ---- TfrObject --------------------------------------------------------------------------

void TfrObject::AddProperty(const QString& PropName, int PropType, const QStringList& Enum,
                            const QList<Variant>& EnumValues) {
    TfrPropRec r;
    r.PropName = PropName;
    r.PropType = PropType;
    r.Enum = Enum;
    r.EnumValues = EnumValues;
    FPropList.push_back(std::move(r));
}

void TfrObject::ClearPropList() {
    FPropList.clear();
    FPropsDefined = false;
}

const std::vector<TfrPropRec>& TfrObject::GetPropList() {
    if (!FPropsDefined) {
        FPropsDefined = true;
        DefineProperties();
    }
    return FPropList;
}

TfrPropRec* TfrObject::PropRec(const QString& Name) {
    GetPropList();
    for (TfrPropRec& r : FPropList)
        if (AnsiSameText(r.PropName, Name)) return &r;
    return nullptr;
}

// ---- shared property helpers ------------------------------------------------------------

namespace {

// Method arguments arrive as expression texts; they are evaluated before use.
Variant evalArg(const Variant& p) {
    QString s = VarToStr(p);
    if (Trim(s).isEmpty()) return Variant();
    return frGlobals().frParser.Calc(s);
}

QString unquoteName(const Variant& p) {
    QString s = Trim(VarToStr(p));
    if (s.size() >= 2 && (s.startsWith(u'\'') || s.startsWith(u'"')) && s.endsWith(s[0]))
        s = s.mid(1, s.size() - 2);
    return s;
}

QList<Variant> intValues(int n) {
    QList<Variant> l;
    for (int i = 0; i < n; ++i)
        l << Variant(i);
    return l;
}

void setFlag(int& flags, int bit, const Variant& v) {
    if (v.AsBoolean())
        flags |= bit;
    else
        flags &= ~bit;
}

} // namespace

bool frDoStringListMethod(const QString& PropName, TStrings* List, const QString& MethodName,
                          const Variant& Par1, const Variant& Par2, const Variant& Par3,
                          Variant& Result) {
    const QString m = AnsiUpperCase(MethodName);
    const QString p = AnsiUpperCase(PropName);
    if (m == p + u".ADD"_s) {
        List->Add(VarToStr(evalArg(Par1)));
    } else if (m == p + u".CLEAR"_s) {
        List->Clear();
    } else if (m == p + u".DELETE"_s) {
        int i = int(evalArg(Par1).AsInteger());
        if (i >= 0 && i < List->Count()) List->Delete(i);
    } else if (m == p + u".INDEXOF"_s) {
        Result = Variant(List->IndexOf(VarToStr(evalArg(Par1))));
    } else if (m == "SETINDEXPROPERTY"_L1 && AnsiUpperCase(unquoteName(Par1)) == p) {
        int i = int(evalArg(Par2).AsInteger());
        QString v = VarToStr(evalArg(Par3));
        while (List->Count() <= i && i >= 0 && i < 0x10000)
            List->Add(QString());
        if (i >= 0 && i < List->Count()) List->Put(i, v);
    } else if (m == "GETINDEXPROPERTY"_L1 && AnsiUpperCase(unquoteName(Par1)) == p) {
        int i = int(evalArg(Par2).AsInteger());
        Result = i >= 0 && i < List->Count() ? Variant(List->Get(i)) : Variant(QString());
    } else {
        return false;
    }
    return true;
}

void frSetFontProp(TfrFont& Font, const QString& Prop, const Variant& Value) {
    const QString p = AnsiUpperCase(Prop);
    if (p == "FONT.NAME"_L1)
        Font.Name = VarToStr(Value);
    else if (p == "FONT.SIZE"_L1)
        Font.Size = int(Value.AsInteger());
    else if (p == "FONT.STYLE"_L1)
        Font.Style = frStyleFromStream(uint16_t(Value.AsInteger()));
    else if (p == "FONT.COLOR"_L1)
        Font.Color = int32_t(Value.AsInteger());
}

Variant frGetFontProp(const TfrFont& Font, const QString& Prop) {
    const QString p = AnsiUpperCase(Prop);
    if (p == "FONT.NAME"_L1) return Variant(Font.Name);
    if (p == "FONT.SIZE"_L1) return Variant(Font.Size);
    if (p == "FONT.STYLE"_L1) return Variant(int(frStyleToStream(Font.Style)));
    if (p == "FONT.COLOR"_L1) return Variant(Font.Color);
    return Null();
}

// ---- TfrView ----------------------------------------------------------------------------

TfrView::TfrView() {
    Format = 2 * 256 + FormatSettings.DecimalSeparator.unicode();
}

TfrView::~TfrView() {
    if (frEngineStarted() && frGlobals().ActiveView == this) frGlobals().ActiveView = nullptr;
}

void TfrView::DefineProperties() {
    AddProperty(u"Name"_s, frdtOneObject | frdtString);
    AddProperty(u"Left"_s, frdtSize);
    AddProperty(u"Top"_s, frdtSize);
    AddProperty(u"Width"_s, frdtSize);
    AddProperty(u"Height"_s, frdtSize);
    AddProperty(u"Flags"_s, 0);
    AddProperty(u"FrameTyp"_s, frdtInteger);
    AddProperty(u"FrameWidth"_s, frdtSize | frdtFloat);
    AddProperty(u"FrameColor"_s, frdtColor);
    AddProperty(
        u"FrameStyle"_s, frdtEnum,
        {u"psSolid"_s, u"psDash"_s, u"psDot"_s, u"psDashDot"_s, u"psDashDotDot"_s, u"psDouble"_s},
        intValues(6));
    AddProperty(u"FillColor"_s, frdtColor);
    AddProperty(u"BandAlign"_s, frdtEnum,
                {u"baNone"_s, u"baLeft"_s, u"baRight"_s, u"baCenter"_s, u"baWidth"_s, u"baBottom"_s,
                 u"baTop"_s, u"baRest"_s},
                intValues(8));
    AddProperty(u"Visible"_s, frdtBoolean);
    AddProperty(u"Memo"_s, frdtString | frdtHasEditor);
    AddProperty(u"Memo.Count"_s, 0);
    AddProperty(u"Tag"_s, frdtString | frdtHasEditor);
    AddProperty(u"Restrictions"_s, frdtHasEditor);
}

void TfrView::SetPropValue(const QString& Index, const Variant& Value) {
    const QString n = AnsiUpperCase(Index);
    if (n == "NAME"_L1)
        Name = VarToStr(Value);
    else if (n == "LEFT"_L1)
        Left = int(Value.AsInteger());
    else if (n == "TOP"_L1)
        Top = int(Value.AsInteger());
    else if (n == "WIDTH"_L1)
        Width = int(Value.AsInteger());
    else if (n == "HEIGHT"_L1)
        Height = int(Value.AsInteger());
    else if (n == "FLAGS"_L1)
        Flags = int(Value.AsInteger());
    else if (n == "FRAMETYP"_L1)
        FrameTyp = int(Value.AsInteger());
    else if (n == "FRAMECOLOR"_L1)
        FrameColor = int32_t(Value.AsInteger());
    else if (n == "FRAMESTYLE"_L1)
        FrameStyle = int(Value.AsInteger());
    else if (n == "FILLCOLOR"_L1)
        FillColor = int32_t(Value.AsInteger());
    else if (n == "GAPX"_L1)
        GapX = int(Value.AsInteger());
    else if (n == "GAPY"_L1)
        GapY = int(Value.AsInteger());
    else if (n == "BANDALIGN"_L1)
        BandAlign = int(Value.AsInteger());
    else if (n == "FRAMEWIDTH"_L1)
        FrameWidth = float(Value.AsDouble());
    else if (n == "VISIBLE"_L1)
        Visible = Value.AsBoolean();
    else if (n == "MEMO"_L1 || n == "DATAFIELD"_L1)
        Memo.SetText(VarToStr(Value));
    else if (n == "STRETCHED"_L1)
        setFlag(Flags, flStretched, Value);
    else if (n == "TAG"_L1)
        Tag = VarToStr(Value);
}

Variant TfrView::GetPropValue(const QString& Index) {
    const QString n = AnsiUpperCase(Index);
    if (n == "NAME"_L1) return Variant(Name);
    if (n == "LEFT"_L1) return Variant(Left);
    if (n == "TOP"_L1) return Variant(Top);
    if (n == "WIDTH"_L1) return Variant(Width);
    if (n == "HEIGHT"_L1) return Variant(Height);
    if (n == "FLAGS"_L1) return Variant(Flags);
    if (n == "FRAMETYP"_L1) return Variant(FrameTyp);
    if (n == "FRAMECOLOR"_L1) return Variant(FrameColor);
    if (n == "FRAMESTYLE"_L1) return Variant(FrameStyle);
    if (n == "FILLCOLOR"_L1) return Variant(FillColor);
    if (n == "GAPX"_L1) return Variant(GapX);
    if (n == "GAPY"_L1) return Variant(GapY);
    if (n == "BANDALIGN"_L1) return Variant(BandAlign);
    if (n == "FRAMEWIDTH"_L1) return Variant(double(FrameWidth));
    if (n == "VISIBLE"_L1) return Variant(Visible);
    if (n == "MEMO"_L1) return Variant(Memo.GetText());
    if (n == "DATAFIELD"_L1) return Variant(Memo.Count() > 0 ? Memo.Get(0) : QString());
    if (n == "STRETCHED"_L1) return Variant((Flags & flStretched) != 0);
    if (n == "TAG"_L1) return Variant(Tag);
    if (n == "MEMO.COUNT"_L1) return Variant(Memo.Count());
    return Null();
}

Variant TfrView::DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                          const Variant& Par3) {
    const QString m = AnsiUpperCase(MethodName);
    Variant result = Null();
    if (m == "HIDE"_L1)
        SetPropValue(u"Visible"_s, Variant(false));
    else if (m == "SHOW"_L1)
        SetPropValue(u"Visible"_s, Variant(true));
    else
        frDoStringListMethod(u"MEMO"_s, &Memo, m, Par1, Par2, Par3, result);
    return result;
}

void TfrView::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    Left = ALeft;
    Top = ATop;
    Width = AWidth;
    Height = AHeight;
}

TfrPage* TfrView::GetPage() const {
    return ParentPage;
}

void TfrView::CreateUniqueName() {
    Name.clear();
    TfrReport* report = frGlobals().ActiveReport;
    for (int i = 1; i <= 10000; ++i) {
        QString candidate = BaseName + QString::number(i);
        bool taken = false;
        if (report)
            taken = report->FindObject(candidate) != nullptr;
        else if (ParentPage)
            taken = ParentPage->FindObject(candidate) != nullptr;
        if (!taken) {
            SetPropValue(u"Name"_s, Variant(candidate));
            return;
        }
    }
}

int32_t frFrameWidthToStream(double w) {
    if (!(w >= 0.011)) // also NaN
        return 0;
    if (w <= 10 && w == std::floor(w)) return int32_t(w);
    double scaled = std::round(w * 1000);
    if (scaled > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return int32_t(scaled);
}

double frFrameWidthFromStream(int32_t w) {
    double d = w;
    if (w < 11) d *= 1000;
    return d / 1000;
}

void TfrView::LoadFromStream(TStream* Stream) {
    TfrGlobals& g = frGlobals();
    const int v = g.frVersion;
    if (v >= 24 || (v == 23 && StreamMode == 0))
        Name = frReadStr(Stream);
    else
        CreateUniqueName();
    if (v > 23) {
        RevMajor = frReadByte(Stream);
        RevMinor = frReadByte(Stream);
    } else {
        RevMajor = RevMinor = 0;
    }
    Left = frReadInteger(Stream);
    Top = frReadInteger(Stream);
    Width = frReadInteger(Stream);
    Height = frReadInteger(Stream);
    Flags = frReadWord(Stream);
    FrameTyp = frReadWord(Stream);
    FrameWidth = float(frFrameWidthFromStream(frReadInteger(Stream)));
    FrameColor = frReadInteger(Stream);
    FrameStyle = frReadWord(Stream);
    FillColor = frReadInteger(Stream);
    if (StreamMode == 0) {
        Format = frReadInteger(Stream);
        FormatStr = frReadStr(Stream);
    }
    frReadMemoVer(Stream, &Memo);
    if (StreamMode == 0 && v >= 23) {
        frReadMemoVer(Stream, &Script);
        Visible = frReadWord(Stream) != 0;
    }
    if (v >= 24) {
        Restrictions = frReadWord(Stream);
        Tag = frReadStr(Stream);
        GapX = frReadInteger(Stream);
        GapY = frReadInteger(Stream);
    }
    if (RevMajor > 1) BandAlign = frReadByte(Stream);
}

void TfrView::SaveToStream(TStream* Stream) {
    frWriteString(Stream, Name);
    TfrFieldWriter w(Stream);
    w.Byte(2)
        .Byte(StreamMinor())
        .Integer(Left)
        .Integer(Top)
        .Integer(Width)
        .Integer(Height)
        .Word(uint16_t(Flags))
        .Word(uint16_t(FrameTyp))
        .Integer(frFrameWidthToStream(FrameWidth))
        .Integer(FrameColor)
        .Word(uint16_t(FrameStyle))
        .Integer(FillColor);
    if (StreamMode == 0) {
        w.Integer(Format).Flush();
        frWriteString(Stream, FormatStr);
        frWriteMemo(Stream, &Memo);
        frWriteMemo(Stream, &Script);
        w.Word(Visible ? 0xFFFF : 0);
    } else {
        w.Flush();
        frWriteMemo(Stream, &Memo1);
    }
    w.Word(uint16_t(Restrictions)).Flush();
    frWriteString(Stream, Tag);
    w.Integer(GapX).Integer(GapY).Byte(uint8_t(BandAlign)).Flush();
}

// ---- TfrMemoView ------------------------------------------------------------------------

TfrMemoView::TfrMemoView() {
    BaseName = u"Memo"_s;
    Typ = gtMemo;
    Flags = flStretched | flWordWrap;
    Font.Charset = frEngineStarted() ? frGlobals().DefaultCharset : 204;
}

void TfrMemoView::DefineProperties() {
    TfrView::DefineProperties();
    AddProperty(u"Font.Name"_s, 0);
    AddProperty(u"Font.Size"_s, 0);
    AddProperty(u"Font.Style"_s, 0);
    AddProperty(u"Font.Color"_s, 0);
    AddProperty(u"Font"_s, frdtHasEditor);
    AddProperty(u"Alignment"_s, frdtInteger);
    AddProperty(u"DisplayFormat"_s, frdtHasEditor);
    AddProperty(u"Highlight"_s, frdtHasEditor);
    AddProperty(u"LineSpacing"_s, frdtInteger);
    AddProperty(u"CharSpacing"_s, frdtInteger);
    AddProperty(u"GapX"_s, frdtInteger);
    AddProperty(u"GapY"_s, frdtInteger);
    AddProperty(u"Stretched"_s, frdtBoolean);
    AddProperty(u"WordWrap"_s, frdtBoolean);
    AddProperty(u"WordBreak"_s, frdtBoolean);
    AddProperty(u"AutoWidth"_s, frdtBoolean);
    AddProperty(u"TextOnly"_s, frdtBoolean);
    AddProperty(u"Suppress"_s, frdtBoolean);
    AddProperty(u"HideZeros"_s, frdtBoolean);
    AddProperty(u"Lines.Count"_s, 0);
    AddProperty(u"Underlines"_s, frdtBoolean);
    AddProperty(u"RTLReading"_s, frdtBoolean);
}

namespace {

int memoFlagBit(const QString& n) {
    if (n == "WORDWRAP"_L1) return flWordWrap;
    if (n == "WORDBREAK"_L1) return flWordBreak;
    if (n == "AUTOWIDTH"_L1) return flAutoSize;
    if (n == "TEXTONLY"_L1) return flTextOnly;
    if (n == "SUPPRESS"_L1) return flSuppressRepeated;
    if (n == "HIDEZEROS"_L1) return flHideZeros;
    if (n == "UNDERLINES"_L1) return flUnderlines;
    if (n == "RTLREADING"_L1) return flRTLReading;
    return 0;
}

} // namespace

void TfrMemoView::SetPropValue(const QString& Index, const Variant& Value) {
    const QString n = AnsiUpperCase(Index);
    if (n.startsWith("FONT."_L1))
        frSetFontProp(Font, n, Value);
    else if (n == "ALIGNMENT"_L1)
        Alignment = int(Value.AsInteger());
    else if (n == "LINESPACING"_L1)
        LineSpacing = int(Value.AsInteger());
    else if (n == "CHARSPACING"_L1)
        CharSpacing = int(Value.AsInteger());
    else if (int bit = memoFlagBit(n))
        setFlag(Flags, bit, Value);
    else
        TfrView::SetPropValue(n, Value);
}

Variant TfrMemoView::GetPropValue(const QString& Index) {
    const QString n = AnsiUpperCase(Index);
    if (n.startsWith("FONT."_L1)) return frGetFontProp(Font, n);
    if (n == "ALIGNMENT"_L1) return Variant(Alignment);
    if (n == "LINESPACING"_L1) return Variant(LineSpacing);
    if (n == "CHARSPACING"_L1) return Variant(CharSpacing);
    if (n == "LINES.COUNT"_L1) return Variant(Memo.Count());
    if (int bit = memoFlagBit(n)) return Variant((Flags & bit) != 0);
    return TfrView::GetPropValue(n);
}

Variant TfrMemoView::DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                              const Variant& Par3) {
    Variant result = Null();
    if (frDoStringListMethod(u"LINES"_s, &Memo, MethodName, Par1, Par2, Par3, result))
        return result;
    return TfrView::DoMethod(MethodName, Par1, Par2, Par3);
}

void TfrMemoView::LoadFromStream(TStream* Stream) {
    TfrView::LoadFromStream(Stream);
    const int v = frGlobals().frVersion;
    Font.Name = frReadStr(Stream);
    Font.Size = frReadInteger(Stream);
    Font.Style = frStyleFromStream(frReadWord(Stream));
    Font.Color = frReadInteger(Stream);
    Alignment = frReadInteger(Stream);
    int charset = frReadWord(Stream);
    Font.Charset = v < 23 ? frGlobals().DefaultCharset : charset & 0xFF;
    if (StreamMode == 0) {
        Highlight.FontStyle = frReadWord(Stream);
        Highlight.FontColor = frReadInteger(Stream);
        Highlight.FillColor = frReadInteger(Stream);
        HighlightCondition = frReadStr(Stream);
    }
    if (v >= 24) {
        LineSpacing = frReadInteger(Stream);
        CharSpacing = frReadInteger(Stream);
    }
    if (v == 21) Flags |= flWordWrap;
}

void TfrMemoView::SaveToStream(TStream* Stream) {
    TfrView::SaveToStream(Stream);
    frWriteString(Stream, Font.Name);
    TfrFieldWriter w(Stream);
    w.Integer(Font.Size)
        .Word(frStyleToStream(Font.Style))
        .Integer(Font.Color)
        .Integer(Alignment)
        .Word(uint16_t(Font.Charset & 0xFF));
    if (StreamMode == 0) {
        w.Word(Highlight.FontStyle)
            .Integer(Highlight.FontColor)
            .Integer(Highlight.FillColor)
            .Flush();
        frWriteString(Stream, HighlightCondition);
    }
    w.Integer(LineSpacing).Integer(CharSpacing).Flush();
}

// ---- TfrPictureView ---------------------------------------------------------------------

TfrPictureView::TfrPictureView() {
    BaseName = u"Picture"_s;
    Typ = gtPicture;
    Flags = flStretched | flPictRatio;
    if (frEngineStarted()) {
        TfrVariables& c = frGlobals().frConsts;
        c.SetVariable(u"btBMP"_s, Variant(0));
        c.SetVariable(u"btJPG"_s, Variant(1));
        c.SetVariable(u"btICO"_s, Variant(2));
        c.SetVariable(u"btWMF"_s, Variant(3));
    }
}

void TfrPictureView::DefineProperties() {
    TfrView::DefineProperties();
    AddProperty(u"Picture"_s, frdtHasEditor);
    AddProperty(u"Stretched"_s, frdtBoolean);
    AddProperty(u"Center"_s, frdtBoolean);
    AddProperty(u"KeepAspect"_s, frdtBoolean);
    AddProperty(u"DataField"_s, frdtString | frdtHasEditor);
    AddProperty(u"BlobType"_s, frdtEnum, {u"btBMP"_s, u"btJPG"_s, u"btICO"_s, u"btWMF"_s},
                intValues(4));
}

void TfrPictureView::SetPropValue(const QString& Index, const Variant& Value) {
    const QString n = AnsiUpperCase(Index);
    if (n == "CENTER"_L1)
        setFlag(Flags, flPictCenter, Value);
    else if (n == "KEEPASPECT"_L1)
        setFlag(Flags, flPictRatio, Value);
    else if (n == "BLOBTYPE"_L1)
        BlobType = uint8_t(Value.AsInteger());
    else
        TfrView::SetPropValue(n, Value);
}

Variant TfrPictureView::GetPropValue(const QString& Index) {
    const QString n = AnsiUpperCase(Index);
    if (n == "CENTER"_L1) return Variant((Flags & flPictCenter) != 0);
    if (n == "KEEPASPECT"_L1) return Variant((Flags & flPictRatio) != 0);
    if (n == "BLOBTYPE"_L1) return Variant(int(BlobType));
    return TfrView::GetPropValue(n);
}

Variant TfrPictureView::DoMethod(const QString& MethodName, const Variant& Par1,
                                 const Variant& Par2, const Variant& Par3) {
    if (AnsiUpperCase(MethodName) == "LOADFROMFILE"_L1) {
        uint8_t kind = pkNone;
        QByteArray data;
        frPictureFromFile(VarToStr(evalArg(Par1)), kind, data);
        SetPicture(kind, data);
        return Null();
    }
    return TfrView::DoMethod(MethodName, Par1, Par2, Par3);
}

void TfrPictureView::LoadFromStream(TStream* Stream) {
    TfrView::LoadFromStream(Stream);
    PictureKind = frReadByte(Stream);
    if (RevMajor * 10 + RevMinor > 10) BlobType = frReadByte(Stream);
    const int64_t end = frReadInteger(Stream);
    const int64_t pos = Stream->GetPosition();
    if (end < pos || end > Stream->GetSize()) throw EReadError(u"Stream read error"_s);
    PictureData = Stream->ReadBytes(end - pos);
    if (PictureKind > pkIcon) PictureKind = pkNone;
    if (PictureKind == pkNone) PictureData.clear();
    Stream->SetPosition(end);
}

void TfrPictureView::SaveToStream(TStream* Stream) {
    TfrView::SaveToStream(Stream);
    const uint8_t kind = PictureData.isEmpty() ? uint8_t(pkNone) : PictureKind;
    frWriteByte(Stream, kind);
    frWriteByte(Stream, BlobType);
    const int64_t placeholder = Stream->GetPosition();
    frWriteInteger(Stream, 0);
    if (kind != pkNone) Stream->WriteBytes(PictureData);
    const int64_t end = Stream->GetPosition();
    Stream->SetPosition(placeholder);
    frWriteInteger(Stream, int32_t(end));
    Stream->SetPosition(end);
}

// ---- TfrLineView ------------------------------------------------------------------------

TfrLineView::TfrLineView() {
    BaseName = u"Line"_s;
    Typ = gtLine;
    FrameTyp = frftLeft;
    FillColor = clWhite;
}

void TfrLineView::DefineProperties() {
    TfrView::DefineProperties();
    AddProperty(u"Stretched"_s, frdtBoolean);
}

// ---- TfrBandView ------------------------------------------------------------------------

TfrBandView::TfrBandView() {
    BaseName = u"Band"_s;
    Typ = gtBand;
    Flags = flBandOnFirstPage | flBandOnLastPage;
    Format = 0;
}

namespace {

bool kindIn(int kind, std::initializer_list<int> kinds) {
    for (int k : kinds)
        if (k == kind) return true;
    return false;
}

int bandFlagBit(const QString& n) {
    if (n == "FORMNEWPAGE"_L1) return flBandNewPageAfter;
    if (n == "PRINTIFSUBSETEMPTY"_L1) return flBandPrintIfSubsetEmpty;
    if (n == "BREAKED"_L1) return flBandBreaked;
    if (n == "ONFIRSTPAGE"_L1) return flBandOnFirstPage;
    if (n == "ONLASTPAGE"_L1) return flBandOnLastPage;
    if (n == "REPEATHEADER"_L1) return flBandRepeatHeader;
    if (n == "PRINTCHILDIFINVISIBLE"_L1) return flBandPrintChildIfInvisible;
    return 0;
}

} // namespace

void TfrBandView::DefineProperties() {
    const int k = GetBandType();
    AddProperty(u"Name"_s, frdtOneObject | frdtString);
    AddProperty(u"Left"_s, frdtSize);
    AddProperty(u"Top"_s, frdtSize);
    AddProperty(u"Width"_s, frdtSize);
    AddProperty(u"Height"_s, frdtSize);
    AddProperty(u"Visible"_s, frdtBoolean);
    if (k != btPageFooter) {
        QStringList children;
        QList<Variant> values;
        if (ParentPage)
            for (int i = 0; i < ParentPage->Objects.Count(); ++i) {
                auto* b = dynamic_cast<TfrBandView*>(ParentPage->GetObject(i));
                if (b && b != this && b->GetBandType() == btChild) {
                    children << b->Name;
                    values << Variant(b->Name);
                }
            }
        AddProperty(u"ChildBand"_s, frdtEnum, children, values);
        AddProperty(u"PrintChildIfInvisible"_s, frdtBoolean);
    }
    if (kindIn(k, {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 18, 21}))
        AddProperty(u"Stretched"_s, frdtBoolean);
    if (kindIn(k, {0, 1, 5, 6, 8, 9, 11, 12, 16})) AddProperty(u"FormNewPage"_s, frdtBoolean);
    if (kindIn(k, {5, 8})) AddProperty(u"PrintIfSubsetEmpty"_s, frdtBoolean);
    if (kindIn(k, {0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 21}))
        AddProperty(u"Breaked"_s, frdtBoolean);
    if (kindIn(k, {2, 3})) AddProperty(u"OnFirstPage"_s, frdtBoolean);
    if (k == 3) AddProperty(u"OnLastPage"_s, frdtBoolean);
    if (kindIn(k, {4, 7, 10, 16, 18})) AddProperty(u"RepeatHeader"_s, frdtBoolean);
    if (kindIn(k, {5, 8, 11, 19})) AddProperty(u"DataSource"_s, frdtHasEditor);
    if (kindIn(k, {5, 8, 11})) {
        AddProperty(u"Columns"_s, frdtInteger);
        AddProperty(u"ColumnWidth"_s, frdtSize);
        AddProperty(u"ColumnGap"_s, frdtSize);
    }
    if (k == btGroupHeader) {
        AddProperty(u"Condition"_s, frdtOneObject);
        QStringList masters;
        QList<Variant> values;
        if (ParentPage)
            for (int i = 0; i < ParentPage->Objects.Count(); ++i) {
                auto* b = dynamic_cast<TfrBandView*>(ParentPage->GetObject(i));
                if (b && kindIn(b->GetBandType(), {5, 8, 11})) {
                    masters << b->Name;
                    values << Variant(b->Name);
                }
            }
        AddProperty(u"Master"_s, frdtEnum, masters, values);
    }
    AddProperty(u"EOF"_s, 0);
}

void TfrBandView::SetPropValue(const QString& Index, const Variant& Value) {
    const QString n = AnsiUpperCase(Index);
    if (n == "CHILDBAND"_L1)
        ChildBand = VarToStr(Value);
    else if (n == "MASTER"_L1)
        Master = VarToStr(Value);
    else if (int bit = bandFlagBit(n))
        setFlag(Flags, bit, Value);
    else if (n == "CONDITION"_L1 || n == "DATASOURCE"_L1)
        FormatStr = VarToStr(Value);
    else if (n == "COLUMNS"_L1)
        Columns = int(Value.AsInteger());
    else if (n == "COLUMNGAP"_L1)
        ColumnGap = int(Value.AsInteger());
    else if (n == "COLUMNWIDTH"_L1)
        ColumnWidth = int(Value.AsInteger());
    else if (n == "NEWCOLUMNAFTER"_L1)
        NewColumnAfter = int(Value.AsInteger());
    else
        TfrView::SetPropValue(n, Value);
}

Variant TfrBandView::GetPropValue(const QString& Index) {
    const QString n = AnsiUpperCase(Index);
    if (n == "CHILDBAND"_L1) return Variant(ChildBand);
    if (n == "MASTER"_L1) return Variant(Master);
    if (int bit = bandFlagBit(n)) return Variant((Flags & bit) != 0);
    if (n == "CONDITION"_L1 || n == "DATASOURCE"_L1) return Variant(FormatStr);
    if (n == "COLUMNS"_L1) return Variant(Columns);
    if (n == "COLUMNGAP"_L1) return Variant(ColumnGap);
    if (n == "COLUMNWIDTH"_L1) return Variant(ColumnWidth);
    if (n == "NEWCOLUMNAFTER"_L1) return Variant(NewColumnAfter);
    if (n == "EOF"_L1) return Variant(true); // without a build there is no data to walk
    return TfrView::GetPropValue(n);
}

void TfrBandView::LoadFromStream(TStream* Stream) {
    TfrView::LoadFromStream(Stream);
    if (frGlobals().frVersion > 23) {
        ChildBand = frReadStr(Stream);
        Columns = frReadInteger(Stream);
        ColumnWidth = frReadInteger(Stream);
        ColumnGap = frReadInteger(Stream);
        NewColumnAfter = frReadInteger(Stream);
        if (RevMajor * 10 + RevMinor > 20) Master = frReadStr(Stream);
    }
}

void TfrBandView::SaveToStream(TStream* Stream) {
    TfrView::SaveToStream(Stream);
    frWriteString(Stream, ChildBand);
    frWriteInteger(Stream, Columns);
    frWriteInteger(Stream, ColumnWidth);
    frWriteInteger(Stream, ColumnGap);
    frWriteInteger(Stream, NewColumnAfter);
    frWriteString(Stream, Master);
}

// ---- TfrSubReportView -------------------------------------------------------------------

TfrSubReportView::TfrSubReportView() {
    BaseName = u"SubReport"_s;
    Typ = gtSubReport;
}

void TfrSubReportView::LoadFromStream(TStream* Stream) {
    TfrView::LoadFromStream(Stream);
    SubPage = frReadInteger(Stream);
}

void TfrSubReportView::SaveToStream(TStream* Stream) {
    TfrView::SaveToStream(Stream);
    frWriteInteger(Stream, SubPage);
}

// ---- TfrPage ----------------------------------------------------------------------------

TfrPage::TfrPage(int ASize, int AWidth, int AHeight, TPrinterOrientation AOrientation, int ABin) {
    ChangePaper(ASize, AWidth, AHeight, AOrientation, ABin);
}

TfrPage::~TfrPage() {
    if (frEngineStarted() && frGlobals().ActivePage == this) frGlobals().ActivePage = nullptr;
    Clear();
}

void TfrPage::ChangePaper(int ASize, int AWidth, int AHeight, TPrinterOrientation AOrientation,
                          int ABin) {
    TfrPrinter* printer = frGlobalPrinter();
    printer->ChangeSettings(ASize, AWidth, AHeight, false, AOrientation, ABin);
    printer->GetPageMetrics(PrintableArea);
    pgSize = printer->PaperSize;
    pgWidth = printer->PaperWidth;
    pgHeight = printer->PaperHeight;
    pgOr = printer->Orientation;
    pgBin = (ABin & 0xFFFF) == 0xFFFF ? frDefaultBin : printer->Bin;
}

int TfrPage::LeftLimit() const {
    if (!UseMargins) return 0;
    return frClampCoord(pgMargins[0] != 0 ? pgMargins[0] : PrintableArea.OffsetX);
}

int TfrPage::RightLimit() const {
    const TfrPageMetrics& m = PrintableArea;
    if (!UseMargins) return frClampCoord(m.PageWidth);
    return frClampCoord(pgMargins[2] != 0 ? int64_t(m.PageWidth) - pgMargins[2]
                                          : int64_t(m.OffsetX) + m.PrintableWidth);
}

void TfrPage::Clear() {
    for (int i = Objects.Count() - 1; i >= 0; --i)
        delete Objects.Get<TfrView>(i);
    Objects.Clear();
}

void TfrPage::Delete(int Index) {
    if (Index < 0 || Index >= Objects.Count()) return;
    delete Objects.Get<TfrView>(Index);
    Objects.Delete(Index);
}

TfrView* TfrPage::FindObject(const QString& Name) {
    for (int i = 0; i < Objects.Count(); ++i) {
        TfrView* v = GetObject(i);
        if (AnsiSameText(v->Name, Name)) return v;
    }
    return nullptr;
}

void TfrPage::DefineProperties() {
    AddProperty(u"Name"_s, frdtOneObject | frdtString);
    AddProperty(u"Type"_s, frdtEnum, {u"ptReport"_s, u"ptDialog"_s}, intValues(2));
    AddProperty(u"Visible"_s, frdtBoolean);
    AddProperty(u"BorderStyle"_s, frdtEnum, {u"bsDialog"_s, u"bsSizeable"_s},
                {Variant(3), Variant(2)});
    AddProperty(u"Caption"_s, frdtString);
    AddProperty(u"Color"_s, frdtColor);
    AddProperty(u"Left"_s, frdtInteger);
    AddProperty(u"Top"_s, frdtInteger);
    AddProperty(u"Width"_s, frdtInteger);
    AddProperty(u"Height"_s, frdtInteger);
    AddProperty(u"Position"_s, frdtEnum, {u"poDesigned"_s, u"poScreenCenter"_s},
                {Variant(0), Variant(4)});
    AddProperty(u"OnActivate"_s, frdtHasEditor);
    AddProperty(u"Size"_s, frdtInteger);
    AddProperty(u"LeftMargin"_s, frdtSize);
    AddProperty(u"TopMargin"_s, frdtSize);
    AddProperty(u"RightMargin"_s, frdtSize);
    AddProperty(u"BottomMargin"_s, frdtSize);
    AddProperty(u"Orientation"_s, frdtEnum, {u"poPortrait"_s, u"poLandscape"_s}, intValues(2));
    AddProperty(u"PrintToPrevPage"_s, frdtBoolean);
    AddProperty(u"StretchToPrintable"_s, frdtBoolean);
    AddProperty(u"Columns"_s, frdtInteger);
    AddProperty(u"ColumnGap"_s, frdtSize);
    AddProperty(u"OnBeforePrint"_s, frdtHasEditor);
}

void TfrPage::SetPropValue(const QString& Index, const Variant& Value) {
    const QString n = AnsiUpperCase(Index);
    const bool dialog = PageType == ptDialog;
    if (n == "LEFT"_L1)
        Left = int(Value.AsInteger());
    else if (n == "TOP"_L1)
        Top = int(Value.AsInteger());
    else if (n == "WIDTH"_L1)
        (dialog ? Width : pgWidth) =
            dialog ? int(Value.AsInteger()) : int(std::round(Value.AsDouble() * 10));
    else if (n == "HEIGHT"_L1)
        (dialog ? Height : pgHeight) =
            dialog ? int(Value.AsInteger()) : int(std::round(Value.AsDouble() * 10));
    else if (n == "TYPE"_L1)
        PageType = int(Value.AsInteger());
    else if (n == "BORDERSTYLE"_L1)
        BorderStyle = int(Value.AsInteger());
    else if (n == "CAPTION"_L1)
        Caption = VarToStr(Value);
    else if (n == "NAME"_L1)
        Name = VarToStr(Value);
    else if (n == "COLOR"_L1)
        Color = int32_t(Value.AsInteger());
    else if (n == "POSITION"_L1)
        Position = int(Value.AsInteger());
    else if (n == "ORIENTATION"_L1)
        pgOr = int(Value.AsInteger());
    else if (n == "COLUMNS"_L1)
        ColCount = int(Value.AsInteger());
    else if (n == "COLUMNGAP"_L1)
        ColGap = int(Value.AsInteger());
    else if (n == "SIZE"_L1)
        pgSize = int(Value.AsInteger());
    else if (n == "LEFTMARGIN"_L1)
        pgMargins[0] = int(Value.AsInteger());
    else if (n == "TOPMARGIN"_L1)
        pgMargins[1] = int(Value.AsInteger());
    else if (n == "RIGHTMARGIN"_L1)
        pgMargins[2] = int(Value.AsInteger());
    else if (n == "BOTTOMMARGIN"_L1)
        pgMargins[3] = int(Value.AsInteger());
    else if (n == "PRINTTOPREVPAGE"_L1)
        PrintToPrevPage = Value.AsBoolean();
    else if (n == "VISIBLE"_L1)
        Visible = Value.AsBoolean();
    else if (n == "STRETCHTOPRINTABLE"_L1)
        UseMargins = !Value.AsBoolean();
}

Variant TfrPage::GetPropValue(const QString& Index) {
    const QString n = AnsiUpperCase(Index);
    const bool dialog = PageType == ptDialog;
    if (n == "LEFT"_L1) return Variant(Left);
    if (n == "TOP"_L1) return Variant(Top);
    if (n == "WIDTH"_L1) return dialog ? Variant(Width) : Variant(pgWidth / 10);
    if (n == "HEIGHT"_L1) return dialog ? Variant(Height) : Variant(pgHeight / 10);
    if (n == "TYPE"_L1) return Variant(PageType);
    if (n == "BORDERSTYLE"_L1) return Variant(BorderStyle);
    if (n == "CAPTION"_L1) return Variant(Caption);
    if (n == "NAME"_L1) return Variant(Name);
    if (n == "COLOR"_L1) return Variant(Color);
    if (n == "POSITION"_L1) return Variant(Position);
    if (n == "ORIENTATION"_L1) return Variant(pgOr);
    if (n == "COLUMNS"_L1) return Variant(ColCount);
    if (n == "COLUMNGAP"_L1) return Variant(ColGap);
    if (n == "SIZE"_L1) return Variant(pgSize);
    if (n == "LEFTMARGIN"_L1) return Variant(pgMargins[0]);
    if (n == "TOPMARGIN"_L1) return Variant(pgMargins[1]);
    if (n == "RIGHTMARGIN"_L1) return Variant(pgMargins[2]);
    if (n == "BOTTOMMARGIN"_L1) return Variant(pgMargins[3]);
    if (n == "PRINTTOPREVPAGE"_L1) return Variant(PrintToPrevPage);
    if (n == "VISIBLE"_L1) return Variant(Visible);
    if (n == "STRETCHTOPRINTABLE"_L1) return Variant(!UseMargins);
    return Null();
}

void TfrPage::LoadFromStream(TStream* Stream) {
    TfrGlobals& g = frGlobals();
    const int v = g.frVersion;
    const int32_t marker = frReadInteger(Stream);
    const bool withScript = marker == -1;
    int size = withScript ? frReadInteger(Stream) : marker;
    int width = frReadInteger(Stream);
    int height = frReadInteger(Stream);
    for (int& m : pgMargins)
        m = frReadInteger(Stream);
    int orientation = frReadByte(Stream);
    if (v < 23)
        for (int i = 0; i < 6; ++i)
            frReadByte(Stream);
    int bin = v > 23 ? frReadInteger(Stream) : -1;
    PrintToPrevPage = frReadWord(Stream) != 0;
    UseMargins = frReadWord(Stream) != 0;
    ColCount = frReadInteger(Stream);
    ColGap = frReadInteger(Stream);
    if (v >= 24) {
        PageType = frReadByte(Stream);
        Name = frReadString(Stream);
        BorderStyle = frReadByte(Stream);
        if (BorderStyle == 0)
            BorderStyle = 3;
        else if (BorderStyle == 1)
            BorderStyle = 2;
        Caption = frReadString(Stream);
        Color = frReadInteger(Stream);
        Left = frReadInteger(Stream);
        Top = frReadInteger(Stream);
        Width = frReadInteger(Stream);
        Height = frReadInteger(Stream);
        Position = frReadByte(Stream) != 0 ? 4 : 0;
        if (withScript) frReadMemo(Stream, &Script);
    } else {
        PageType = ptReport;
        BorderStyle = 3;
        Caption = u"Form"_s;
        Color = clBtnFace;
        Left = 220;
        Top = 120;
        Width = 380;
        Height = 300;
        Position = 4;
        Name = u"Page"_s;
        if (TfrReport* r = g.ActiveReport) {
            for (int i = 1; i <= 10000; ++i) {
                QString candidate = u"Page"_s + QString::number(i);
                bool used = false;
                for (int k = 0; k < r->Pages.Count() && !used; ++k)
                    used = r->Pages[k] != this && AnsiSameText(r->Pages[k]->Name, candidate);
                if (!used) {
                    Name = candidate;
                    break;
                }
            }
        }
    }
    ChangePaper(size, width, height, orientation != 0 ? poLandscape : poPortrait, bin);
}

void TfrPage::SaveToStream(TStream* Stream) {
    frWriteInteger(Stream, -1);
    frWriteInteger(Stream, pgSize);
    frWriteInteger(Stream, pgWidth);
    frWriteInteger(Stream, pgHeight);
    for (int m : pgMargins)
        frWriteInteger(Stream, m);
    frWriteByte(Stream, uint8_t(pgOr));
    frWriteInteger(Stream, pgBin);
    frWriteWord(Stream, PrintToPrevPage ? 0xFFFF : 0);
    frWriteWord(Stream, UseMargins ? 0xFFFF : 0);
    frWriteInteger(Stream, ColCount);
    frWriteInteger(Stream, ColGap);
    frWriteByte(Stream, uint8_t(PageType));
    frWriteString(Stream, Name);
    frWriteByte(Stream, uint8_t(BorderStyle));
    frWriteString(Stream, Caption);
    frWriteInteger(Stream, Color);
    frWriteInteger(Stream, Left);
    frWriteInteger(Stream, Top);
    frWriteInteger(Stream, Width);
    frWriteInteger(Stream, Height);
    frWriteByte(Stream, uint8_t(Position));
    frWriteMemo(Stream, &Script);
}
