// Form placement kept between runs: a form's normal rectangle, show state, version and active
// control, and the settings of linked controls, saved into an INI file or the registry store
// and restored when the form is shown. Positions are kept per screen resolution (a key with the
// suffix "(WxH)" wins over the plain one), and a restored rectangle always lands on a screen.
#pragma once

#include "Forms.h"
#include "IniFiles.h"
#include "Registry.h"

#include <functional>
#include <memory>
#include <vector>

enum TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = TSet<TPlacementOption>;
enum TPlacementRegRoot {
    prCurrentUser,
    prLocalMachine,
    prCurrentConfig,
    prClassesRoot,
    prUsers,
    prDynData
};

class TFormPlacement;

// A control's access to the storage of a form placement: told to save and load its settings
// whenever the placement saves or restores.
class TIniLink : public TPersistent {
    KADRION_CLASS(TIniLink)
    TIniLink() = default;
    ~TIniLink() override;
    TFormPlacement* GetPlacement() const { return placement; }
    void SetPlacement(TFormPlacement* Value);
    // The placement's open INI file or registry store; null when nothing is open.
    TObject* GetStorageFile() const;
    // The placement's IniSection as set, followed by "\" when not empty.
    QString GetSectionPrefix() const;
    virtual void SaveSettings();
    virtual void LoadSettings();
    TNotifyEvent OnSaveSettings;
    TNotifyEvent OnLoadSettings;

private:
    friend class TFormPlacement;
    TFormPlacement* placement = nullptr;
};

// The storage routines take a TCustomIniFile or a TRegIniFile; another object reads the
// default and writes nothing.
QString DefaultSectionName(TComponent* Component);
QString DefaultIniFileName();
QString DefaultRegistryKey();
QString StorageReadString(TObject* Storage, const QString& Section, const QString& Ident,
                          const QString& Default);
// In an INI file a value enclosed in quotes gets one more pair, which reading strips again.
void StorageWriteString(TObject* Storage, const QString& Section, const QString& Ident,
                        const QString& Value);
int StorageReadInteger(TObject* Storage, const QString& Section, const QString& Ident, int Default);
void StorageWriteInteger(TObject* Storage, const QString& Section, const QString& Ident, int Value);
void StorageEraseSection(TObject* Storage, const QString& Section);
// "(1024x768)": the screen size.
QString ScreenSizeSuffix();
// The value for this screen size, else the plain one.
QString ReadSizedValue(TObject* Storage, const QString& Section, const QString& Ident);
void WriteSizedValue(TObject* Storage, const QString& Section, const QString& Ident,
                     const QString& Value);
// Writes Flags, ShowCmd, PixelsPerInch, MinMaxPos and NormPos (both sized and plain).
void StoreWindowPlacement(TCustomForm* Form, TObject* Storage, const QString& Section);
// Reads them back: the normal rectangle (kept on a visible screen; ignored when stored at
// another pixel density) and the window state.
void LoadWindowPlacement(TCustomForm* Form, TObject* Storage, const QString& Section,
                         bool LoadState, bool LoadPosition);
// R as it stands when its title strip lies on one of the work areas; else moved (and shrunk
// when larger) into the first of them.
TRect KeepOnVisibleScreen(TRect R, const std::vector<TRect>& Areas);

class TFormPlacement : public TComponent {
    KADRION_CLASS(TFormPlacement)
    explicit TFormPlacement(TComponent* AOwner);
    ~TFormPlacement() override;

    bool GetActive() const { return active; }
    void SetActive(bool Value) { active = Value; }
    QString GetIniFileName() const;
    void SetIniFileName(const QString& Value) { iniFileName = Value; }
    QString GetIniSection() const;
    void SetIniSection(const QString& Value) { iniSection = Value; }
    TPlacementOptions GetOptions() const { return options; }
    void SetOptions(TPlacementOptions Value) { options = Value; }
    TPlacementRegRoot GetRegistryRoot() const { return registryRoot; }
    void SetRegistryRoot(TPlacementRegRoot Value) { registryRoot = Value; }
    bool GetUseRegistry() const { return useRegistry; }
    void SetUseRegistry(bool Value) { useRegistry = Value; }
    int GetVersion() const { return version; }
    void SetVersion(int Value) { version = Value; }
    TNotifyEvent OnSavePlacement;
    TNotifyEvent OnRestorePlacement;

    void SavePlacement();
    void RestorePlacement();
    virtual void SaveWindowState();
    virtual void LoadWindowState();
    // Opened for the call when nothing is open.
    QString ReadString(const QString& Ident, const QString& Default);
    void WriteString(const QString& Ident, const QString& Value);
    int ReadInteger(const QString& Ident, int Default);
    void WriteInteger(const QString& Ident, int Value);
    // The open INI file or registry store, null when closed.
    TObject* GetStorage() const;
    void Loaded() override;

private:
    friend class TIniLink;
    TCustomForm* form() const;
    void openStorage(bool ReadOnly);
    void closeStorage();
    void formShow(TObject* Sender);
    void formCloseQuery(TObject* Sender, bool& CanClose);
    void formDestroy(TObject* Sender);

    bool active = true;
    QString iniFileName, iniSection;
    TPlacementOptions options;
    TPlacementRegRoot registryRoot = prCurrentUser;
    bool useRegistry = false;
    int version = 0;
    std::unique_ptr<TIniFile> iniFile;
    std::unique_ptr<TRegIniFile> regFile;
    std::vector<TIniLink*> links;
    bool saved = false, restored = false, destroying = false, attached = false;
    TNotifyEvent saveShow, saveDestroy;
    TCloseQueryEvent saveCloseQuery;
};
