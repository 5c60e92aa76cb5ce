// The per-user registry store: registry keys and typed values kept in one INI file,
// "registry.ini" in SystemDirectory(). A key path such as "Software\Rapportel\Form\TfrX" under
// HKEY_CURRENT_USER is the section of that name; keys under another root carry the root's
// name in front ("HKEY_LOCAL_MACHINE\Software\..."). A key exists when its section exists or
// a section lies below it. Values are written in the style of registry export files:
//   Name="text"          (backslash, quote, CR, LF and TAB escaped with a backslash)
//   Name=expand:"text"   (an expandable string)
//   Name=dword:0000002a  (a 32-bit integer in hex)
//   Name=hex:01,02,ff    (binary data)
// Every change is written at once; every read looks at the file.
#pragma once

#include "Classes.h"
#include "SysUtils.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

using HKEY = uint32_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr uint32_t KEY_SET_VALUE = 0x0002;
constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr uint32_t KEY_NOTIFY = 0x0010;
constexpr uint32_t KEY_READ = 0x20019;
constexpr uint32_t KEY_WRITE = 0x20006;
constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    int DataSize = 0;
};

// Errors raise ERegistryException: "Failed to get data for '%s'" (missing value),
// "Invalid data type for '%s'" (value of another type), "Failed to set data for '%s'" (no
// write access or the file cannot be written). A missing string value reads as "".
class TRegistry : public TObject {
    KADRION_CLASS(TRegistry)
    TRegistry();
    explicit TRegistry(uint32_t AAccess);
    ~TRegistry() override = default;

    HKEY GetRootKey() const { return rootKey; }
    // Closes the current key.
    void SetRootKey(HKEY Value);
    uint32_t GetAccess() const { return access; }
    void SetAccess(uint32_t Value) { access = Value; }
    // Nonzero while a key is open.
    HKEY GetCurrentKey() const { return open ? rootKey : 0; }
    // The open key's path below the root, without a leading backslash.
    QString GetCurrentPath() const { return currentPath; }
    bool GetLazyWrite() const { return lazyWrite; }
    void SetLazyWrite(bool Value) { lazyWrite = Value; }

    // A key starting with '\' is taken from the root, other keys below the open key.
    // Returns false when the key is missing and CanCreate is false (or access forbids it).
    bool OpenKey(const QString& Key, bool CanCreate);
    bool OpenKeyReadOnly(const QString& Key);
    void CloseKey();
    bool CreateKey(const QString& Key);
    // Deletes the key with all its subkeys and values.
    bool DeleteKey(const QString& Key);
    bool DeleteValue(const QString& Name);
    bool KeyExists(const QString& Key);
    bool ValueExists(const QString& Name);
    bool HasSubKeys();
    void GetKeyNames(TStrings* Strings);
    void GetValueNames(TStrings* Strings);
    TRegDataType GetDataType(const QString& ValueName);
    bool GetDataInfo(const QString& ValueName, TRegDataInfo& Value);
    // Size in bytes (strings as 8-bit text with the final zero); -1 when missing.
    int GetDataSize(const QString& ValueName);

    QString ReadString(const QString& Name);
    void WriteString(const QString& Name, const QString& Value);
    void WriteExpandString(const QString& Name, const QString& Value);
    int ReadInteger(const QString& Name);
    void WriteInteger(const QString& Name, int Value);
    bool ReadBool(const QString& Name);
    void WriteBool(const QString& Name, bool Value);
    // Floats and date-times are kept as 8 bytes of binary data.
    double ReadFloat(const QString& Name);
    void WriteFloat(const QString& Name, double Value);
    TDateTime ReadDateTime(const QString& Name) { return ReadFloat(Name); }
    void WriteDateTime(const QString& Name, TDateTime Value) { WriteFloat(Name, Value); }
    // Copies the value into Buffer and returns its size; 0 when missing. A value that is not
    // binary or larger than BufSize raises "Invalid data type for '%s'".
    int ReadBinaryData(const QString& Name, void* Buffer, int BufSize);
    void WriteBinaryData(const QString& Name, const void* Buffer, int BufSize);
    QByteArray ReadBinary(const QString& Name);
    void WriteBinary(const QString& Name, const QByteArray& Data);

    // The file that holds the store.
    static QString StoreFileName();

protected:
    // The section of a key path below the root.
    QString sectionOf(const QString& Path) const;
    // The absolute path below the root that Key names, given the open key.
    QString resolve(const QString& Key) const;
    QString currentSection() const { return sectionOf(currentPath); }
    bool readRaw(const QString& Name, QString& Raw);
    void writeRaw(const QString& Name, const QString& Raw);
    [[noreturn]] static void readError(const QString& Name);

    HKEY rootKey = HKEY_CURRENT_USER;
    uint32_t access = KEY_ALL_ACCESS;
    QString currentPath;
    bool open = false;
    bool lazyWrite = true;
};

// The registry seen as an INI file: the key given at creation is opened (created when
// missing); a section is a subkey of it and an ident a value of that subkey. Integers and
// Booleans are kept as text ("1"/"0").
class TRegIniFile : public TRegistry {
    KADRION_CLASS(TRegIniFile)
    explicit TRegIniFile(const QString& AFileName);
    TRegIniFile(const QString& AFileName, uint32_t AAccess);
    QString GetFileName() const { return fileName; }

    QString ReadString(const QString& Section, const QString& Ident, const QString& Default);
    void WriteString(const QString& Section, const QString& Ident, const QString& Value);
    // Decimal text (or "0x..." hex); a non-numeric value reads as Default.
    int ReadInteger(const QString& Section, const QString& Ident, int Default);
    void WriteInteger(const QString& Section, const QString& Ident, int Value);
    bool ReadBool(const QString& Section, const QString& Ident, bool Default);
    void WriteBool(const QString& Section, const QString& Ident, bool Value);
    // Value names of the section's subkey.
    void ReadSection(const QString& Section, TStrings* Strings);
    // Subkey names of the open key.
    void ReadSections(TStrings* Strings);
    void ReadSectionValues(const QString& Section, TStrings* Strings);
    void EraseSection(const QString& Section);
    void DeleteKey(const QString& Section, const QString& Ident);
    using TRegistry::DeleteKey;
    using TRegistry::ReadBool;
    using TRegistry::ReadInteger;
    using TRegistry::ReadString;
    using TRegistry::WriteBool;
    using TRegistry::WriteInteger;
    using TRegistry::WriteString;

private:
    // Path of the section's subkey (the open key itself for an empty section).
    QString sectionPath(const QString& Section) const;
    QString fileName;
};
