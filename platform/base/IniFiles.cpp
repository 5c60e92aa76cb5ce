#include "IniFiles.h"

#include "CodePages.h"
#include "Dates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The name of a "[Name]" header line, or a null string for other lines.
QString headerName(const QString& line) {
    QString t = line.trimmed();
    if (!t.startsWith(u'[')) return QString();
    int close = int(t.indexOf(u']'));
    QString name = close < 0 ? t.mid(1) : t.mid(1, close - 1);
    name = name.trimmed();
    if (name.isNull()) name = QStringLiteral("");
    return name;
}

// Splits "Key=Value" (trimmed); false for blank lines, comments and lines without '='.
bool keyLine(const QString& line, QString& key, QString& value) {
    QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'[')) return false;
    int eq = int(t.indexOf(u'='));
    if (eq < 0) return false;
    key = t.left(eq).trimmed();
    value = t.mid(eq + 1).trimmed();
    return true;
}

// One pair of enclosing quotes goes, as the profile functions do.
QString stripQuotes(const QString& s) {
    if (s.size() >= 2 && (s.front() == u'"' || s.front() == u'\'') && s.back() == s.front())
        return s.mid(1, s.size() - 2);
    return s;
}

QString oneLine(const QString& s) {
    if (!s.contains(u'\r') && !s.contains(u'\n')) return s;
    QString r = s;
    r.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    r.replace(u'\r', u' ');
    r.replace(u'\n', u' ');
    return r;
}

} // namespace

// ---- TIniDocument -----------------------------------------------------------------------

void TIniDocument::Load(const QString& FileName) {
    lines.clear();
    lineBreak = QStringLiteral("\n");
    QFile f(FileName);
    if (!f.exists() || !f.open(QIODevice::ReadOnly)) return;
    QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = FromCodePage(bytes, 1251);
    SetText(text);
}

bool TIniDocument::Save(const QString& FileName) const {
    QSaveFile f(FileName);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray bytes = GetText().toUtf8();
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

void TIniDocument::SetText(const QString& Text) {
    lines.clear();
    lineBreak =
        Text.contains(QStringLiteral("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    const int n = int(Text.size());
    int p = 0;
    while (p < n) {
        int start = p;
        while (p < n && Text[p] != u'\r' && Text[p] != u'\n')
            ++p;
        lines << Text.mid(start, p - start);
        if (p < n && Text[p] == u'\r') ++p;
        if (p < n && Text[p] == u'\n') ++p;
    }
}

QString TIniDocument::GetText() const {
    QString result;
    for (const QString& l : lines) {
        result += l;
        result += lineBreak;
    }
    return result;
}

int TIniDocument::findSection(const QString& Section) const {
    const QString wanted = Section.trimmed();
    for (int i = 0; i < lines.size(); ++i) {
        QString name = headerName(lines[i]);
        if (!name.isNull() && sameName(name, wanted)) return i;
    }
    return -1;
}

int TIniDocument::sectionEnd(int headerLine) const {
    int i = headerLine + 1;
    while (i < lines.size() && headerName(lines[i]).isNull())
        ++i;
    return i;
}

int TIniDocument::findKey(int headerLine, const QString& Key) const {
    const QString wanted = Key.trimmed();
    int end = sectionEnd(headerLine);
    QString k, v;
    for (int i = headerLine + 1; i < end; ++i)
        if (keyLine(lines[i], k, v) && sameName(k, wanted)) return i;
    return -1;
}

QStringList TIniDocument::Sections() const {
    QStringList result;
    for (const QString& l : lines) {
        QString name = headerName(l);
        if (name.isNull()) continue;
        bool seen = false;
        for (const QString& s : result)
            if (sameName(s, name)) {
                seen = true;
                break;
            }
        if (!seen) result << name;
    }
    return result;
}

bool TIniDocument::HasSection(const QString& Section) const {
    return findSection(Section) >= 0;
}

QStringList TIniDocument::Keys(const QString& Section) const {
    QStringList result;
    int h = findSection(Section);
    if (h < 0) return result;
    int end = sectionEnd(h);
    QString k, v;
    for (int i = h + 1; i < end; ++i) {
        if (!keyLine(lines[i], k, v)) continue;
        bool seen = false;
        for (const QString& s : result)
            if (sameName(s, k)) {
                seen = true;
                break;
            }
        if (!seen) result << k;
    }
    return result;
}

bool TIniDocument::Value(const QString& Section, const QString& Key, QString& Out) const {
    int h = findSection(Section);
    if (h < 0) return false;
    int i = findKey(h, Key);
    if (i < 0) return false;
    QString k;
    keyLine(lines[i], k, Out);
    return true;
}

void TIniDocument::SetValue(const QString& Section, const QString& Key, const QString& Value) {
    const QString line = Key.trimmed() + u'=' + oneLine(Value);
    int h = findSection(Section);
    if (h < 0) {
        lines << u'[' + Section.trimmed() + u']';
        lines << line;
        return;
    }
    int i = findKey(h, Key);
    if (i >= 0) {
        lines[i] = line;
        return;
    }
    // After the section's last non-blank line, so blank separators stay before the next one.
    int end = sectionEnd(h);
    while (end > h + 1 && lines[end - 1].trimmed().isEmpty())
        --end;
    lines.insert(end, line);
}

void TIniDocument::AddSection(const QString& Section) {
    if (findSection(Section) < 0) lines << u'[' + Section.trimmed() + u']';
}

void TIniDocument::EraseSection(const QString& Section) {
    // Every header of that name goes, with its lines.
    for (int h = findSection(Section); h >= 0; h = findSection(Section)) {
        int end = sectionEnd(h);
        lines.erase(lines.begin() + h, lines.begin() + end);
    }
}

void TIniDocument::DeleteKey(const QString& Section, const QString& Key) {
    int h = findSection(Section);
    if (h < 0) return;
    for (int i = findKey(h, Key); i >= 0; i = findKey(h, Key))
        lines.removeAt(i);
}

// ---- file names -------------------------------------------------------------------------

QString ResolveIniFileName(const QString& FileName) {
    if (FileName.isEmpty() || !ExtractFilePath(FileName).isEmpty()) return FileName;
    QString dir = SystemDirectory();
    QString path = dir + u'/' + FileName;
    if (QFileInfo::exists(path)) return path;
    // Names in the settings folder are matched without regard to letter case.
    const QStringList entries = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    for (const QString& e : entries)
        if (sameName(e, FileName)) return dir + u'/' + e;
    return path;
}

// ---- TCustomIniFile ---------------------------------------------------------------------

TCustomIniFile::TCustomIniFile(const QString& AFileName)
    : fileName(ResolveIniFileName(AFileName)) {}

int TCustomIniFile::ReadInteger(const QString& Section, const QString& Ident, int Default) {
    return StrToIntDef(ReadString(Section, Ident, QString()), Default);
}

void TCustomIniFile::WriteInteger(const QString& Section, const QString& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const QString& Section, const QString& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const QString& Section, const QString& Ident, bool Value) {
    WriteString(Section, Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

double TCustomIniFile::ReadFloat(const QString& Section, const QString& Ident, double Default) {
    QString s = ReadString(Section, Ident, QString());
    double result = Default;
    if (!s.isEmpty() && !TryStrToFloat(s, result)) result = Default;
    return result;
}

void TCustomIniFile::WriteFloat(const QString& Section, const QString& Ident, double Value) {
    WriteString(Section, Ident, FloatToStr(Value));
}

TDateTime TCustomIniFile::ReadDate(const QString& Section, const QString& Ident,
                                   TDateTime Default) {
    QString s = ReadString(Section, Ident, QString());
    TDateTime result = Default;
    if (!s.isEmpty() && !TryStrToDate(s, result)) result = Default;
    return result;
}

void TCustomIniFile::WriteDate(const QString& Section, const QString& Ident, TDateTime Value) {
    WriteString(Section, Ident, DateToStr(Value));
}

TDateTime TCustomIniFile::ReadDateTime(const QString& Section, const QString& Ident,
                                       TDateTime Default) {
    QString s = ReadString(Section, Ident, QString());
    TDateTime result = Default;
    if (!s.isEmpty() && !TryStrToDateTime(s, result)) result = Default;
    return result;
}

void TCustomIniFile::WriteDateTime(const QString& Section, const QString& Ident, TDateTime Value) {
    WriteString(Section, Ident, DateTimeToStr(Value));
}

bool TCustomIniFile::SectionExists(const QString& Section) {
    TStringList keys;
    ReadSection(Section, &keys);
    return keys.GetCount() > 0;
}

bool TCustomIniFile::ValueExists(const QString& Section, const QString& Ident) {
    TStringList keys;
    ReadSection(Section, &keys);
    return keys.IndexOf(Ident.trimmed()) >= 0;
}

// ---- TIniFile ---------------------------------------------------------------------------

TIniFile::TIniFile(const QString& AFileName) : TCustomIniFile(AFileName) {}

TIniDocument TIniFile::load() const {
    TIniDocument doc;
    doc.Load(fileName);
    return doc;
}

void TIniFile::save(const TIniDocument& Doc) const {
    if (!Doc.Save(fileName)) throw EIniFileException(Format("Unable to write to %s", {fileName}));
}

QString TIniFile::ReadString(const QString& Section, const QString& Ident, const QString& Default) {
    QString raw;
    if (!load().Value(Section, Ident, raw)) return Default;
    return stripQuotes(raw);
}

void TIniFile::WriteString(const QString& Section, const QString& Ident, const QString& Value) {
    TIniDocument doc = load();
    doc.SetValue(Section, Ident, Value);
    save(doc);
}

void TIniFile::ReadSection(const QString& Section, TStrings* Strings) {
    Strings->SetStringList(load().Keys(Section));
}

void TIniFile::ReadSections(TStrings* Strings) {
    Strings->SetStringList(load().Sections());
}

void TIniFile::ReadSectionValues(const QString& Section, TStrings* Strings) {
    TIniDocument doc = load();
    QStringList list;
    for (const QString& k : doc.Keys(Section)) {
        QString raw;
        doc.Value(Section, k, raw);
        list << k + u'=' + stripQuotes(raw);
    }
    Strings->SetStringList(list);
}

void TIniFile::EraseSection(const QString& Section) {
    TIniDocument doc = load();
    if (!doc.HasSection(Section)) return;
    doc.EraseSection(Section);
    save(doc);
}

void TIniFile::DeleteKey(const QString& Section, const QString& Ident) {
    TIniDocument doc = load();
    QString raw;
    if (!doc.Value(Section, Ident, raw)) return;
    doc.DeleteKey(Section, Ident);
    save(doc);
}

// ---- TMemIniFile ------------------------------------------------------------------------

TMemIniFile::TMemIniFile(const QString& AFileName) : TCustomIniFile(AFileName) {
    doc.Load(fileName);
}

QString TMemIniFile::ReadString(const QString& Section, const QString& Ident,
                                const QString& Default) {
    QString raw;
    if (!doc.Value(Section, Ident, raw)) return Default;
    return stripQuotes(raw);
}

void TMemIniFile::WriteString(const QString& Section, const QString& Ident, const QString& Value) {
    doc.SetValue(Section, Ident, Value);
}

void TMemIniFile::ReadSection(const QString& Section, TStrings* Strings) {
    Strings->SetStringList(doc.Keys(Section));
}

void TMemIniFile::ReadSections(TStrings* Strings) {
    Strings->SetStringList(doc.Sections());
}

void TMemIniFile::ReadSectionValues(const QString& Section, TStrings* Strings) {
    QStringList list;
    for (const QString& k : doc.Keys(Section)) {
        QString raw;
        doc.Value(Section, k, raw);
        list << k + u'=' + stripQuotes(raw);
    }
    Strings->SetStringList(list);
}

void TMemIniFile::EraseSection(const QString& Section) {
    doc.EraseSection(Section);
}

void TMemIniFile::DeleteKey(const QString& Section, const QString& Ident) {
    doc.DeleteKey(Section, Ident);
}

void TMemIniFile::UpdateFile() {
    if (!doc.Save(fileName)) throw EIniFileException(Format("Unable to write to %s", {fileName}));
}

void TMemIniFile::Rename(const QString& AFileName, bool Reload) {
    fileName = ResolveIniFileName(AFileName);
    if (Reload) doc.Load(fileName);
}

void TMemIniFile::GetStrings(TStrings* List) const {
    TStringList tmp;
    tmp.SetTextStr(doc.GetText());
    List->SetStringList(tmp.ToStringList());
}

void TMemIniFile::SetStrings(TStrings* List) {
    doc.SetText(List->GetTextStr());
}
