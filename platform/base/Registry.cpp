#include "Registry.h"

#include "CodePages.h"
#include "IniFiles.h"

#include <cstring>

namespace {

struct RootName {
    HKEY key;
    const char* name;
};

const RootName rootNames[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
    {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
    {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
};

QString rootName(HKEY key) {
    for (const RootName& r : rootNames)
        if (r.key == key) return QString::fromLatin1(r.name);
    return QStringLiteral("HKEY_%1").arg(key, 8, 16, QLatin1Char('0'));
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool startsWithName(const QString& s, const QString& prefix) {
    return s.startsWith(prefix, Qt::CaseInsensitive);
}

// Cleans a key path: no empty parts, no leading or trailing separators.
QString normalizePath(const QString& path) {
    QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
    for (QString& p : parts)
        p = p.trimmed();
    parts.removeAll(QString());
    return parts.join(u'\\');
}

// The key path (below root) that a section holds, if the section belongs to that root.
bool sectionPath(const QString& section, HKEY root, QString& path) {
    if (root == HKEY_CURRENT_USER) {
        for (const RootName& r : rootNames) {
            QString n = QString::fromLatin1(r.name);
            if (sameName(section, n) || startsWithName(section, n + u'\\')) {
                if (r.key != HKEY_CURRENT_USER) return false;
                path = normalizePath(section.mid(n.size()));
                return true;
            }
        }
        path = normalizePath(section);
        return true;
    }
    QString n = rootName(root);
    if (sameName(section, n)) {
        path.clear();
        return true;
    }
    if (startsWithName(section, n + u'\\')) {
        path = normalizePath(section.mid(n.size() + 1));
        return true;
    }
    return false;
}

// True when path lies at or below key (both normalised).
bool atOrBelow(const QString& path, const QString& key) {
    return key.isEmpty() || sameName(path, key) || startsWithName(path, key + u'\\');
}

// Value names: "" (the default value) is written as "@".
QString iniName(const QString& name) {
    return name.isEmpty() ? QStringLiteral("@") : name;
}
QString valueName(const QString& key) {
    return key == QStringLiteral("@") ? QString() : key;
}

QString quote(const QString& s) {
    QString r = QStringLiteral("\"");
    for (QChar c : s) {
        switch (c.unicode()) {
        case '\\':
            r += QStringLiteral("\\\\");
            break;
        case '"':
            r += QStringLiteral("\\\"");
            break;
        case '\r':
            r += QStringLiteral("\\r");
            break;
        case '\n':
            r += QStringLiteral("\\n");
            break;
        case '\t':
            r += QStringLiteral("\\t");
            break;
        default:
            r += c;
        }
    }
    r += u'"';
    return r;
}

QString unquote(const QString& s) {
    QString r;
    for (int i = 1; i < s.size(); ++i) {
        QChar c = s[i];
        if (c == u'"') break;
        if (c == u'\\' && i + 1 < s.size()) {
            QChar n = s[++i];
            r += n == u'r' ? QChar(u'\r') : n == u'n' ? QChar(u'\n') : n == u't' ? QChar(u'\t') : n;
            continue;
        }
        r += c;
    }
    return r;
}

struct RegValue {
    TRegDataType type = rdUnknown;
    QString text;
    uint32_t dword = 0;
    QByteArray bytes;
    int dataSize() const {
        switch (type) {
        case rdString:
        case rdExpandString:
            return int(ToCodePage(text).size()) + 1;
        case rdInteger:
            return 4;
        default:
            return int(bytes.size());
        }
    }
};

RegValue parseValue(const QString& raw) {
    RegValue v;
    if (raw.startsWith(u'"')) {
        v.type = rdString;
        v.text = unquote(raw);
    } else if (raw.startsWith(QStringLiteral("expand:"), Qt::CaseInsensitive)) {
        v.type = rdExpandString;
        QString rest = raw.mid(7).trimmed();
        v.text = rest.startsWith(u'"') ? unquote(rest) : rest;
    } else if (raw.startsWith(QStringLiteral("dword:"), Qt::CaseInsensitive)) {
        v.type = rdInteger;
        v.dword = raw.mid(6).trimmed().toUInt(nullptr, 16);
    } else if (raw.startsWith(QStringLiteral("hex:"), Qt::CaseInsensitive)) {
        v.type = rdBinary;
        for (const QString& part : raw.mid(4).split(u',', Qt::SkipEmptyParts))
            v.bytes.append(char(part.trimmed().toUInt(nullptr, 16)));
    } else {
        // Hand-written plain text counts as a string.
        v.type = rdString;
        v.text = raw;
    }
    return v;
}

QString formatBinary(const void* data, int size) {
    QString r = QStringLiteral("hex:");
    const auto* p = static_cast<const uint8_t*>(data);
    for (int i = 0; i < size; ++i) {
        if (i > 0) r += u',';
        r += QStringLiteral("%1").arg(p[i], 2, 16, QLatin1Char('0'));
    }
    return r;
}

TIniDocument loadStore() {
    TIniDocument doc;
    doc.Load(TRegistry::StoreFileName());
    return doc;
}

bool saveStore(const TIniDocument& doc) {
    return doc.Save(TRegistry::StoreFileName());
}

} // namespace

// ---- TRegistry --------------------------------------------------------------------------

TRegistry::TRegistry() = default;

TRegistry::TRegistry(uint32_t AAccess) : access(AAccess) {}

QString TRegistry::StoreFileName() {
    return SystemDirectory() + QStringLiteral("/registry.ini");
}

void TRegistry::SetRootKey(HKEY Value) {
    if (rootKey == Value) return;
    CloseKey();
    rootKey = Value;
}

QString TRegistry::sectionOf(const QString& Path) const {
    QString p = normalizePath(Path);
    if (rootKey == HKEY_CURRENT_USER) return p.isEmpty() ? rootName(rootKey) : p;
    return p.isEmpty() ? rootName(rootKey) : rootName(rootKey) + u'\\' + p;
}

QString TRegistry::resolve(const QString& Key) const {
    if (Key.startsWith(u'\\')) return normalizePath(Key);
    if (open && !currentPath.isEmpty()) return normalizePath(currentPath + u'\\' + Key);
    return normalizePath(Key);
}

[[noreturn]] void TRegistry::readError(const QString& Name) {
    throw ERegistryException(Format("Invalid data type for '%s'", {Name}));
}

void TRegistry::CloseKey() {
    open = false;
    currentPath.clear();
}

bool TRegistry::KeyExists(const QString& Key) {
    QString path = resolve(Key);
    if (path.isEmpty()) return true;
    TIniDocument doc = loadStore();
    for (const QString& s : doc.Sections()) {
        QString p;
        if (sectionPath(s, rootKey, p) && atOrBelow(p, path)) return true;
    }
    return false;
}

bool TRegistry::OpenKey(const QString& Key, bool CanCreate) {
    QString path = resolve(Key);
    if (!KeyExists(QString(u'\\') + path)) {
        if (!CanCreate || !(access & KEY_CREATE_SUB_KEY)) return false;
        TIniDocument doc = loadStore();
        doc.AddSection(sectionOf(path));
        if (!saveStore(doc)) return false;
    }
    currentPath = path;
    open = true;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& Key) {
    uint32_t old = access;
    access = KEY_READ;
    bool result = OpenKey(Key, false);
    if (!result) access = old;
    return result;
}

bool TRegistry::CreateKey(const QString& Key) {
    QString path = resolve(Key);
    if (KeyExists(QString(u'\\') + path)) return true;
    if (!(access & KEY_CREATE_SUB_KEY))
        throw ERegistryException(Format("Failed to create key %s", {Key}));
    TIniDocument doc = loadStore();
    doc.AddSection(sectionOf(path));
    if (!saveStore(doc)) throw ERegistryException(Format("Failed to create key %s", {Key}));
    return true;
}

bool TRegistry::DeleteKey(const QString& Key) {
    QString path = resolve(Key);
    if (path.isEmpty() || !(access & KEY_SET_VALUE)) return false;
    TIniDocument doc = loadStore();
    bool found = false;
    for (const QString& s : doc.Sections()) {
        QString p;
        if (sectionPath(s, rootKey, p) && atOrBelow(p, path)) {
            doc.EraseSection(s);
            found = true;
        }
    }
    if (!found) return false;
    // The parent key stays, even when the deleted key was all it held.
    int cut = int(path.lastIndexOf(u'\\'));
    if (cut > 0) {
        QString parent = path.left(cut);
        bool parentLives = false;
        for (const QString& s : doc.Sections()) {
            QString p;
            if (sectionPath(s, rootKey, p) && atOrBelow(p, parent)) parentLives = true;
        }
        if (!parentLives) doc.AddSection(sectionOf(parent));
    }
    if (!saveStore(doc)) return false;
    if (open && atOrBelow(currentPath, path)) CloseKey();
    return true;
}

bool TRegistry::DeleteValue(const QString& Name) {
    if (!(access & KEY_SET_VALUE)) return false;
    TIniDocument doc = loadStore();
    QString raw;
    if (!doc.Value(currentSection(), iniName(Name), raw)) return false;
    doc.DeleteKey(currentSection(), iniName(Name));
    return saveStore(doc);
}

bool TRegistry::ValueExists(const QString& Name) {
    QString raw;
    return readRaw(Name, raw);
}

bool TRegistry::HasSubKeys() {
    TStringList names;
    GetKeyNames(&names);
    return names.GetCount() > 0;
}

void TRegistry::GetKeyNames(TStrings* Strings) {
    QStringList result;
    const QString base = currentPath;
    TIniDocument doc = loadStore();
    for (const QString& s : doc.Sections()) {
        QString p;
        if (!sectionPath(s, rootKey, p) || p.isEmpty() || sameName(p, base) || !atOrBelow(p, base))
            continue;
        QString rest = base.isEmpty() ? p : p.mid(base.size() + 1);
        QString child = rest.section(u'\\', 0, 0);
        bool seen = false;
        for (const QString& r : result)
            if (sameName(r, child)) {
                seen = true;
                break;
            }
        if (!seen) result << child;
    }
    Strings->BeginUpdate();
    Strings->Clear();
    for (const QString& r : result)
        Strings->Add(r);
    Strings->EndUpdate();
}

void TRegistry::GetValueNames(TStrings* Strings) {
    TIniDocument doc = loadStore();
    Strings->BeginUpdate();
    Strings->Clear();
    for (const QString& k : doc.Keys(currentSection()))
        Strings->Add(valueName(k));
    Strings->EndUpdate();
}

bool TRegistry::readRaw(const QString& Name, QString& Raw) {
    return loadStore().Value(currentSection(), iniName(Name), Raw);
}

void TRegistry::writeRaw(const QString& Name, const QString& Raw) {
    if (!(access & KEY_SET_VALUE))
        throw ERegistryException(Format("Failed to set data for '%s'", {Name}));
    TIniDocument doc = loadStore();
    doc.SetValue(currentSection(), iniName(Name), Raw);
    if (!saveStore(doc)) throw ERegistryException(Format("Failed to set data for '%s'", {Name}));
}

bool TRegistry::GetDataInfo(const QString& ValueName, TRegDataInfo& Value) {
    QString raw;
    if (!readRaw(ValueName, raw)) {
        Value = TRegDataInfo{};
        return false;
    }
    RegValue v = parseValue(raw);
    Value.RegData = v.type;
    Value.DataSize = v.dataSize();
    return true;
}

TRegDataType TRegistry::GetDataType(const QString& ValueName) {
    TRegDataInfo info;
    GetDataInfo(ValueName, info);
    return info.RegData;
}

int TRegistry::GetDataSize(const QString& ValueName) {
    TRegDataInfo info;
    return GetDataInfo(ValueName, info) ? info.DataSize : -1;
}

QString TRegistry::ReadString(const QString& Name) {
    QString raw;
    if (!readRaw(Name, raw)) return QString();
    RegValue v = parseValue(raw);
    if (v.type != rdString && v.type != rdExpandString) readError(Name);
    return v.text;
}

void TRegistry::WriteString(const QString& Name, const QString& Value) {
    writeRaw(Name, quote(Value));
}

void TRegistry::WriteExpandString(const QString& Name, const QString& Value) {
    writeRaw(Name, QStringLiteral("expand:") + quote(Value));
}

int TRegistry::ReadInteger(const QString& Name) {
    QString raw;
    if (!readRaw(Name, raw))
        throw ERegistryException(Format("Failed to get data for '%s'", {Name}));
    RegValue v = parseValue(raw);
    if (v.type != rdInteger) readError(Name);
    return int(v.dword);
}

void TRegistry::WriteInteger(const QString& Name, int Value) {
    writeRaw(Name, QStringLiteral("dword:%1").arg(uint32_t(Value), 8, 16, QLatin1Char('0')));
}

bool TRegistry::ReadBool(const QString& Name) {
    return ReadInteger(Name) != 0;
}

void TRegistry::WriteBool(const QString& Name, bool Value) {
    WriteInteger(Name, Value ? 1 : 0);
}

double TRegistry::ReadFloat(const QString& Name) {
    QString raw;
    if (!readRaw(Name, raw))
        throw ERegistryException(Format("Failed to get data for '%s'", {Name}));
    RegValue v = parseValue(raw);
    if (v.type != rdBinary || v.bytes.size() != qsizetype(sizeof(double))) readError(Name);
    double result;
    std::memcpy(&result, v.bytes.constData(), sizeof(double));
    return result;
}

void TRegistry::WriteFloat(const QString& Name, double Value) {
    WriteBinaryData(Name, &Value, int(sizeof(Value)));
}

int TRegistry::ReadBinaryData(const QString& Name, void* Buffer, int BufSize) {
    QString raw;
    if (!readRaw(Name, raw)) return 0;
    RegValue v = parseValue(raw);
    if ((v.type != rdBinary && v.type != rdUnknown) || v.bytes.size() > BufSize) readError(Name);
    if (!v.bytes.isEmpty()) std::memcpy(Buffer, v.bytes.constData(), size_t(v.bytes.size()));
    return int(v.bytes.size());
}

void TRegistry::WriteBinaryData(const QString& Name, const void* Buffer, int BufSize) {
    writeRaw(Name, formatBinary(Buffer, BufSize));
}

QByteArray TRegistry::ReadBinary(const QString& Name) {
    QString raw;
    if (!readRaw(Name, raw))
        throw ERegistryException(Format("Failed to get data for '%s'", {Name}));
    RegValue v = parseValue(raw);
    if (v.type != rdBinary) readError(Name);
    return v.bytes;
}

void TRegistry::WriteBinary(const QString& Name, const QByteArray& Data) {
    WriteBinaryData(Name, Data.constData(), int(Data.size()));
}

// ---- TRegIniFile ------------------------------------------------------------------------

TRegIniFile::TRegIniFile(const QString& AFileName) : TRegIniFile(AFileName, KEY_ALL_ACCESS) {}

TRegIniFile::TRegIniFile(const QString& AFileName, uint32_t AAccess)
    : TRegistry(AAccess), fileName(AFileName) {
    if (!OpenKey(AFileName, (AAccess & KEY_SET_VALUE) != 0)) {
        // Read-only and missing: reads see nothing and give their defaults.
        currentPath = normalizePath(AFileName);
    }
}

QString TRegIniFile::sectionPath(const QString& Section) const {
    QString s = normalizePath(Section);
    if (s.isEmpty()) return currentPath;
    if (Section.startsWith(u'\\') || currentPath.isEmpty()) return s;
    return currentPath + u'\\' + s;
}

QString TRegIniFile::ReadString(const QString& Section, const QString& Ident,
                                const QString& Default) {
    QString raw;
    if (!loadStore().Value(sectionOf(sectionPath(Section)), iniName(Ident), raw)) return Default;
    RegValue v = parseValue(raw);
    if (v.type == rdString || v.type == rdExpandString) return v.text;
    if (v.type == rdInteger) return IntToStr(int(v.dword));
    readError(Ident);
}

void TRegIniFile::WriteString(const QString& Section, const QString& Ident, const QString& Value) {
    if (!(access & KEY_SET_VALUE))
        throw ERegistryException(Format("Failed to set data for '%s'", {Ident}));
    TIniDocument doc = loadStore();
    doc.SetValue(sectionOf(sectionPath(Section)), iniName(Ident), quote(Value));
    if (!saveStore(doc)) throw ERegistryException(Format("Failed to set data for '%s'", {Ident}));
}

int TRegIniFile::ReadInteger(const QString& Section, const QString& Ident, int Default) {
    QString raw;
    if (!loadStore().Value(sectionOf(sectionPath(Section)), iniName(Ident), raw)) return Default;
    RegValue v = parseValue(raw);
    if (v.type == rdInteger) return int(v.dword);
    if (v.type != rdString && v.type != rdExpandString) return Default;
    return StrToIntDef(v.text, Default);
}

void TRegIniFile::WriteInteger(const QString& Section, const QString& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TRegIniFile::ReadBool(const QString& Section, const QString& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const QString& Section, const QString& Ident, bool Value) {
    WriteString(Section, Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TRegIniFile::ReadSection(const QString& Section, TStrings* Strings) {
    TIniDocument doc = loadStore();
    Strings->BeginUpdate();
    Strings->Clear();
    for (const QString& k : doc.Keys(sectionOf(sectionPath(Section))))
        Strings->Add(valueName(k));
    Strings->EndUpdate();
}

void TRegIniFile::ReadSections(TStrings* Strings) {
    GetKeyNames(Strings);
}

void TRegIniFile::ReadSectionValues(const QString& Section, TStrings* Strings) {
    TStringList names;
    ReadSection(Section, &names);
    Strings->BeginUpdate();
    Strings->Clear();
    for (int i = 0; i < names.GetCount(); ++i)
        Strings->Add(names[i] + u'=' + ReadString(Section, names[i], QString()));
    Strings->EndUpdate();
}

void TRegIniFile::EraseSection(const QString& Section) {
    if (normalizePath(Section).isEmpty()) return;
    TRegistry::DeleteKey(Section);
}

void TRegIniFile::DeleteKey(const QString& Section, const QString& Ident) {
    if (!(access & KEY_SET_VALUE)) return;
    TIniDocument doc = loadStore();
    QString section = sectionOf(sectionPath(Section));
    QString raw;
    if (!doc.Value(section, iniName(Ident), raw)) return;
    doc.DeleteKey(section, iniName(Ident));
    saveStore(doc);
}
