#include "Placemnt.h"

#include "StrUtils.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

// Show commands as the placement keys store them.
constexpr int SW_HIDE_CMD = 0, SW_SHOWNORMAL_CMD = 1, SW_SHOWMINIMIZED_CMD = 2,
              SW_SHOWMAXIMIZED_CMD = 3;

TCustomIniFile* iniOf(TObject* S) {
    return dynamic_cast<TCustomIniFile*>(S);
}
TRegIniFile* regOf(TObject* S) {
    return dynamic_cast<TRegIniFile*>(S);
}

// The work areas of every screen (one default area without a screen).
std::vector<TRect> workAreas() {
    std::vector<TRect> areas;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect r = s->availableGeometry();
        areas.push_back(TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
    }
    if (areas.empty()) areas.push_back(Screen->GetWorkAreaRect());
    return areas;
}

} // namespace

// A rectangle whose title strip lies on no screen (a monitor since removed, a resolution since
// lowered) is moved onto the primary screen's work area, shrunk to it when larger.
TRect KeepOnVisibleScreen(TRect R, const std::vector<TRect>& Areas) {
    const int w = R.Width(), h = R.Height();
    for (const TRect& a : Areas) {
        const int visibleW = std::min(R.Right, a.Right) - std::max(R.Left, a.Left);
        const bool titleOn = R.Top >= a.Top && R.Top < a.Bottom - 8;
        if (titleOn && visibleW >= std::min(w, 50)) return R;
    }
    const TRect& a = Areas.front();
    const int nw = std::min(w, a.Width()), nh = std::min(h, a.Height());
    const int left = std::clamp(R.Left, a.Left, a.Right - nw);
    const int top = std::clamp(R.Top, a.Top, a.Bottom - nh);
    return TRect{left, top, left + nw, top + nh};
}

// ---- storage routines ---------------------------------------------------------------------

QString DefaultSectionName(TComponent* Component) {
    if (!Component) return QString();
    if (dynamic_cast<TCustomForm*>(Component)) return Component->ClassName();
    QString name = Component->GetName();
    if (auto* c = dynamic_cast<TControl*>(Component)) {
        if (TCustomForm* f = GetParentForm(c)) return f->ClassName() + name;
        if (c->GetParent()) return c->GetParent()->GetName() + name;
        return name;
    }
    if (auto* f = dynamic_cast<TForm*>(Component->GetOwner()))
        return QStringLiteral("%1.%2").arg(f->ClassName(), name);
    return name;
}

QString DefaultIniFileName() {
    return QFileInfo(Application->GetExeName()).completeBaseName() + QStringLiteral(".INI");
}

QString DefaultRegistryKey() {
    return QStringLiteral("Software\\") + QFileInfo(Application->GetExeName()).completeBaseName();
}

QString StorageReadString(TObject* Storage, const QString& Section, const QString& Ident,
                          const QString& Default) {
    if (TRegIniFile* r = regOf(Storage)) return r->ReadString(Section, Ident, Default);
    if (TCustomIniFile* i = iniOf(Storage)) return i->ReadString(Section, Ident, Default);
    return Default;
}

void StorageWriteString(TObject* Storage, const QString& Section, const QString& Ident,
                        const QString& Value) {
    if (TRegIniFile* r = regOf(Storage)) {
        r->WriteString(Section, Ident, Value);
    } else if (TCustomIniFile* i = iniOf(Storage)) {
        const bool quoted = !Value.isEmpty() && Value.front() == Value.back() &&
                            (Value.front() == u'"' || Value.front() == u'\'');
        i->WriteString(Section, Ident, quoted ? u'"' + Value + u'"' : Value);
    }
}

int StorageReadInteger(TObject* Storage, const QString& Section, const QString& Ident,
                       int Default) {
    if (TRegIniFile* r = regOf(Storage)) return r->ReadInteger(Section, Ident, Default);
    if (TCustomIniFile* i = iniOf(Storage)) return i->ReadInteger(Section, Ident, Default);
    return Default;
}

void StorageWriteInteger(TObject* Storage, const QString& Section, const QString& Ident,
                         int Value) {
    if (TRegIniFile* r = regOf(Storage))
        r->WriteInteger(Section, Ident, Value);
    else if (TCustomIniFile* i = iniOf(Storage))
        i->WriteInteger(Section, Ident, Value);
}

void StorageEraseSection(TObject* Storage, const QString& Section) {
    if (TRegIniFile* r = regOf(Storage))
        r->EraseSection(Section);
    else if (TCustomIniFile* i = iniOf(Storage))
        i->EraseSection(Section);
}

QString ScreenSizeSuffix() {
    return QStringLiteral("(%1x%2)")
        .arg(GetSystemMetrics(SM_CXSCREEN))
        .arg(GetSystemMetrics(SM_CYSCREEN));
}

QString ReadSizedValue(TObject* Storage, const QString& Section, const QString& Ident) {
    QString s = StorageReadString(Storage, Section, Ident + ScreenSizeSuffix(), QString());
    if (s.isEmpty()) s = StorageReadString(Storage, Section, Ident, QString());
    return s;
}

void WriteSizedValue(TObject* Storage, const QString& Section, const QString& Ident,
                     const QString& Value) {
    StorageWriteString(Storage, Section, Ident + ScreenSizeSuffix(), Value);
    StorageWriteString(Storage, Section, Ident, Value);
}

void StoreWindowPlacement(TCustomForm* Form, TObject* Storage, const QString& Section) {
    int showCmd = SW_SHOWNORMAL_CMD;
    switch (Form->GetWindowState()) {
    case wsMinimized:
        showCmd = SW_SHOWMINIMIZED_CMD;
        break;
    case wsMaximized:
        showCmd = SW_SHOWMAXIMIZED_CMD;
        break;
    default:
        break;
    }
    // the normal rectangle: the one a maximized or minimized window goes back to
    TRect r{Form->GetLeft(), Form->GetTop(), Form->GetLeft() + Form->GetWidth(),
            Form->GetTop() + Form->GetHeight()};
    if (Form->HandleAllocated() && Form->GetFormStyle() != fsMDIChild) {
        const QRect n = Form->GetHandle()->normalGeometry();
        if (n.isValid() && showCmd != SW_SHOWNORMAL_CMD)
            r = TRect{n.left(), n.top(), n.left() + n.width(), n.top() + n.height()};
    }
    StorageWriteInteger(Storage, Section, QStringLiteral("Flags"), 0);
    StorageWriteInteger(Storage, Section, QStringLiteral("ShowCmd"), showCmd);
    StorageWriteInteger(Storage, Section, QStringLiteral("PixelsPerInch"),
                        Screen->GetPixelsPerInch());
    WriteSizedValue(Storage, Section, QStringLiteral("MinMaxPos"), QStringLiteral("-1,-1,-1,-1"));
    WriteSizedValue(
        Storage, Section, QStringLiteral("NormPos"),
        QStringLiteral("%1,%2,%3,%4").arg(r.Left).arg(r.Top).arg(r.Right).arg(r.Bottom));
}

void LoadWindowPlacement(TCustomForm* Form, TObject* Storage, const QString& Section,
                         bool LoadState, bool LoadPosition) {
    if (!LoadState && !LoadPosition) return;
    if (LoadPosition) {
        const TCharSet delims{u',', u' '};
        bool found = false;
        TRect r{Form->GetLeft(), Form->GetTop(), Form->GetLeft() + Form->GetWidth(),
                Form->GetTop() + Form->GetHeight()};
        const QString norm = ReadSizedValue(Storage, Section, QStringLiteral("NormPos"));
        if (!norm.isEmpty()) {
            found = true;
            auto word = [&](int N, int Default) {
                bool ok = false;
                const int v = ExtractWord(N, norm, delims).toInt(&ok);
                return ok ? v : Default;
            };
            r = TRect{word(1, r.Left), word(2, r.Top), word(3, r.Right), word(4, r.Bottom)};
        }
        if (!ReadSizedValue(Storage, Section, QStringLiteral("MinMaxPos")).isEmpty()) found = true;
        const int ppi = Screen->GetPixelsPerInch();
        if (StorageReadInteger(Storage, Section, QStringLiteral("PixelsPerInch"), ppi) != ppi)
            found = false; // stored at another font scaling
        if (found) {
            const TFormBorderStyle bs = Form->GetBorderStyle();
            if (bs != bsSizeable && bs != bsSizeToolWin) {
                r.Right = r.Left + Form->GetWidth();
                r.Bottom = r.Top + Form->GetHeight();
            }
            if (r.Right > r.Left && r.Bottom > r.Top) {
                if (Form->GetPosition() == poScreenCenter || Form->GetPosition() == poDesktopCenter)
                    Form->SetPosition(poDesigned);
                r = KeepOnVisibleScreen(r, workAreas());
                Form->SetBounds(r.Left, r.Top, r.Width(), r.Height());
            }
        }
    }
    if (LoadState) {
        TCustomForm* main = Application->GetMainForm();
        TWindowState state = wsNormal;
        if ((main == Form || !main) &&
            (Form->GetFormStyle() == fsMDIForm ||
             (Form->GetFormStyle() == fsNormal && Form->GetPosition() == poDefault)))
            state = wsMaximized;
        switch (StorageReadInteger(Storage, Section, QStringLiteral("ShowCmd"), SW_HIDE_CMD)) {
        case 1:
        case 5:
        case 9:
            state = wsNormal;
            break;
        case 2:
        case 6:
        case 7:
            state = wsMinimized;
            break;
        case 3:
            state = wsMaximized;
            break;
        default:
            break;
        }
        if (state == wsMinimized && (main == Form || !main)) {
            // the whole application goes to the task bar, not the form alone
            Form->SetWindowState(wsNormal);
            Application->Minimize();
            return;
        }
        Form->SetWindowState(state);
    }
    Form->Update();
}

// ---- TIniLink -----------------------------------------------------------------------------

TIniLink::~TIniLink() {
    OnSaveSettings = nullptr;
    OnLoadSettings = nullptr;
    SetPlacement(nullptr);
}

void TIniLink::SetPlacement(TFormPlacement* Value) {
    if (placement == Value) return;
    if (placement) {
        auto& l = placement->links;
        l.erase(std::remove(l.begin(), l.end(), this), l.end());
    }
    placement = Value;
    if (placement) placement->links.push_back(this);
}

TObject* TIniLink::GetStorageFile() const {
    return placement ? placement->GetStorage() : nullptr;
}

QString TIniLink::GetSectionPrefix() const {
    if (!placement || placement->iniSection.isEmpty()) return QString();
    return placement->iniSection + u'\\';
}

void TIniLink::SaveSettings() {
    if (OnSaveSettings) OnSaveSettings(this);
}

void TIniLink::LoadSettings() {
    if (OnLoadSettings) OnLoadSettings(this);
}

// ---- TFormPlacement -----------------------------------------------------------------------

TFormPlacement::TFormPlacement(TComponent* AOwner) : TComponent(AOwner) {
    if (dynamic_cast<TForm*>(AOwner)) options = TPlacementOptions{fpState, fpPosition};
}

TFormPlacement::~TFormPlacement() {
    closeStorage();
    while (!links.empty())
        links.back()->SetPlacement(nullptr);
    if (attached)
        if (TCustomForm* f = form()) {
            f->OnShow = saveShow;
            f->OnCloseQuery = saveCloseQuery;
            f->OnDestroy = saveDestroy;
        }
}

TCustomForm* TFormPlacement::form() const {
    return dynamic_cast<TCustomForm*>(GetOwner());
}

QString TFormPlacement::GetIniFileName() const {
    if (!iniFileName.isEmpty() || IsDesigning()) return iniFileName;
    return useRegistry ? DefaultRegistryKey() : DefaultIniFileName();
}

QString TFormPlacement::GetIniSection() const {
    if (!iniSection.isEmpty() || IsDesigning()) return iniSection;
    return DefaultSectionName(GetOwner());
}

TObject* TFormPlacement::GetStorage() const {
    if (regFile) return regFile.get();
    return iniFile.get();
}

void TFormPlacement::openStorage(bool ReadOnly) {
    if (GetStorage()) return;
    if (!useRegistry) {
        iniFile = std::make_unique<TIniFile>(GetIniFileName());
        return;
    }
    static const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CURRENT_CONFIG,
                                 HKEY_CLASSES_ROOT, HKEY_USERS,         HKEY_DYN_DATA};
    const HKEY root = roots[registryRoot];
    if (root == HKEY_CURRENT_USER) {
        regFile = ReadOnly ? std::make_unique<TRegIniFile>(GetIniFileName(), KEY_READ)
                           : std::make_unique<TRegIniFile>(GetIniFileName());
        return;
    }
    regFile = std::make_unique<TRegIniFile>(GetIniFileName(), ReadOnly ? KEY_READ : KEY_ALL_ACCESS);
    regFile->SetRootKey(root);
    regFile->OpenKey(GetIniFileName(), !ReadOnly);
}

void TFormPlacement::closeStorage() {
    iniFile.reset();
    regFile.reset();
}

void TFormPlacement::SavePlacement() {
    if (active && !restored) return;
    openStorage(false);
    struct Close {
        TFormPlacement* P;
        ~Close() { P->closeStorage(); }
    } close{this};
    StorageWriteInteger(GetStorage(), GetIniSection(), QStringLiteral("FormVersion"), version);
    SaveWindowState();
    if (OnSavePlacement) OnSavePlacement(this);
    saved = true;
}

void TFormPlacement::RestorePlacement() {
    saved = false;
    openStorage(true);
    struct Close {
        TFormPlacement* P;
        ~Close() {
            P->restored = true;
            P->closeStorage();
        }
    } close{this};
    const QString section = GetIniSection();
    if (StorageReadInteger(GetStorage(), section, QStringLiteral("FormVersion"), 0) < version)
        return; // stored by an older layout of the form: it stays as designed
    LoadWindowState();
    restored = true;
    if (OnRestorePlacement) OnRestorePlacement(this);
    TCustomForm* f = form();
    if (!options.Contains(fpActiveControl) || !f) return;
    const QString name =
        StorageReadString(GetStorage(), section, QStringLiteral("ActiveControl"), QString());
    if (name.isEmpty()) return;
    if (auto* c = dynamic_cast<TWinControl*>(f->FindComponent(name)); c && c->CanFocus())
        f->SetActiveControl(c);
}

void TFormPlacement::SaveWindowState() {
    TCustomForm* f = form();
    if (!f) return;
    const QString section = GetIniSection();
    if (options.Contains(fpState) || options.Contains(fpPosition)) {
        StoreWindowPlacement(f, GetStorage(), section);
        if (TRegIniFile* r = regOf(GetStorage()))
            r->WriteBool(section, QStringLiteral("Visible"), destroying);
        else if (TCustomIniFile* i = iniOf(GetStorage()))
            i->WriteBool(section, QStringLiteral("Visible"), destroying);
    }
    if (options.Contains(fpActiveControl) && f->GetActiveControl()) {
        if (TRegIniFile* r = regOf(GetStorage()))
            r->WriteString(section, QStringLiteral("ActiveControl"),
                           f->GetActiveControl()->GetName());
        else if (TCustomIniFile* i = iniOf(GetStorage()))
            i->WriteString(section, QStringLiteral("ActiveControl"),
                           f->GetActiveControl()->GetName());
    }
    for (TIniLink* l : std::vector<TIniLink*>(links))
        l->SaveSettings();
}

void TFormPlacement::LoadWindowState() {
    TCustomForm* f = form();
    if (!f) return;
    LoadWindowPlacement(f, GetStorage(), GetIniSection(), options.Contains(fpState),
                        options.Contains(fpPosition));
    for (TIniLink* l : std::vector<TIniLink*>(links))
        l->LoadSettings();
}

QString TFormPlacement::ReadString(const QString& Ident, const QString& Default) {
    const bool wasOpen = GetStorage();
    openStorage(true);
    QString s = StorageReadString(GetStorage(), GetIniSection(), Ident, Default);
    if (!wasOpen) closeStorage();
    return s;
}

void TFormPlacement::WriteString(const QString& Ident, const QString& Value) {
    const bool wasOpen = GetStorage();
    openStorage(false);
    StorageWriteString(GetStorage(), GetIniSection(), Ident, Value);
    if (!wasOpen) closeStorage();
}

int TFormPlacement::ReadInteger(const QString& Ident, int Default) {
    const bool wasOpen = GetStorage();
    openStorage(true);
    const int v = StorageReadInteger(GetStorage(), GetIniSection(), Ident, Default);
    if (!wasOpen) closeStorage();
    return v;
}

void TFormPlacement::WriteInteger(const QString& Ident, int Value) {
    const bool wasOpen = GetStorage();
    openStorage(false);
    StorageWriteInteger(GetStorage(), GetIniSection(), Ident, Value);
    if (!wasOpen) closeStorage();
}

void TFormPlacement::Loaded() {
    const bool loading = IsLoading();
    TComponent::Loaded();
    TCustomForm* f = form();
    if (!loading || IsDesigning() || !f || attached) return;
    attached = true;
    saveShow = f->OnShow;
    saveCloseQuery = f->OnCloseQuery;
    saveDestroy = f->OnDestroy;
    f->OnShow = [this](TObject* S) { formShow(S); };
    f->OnCloseQuery = [this](TObject* S, bool& CanClose) { formCloseQuery(S, CanClose); };
    f->OnDestroy = [this](TObject* S) { formDestroy(S); };
}

void TFormPlacement::formShow(TObject* Sender) {
    if (active) {
        try {
            RestorePlacement();
        } catch (...) {
            Application->HandleException(this);
        }
    }
    if (saveShow) saveShow(Sender);
}

void TFormPlacement::formCloseQuery(TObject* Sender, bool& CanClose) {
    if (saveCloseQuery) saveCloseQuery(Sender, CanClose);
    TCustomForm* f = form();
    if (!CanClose || !active || !f || !f->HandleAllocated()) return;
    try {
        SavePlacement();
    } catch (...) {
        Application->HandleException(this);
    }
}

void TFormPlacement::formDestroy(TObject* Sender) {
    if (active && !saved) {
        destroying = true;
        try {
            SavePlacement();
        } catch (...) {
            Application->HandleException(this);
        }
        destroying = false;
    }
    if (saveDestroy) saveDestroy(Sender);
}
