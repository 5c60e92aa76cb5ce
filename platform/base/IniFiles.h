// Settings files in the INI format: [Section] headers and Key=Value lines.
//
// File rules shared by every class here:
// - A bare file name (no folder) lies in SystemDirectory(); when no file of exactly that
//   name is there, one whose name differs only in letter case is used instead.
// - A missing file reads as empty. Files are written in UTF-8, atomically (a temporary file
//   renamed over the old one); a file that is not valid UTF-8 is read as Windows-1251.
// - Section and key names compare case-insensitively (Cyrillic included); blanks around
//   names and values are dropped; lines starting with ';' are comments; the first of two
//   equal sections or keys wins. Writing keeps the other lines, comments included.
// - ReadString strips one pair of enclosing quotes ("..." or '...') from the value.
// - Integers are written as decimal text, Booleans as "1" and "0"; a non-numeric value reads
//   as the default. Floats and dates are written in the FormatSettings forms.
// - A file that cannot be written raises EIniFileException "Unable to write to %s".
#pragma once

#include "Classes.h"
#include "SysUtils.h"

#include <QString>
#include <QStringList>

KADRION_EXCEPTION(EIniFileException, Exception)

// The parsed lines of an INI file, kept as they were so that writing changes only what it
// must. Shared by the INI classes and the registry store.
class TIniDocument {
public:
    // Loads the file (a missing one gives an empty document).
    void Load(const QString& FileName);
    // Writes atomically; false when it cannot.
    bool Save(const QString& FileName) const;
    void SetText(const QString& Text);
    QString GetText() const;

    QStringList Sections() const;
    bool HasSection(const QString& Section) const;
    // The keys of a section in file order (the first of equal ones).
    QStringList Keys(const QString& Section) const;
    // The raw value (trimmed, quotes kept); false when the key is absent.
    bool Value(const QString& Section, const QString& Key, QString& Out) const;
    // Replaces the first Key in Section, or appends it (and the section when missing).
    void SetValue(const QString& Section, const QString& Key, const QString& Value);
    // Adds an empty section when missing.
    void AddSection(const QString& Section);
    void EraseSection(const QString& Section);
    void DeleteKey(const QString& Section, const QString& Key);

private:
    int findSection(const QString& Section) const; // line index of the header, -1
    int sectionEnd(int headerLine) const;          // index after the section's last line
    int findKey(int headerLine, const QString& Key) const;
    QStringList lines;
    QString lineBreak = QStringLiteral("\n");
};

// The complete path of an INI file name: a bare name goes to SystemDirectory().
QString ResolveIniFileName(const QString& FileName);

class TCustomIniFile : public TObject {
    KADRION_CLASS(TCustomIniFile)
    explicit TCustomIniFile(const QString& AFileName);
    ~TCustomIniFile() override = default;
    // The resolved path of the file.
    QString GetFileName() const { return fileName; }

    virtual QString ReadString(const QString& Section, const QString& Ident,
                               const QString& Default) = 0;
    virtual void WriteString(const QString& Section, const QString& Ident,
                             const QString& Value) = 0;
    virtual int ReadInteger(const QString& Section, const QString& Ident, int Default);
    virtual void WriteInteger(const QString& Section, const QString& Ident, int Value);
    virtual bool ReadBool(const QString& Section, const QString& Ident, bool Default);
    virtual void WriteBool(const QString& Section, const QString& Ident, bool Value);
    virtual double ReadFloat(const QString& Section, const QString& Ident, double Default);
    virtual void WriteFloat(const QString& Section, const QString& Ident, double Value);
    virtual TDateTime ReadDate(const QString& Section, const QString& Ident, TDateTime Default);
    virtual void WriteDate(const QString& Section, const QString& Ident, TDateTime Value);
    virtual TDateTime ReadDateTime(const QString& Section, const QString& Ident, TDateTime Default);
    virtual void WriteDateTime(const QString& Section, const QString& Ident, TDateTime Value);

    // The key names of a section.
    virtual void ReadSection(const QString& Section, TStrings* Strings) = 0;
    virtual void ReadSections(TStrings* Strings) = 0;
    // "Key=Value" lines, values as ReadString gives them.
    virtual void ReadSectionValues(const QString& Section, TStrings* Strings) = 0;
    virtual void EraseSection(const QString& Section) = 0;
    virtual void DeleteKey(const QString& Section, const QString& Ident) = 0;
    virtual void UpdateFile() = 0;
    // True when the section has at least one key.
    bool SectionExists(const QString& Section);
    virtual bool ValueExists(const QString& Section, const QString& Ident);

protected:
    QString fileName;
};

// Reads the file at every call and writes it at every change (nothing to flush).
class TIniFile : public TCustomIniFile {
    KADRION_CLASS(TIniFile)
    explicit TIniFile(const QString& AFileName);
    QString ReadString(const QString& Section, const QString& Ident,
                       const QString& Default) override;
    void WriteString(const QString& Section, const QString& Ident, const QString& Value) override;
    void ReadSection(const QString& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void ReadSectionValues(const QString& Section, TStrings* Strings) override;
    void EraseSection(const QString& Section) override;
    void DeleteKey(const QString& Section, const QString& Ident) override;
    void UpdateFile() override {}

private:
    TIniDocument load() const;
    void save(const TIniDocument& Doc) const;
};

// Reads the file once at creation; changes stay in memory until UpdateFile.
class TMemIniFile : public TCustomIniFile {
    KADRION_CLASS(TMemIniFile)
    explicit TMemIniFile(const QString& AFileName);
    QString ReadString(const QString& Section, const QString& Ident,
                       const QString& Default) override;
    void WriteString(const QString& Section, const QString& Ident, const QString& Value) override;
    void ReadSection(const QString& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void ReadSectionValues(const QString& Section, TStrings* Strings) override;
    void EraseSection(const QString& Section) override;
    void DeleteKey(const QString& Section, const QString& Ident) override;
    void UpdateFile() override;
    // Points at another file; with Reload its contents replace the ones in memory.
    void Rename(const QString& AFileName, bool Reload);
    void GetStrings(TStrings* List) const;
    void SetStrings(TStrings* List);

private:
    TIniDocument doc;
};
