// Pictures and the registries of graphic file and clipboard formats.
#include "Graphics.h"

#include <map>

namespace {

struct FileFormat {
    QString Extension; // lower case, no dot
    QString Description;
    TGraphicFactory Factory;
};

std::vector<FileFormat>& fileFormats() {
    static std::vector<FileFormat> formats = {
        {QStringLiteral("bmp"), QStringLiteral("Bitmaps"),
         [] { return std::unique_ptr<TGraphic>(new TBitmap()); }},
        {QStringLiteral("ico"), QStringLiteral("Icons"),
         [] { return std::unique_ptr<TGraphic>(new TIcon()); }},
    };
    return formats;
}

std::map<uint16_t, TGraphicFactory>& clipboardFormats() {
    static std::map<uint16_t, TGraphicFactory> formats = {
        {CF_BITMAP, [] { return std::unique_ptr<TGraphic>(new TBitmap()); }},
        {CF_DIB, [] { return std::unique_ptr<TGraphic>(new TBitmap()); }},
    };
    return formats;
}

QString normalExt(const QString& e) {
    QString s = e.trimmed().toLower();
    if (s.startsWith(u'.')) s.remove(0, 1);
    return s;
}

const FileFormat* findFormat(const QString& ext) {
    QString e = normalExt(ext);
    for (const FileFormat& f : fileFormats())
        if (f.Extension == e) return &f;
    return nullptr;
}

} // namespace

void TPicture::RegisterFileFormat(const QString& Extension, const QString& Description,
                                  TGraphicFactory Factory) {
    QString e = normalExt(Extension);
    for (FileFormat& f : fileFormats())
        if (f.Extension == e) {
            f.Description = Description;
            f.Factory = std::move(Factory);
            return;
        }
    fileFormats().push_back({e, Description, std::move(Factory)});
}

void TPicture::UnregisterFileFormat(const QString& Extension) {
    QString e = normalExt(Extension);
    auto& v = fileFormats();
    v.erase(
        std::remove_if(v.begin(), v.end(), [&](const FileFormat& f) { return f.Extension == e; }),
        v.end());
}

void TPicture::RegisterClipboardFormat(uint16_t Format, TGraphicFactory Factory) {
    clipboardFormats()[Format] = std::move(Factory);
}

bool TPicture::SupportsClipboardFormat(uint16_t Format) {
    return clipboardFormats().count(Format) != 0;
}

bool TPicture::SupportsFileExtension(const QString& Extension) {
    return findFormat(Extension) != nullptr;
}

QString TPicture::GraphicFilter() {
    QStringList masks, parts;
    for (const FileFormat& f : fileFormats()) {
        QString m = QStringLiteral("*.") + f.Extension;
        masks << m;
        parts << QStringLiteral("%1 (%2)|%2").arg(f.Description, m);
    }
    QString all = masks.join(u';');
    parts.prepend(QStringLiteral("All (%1)|%1").arg(all));
    return parts.join(u'|');
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

void TPicture::graphicChanged(TObject*) {
    Changed();
}

void TPicture::adopt(std::unique_ptr<TGraphic> g) {
    graphic = std::move(g);
    if (graphic) graphic->OnChange = [this](TObject* s) { graphicChanged(s); };
    Changed();
}

void TPicture::SetGraphic(TGraphic* Value) {
    adopt(Value ? Value->Clone() : nullptr);
}

void TPicture::Assign(TPersistent* Source) {
    if (!Source) {
        SetGraphic(nullptr);
        return;
    }
    if (auto* p = dynamic_cast<TPicture*>(Source)) {
        if (p != this) SetGraphic(p->graphic.get());
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(g);
        return;
    }
    TPersistent::Assign(Source);
}

void TPicture::AssignTo(TPersistent* Dest) {
    if (graphic && dynamic_cast<TGraphic*>(Dest)) {
        Dest->Assign(graphic.get());
        return;
    }
    TPersistent::AssignTo(Dest);
}

TBitmap* TPicture::GetBitmap() {
    if (!dynamic_cast<TBitmap*>(graphic.get())) adopt(std::make_unique<TBitmap>());
    return static_cast<TBitmap*>(graphic.get());
}

TIcon* TPicture::GetIcon() {
    if (!dynamic_cast<TIcon*>(graphic.get())) adopt(std::make_unique<TIcon>());
    return static_cast<TIcon*>(graphic.get());
}

int TPicture::GetWidth() const {
    return graphic ? graphic->GetWidth() : 0;
}

int TPicture::GetHeight() const {
    return graphic ? graphic->GetHeight() : 0;
}

void TPicture::LoadFromFile(const QString& FileName) {
    QString ext = normalExt(ExtractFileExt(FileName));
    const FileFormat* f = findFormat(ext);
    if (!f)
        throw EInvalidGraphic(
            Format(QStringLiteral("Unknown picture file extension (.%s)"), {ext}));
    std::unique_ptr<TGraphic> g = f->Factory();
    g->LoadFromFile(FileName); // a failure leaves the picture as it was
    adopt(std::move(g));
}

void TPicture::SaveToFile(const QString& FileName) {
    if (graphic) graphic->SaveToFile(FileName);
}

void TPicture::LoadFromClipboardFormat(uint16_t Format, const QByteArray& Data) {
    auto it = clipboardFormats().find(Format);
    if (it == clipboardFormats().end())
        throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
    std::unique_ptr<TGraphic> g = it->second();
    g->LoadFromClipboardFormat(Format, Data);
    adopt(std::move(g));
}

void TPicture::SaveToClipboardFormat(uint16_t& Format, QByteArray& Data) {
    if (graphic) graphic->SaveToClipboardFormat(Format, Data);
}
