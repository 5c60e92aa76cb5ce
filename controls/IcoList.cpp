// Icon lists, icons for the screen and the clipboard icon format.
#include "IcoList.h"

#include "Clipbrd.h"
#include "Controls.h"
#include "ScopeGuard.h"
#include "Streams.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QScreen>
#include <QStyle>
#include <vector>

namespace {

// An icon pasted from the clipboard: the icon file bytes are the format's data.
class TClipboardIcon : public TIcon {
public:
    void LoadFromClipboardFormat(uint16_t Format, const QByteArray& Data) override {
        if (Format != CF_ICON()) TIcon::LoadFromClipboardFormat(Format, Data);
        TMemoryStream s;
        s.SetBytes(Data);
        LoadFromStream(&s);
    }
    void SaveToClipboardFormat(uint16_t& Format, QByteArray& Data) override {
        TMemoryStream s;
        SaveToStream(&s);
        Format = CF_ICON();
        Data = s.GetBytes();
    }
};

QByteArray iconBytes(TIcon* Icon) {
    TMemoryStream s;
    Icon->SaveToStream(&s);
    return s.GetBytes();
}

uint32_t le32(const QByteArray& B, qsizetype At) {
    auto* p = reinterpret_cast<const uint8_t*>(B.constData()) + At;
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint16_t le16(const QByteArray& B, qsizetype At) {
    auto* p = reinterpret_cast<const uint8_t*>(B.constData()) + At;
    return uint16_t(p[0] | (p[1] << 8));
}

void put32(QByteArray& B, uint32_t V) {
    for (int i = 0; i < 4; ++i)
        B.append(char((V >> (8 * i)) & 0xFF));
}

[[noreturn]] void badIcon() {
    throw EInvalidGraphic(QStringLiteral("Icon image is not valid"));
}

std::unique_ptr<TIcon> applicationIcon() {
    QIcon qi = QApplication::windowIcon();
    if (qi.isNull() && qApp) qi = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    auto icon = std::make_unique<TIcon>();
    QImage img = qi.pixmap(32, 32).toImage();
    if (!img.isNull()) icon->AddImage(img.scaled(32, 32), 32);
    return icon;
}

const bool registeredAtStart = (CF_ICON(), true);

} // namespace

// ---- TIconList ----

TIconList::TIconList() {
    (void)registeredAtStart;
}

TIconList::~TIconList() {
    OnChange = nullptr;
    clearEntries();
}

void TIconList::Changed() {
    if (updateCount == 0 && OnChange) OnChange(this);
}

void TIconList::BeginUpdate() {
    ++updateCount;
}

void TIconList::EndUpdate() {
    if (updateCount > 0 && --updateCount == 0) Changed();
}

void TIconList::attach(TIcon* Icon) {
    if (Icon) Icon->OnChange = [this](TObject*) { Changed(); };
}

TIcon* TIconList::newIcon(TIcon* From) {
    auto icon = std::make_unique<TIcon>();
    icon->Assign(From);
    attach(icon.get());
    return icon.release();
}

TIcon* TIconList::Get(int Index) const {
    return items.Get<TIcon>(Index);
}

int TIconList::GetCount() const {
    return items.GetCount();
}

void TIconList::Put(int Index, TIcon* Icon) {
    TUpdateBracket<TIconList> update(*this);
    if (Index == GetCount()) items.Add(nullptr);
    TIcon* entry = Get(Index);
    if (!entry) {
        entry = new TIcon();
        items.SetItems(Index, entry);
    }
    attach(entry);
    entry->Assign(Icon);
    update.End();
}

int TIconList::Add(TIcon* Icon) {
    TIcon* icon = newIcon(Icon);
    int i = items.Add(icon);
    Changed();
    return i;
}

void TIconList::Insert(int Index, TIcon* Icon) {
    std::unique_ptr<TIcon> icon(newIcon(Icon));
    items.Insert(Index, icon.get());
    icon.release();
    Changed();
}

int TIconList::AddFromResource(const QString& ResName) {
    std::unique_ptr<TIcon> icon = LoadIconResource(ResName);
    attach(icon.get());
    int i = items.Add(icon.release());
    Changed();
    return i;
}

void TIconList::InsertFromResource(int Index, const QString& ResName) {
    std::unique_ptr<TIcon> icon = LoadIconResource(ResName);
    items.Insert(Index, icon.get());
    attach(icon.release());
    Changed();
}

void TIconList::clearEntries() {
    for (int i = items.GetCount() - 1; i >= 0; --i) {
        TIcon* icon = items.Get<TIcon>(i);
        items.Delete(i);
        if (icon) icon->OnChange = nullptr;
        delete icon;
    }
}

void TIconList::Clear() {
    BeginUpdate();
    clearEntries();
    EndUpdate();
}

void TIconList::Delete(int Index) {
    TIcon* icon = Get(Index);
    items.Delete(Index);
    if (icon) icon->OnChange = nullptr;
    delete icon;
    Changed();
}

void TIconList::Exchange(int Index1, int Index2) {
    items.Exchange(Index1, Index2);
    Changed();
}

void TIconList::Move(int CurIndex, int NewIndex) {
    items.Move(CurIndex, NewIndex);
    Changed();
}

int TIconList::IndexOf(TIcon* Icon) const {
    return items.IndexOf(Icon);
}

void TIconList::Assign(TPersistent* Source) {
    if (!Source) {
        Clear();
        return;
    }
    if (auto* list = dynamic_cast<TIconList*>(Source)) {
        if (list == this) return;
        TUpdateBracket<TIconList> update(*this);
        clearEntries();
        for (int i = 0; i < list->GetCount(); ++i)
            Add(list->Get(i));
        update.End();
        return;
    }
    if (auto* icon = dynamic_cast<TIcon*>(Source)) {
        TUpdateBracket<TIconList> update(*this);
        clearEntries();
        Add(icon);
        update.End();
        return;
    }
    TPersistent::Assign(Source);
}

void TIconList::LoadFromStream(TStream* Stream) {
    // Read everything first: a damaged stream leaves the list as it was.
    std::vector<std::unique_ptr<TIcon>> loaded;
    int32_t count = Stream->ReadInt32();
    if (count < 0) badIcon();
    for (int32_t i = 0; i < count; ++i) {
        int32_t size = Stream->ReadInt32();
        if (size < 0) badIcon();
        if (size == 0) {
            loaded.emplace_back();
            continue;
        }
        if (Stream->GetSize() - Stream->GetPosition() < size)
            throw EReadError(QStringLiteral("Stream read error"));
        TMemoryStream data;
        data.CopyFrom(Stream, size);
        data.SetPosition(0);
        auto icon = std::make_unique<TIcon>();
        icon->LoadFromStream(&data);
        loaded.push_back(std::move(icon));
    }
    BeginUpdate();
    clearEntries();
    for (auto& icon : loaded) {
        attach(icon.get());
        items.Add(icon.release());
    }
    EndUpdate();
}

void TIconList::SaveToStream(TStream* Stream) {
    Stream->WriteInt32(GetCount());
    for (int i = 0; i < GetCount(); ++i) {
        TIcon* icon = Get(i);
        if (!icon || icon->GetEmpty()) {
            Stream->WriteInt32(0);
            continue;
        }
        QByteArray data = iconBytes(icon);
        Stream->WriteInt32(int32_t(data.size()));
        Stream->WriteBuffer(data.constData(), data.size());
    }
}

bool TIconList::DoWrite(const TIconList* Ancestor) const {
    if (Ancestor && Ancestor->GetCount() == GetCount()) {
        for (int i = 0; i < GetCount(); ++i)
            if (Ancestor->Get(i) != Get(i)) return true;
        return false;
    }
    return GetCount() > 0;
}

// ---- icon helpers ----

std::unique_ptr<TIcon> LoadIconResource(const QString& Name) {
    QFile f(QStringLiteral(":/icons/") + Name + QStringLiteral(".ico"));
    if (!f.open(QIODevice::ReadOnly)) throw EResNotFound(Format("Resource %s not found", {Name}));
    TMemoryStream s;
    s.SetBytes(f.readAll());
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromStream(&s);
    return icon;
}

int ScreenColorCount() {
    QScreen* screen = QGuiApplication::primaryScreen();
    int bits = screen ? screen->depth() : 24;
    switch (bits) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

int ChooseIconImage(const QByteArray& IconFile, int ScreenColors) {
    if (IconFile.size() < 6) badIcon();
    int count = le16(IconFile, 4);
    if (IconFile.size() < 6 + 16 * qsizetype(count)) badIcon();
    int chosen = -1;
    int remembered = 0;
    for (int i = 0; i < count; ++i) {
        int colors = le16(IconFile, 6 + 16 * qsizetype(i) + 2);
        if (colors == ScreenColors) return i;
        if (chosen < 0) {
            if (colors <= ScreenColors) {
                chosen = i;
                remembered = colors;
            }
        } else if (colors > remembered && colors <= ScreenColors) {
            // richer, and still within what the screen shows
            chosen = i;
        }
    }
    return chosen < 0 ? 0 : chosen;
}

std::unique_ptr<TIcon> CreateScreenIcon(TIcon* Icon) {
    if (!Icon || Icon->GetEmpty()) return applicationIcon();
    QByteArray file = iconBytes(Icon);
    int type = le16(file, 2);
    if (type != 1) {
        auto copy = std::make_unique<TIcon>();
        copy->Assign(Icon);
        return copy;
    }
    int i = ChooseIconImage(file, ScreenColorCount());
    qsizetype entry = 6 + 16 * qsizetype(i);
    uint32_t size = le32(file, entry + 8), offset = le32(file, entry + 12);
    if (uint64_t(offset) + size > uint64_t(file.size())) badIcon();
    // a file of that one image
    QByteArray one = file.left(4);
    one.append(char(1)).append(char(0));
    one.append(file.mid(entry, 12));
    put32(one, 22);
    one.append(file.mid(offset, size));
    TMemoryStream s;
    s.SetBytes(one);
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromStream(&s);
    return icon;
}

TSize IconExtent(TIcon* Icon) {
    if (Icon && !Icon->GetEmpty()) return TSize{Icon->GetWidth(), Icon->GetHeight()};
    return TSize{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
}

void RaiseOutOfResources() {
    throw EOutOfResources(QStringLiteral("Out of system resources"));
}

// ---- the clipboard format ----

uint16_t CF_ICON() {
    static const uint16_t format = [] {
        uint16_t f = RegisterClipboardFormat(QStringLiteral("Pellix Icon"));
        TPicture::RegisterClipboardFormat(f, [] { return std::make_unique<TClipboardIcon>(); });
        return f;
    }();
    return format;
}

void CopyIconToClipboard(TIcon* Icon) {
    TClipboardIcon icon;
    icon.Assign(Icon);
    Clipboard()->Assign(&icon);
}
