// The report's value lookup, function dispatch, text expansion and display formats.
#include "FR_Class.h"

#include "Dates.h"
#include "ScopeGuard.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

void TfrReport::MakeCurrent() {
    TfrGlobals& g = frGlobals();
    g.ActiveReport = this;
    if (g.ConnectedReport == this) return;
    g.ConnectedReport = this;
    g.frParser.OnGetValue = [this](const QString& name, Variant& v) { GetVariableValue(name, v); };
    g.frParser.OnFunction = [this](const QString& name, const Variant& p1, const Variant& p2,
                                   const Variant& p3,
                                   Variant& v) { DoUserFunction(name, p1, p2, p3, v); };
}

TfrObject* TfrReport::FindObjectOrPage(const QString& Name) {
    if (TfrView* v = FindObject(Name)) return v;
    const QString u = AnsiUpperCase(Name);
    if (u.startsWith("PAGE"_L1) && u.size() > 4) {
        bool ok;
        int n = u.mid(4).toInt(&ok);
        if (ok) return Pages[n - 1];
    }
    return nullptr;
}

namespace {

QString decimalText(const Variant& v) {
    if (VarIsNumeric(v) || VarType(v) == varDate) {
        double d = v.AsDouble();
        if (d == std::floor(d) && std::fabs(d) < 1e15) return QString::number(qint64(d));
    }
    return VarToStr(v);
}

bool isBuildName(const QString& u) {
    static const QStringList names = {u"LINE#"_s,     u"LINETHROUGH#"_s, u"COLUMN#"_s,
                                      u"CURRENT#"_s,  u"CALCWIDTH"_s,    u"CURY"_s,
                                      u"FREESPACE"_s, u"PAGEHEIGHT"_s,   u"PAGEWIDTH"_s};
    return names.contains(u);
}

} // namespace

void TfrReport::GetVariableValue(const QString& s, Variant& v) {
    TfrGlobals& g = frGlobals();
    MakeCurrent();
    v = Variant();
    if (OnGetValue) {
        Variant t;
        OnGetValue(s, t);
        if (!t.IsEmpty()) {
            v = t;
            return;
        }
    }
    if (Dictionary.GetResolvedValue(s, v)) return;
    if (Dictionary.IsVariable(s)) {
        v = Dictionary.GetValue(s);
        return;
    }
    const QString u = AnsiUpperCase(Trim(s));
    if (u == "VALUE"_L1) {
        v = g.CurValue;
        return;
    }
    if (u == "PAGE#"_L1) {
        v = Variant(g.PageNo + 1);
        return;
    }
    if (u == "DATE"_L1) {
        v = Variant::FromDate(g.CurDate);
        return;
    }
    if (u == "TIME"_L1) {
        v = Variant::FromDate(g.CurTime);
        return;
    }
    if (u == "TOTALPAGES"_L1) {
        v = Variant(g.TotalPages);
        return;
    }
    if (isBuildName(u) && u != "CURY"_L1 && u != "FREESPACE"_L1 && u != "PAGEHEIGHT"_L1 &&
        u != "PAGEWIDTH"_L1) {
        if (g.BuildValue && g.BuildValue(u, v)) return;
        if (u == "CALCWIDTH"_L1 && g.ActiveView) {
            auto* memo = dynamic_cast<TfrMemoView*>(g.ActiveView);
            v = Variant(memo ? memo->CalcWidth() : g.ActiveView->Width);
        } else {
            v = Variant(0);
        }
        return;
    }
    if (g.frVariables.IndexOf(s) >= 0) {
        v = g.frVariables.GetVariable(s);
        return;
    }
    if (u == "FINALPASS"_L1) {
        v = Variant(FinalPass);
        return;
    }
    if (isBuildName(u)) {
        if (!(g.BuildValue && g.BuildValue(u, v))) v = Variant(0);
        return;
    }
    if (s.contains(u'.')) {
        const int k = s.indexOf(u'.');
        const QString objName = Trim(s.left(k));
        const QString prop = s.mid(k + 1);
        if (TfrObject* o = FindObjectOrPage(objName)) {
            if (o->PropRec(prop)) {
                v = o->GetPropValue(AnsiUpperCase(prop));
                return;
            }
        } else if (g.ActiveView && g.ActiveView->PropRec(s)) {
            v = g.ActiveView->GetPropValue(u);
            return;
        }
    }
    if (g.frConsts.IndexOf(s) >= 0) {
        v = g.frConsts.GetVariable(s);
        return;
    }
    // Anything else is an expression. A name met again while it is being evaluated this way
    // is undefined (it would otherwise recurse without end).
    for (const QString& e : g.EvaluatingNames) {
        if (AnsiUpperCase(e) == u) {
            if (g.PreparingAggregates) {
                v = Variant(QString());
                return;
            }
            throw EParserError(frLoadStr(SVarNotDefined) + u" \""_s + e + u'"');
        }
    }
    g.EvaluatingNames.append(Trim(s));
    TScopeGuard pop([&g] { g.EvaluatingNames.removeLast(); });
    v = g.frParser.Calc(s);
    pop.End();
}

void TfrReport::DoUserFunction(const QString& Name, const Variant& p1, const Variant& p2,
                               const Variant& p3, Variant& Val) {
    TfrGlobals& g = frGlobals();
    MakeCurrent();
    Val = Variant(u"0"_s);
    for (auto& lib : g.frFunctions)
        if (lib->OnFunction(Name, p1, p2, p3, Val)) return;
    const QString u = AnsiUpperCase(Name);
    if (g.BuildFunction && g.BuildFunction(u, p1, p2, p3, Val)) {
        // a procedure of the build (NEWPAGE, NEWCOLUMN, SHOWBAND)
    } else if (u == "STOPREPORT"_L1) {
        Terminated = true;
    } else if (u == "INC"_L1 || u == "DEC"_L1) {
        const QString var = Trim(VarToStr(p1));
        Variant cur;
        g.frInterpretator.GetValue(var, cur);
        if (VarIsClear(cur)) cur = Variant(0);
        g.frInterpretator.SetValue(var, cur + Variant(u == "INC"_L1 ? 1 : -1));
    } else if (u == "SETARRAY"_L1 || u == "GETARRAY"_L1) {
        const QString array = Trim(VarToStr(p1));
        const bool set = u == "SETARRAY"_L1;
        if (array.contains(u'.')) {
            const int k = array.indexOf(u'.');
            if (TfrObject* o = FindObjectOrPage(array.left(k)))
                Val = o->DoMethod(set ? u"SETINDEXPROPERTY"_s : u"GETINDEXPROPERTY"_s,
                                  Variant(array.mid(k + 1)), p2, p3);
        } else {
            const QString name =
                u"Arr_"_s + array + u'_' + decimalText(g.frParser.Calc(VarToStr(p2)));
            if (set)
                g.frVariables.SetVariable(name, g.frParser.Calc(VarToStr(p3)));
            else
                Val = g.frVariables.GetVariable(name);
        }
    } else if (Name.contains(u'.')) {
        const int k = Name.indexOf(u'.');
        if (TfrObject* o = FindObjectOrPage(Name.left(k)))
            Val = o->DoMethod(Name.mid(k + 1), p1, p2, p3);
    }
    if (OnUserFunction) OnUserFunction(Name, p1, p2, p3, Val);
}

QString TfrReport::ExpandExpression(const QString& Expr) {
    TfrGlobals& g = frGlobals();
    TfrView* view = g.ActiveView;
    int format = view ? view->Format : 0;
    QString formatStr = view ? view->FormatStr : QString();
    QString e = Expr;
    const int k = e.indexOf(u" #"_s);
    if (k >= 0) {
        QString formatText = e.mid(k + 2);
        e = e.left(k);
        const QChar c0 = formatText.isEmpty() ? QChar(0) : formatText[0];
        if (c0.isDigit() || c0 == u'N' || c0 == u'n') {
            if (c0.isDigit()) formatText.prepend(u'N');
            const bool digitSecond = formatText.size() > 1 && formatText[1].isDigit();
            int variant = digitSecond ? 1 : 0;
            int decimals = 0;
            int sep = format & 0xFF;
            for (int i = formatText.size() - 1; i >= 1; --i) {
                QChar c = formatText[i];
                if (c == u',' || c == u'-' || c == u'.') {
                    sep = c.unicode() & 0xFF;
                    formatText[i] = u'.';
                    if (digitSecond) {
                        QString digits;
                        for (int j = i + 1; j < formatText.size() && formatText[j].isDigit(); ++j)
                            digits += formatText[j];
                        decimals = std::min(digits.toInt(), 255);
                    }
                    break;
                }
            }
            if (!digitSecond) {
                formatStr = formatText.mid(1);
                variant = 4;
            }
            format = (1 << 24) | (variant << 16) | (decimals << 8) | sep;
        } else if (c0 == u'D' || c0 == u'T' || c0 == u'd' || c0 == u't') {
            format = (2 << 24) | (4 << 16) | (format & 0xFFFF);
            formatStr = formatText.mid(1);
        } else if (c0 == u'B' || c0 == u'b') {
            format = (4 << 24) | (4 << 16) | (format & 0xFFFF);
            formatStr = formatText.mid(1);
        }
    }
    Variant v;
    GetVariableValue(Trim(e), v);
    if (view && (view->Flags & flHideZeros) && !VarIsStr(v) && !VarIsClear(v)) {
        try {
            if (v == Variant(0)) v = Variant(QString());
        } catch (const Exception&) {
        }
    }
    if (g.PreparingAggregates) return QString();
    return frFormatValue(v, format, formatStr);
}

void TfrReport::ExpandTag(QString& s) {
    int i = 0;
    for (;;) {
        const int start = s.indexOf(u'[', i);
        if (start < 0) return;
        int end;
        const QString expr = GetBracketedName(s, start + 1, end);
        if (end > s.size() || s[end - 1] != u']') return; // an unclosed bracket stays as written
        const QString value = ExpandExpression(expr);
        s.replace(start, end - start, value);
        i = start + value.size();
    }
}

QString frFormatValue(const Variant& v, int Format, const QString& FormatStr) {
    if (VarIsClear(v)) return QString();
    if (VarIsStr(v) && Trim(v.AsString()).isEmpty()) return QString();
    const int category = (Format >> 24) & 0x0F;
    const int variant = (Format >> 16) & 0xFF;
    const int decimals = (Format >> 8) & 0xFF;
    const QChar sep = QChar(char16_t(Format & 0xFF));
    TfrGlobals& g = frGlobals();
    try {
        switch (category) {
        case 1: {
            const double d = v.AsDouble();
            QString s;
            switch (variant) {
            case 0:
                s = FormatFloat(u"##0."_s + QString(decimals, u'#'), d);
                break;
            case 1:
                s = FloatToStrF(d, ffFixed, 15, decimals);
                break;
            case 2:
                s = FormatFloat(u"#,##0."_s + QString(decimals, u'#'), d);
                break;
            case 3:
                s = FloatToStrF(d, ffNumber, 15, decimals);
                break;
            case 4:
                s = FormatFloat(FormatStr, d);
                break;
            default:
                return VarToStr(v);
            }
            // The platform formats with the process-wide separator; the view's own separator
            // replaces it here, so the shared settings are never changed.
            const QChar global = FormatSettings.DecimalSeparator;
            if (sep != QChar(0) && sep != global && global != FormatSettings.ThousandSeparator)
                s.replace(global, sep);
            return s;
        }
        case 2: {
            QString pattern = variant == 3   ? FormatSettings.LongDateFormat
                              : variant == 4 ? FormatStr
                              : variant < 3  ? g.FormatNames[1][variant]
                                             : QString();
            return FormatDateTime(pattern, v.AsDate());
        }
        case 3: {
            QString pattern = variant == 4  ? FormatStr
                              : variant < 4 ? g.FormatNames[2][variant]
                                            : QString();
            return FormatDateTime(pattern, v.AsDate());
        }
        case 4: {
            QString f = variant == 4  ? FormatStr
                        : variant < 4 ? g.FormatNames[3][variant]
                                      : QString();
            const int k = f.indexOf(u';');
            const QString falseText = k < 0 ? f : f.left(k);
            const QString trueText = k < 0 ? QString() : f.mid(k + 1);
            return v.AsDouble() != 0 ? trueText : falseText;
        }
        default:
            return VarToStr(v);
        }
    } catch (const Exception&) {
        // a value that does not fit its format is shown as it is
        return VarToStr(v);
    }
}

void TfrMemoView::ExpandMemo() {
    TfrGlobals& g = frGlobals();
    TfrReport* report = g.ActiveReport;
    TfrView* saved = g.ActiveView;
    g.ActiveView = this;
    Memo1.Clear();
    TScopeGuard restore([&g, saved] { g.ActiveView = saved; });
    for (int i = 0; i < Memo.Count(); ++i) {
        QString line = Memo.Get(i);
        if (line.isEmpty()) {
            Memo1.Add(QString());
            continue;
        }
        if (!(Flags & flTextOnly) && report) report->ExpandTag(line);
        // An expanded line adds a line for each of its parts: none when it expands to nothing,
        // several when it holds line breaks.
        if (line.contains(u'\r') || line.contains(u'\n'))
            Memo1.SetTextStr(Memo1.GetTextStr() + line);
        else if (!line.isEmpty())
            Memo1.Add(line);
    }
    restore.End();
}
