// The clipboard over QClipboard and QMimeData.
#include "Clipbrd.h"

#include "Streams.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <map>

namespace {
struct FormatTable {
    std::map<QString, uint16_t> byName; // lower-case name
    std::map<uint16_t, QString> names;
    uint16_t next = 0xC000;
};
FormatTable& formats() {
    static FormatTable t;
    return t;
}

const char* kPrefix = "application/x-kadrion-format;name=";

QClipboard* qtClipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

QByteArray toCp1251(const QString& s) {
    QByteArray out;
    out.reserve(s.size());
    for (QChar c : s) {
        char16_t u = c.unicode();
        if (u < 0x80)
            out.append(char(u));
        else if (u >= 0x0410 && u <= 0x044F)
            out.append(char(0xC0 + (u - 0x0410)));
        else {
            switch (u) {
            case 0x0401:
                out.append(char(0xA8));
                break;
            case 0x0451:
                out.append(char(0xB8));
                break;
            case 0x0404:
                out.append(char(0xAA));
                break;
            case 0x0454:
                out.append(char(0xBA));
                break;
            case 0x0406:
                out.append(char(0xB2));
                break;
            case 0x0456:
                out.append(char(0xB3));
                break;
            case 0x0407:
                out.append(char(0xAF));
                break;
            case 0x0457:
                out.append(char(0xBF));
                break;
            case 0x0490:
                out.append(char(0xA5));
                break;
            case 0x0491:
                out.append(char(0xB4));
                break;
            case 0x2116:
                out.append(char(0xB9));
                break;
            default:
                out.append('?');
                break;
            }
        }
    }
    return out;
}

QString fromCp1251(const QByteArray& b) {
    QString s;
    s.reserve(b.size());
    for (char ch : b) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            s.append(QChar(c));
        else if (c >= 0xC0)
            s.append(QChar(char16_t(0x0410 + (c - 0xC0))));
        else {
            char16_t u = 0xFFFD;
            switch (c) {
            case 0xA8:
                u = 0x0401;
                break;
            case 0xB8:
                u = 0x0451;
                break;
            case 0xAA:
                u = 0x0404;
                break;
            case 0xBA:
                u = 0x0454;
                break;
            case 0xB2:
                u = 0x0406;
                break;
            case 0xB3:
                u = 0x0456;
                break;
            case 0xAF:
                u = 0x0407;
                break;
            case 0xBF:
                u = 0x0457;
                break;
            case 0xA5:
                u = 0x0490;
                break;
            case 0xB4:
                u = 0x0491;
                break;
            case 0xB9:
                u = 0x2116;
                break;
            default:
                break;
            }
            s.append(QChar(u));
        }
    }
    return s;
}
} // namespace

uint16_t RegisterClipboardFormat(const QString& Name) {
    FormatTable& t = formats();
    QString key = Name.toLower();
    auto it = t.byName.find(key);
    if (it != t.byName.end()) return it->second;
    uint16_t id = t.next++;
    t.byName[key] = id;
    t.names[id] = Name;
    return id;
}

QString GetClipboardFormatName(uint16_t Format) {
    switch (Format) {
    case CF_TEXT:
        return QStringLiteral("CF_TEXT");
    case CF_BITMAP:
        return QStringLiteral("CF_BITMAP");
    case CF_DIB:
        return QStringLiteral("CF_DIB");
    case CF_UNICODETEXT:
        return QStringLiteral("CF_UNICODETEXT");
    default:
        break;
    }
    auto it = formats().names.find(Format);
    return it == formats().names.end() ? QString() : it->second;
}

QString ClipboardMimeType(uint16_t Format) {
    switch (Format) {
    case CF_TEXT:
    case CF_UNICODETEXT:
        return QStringLiteral("text/plain");
    case CF_BITMAP:
    case CF_DIB:
        return QStringLiteral("application/x-qt-image");
    default:
        break;
    }
    QString name = GetClipboardFormatName(Format);
    if (name.isEmpty()) return QString();
    return QString::fromLatin1(kPrefix) + name;
}

TClipboard::TClipboard() = default;
TClipboard::~TClipboard() = default;

void TClipboard::Open() {
    if (openCount++ == 0) pending.reset();
}

void TClipboard::Close() {
    if (openCount == 0) return;
    if (--openCount == 0 && pending) commit(std::move(pending));
}

QMimeData* TClipboard::building() {
    if (!pending) pending = std::make_unique<QMimeData>();
    return pending.get();
}

void TClipboard::commit(std::unique_ptr<QMimeData> Data) {
    if (QClipboard* c = qtClipboard()) c->setMimeData(Data.release());
}

void TClipboard::Clear() {
    if (openCount > 0) {
        pending = std::make_unique<QMimeData>();
        return;
    }
    if (QClipboard* c = qtClipboard()) c->clear();
}

QString TClipboard::GetAsText() {
    QClipboard* c = qtClipboard();
    return c ? c->text() : QString();
}

void TClipboard::SetAsText(const QString& Value) {
    Open();
    building()->setText(Value);
    Close();
}

bool TClipboard::HasFormat(uint16_t Format) {
    QClipboard* c = qtClipboard();
    const QMimeData* d = c ? c->mimeData() : nullptr;
    if (!d) return false;
    switch (Format) {
    case CF_TEXT:
    case CF_UNICODETEXT:
        return d->hasText();
    case CF_BITMAP:
    case CF_DIB:
        return d->hasImage();
    default:
        break;
    }
    QString mime = ClipboardMimeType(Format);
    return !mime.isEmpty() && d->hasFormat(mime);
}

int TClipboard::GetFormatCount() {
    int n = 0;
    QClipboard* c = qtClipboard();
    const QMimeData* d = c ? c->mimeData() : nullptr;
    if (!d) return 0;
    if (d->hasText()) n += 2;
    if (d->hasImage()) n += 2;
    for (const QString& f : d->formats())
        if (f.startsWith(QLatin1String(kPrefix))) ++n;
    return n;
}

uint16_t TClipboard::GetFormats(int Index) {
    std::vector<uint16_t> list;
    QClipboard* c = qtClipboard();
    const QMimeData* d = c ? c->mimeData() : nullptr;
    if (d) {
        if (d->hasText()) {
            list.push_back(CF_UNICODETEXT);
            list.push_back(CF_TEXT);
        }
        if (d->hasImage()) {
            list.push_back(CF_DIB);
            list.push_back(CF_BITMAP);
        }
        for (const QString& f : d->formats())
            if (f.startsWith(QLatin1String(kPrefix)))
                list.push_back(RegisterClipboardFormat(f.mid(int(strlen(kPrefix)))));
    }
    if (Index < 0 || Index >= int(list.size()))
        throw EListError(Format("List index out of bounds (%d)", {Index}));
    return list[size_t(Index)];
}

QByteArray TClipboard::GetAsHandle(uint16_t Format) {
    QClipboard* c = qtClipboard();
    const QMimeData* d = c ? c->mimeData() : nullptr;
    if (!d) return QByteArray();
    switch (Format) {
    case CF_TEXT:
        return toCp1251(d->text());
    case CF_UNICODETEXT: {
        QString t = d->text();
        return QByteArray(reinterpret_cast<const char*>(t.utf16()), t.size() * 2);
    }
    case CF_DIB:
    case CF_BITMAP: {
        if (!d->hasImage()) return QByteArray();
        TBitmap b;
        b.SetImage(qvariant_cast<QImage>(d->imageData()).convertToFormat(QImage::Format_RGB32));
        return b.SaveToDIB();
    }
    default:
        break;
    }
    QString mime = ClipboardMimeType(Format);
    return mime.isEmpty() ? QByteArray() : d->data(mime);
}

void TClipboard::SetAsHandle(uint16_t Format, const QByteArray& Data) {
    Open();
    QMimeData* d = building();
    switch (Format) {
    case CF_TEXT:
        d->setText(fromCp1251(Data));
        break;
    case CF_UNICODETEXT:
        d->setText(QString::fromUtf16(reinterpret_cast<const char16_t*>(Data.constData()),
                                      Data.size() / 2));
        break;
    case CF_DIB:
    case CF_BITMAP: {
        TBitmap b;
        b.LoadFromDIB(Data);
        d->setImageData(b.ToImage());
        break;
    }
    default: {
        QString mime = ClipboardMimeType(Format);
        if (!mime.isEmpty()) d->setData(mime, Data);
        break;
    }
    }
    Close();
}

void TClipboard::Assign(TPersistent* Source) {
    if (auto* pic = dynamic_cast<TPicture*>(Source)) {
        if (pic->GetGraphic()) Assign(pic->GetGraphic());
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        Open();
        uint16_t fmt = 0;
        QByteArray data;
        g->SaveToClipboardFormat(fmt, data);
        QMimeData* d = building();
        d->setImageData(g->ToImage());
        if (fmt != CF_BITMAP && fmt != CF_DIB && fmt != 0) {
            QString mime = ClipboardMimeType(fmt);
            if (!mime.isEmpty()) d->setData(mime, data);
        }
        Close();
        return;
    }
    TPersistent::Assign(Source);
}

void TClipboard::AssignTo(TPersistent* Dest) {
    QClipboard* c = qtClipboard();
    const QMimeData* d = c ? c->mimeData() : nullptr;
    if (auto* pic = dynamic_cast<TPicture*>(Dest)) {
        // a registered picture format first, then the bitmap
        if (d)
            for (const QString& f : d->formats())
                if (f.startsWith(QLatin1String(kPrefix))) {
                    uint16_t id = RegisterClipboardFormat(f.mid(int(strlen(kPrefix))));
                    if (TPicture::SupportsClipboardFormat(id)) {
                        pic->LoadFromClipboardFormat(id, d->data(f));
                        return;
                    }
                }
        if (d && d->hasImage()) {
            pic->LoadFromClipboardFormat(CF_DIB, GetAsHandle(CF_DIB));
            return;
        }
        throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
    }
    if (auto* bmp = dynamic_cast<TBitmap*>(Dest)) {
        if (!d || !d->hasImage())
            throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
        bmp->LoadFromDIB(GetAsHandle(CF_DIB));
        return;
    }
    TPersistent::AssignTo(Dest);
}

namespace {
TClipboard*& clipboardObject() {
    static TClipboard* c = nullptr;
    return c;
}
} // namespace

TClipboard* Clipboard() {
    TClipboard*& c = clipboardObject();
    if (!c) c = new TClipboard();
    return c;
}

TClipboard* SetClipboard(TClipboard* NewClipboard) {
    TClipboard* old = clipboardObject();
    clipboardObject() = NewClipboard;
    return old;
}
