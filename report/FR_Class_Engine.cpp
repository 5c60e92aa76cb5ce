// The engine context, the object factory and registries, the function libraries with the
// standard functions, and the engine's interpreter.
#include "FR_Class.h"

#include "Dates.h"
#include "Forms.h"
#include "MaskUtils.h"

#include <QGuiApplication>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

std::unique_ptr<TfrGlobals> engine;

} // namespace

void frStartEngine() {
    engine.reset();
    engine = std::make_unique<TfrGlobals>();
}

void frStopEngine() {
    engine.reset();
}

bool frEngineStarted() {
    return engine != nullptr;
}

TfrGlobals& frGlobals() {
    if (!engine) frStartEngine();
    return *engine;
}

TfrVariables& frVariables() {
    return frGlobals().frVariables;
}

TfrPrinter* frGlobalPrinter() {
    TfrGlobals& g = frGlobals();
    if (!g.frPrinter) {
        g.frPrinter = std::make_unique<TfrPrinter>();
        // The platform's printers need an application object; without one (tools, fuzzing)
        // reports build on the virtual printer.
        g.frPrinter->AttachPrinter(QGuiApplication::instance() ? Printer() : nullptr);
    }
    return g.frPrinter.get();
}

TCanvas* frMeasureCanvas() {
    TfrGlobals& g = frGlobals();
    if (!g.MeasureBitmap) g.MeasureBitmap = std::make_unique<TBitmap>(10, 10);
    return g.MeasureBitmap->GetCanvas();
}

void frAddWarning(const QString& Text) {
    QStringList& w = frGlobals().BuildWarnings;
    if (!w.contains(Text)) w.append(Text);
}

// ---- TfrGlobals -------------------------------------------------------------------------

namespace {

void addConstants(TfrVariables& c) {
    // The colours a script may name, with the graphics layer's values (system colours in
    // their high-bit form, unsigned as scripts see them).
    const std::pair<const char*, TColor> colors[] = {
        {"clWhite", clWhite},
        {"clBlack", clBlack},
        {"clMaroon", clMaroon},
        {"clGreen", clGreen},
        {"clOlive", clOlive},
        {"clNavy", clNavy},
        {"clPurple", clPurple},
        {"clTeal", clTeal},
        {"clGray", clGray},
        {"clSilver", clSilver},
        {"clRed", clRed},
        {"clLime", clLime},
        {"clYellow", clYellow},
        {"clBlue", clBlue},
        {"clFuchsia", clFuchsia},
        {"clAqua", clAqua},
        {"clTransparent", clNone},
        {"clScrollBar", clScrollBar},
        {"clBackground", clBackground},
        {"clActiveCaption", clActiveCaption},
        {"clInactiveCaption", clInactiveCaption},
        {"clMenu", clMenu},
        {"clWindow", clWindow},
        {"clWindowFrame", clWindowFrame},
        {"clMenuText", clMenuText},
        {"clWindowText", clWindowText},
        {"clCaptionText", clCaptionText},
        {"clActiveBorder", clActiveBorder},
        {"clInactiveBorder", clInactiveBorder},
        {"clAppWorkSpace", clAppWorkSpace},
        {"clHighlight", clHighlight},
        {"clHighlightText", clHighlightText},
        {"clBtnFace", clBtnFace},
        {"clBtnShadow", clBtnShadow},
        {"clGrayText", clGrayText},
        {"clBtnText", clBtnText},
        {"clInactiveCaptionText", clInactiveCaptionText},
        {"clBtnHighlight", clBtnHighlight},
        {"cl3DDkShadow", cl3DDkShadow},
        {"cl3DLight", cl3DLight},
        {"clInfoText", clInfoText},
        {"clInfoBk", clInfoBk},
    };
    for (auto& [n, v] : colors)
        c.SetVariable(QString::fromLatin1(n), Variant(int64_t(uint32_t(v))));
    const std::pair<const char*, int> ints[] = {
        {"mrNone", 0},
        {"mrOk", 1},
        {"mrCancel", 2},
        {"mrYes", 6},
        {"mrNo", 7},
        {"fsBold", 2},
        {"fsItalic", 1},
        {"fsUnderline", 4},
        {"fsStrikeOut", 8},
        {"frftNone", 0},
        {"frftRight", 1},
        {"frftBottom", 2},
        {"frftLeft", 4},
        {"frftTop", 8},
        {"frtaLeft", 0},
        {"frtaRight", 1},
        {"frtaCenter", 2},
        {"frtaVertical", 4},
        {"frtaMiddle", 8},
        {"frtaDown", 16},
        {"baNone", 0},
        {"baLeft", 1},
        {"baRight", 2},
        {"baCenter", 3},
        {"baWidth", 4},
        {"baBottom", 5},
        {"baTop", 6},
        {"baRest", 7},
        {"psSolid", 0},
        {"psDash", 1},
        {"psDot", 2},
        {"psDashDot", 3},
        {"psDashDotDot", 4},
        {"psDouble", 5},
        {"mb_Ok", 0},
        {"mb_OkCancel", 1},
        {"mb_YesNo", 4},
        {"mb_YesNoCancel", 3},
        {"mb_IconError", 16},
        {"mb_IconQuestion", 32},
        {"mb_IconInformation", 64},
        {"mb_IconWarning", 48},
    };
    for (auto& [n, v] : ints)
        c.SetVariable(QString::fromLatin1(n), Variant(v));
    c.SetVariable(u"CRLF"_s, Variant(u"\r\n"_s));
    c.SetVariable(u"Null"_s, Null());
}

} // namespace

TfrGlobals::TfrGlobals() {
    DefaultCharset = StrToIntDef(frLoadStr(SDefaultCharset), 204);
    for (int i = 0; i < 23; ++i)
        BandNames[i] = frLoadStr(SBandNames + i);
    for (int i = 0; i < 4; ++i) {
        FormatNames[3][i] = frLoadStr(SFormat11 + i);
        FormatNames[1][i] = frLoadStr(SDateFormat1 + i);
        FormatNames[2][i] = frLoadStr(STimeFormat1 + i);
    }
    frVariables.SetSorted(true);
    frConsts.SetSorted(true);
    addConstants(frConsts);
    // Descriptions of the standard functions would go to the installed functions here; their
    // category texts are not in this program, and records without a category are not kept.
    frFunctions.push_back(std::make_unique<TfrStdFunctionLibrary>());
}

TfrGlobals::~TfrGlobals() {
    // The dialog components go first: views that outlive the engine then find them gone.
    DialogForm.reset();
    frParser.OnGetValue = nullptr;
    frParser.OnFunction = nullptr;
}

// ---- factory and registries -------------------------------------------------------------

TfrView* frCreateObject(uint8_t Typ, const QString& ClassName) {
    TfrGlobals& g = frGlobals();
    TfrView* v = nullptr;
    switch (Typ) {
    case gtMemo:
        v = new TfrMemoView();
        break;
    case gtPicture:
        v = new TfrPictureView();
        break;
    case gtBand:
        v = new TfrBandView();
        break;
    case gtSubReport:
        v = new TfrSubReportView();
        break;
    case gtLine:
        v = new TfrLineView();
        break;
    case gtAddIn:
        for (const TfrAddInObjectInfo& info : g.frAddIns) {
            if (info.ClassName == ClassName) {
                v = info.Create();
                v->Typ = gtAddIn;
                break;
            }
        }
        if (!v) {
            g.ErrorFlag = true;
            g.ErrorStr += ClassName + u'\r';
            throw EClassNotFound(g.ErrorStr);
        }
        break;
    default:
        return nullptr;
    }
    v->ID = g.ObjectCounter++;
    if (g.ActiveReport && !g.ActiveReport->GetComponentState().Contains(csLoading))
        v->CreateUniqueName();
    return v;
}

namespace {

void registerAddIn(const QString& ClassName, const TfrViewFactory& Create, const QString& Hint,
                   bool control) {
    TfrGlobals& g = frGlobals();
    for (const TfrAddInObjectInfo& info : g.frAddIns)
        if (info.ClassName == ClassName) return;
    g.frAddIns.push_back({ClassName, Create, Hint, control});
}

} // namespace

void frRegisterObject(const QString& ClassName, const TfrViewFactory& Create, const QString& Hint) {
    registerAddIn(ClassName, Create, Hint, false);
}

void frRegisterControl(const QString& ClassName, const TfrViewFactory& Create,
                       const QString& Hint) {
    registerAddIn(ClassName, Create, Hint, true);
}

void frUnRegisterObject(const QString& ClassName) {
    auto& a = frGlobals().frAddIns;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].ClassName == ClassName) {
            a.erase(a.begin() + i);
            return;
        }
}

void frRegisterFunctionLibrary(const TfrLibraryFactory& Create) {
    TfrGlobals& g = frGlobals();
    std::unique_ptr<TfrFunctionLibrary> lib(Create());
    for (auto& l : g.frFunctions)
        if (l->ClassName() == lib->ClassName()) return;
    g.frFunctions.push_back(std::move(lib));
}

void frUnRegisterFunctionLibrary(const QString& ClassName) {
    TfrGlobals& g = frGlobals();
    for (size_t i = 0; i < g.frFunctions.size(); ++i) {
        if (g.frFunctions[i]->ClassName() == ClassName) {
            g.frInstalledFunctions.RemoveLibrary(g.frFunctions[i].get());
            g.frFunctions.erase(g.frFunctions.begin() + i);
            return;
        }
    }
}

void frAddFunctionDesc(TfrFunctionLibrary* Lib, const QString& FuncName, const QString& Category,
                       const QString& Description) {
    frGlobals().frInstalledFunctions.Add(Lib, FuncName, Category, Description);
}

void TfrInstalledFunctions::Add(TfrFunctionLibrary* Library, const QString& FunctionName,
                                const QString& Category, const QString& Description) {
    if (Category.isEmpty()) return;
    for (const TfrFunctionDescription& d : Items)
        if (d.FunctionName == FunctionName) return;
    Items.push_back({Library, FunctionName, Category, Description});
}

void TfrInstalledFunctions::RemoveLibrary(TfrFunctionLibrary* Library) {
    const QString cls = Library->ClassName();
    std::erase_if(Items, [&](const TfrFunctionDescription& d) {
        return d.Library && d.Library->ClassName() == cls;
    });
}

// ---- function libraries -----------------------------------------------------------------

bool TfrFunctionLibrary::OnFunction(const QString& FName, const Variant& p1, const Variant& p2,
                                    const Variant& p3, Variant& val) {
    for (int i = 0; i < List.Count(); ++i) {
        if (AnsiSameText(List[i], FName)) {
            DoFunction(i, p1, p2, p3, val);
            return true;
        }
    }
    return false;
}

void TfrFunctionLibrary::AddFunctionDesc(const QString& FuncName, const QString& Category,
                                         const QString& Description) {
    frAddFunctionDesc(this, FuncName, Category, Description);
}

namespace {

enum StdFunction {
    fnAvg,
    fnCount,
    fnDayOf,
    fnFormatDateTime,
    fnFormatFloat,
    fnFormatText,
    fnInput,
    fnLength,
    fnLowerCase,
    fnMax,
    fnMaxNum,
    fnMessageBox,
    fnMin,
    fnMinNum,
    fnMonthOf,
    fnNameCase,
    fnPos,
    fnSum,
    fnTrim,
    fnUpperCase,
    fnYearOf,
};

const char* const StdNames[] = {"AVG",         "COUNT",      "DAYOF",   "FORMATDATETIME",
                                "FORMATFLOAT", "FORMATTEXT", "INPUT",   "LENGTH",
                                "LOWERCASE",   "MAX",        "MAXNUM",  "MESSAGEBOX",
                                "MIN",         "MINNUM",     "MONTHOF", "NAMECASE",
                                "POS",         "SUM",        "TRIM",    "UPPERCASE",
                                "YEAROF"};

Variant calc(const Variant& p) {
    const QString s = VarToStr(p);
    if (Trim(s).isEmpty()) return Variant(QString());
    return frGlobals().frParser.Calc(s);
}

} // namespace

TfrStdFunctionLibrary::TfrStdFunctionLibrary() {
    for (const char* n : StdNames)
        List.Add(QString::fromLatin1(n));
}

void TfrStdFunctionLibrary::DoFunction(int FNo, const Variant& p1, const Variant& p2,
                                       const Variant& p3, Variant& val) {
    TfrGlobals& g = frGlobals();
    switch (FNo) {
    case fnAvg:
    case fnCount:
    case fnMax:
    case fnMin:
    case fnSum:
        // Aggregates live in the run-time bands of a build.
        if (g.BuildFunction) g.BuildFunction(List[FNo], p1, p2, p3, val);
        break;
    case fnDayOf:
        val = Variant(StrToInt(FormatDateTime(u"d"_s, calc(p1).AsDate())));
        break;
    case fnMonthOf:
        val = Variant(StrToInt(FormatDateTime(u"m"_s, calc(p1).AsDate())));
        break;
    case fnYearOf:
        val = Variant(StrToInt(FormatDateTime(u"yyyy"_s, calc(p1).AsDate())));
        break;
    case fnFormatDateTime: {
        // an empty date (a null field, a blank variable) formats as empty text
        const Variant date = calc(p2);
        val = VarIsClear(date) || (VarIsStr(date) && Trim(date.AsString()).isEmpty())
                  ? Variant(QString())
                  : Variant(FormatDateTime(VarToStr(calc(p1)), date.AsDate()));
        break;
    }
    case fnFormatFloat:
        val = Variant(FormatFloat(VarToStr(calc(p1)), calc(p2).AsDouble()));
        break;
    case fnFormatText:
        // the platform's edit mask, the text without its literals, blanks as spaces
        val = Variant(
            FormatMaskText(VarToStr(calc(p1)) + QStringLiteral(";0; "), VarToStr(calc(p2))));
        break;
    case fnInput: {
        const QString prompt = VarToStr(calc(p1));
        const QString def = VarToStr(calc(p2));
        val = Variant(g.InputBox ? g.InputBox(prompt, def) : def);
        break;
    }
    case fnLength:
        val = Variant(int(VarToStr(calc(p1)).size()));
        break;
    case fnLowerCase:
        val = Variant(AnsiLowerCase(VarToStr(calc(p1))));
        break;
    case fnUpperCase:
        val = Variant(AnsiUpperCase(VarToStr(calc(p1))));
        break;
    case fnNameCase: {
        QString s = AnsiLowerCase(VarToStr(calc(p1)));
        if (!s.isEmpty()) s[0] = s[0].toUpper();
        val = Variant(s);
        break;
    }
    case fnTrim:
        val = Variant(Trim(VarToStr(calc(p1))));
        break;
    case fnPos:
        val = Variant(Pos(VarToStr(calc(p1)), VarToStr(calc(p2))));
        break;
    case fnMaxNum:
    case fnMinNum: {
        Variant a = calc(p1), b = calc(p2);
        val = (a > b) == (FNo == fnMaxNum) ? a : b;
        break;
    }
    case fnMessageBox: {
        const QString text = VarToStr(calc(p1));
        const QString caption = VarToStr(calc(p2));
        const int flags = int(calc(p3).AsInteger());
        val = Variant(g.MessageBox ? g.MessageBox(text, caption, flags) : 0);
        break;
    }
    default:
        break;
    }
}

// ---- the engine's interpreter -----------------------------------------------------------

void TInterpretator::GetValue(const QString& Name, Variant& Value) {
    TfrGlobals& g = frGlobals();
    if (g.frParser.OnGetValue) g.frParser.OnGetValue(Name, Value);
}

void TInterpretator::DoFunction(const QString& Name, const Variant& p1, const Variant& p2,
                                const Variant& p3, Variant& val) {
    TfrGlobals& g = frGlobals();
    if (g.frParser.OnFunction) g.frParser.OnFunction(Name, p1, p2, p3, val);
}

void TInterpretator::SetValue(const QString& Name, const Variant& Value) {
    TfrGlobals& g = frGlobals();
    if (g.frVariables.IndexOf(Name) >= 0) {
        g.frVariables.SetVariable(Name, Value);
        return;
    }
    TfrReport* r = g.ActiveReport;
    if (r && r->Dictionary.Variables.IndexOf(Name) >= 0) {
        r->Dictionary.Variables.SetVariable(Name, Value);
        return;
    }
    const QString u = AnsiUpperCase(Name);
    if (u == "MODALRESULT"_L1 || u == "PROGRESS"_L1) {
        // the dialog form and the progress window belong to a build
        Variant dummy;
        if (g.BuildFunction) g.BuildFunction(u, Value, Variant(), Variant(), dummy);
        return;
    }
    if (u == "CURY"_L1) {
        if (g.ActivePage) g.ActivePage->CurY = int(Value.AsInteger());
        return;
    }
    if (r && Name.contains(u'.')) {
        // A view's or a page's property, found as the value lookup finds it for reading.
        const int k = Name.indexOf(u'.');
        if (TfrObject* o = r->FindObjectOrPage(Name.left(k))) {
            const QString prop = Name.mid(k + 1);
            if (o->PropRec(prop)) {
                o->SetPropValue(AnsiUpperCase(prop), Value);
                return;
            }
        }
    }
    g.frVariables.SetVariable(Name, Value);
}

bool TInterpretator::LoopStopped() {
    if (++turns % 256 == 0 && Application) Application->ProcessMessages();
    return frBuildStopped();
}

bool frBuildStopped() {
    const TfrGlobals& g = frGlobals();
    return (g.ActiveReport && g.ActiveReport->Terminated) ||
           (g.RootReport && g.RootReport->Terminated);
}

void frRunScriptText(TStrings* Script) {
    if (Script->Count() == 0) return;
    TfrGlobals& g = frGlobals();
    TStringList compiled, errors;
    g.frInterpretator.PrepareScript(Script, &compiled, &errors);
    if (errors.Count() > 0) throw EParserError(errors[0]);
    g.frInterpretator.DoScript(&compiled);
}

// ---- aggregate search -------------------------------------------------------------------

TAggregateFunctionsSplitter::TAggregateFunctionsSplitter(QStringList* SplitTo)
    : TfrFunctionSplitter(&names, SplitTo,
                          frGlobals().ActiveReport ? &frGlobals().ActiveReport->Dictionary.Variables
                                                   : nullptr),
      names({u"AVG"_s, u"COUNT"_s, u"MAX"_s, u"MIN"_s, u"SUM"_s}) {}

void TAggregateFunctionsSplitter::SplitMemo(TStrings* Memo) {
    for (int i = 0; i < Memo->Count(); ++i) {
        const QString line = Memo->Get(i);
        int k = 0;
        for (;;) {
            const int start = line.indexOf(u'[', k);
            if (start < 0) break;
            int end;
            const QString part = GetBracketedName(line, start + 1, end);
            Split(u'[' + part + u']');
            k = std::max(end, start + 1);
        }
    }
}

void TAggregateFunctionsSplitter::SplitScript(TStrings* Script) {
    if (Script->Count() == 0) return;
    TfrInterpretator interp;
    interp.SplitExpressions(Script, FMatchFuncs, FSplitTo, FVariables);
}
