// The data dictionary: variables, field aliases and band data sources of a report.
#include "FR_Class.h"

#include "DB.h"
#include "FR_DBSet.h"
#include "Forms.h"
#include "ScopeGuard.h"

using namespace Qt::Literals::StringLiterals;

void TfrDataDictionary::Clear() {
    Variables.Clear();
    FieldAliases.Clear();
    BandDataSources.Clear();
}

void TfrDataDictionary::SaveToStream(TStream* Stream) {
    frWriteWord(Stream, 0xFFFE);
    for (TfrVariables* l : {&Variables, &FieldAliases, &BandDataSources}) {
        frWriteInteger(Stream, l->Count());
        for (int i = 0; i < l->Count(); ++i) {
            frSaveNamed(l->GetName(i), [&] {
                frWriteString(Stream, l->GetName(i));
                frWriteString(Stream, VarToStr(l->GetValue(i)));
            });
        }
    }
}

namespace {

QString readShortString(TStream* Stream) {
    const uint8_t n = frReadByte(Stream);
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(frReadByte(Stream)));
    return frFromAnsi(b);
}

} // namespace

void TfrDataDictionary::LoadFromStream(TStream* Stream) {
    TfrGlobals& g = frGlobals();
    Clear();
    ClearCache();
    const uint16_t w = frReadWord(Stream);
    if (w == 0xFFFE || w == 0xFFFF) {
        for (TfrVariables* l : {&Variables, &FieldAliases, &BandDataSources}) {
            const int32_t count = frReadInteger(Stream);
            for (int i = 0; i < count && !g.ReadPastEnd; ++i) {
                QString name = frReadString(Stream);
                QString value = frReadString(Stream);
                l->SetVariable(name, Variant(value));
            }
        }
    } else {
        Stream->Seek(-2, soCurrent);
        static const QString system[] = {u"PAGE#"_s,   u""_s,         u"DATE"_s,
                                         u"TIME"_s,    u"LINE#"_s,    u"LINETHROUGH#"_s,
                                         u"COLUMN#"_s, u"CURRENT#"_s, u"TOTALPAGES"_s};
        TfrVariables temp;
        const int32_t count = frReadInteger(Stream);
        for (int i = 0; i < count && !g.ReadPastEnd; ++i) {
            const uint8_t kind = frReadByte(Stream);
            const int32_t index = frReadInteger(Stream);
            const QString a = readShortString(Stream);
            const QString b = readShortString(Stream);
            const QString c = readShortString(Stream);
            QString value;
            if (kind == 2)
                value = index == 1 ? b : index >= 0 && index < 9 ? system[index] : QString();
            else if (kind == 1)
                value = a + u".\""_s + b + u'"';
            temp.SetVariable(u' ' + c, Variant(value));
        }
        TStringList lines;
        frReadMemoVer(Stream, &lines);
        for (int i = 0; i < lines.Count(); ++i) {
            const QString line = lines[i];
            if (!line.startsWith(u' '))
                Variables.SetVariable(line, Variant(QString()));
            else
                Variables.SetVariable(line, temp.GetVariable(line).IsNull()
                                                ? Variant(QString())
                                                : temp.GetVariable(line));
        }
    }
    // Categories start with a blank and variables do not; older files had it the other way.
    if (Variables.Count() > 0 && !Variables.GetName(0).isEmpty() &&
        !Variables.GetName(0).startsWith(u' ')) {
        for (int i = 0; i < Variables.Count(); ++i) {
            QString n = Variables.GetName(i);
            Variables.SetName(i, n.startsWith(u' ') ? n.mid(1) : u' ' + n);
        }
    }
    if (w == 0xFFFF) {
        for (int i = FieldAliases.Count() - 1; i >= 0; --i) {
            if (!VarToStr(FieldAliases.GetValue(i)).isEmpty()) continue;
            TDataSet* ds = nullptr;
            QString field;
            frGetDataSetAndField(FieldAliases.GetName(i), ds, field);
            if (!ds) FieldAliases.Delete(i);
        }
        for (int i = BandDataSources.Count() - 1; i >= 0; --i)
            if (VarToStr(BandDataSources.GetValue(i)).isEmpty()) BandDataSources.Delete(i);
    }
}

TDataSet* frCurrentBandDataSet() {
    TfrGlobals& g = frGlobals();
    TfrDataset* d = nullptr;
    if (g.CurrentBandDataset)
        d = g.CurrentBandDataset();
    else if (g.ActiveReport)
        d = g.ActiveReport->Dataset;
    auto* db = dynamic_cast<TfrDBDataSet*>(d);
    if (!db) return nullptr;
    try {
        return db->GetDataSet();
    } catch (const EDSError&) {
        return nullptr;
    }
}

void TfrDataDictionary::ClearCache() {
    cache.clear();
    exact.clear();
    misses.clear();
    missesVariables = -1;
}

const TfrDataDictionary::CacheEntry* TfrDataDictionary::findCached(const QString& name,
                                                                   TDataSet* def) const {
    const CacheKey written{def, name};
    if (auto it = exact.constFind(written); it != exact.cend()) return &cache[*it].second;
    for (size_t i = 0; i < cache.size(); ++i) {
        const auto& [key, e] = cache[i];
        if (key == def && AnsiSameText(e.name, name)) {
            exact.insert(written, i);
            return &e;
        }
    }
    return nullptr;
}

void TfrDataDictionary::addCached(const QString& name, TDataSet* def, TDataSet* ds,
                                  const QString& field) {
    if (!findCached(name, def)) cache.push_back({def, CacheEntry{name, ds, field, -1, QString()}});
}

bool TfrDataDictionary::IsVariable(const QString& VarName) {
    TDataSet* def = frCurrentBandDataSet();
    if (findCached(VarName, def)) return true;
    if (missesVariables != Variables.Count()) {
        misses.clear();
        missesVariables = Variables.Count();
    }
    const CacheKey key{def, VarName};
    if (misses.contains(key)) return false;
    if (Variables.IndexOf(VarName) >= 0) {
        const Variant value = Variables.GetVariable(VarName);
        const QString text = VarToStr(value);
        if (VarIsStr(value) && text.contains(u'.')) {
            TDataSet* ds = def;
            QString field;
            frGetDataSetAndField(text, ds, field);
            if (ds && !field.isEmpty()) addCached(VarName, def, ds, field);
        }
        return true;
    }
    QString ref = VarName;
    // cut at the last '.' outside double quotes
    int cut = -1;
    bool quoted = false;
    for (int i = 0; i < VarName.size(); ++i) {
        if (VarName[i] == u'"')
            quoted = !quoted;
        else if (VarName[i] == u'.' && !quoted)
            cut = i;
    }
    if (cut >= 0) {
        QString dsPart = VarName.left(cut);
        QString fieldPart = frRemoveQuotes(VarName.mid(cut + 1));
        for (int i = 0; i < FieldAliases.Count(); ++i) {
            if (AnsiSameText(VarToStr(FieldAliases.GetValue(i)), dsPart)) {
                dsPart = FieldAliases.GetName(i);
                break;
            }
        }
        for (int i = 0; i < FieldAliases.Count(); ++i) {
            const QString n = FieldAliases.GetName(i);
            if (AnsiSameText(VarToStr(FieldAliases.GetValue(i)), fieldPart) &&
                n.startsWith(dsPart, Qt::CaseInsensitive) && n.contains(u'.')) {
                fieldPart = frRemoveQuotes(n.mid(n.lastIndexOf(u'.') + 1));
                break;
            }
        }
        ref = dsPart + u".\""_s + fieldPart + u'"';
    }
    TDataSet* ds = def;
    QString field;
    frGetDataSetAndField(ref, ds, field);
    if (ds && !field.isEmpty()) {
        addCached(VarName, def, ds, field);
        return true;
    }
    misses.insert(key);
    return false;
}

Variant TfrDataDictionary::fieldValue(const CacheEntry& Entry) {
    Variant v = Null();
    TDataSet* ds = Entry.dataSet;
    if (!ds->GetActive()) ds->Open();
    TFields* fields = ds->GetFields();
    TField* f = Entry.fieldIndex >= 0 && Entry.fieldIndex < fields->Count()
                    ? fields->GetField(Entry.fieldIndex)
                    : nullptr;
    if (!f || f->GetFieldName() != Entry.fieldName) {
        f = ds->FindField(Entry.field);
        Entry.fieldIndex = f ? f->GetIndex() : -1;
        Entry.fieldName = f ? f->GetFieldName() : QString();
    }
    if (f) frGetFieldValue(f, v);
    return v;
}

bool TfrDataDictionary::GetResolvedValue(const QString& VarName, Variant& Value) {
    const CacheEntry* e = findCached(VarName, frCurrentBandDataSet());
    if (!e) return false;
    Value = fieldValue(*e);
    return true;
}

Variant TfrDataDictionary::GetValue(const QString& VarName) {
    TfrGlobals& g = frGlobals();
    if (const CacheEntry* e = findCached(VarName, frCurrentBandDataSet())) return fieldValue(*e);
    Variant v = Null();
    if (Variables.IndexOf(VarName) < 0) return v;
    if (g.frVariables.IndexOf(VarName) >= 0) return g.frVariables.GetVariable(VarName);
    v = Variables.GetVariable(VarName);
    const QString text = VarToStr(v);
    if (VarIsStr(v) && !text.isEmpty()) {
        // A variable that refers back to itself, directly or through others, is undefined.
        for (const QString& e : evaluating)
            if (AnsiSameText(e, VarName))
                throw EParserError(frLoadStr(SVarNotDefined) + u" \""_s + VarName + u'"');
        evaluating.append(VarName);
        TScopeGuard pop([this] { evaluating.removeLast(); });
        v = g.frParser.Calc(text);
        pop.End();
    } else if (VarIsStr(v)) {
        v = Null();
    }
    return v;
}

bool frIsCountDataset(const QString& Name) {
    return !Name.isEmpty() && Name[0] >= u'1' && Name[0] <= u'9';
}

TfrDataset* frGetDataset(const QString& Name) {
    if (Name.isEmpty()) return nullptr;
    if (frIsCountDataset(Name)) {
        auto* d = new TfrUserDataset(nullptr);
        d->RangeEnd = reCount;
        d->RangeEndCount = StrToIntDef(Trim(Name), 0);
        return d;
    }
    TfrGlobals& g = frGlobals();
    TfrReport* r = g.ActiveReport;
    TComponent* owner = r ? r->GetOwner() : nullptr;
    if (auto* d = dynamic_cast<TfrDataset*>(frFindComponent(owner, Name))) return d;
    // The report datasets of the template's own tables and queries live on the dialog form.
    return g.DialogForm ? dynamic_cast<TfrDataset*>(frFindComponent(g.DialogForm.get(), Name))
                        : nullptr;
}
