// The template stream: header, page, view, dictionary and extension records.
//
// Every number is little-endian. Basic items (FR_Utils):
//   byte      1 byte             word  2 bytes, unsigned          int  4 bytes, signed
//   string    word n, n bytes in the 8-bit code page, one end byte (written 0, read as any)
//   string<23 bytes up to a 0 byte (templates before version 23)
//   memo      word count; count 0: one byte; else per line: word n, n bytes, one separator
//             byte, 13 between lines, 0 after the last (the separator, not the count, ends it)
//   memo<23   bytes up to a 0 byte, lines split at byte 13 (templates before version 23)
//   bool16    word, 0 = false, any other value (written 0xFFFF) = true
//
// The stream (the version decides the optional parts; this program writes version 24):
//   byte    version (21..24; a first byte below 21 is a version-21 template without one)
//   word    use the default printer        word  two-pass
//   string  printer name (a single byte 1 = the virtual printer)
//   then records up to the end, each introduced by a tag byte:
//   0xFF    page:  int -1 (a script follows; else this int is the paper size)
//                  [int paper size] int width, int height (0.1 mm), int margins[4],
//                  byte orientation, <23: 6 bytes skipped, >23: int bin,
//                  bool16 print to the previous page, bool16 use margins, int columns,
//                  int column gap, >=24: byte page type, string name, byte border style,
//                  string caption, int colour, int left, top, width, height,
//                  byte position, [memo script]
//   0xFE    dictionary: word 0xFFFE (0xFFFF too), then three lists (variables, field
//           aliases, band data sources) of int count and count pairs string name, string
//           value; an older dictionary has no marker word (see TfrDataDictionary)
//   0xFD    the extension object's data: reading stops here
//   0..gtAddIn  a view of that type: gtAddIn adds string class name; byte page index;
//           >23: int stream position of the next record; then the view's body:
//             string name (>=24, or 23 outside a prepared page),
//             >23: byte revision major, byte revision minor,
//             int left, top, width, height, word flags, word frame type, int frame width,
//             int frame colour, word frame style, int fill colour,
//             not in a prepared page: int format, string format text; memo text;
//             not in a prepared page, >=23: memo script, bool16 visible;
//             >=24: word restrictions, string tag, int gap x, int gap y;
//             revision major > 1: byte band alignment
//           followed by the type's own fields (TfrMemoView, TfrPictureView, TfrBandView,
//           TfrSubReportView ::LoadFromStream); a framed memo adds 8 bytes after them.
// A version-24 template ends with its dictionary record; one without it was cut short.
#include "FR_Class.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// A template that cannot be read any further: the report is reset.
class EfrDamagedTemplate : public Exception {
public:
    EfrDamagedTemplate() : Exception(frLoadStr(SFRFError)) {}
};

void checkNotShort() {
    if (frGlobals().ReadPastEnd) throw EfrDamagedTemplate();
}

// A view body raised while reading; the record offsets let the rest load.
class EfrViewBodyError : public Exception {
public:
    EfrViewBodyError() : Exception(QString()) {}
};

const QString VirtualPrinterMark = QString(QChar(1));

} // namespace

TfrPage* TfrPages::GetPages(int Index) const {
    return Index >= 0 && Index < Count() ? pages[Index].get() : nullptr;
}

void TfrPages::Add() {
    pages.push_back(std::make_unique<TfrPage>(DMPAPER_A4, 2100, 2970, poPortrait, -1));
}

void TfrPages::Delete(int Index) {
    if (Index >= 0 && Index < Count()) pages.erase(pages.begin() + Index);
}

void TfrPages::Clear() {
    pages.clear();
}

int TfrPages::IndexOf(const TfrPage* Page) const {
    for (int i = 0; i < Count(); ++i)
        if (pages[i].get() == Page) return i;
    return -1;
}

void TfrPages::LoadFromStream(TStream* Stream) {
    TfrGlobals& g = frGlobals();
    const int v = g.frVersion;
    // Views read from a template get their names from it, not from the factory.
    struct LoadingMark {
        TComponent* c;
        explicit LoadingMark(TComponent* c) : c(c) {
            c->SetComponentState(c->GetComponentState() + TComponentState{csLoading});
        }
        ~LoadingMark() {
            c->SetComponentState(c->GetComponentState() - TComponentState{csLoading});
        }
    } loading(Parent);
    Parent->Clear();
    g.ReadPastEnd = false;
    Parent->UseDefaultPrinter = frReadWord(Stream);
    Parent->TwoPass = frReadWord(Stream);
    QString printer = v < 23 ? frReadStringOld(Stream) : frReadString(Stream);
    if (printer == VirtualPrinterMark) printer = frLoadStr(SVirtualPrinter);
    Parent->SetPrinterTo(printer);
    checkNotShort();

    bool bodyFailed = false;
    bool dictionaryRead = false;
    const int64_t size = Stream->GetSize();
    while (Stream->GetPosition() < size) {
        g.ReadPastEnd = false;
        const uint8_t tag = frReadByte(Stream);
        if (tag == 0xFF) {
            Add();
            TfrPage* page = pages.back().get();
            page->LoadFromStream(Stream);
            checkNotShort();
            continue;
        }
        if (tag == 0xFE) {
            Parent->Dictionary.LoadFromStream(Stream);
            checkNotShort();
            dictionaryRead = true;
            continue;
        }
        if (tag == 0xFD) break; // the extension object's data; none is installed
        if (tag > gtAddIn) throw EfrDamagedTemplate();

        QString className;
        if (tag == gtAddIn) {
            className = v < 23 ? frReadStringOld(Stream) : frReadString(Stream);
            const QString upper = className.toUpper();
            if (upper == "TFRBDELOOKUPCONTROL"_L1 || upper == "TFRIBLOOKUPCONTROL"_L1)
                className = u"TfrDBLookupControl"_s;
        }
        const bool framedMemo = className.toUpper() == "TFRFRAMEDMEMOVIEW"_L1;
        const uint8_t pageIndex = frReadByte(Stream);
        checkNotShort();
        if (pageIndex >= Count()) throw EfrDamagedTemplate();
        TfrPage* page = pages[pageIndex].get();
        g.ActivePage = page;

        // Held here until the page owns it, so that a damaged record cannot leak it.
        std::unique_ptr<TfrView> created;
        try {
            created.reset(framedMemo ? frCreateObject(gtMemo, QString())
                                     : frCreateObject(tag, className));
        } catch (const EClassNotFound&) {
        }
        int64_t next = 0;
        if (v > 23) {
            const int64_t offsetPos = Stream->GetPosition();
            next = frReadInteger(Stream);
            checkNotShort();
            // The next record starts after this record's offset field and within the stream.
            if (next < offsetPos + 4 || next > size) throw EfrDamagedTemplate();
        } else if (!created) {
            // Without record offsets a view that cannot be created cannot be skipped.
            throw EfrDamagedTemplate();
        }
        if (TfrView* view = created.release()) {
            view->ParentPage = page;
            page->Objects.Add(view);
            try {
                view->LoadFromStream(Stream);
            } catch (const EfrDamagedTemplate&) {
                throw;
            } catch (const std::exception&) {
                bodyFailed = true;
            }
            view->SetPropValue(u"Name"_s, Variant(view->Name));
            if (framedMemo)
                for (int i = 0; i < 8; ++i)
                    frReadByte(Stream);
            checkNotShort();
        }
        if (next != 0) Stream->SetPosition(next);
    }
    g.ActivePage = nullptr;
    // Every template of the current version ends with its dictionary record; one that stops
    // before it was cut short, even when the cut falls between two records.
    if (v >= frCurrentVersion && !dictionaryRead) throw EfrDamagedTemplate();
    if (g.ErrorFlag) throw EClassNotFound(g.ErrorStr);
    for (auto& p : pages)
        for (int i = 0; i < p->Objects.Count(); ++i)
            p->GetObject(i)->AfterLoad();
    if (bodyFailed) throw EfrViewBodyError();
}

void TfrPages::SaveToStream(TStream* Stream) {
    frWriteWord(Stream, Parent->UseDefaultPrinter);
    frWriteWord(Stream, Parent->TwoPass);
    QString printer = Parent->PrinterName;
    if (printer == frLoadStr(SVirtualPrinter)) printer = VirtualPrinterMark;
    frSaveNamed(QStringLiteral("принтер"), [&] { frWriteString(Stream, printer); });
    for (auto& p : pages) {
        frWriteByte(Stream, 0xFF);
        frSaveNamed(p->Name, [&] { p->SaveToStream(Stream); });
    }
    for (int pi = 0; pi < Count(); ++pi) {
        TfrPage* p = pages[pi].get();
        for (int i = 0; i < p->Objects.Count(); ++i) {
            TfrView* view = p->GetObject(i);
            frWriteByte(Stream, view->Typ);
            if (view->Typ == gtAddIn) frWriteString(Stream, view->ClassName());
            frWriteByte(Stream, uint8_t(pi));
            const int64_t placeholder = Stream->GetPosition();
            frWriteInteger(Stream, 0);
            frSaveNamed(view->Name, [&] { view->SaveToStream(Stream); });
            const int64_t end = Stream->GetPosition();
            Stream->SetPosition(placeholder);
            frWriteInteger(Stream, int32_t(end));
            Stream->SetPosition(end);
        }
    }
    frWriteByte(Stream, 0xFE);
    Parent->Dictionary.SaveToStream(Stream);
}

// ---- TfrReport --------------------------------------------------------------------------

TfrReport::TfrReport(TComponent* AOwner) : TComponent(AOwner) {
    FileName = frLoadStr(SUntitled);
}

TfrReport::~TfrReport() {
    if (frEngineStarted()) {
        TfrGlobals& g = frGlobals();
        if (g.ActiveReport == this) g.ActiveReport = nullptr;
        if (g.RootReport == this) g.RootReport = nullptr;
        if (g.ConnectedReport == this) {
            g.ConnectedReport = nullptr;
            g.frParser.OnGetValue = nullptr;
            g.frParser.OnFunction = nullptr;
        }
    }
}

void TfrReport::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent == Dataset) Dataset = nullptr;
    TComponent::Notification(AComponent, Operation);
}

void TfrReport::Clear() {
    Pages.Clear();
    Dictionary.Clear();
    TwoPass = 0;
}

TfrView* TfrReport::FindObject(const QString& Name) {
    for (int i = 0; i < Pages.Count(); ++i)
        if (TfrView* v = Pages[i]->FindObject(Name)) return v;
    return nullptr;
}

void TfrReport::SetPrinterTo(const QString& PrnName) {
    if (UseDefaultPrinter == 0) {
        TfrPrinter* printer = frGlobalPrinter();
        const int i = printer->Printers.IndexOf(PrnName);
        if (i >= 0) printer->SelectPrinter(i);
    }
    PrinterName = PrnName;
}

bool TfrReport::LoadFromFile(const QString& AFileName) {
    if (!FileExists(AFileName)) return false;
    std::unique_ptr<TFileStream> f;
    try {
        f = std::make_unique<TFileStream>(AFileName, fmOpenRead | fmShareDenyWrite);
    } catch (const EFOpenError&) {
        return false; // present but unreadable: the report stays as it was
    }
    const bool ok = LoadFromStream(f.get());
    FileName = AFileName;
    return ok;
}

void TfrReport::SaveToFile(const QString& AFileName) {
    // Made whole in memory first: a refused save leaves the file as it was.
    TMemoryStream m;
    SaveToStream(&m);
    TFileStream f(AFileName, fmCreate);
    m.SaveToStream(&f);
}

bool TfrReport::LoadFromStream(TStream* Stream) {
    TfrGlobals& g = frGlobals();
    g.ActiveReport = this;
    Dictionary.Clear();
    const int64_t start = Stream->GetPosition();
    if (Stream->GetSize() - start <= 0) return true; // nothing to read: the report stays as it was
    g.ReadPastEnd = false;
    int v = frReadByte(Stream);
    if (v < 21) {
        v = 21;
        Stream->SetPosition(start);
    }
    g.ErrorFlag = false;
    g.ErrorStr.clear();
    const QString caption = frLoadStr(SError);
    auto show = [&](const QString& text) {
        if (g.ShowMessage) g.ShowMessage(text, caption);
    };
    if (v > frCurrentVersion) {
        show(frLoadStr(SFRFError));
        return false;
    }
    g.frVersion = v;
    bool ok = false;
    try {
        Pages.LoadFromStream(Stream);
        ok = true;
    } catch (const EClassNotFound&) {
        show(u"Report contains the following non-plugged components:\r"_s + g.ErrorStr +
             u"You must include these components into your project."_s);
    } catch (const EfrViewBodyError&) {
        // a view body could not be read; the rest of the template was
    } catch (const std::exception&) {
        show(frLoadStr(SFRFError));
        Clear();
        Pages.Add();
    }
    g.frVersion = frCurrentVersion;
    g.ActivePage = nullptr;
    return ok;
}

void TfrReport::SaveToStream(TStream* Stream) {
    frGlobals().ActiveReport = this;
    frWriteByte(Stream, frCurrentVersion);
    Pages.SaveToStream(Stream);
}
