// The import walk, the tab-separated text reader and the interchange reader.
#include "CodePages.h"
#include "DBGridEhImpExp.h"
#include "Dialogs.h"
#include "Forms.h"
#include "ScopeGuard.h"
#include "SysUtils.h"

#include <cstring>

// ---- the import walk ----------------------------------------------------------------------------

TDBGridEhImport::~TDBGridEhImport() = default;

void TDBGridEhImport::ImportFromFile(const QString& FileName, bool IsImportAll) {
    TFileStream file(FileName, fmOpenRead);
    ImportFromStream(&file, IsImportAll);
}

void TDBGridEhImport::ImportFromStream(TStream* AStream, bool IsImportAll) {
    Stream = AStream;
    Eof = false;
    TCustomDBGridEh* g = DBGridEh;
    TDataSet* ds = g->GetDataSource() ? g->GetDataSource()->GetDataSet() : nullptr;
    if (!ds || !ds->GetActive()) return;
    if (IsImportAll) {
        g->GetSelection()->Clear();
        ds->First();
        if (g->GetVisibleColumns()->Count() > 0)
            g->SetSelectedIndex(g->GetVisibleColumns()->GetColumn(0)->GetIndex());
    }
    bool atEnd = ds->GetEof();
    bool inserting = ds->GetState() == dsInsert;
    if (!inserting) g->SavePosition();
    ds->DisableControls();
    std::unique_ptr<TColumnsEhList> own;
    auto visibleFrom = [&](int From, int To) {
        own = std::make_unique<TColumnsEhList>();
        for (int i = std::max(0, From); i <= To; ++i)
            if (TColumnEh* c = g->ColumnAt(i); c && c->GetVisible()) own->Add(c);
        return own.get();
    };
    TScopeGuard restore([&] {
        if (!inserting) g->RestorePosition();
        ds->EnableControls();
        ImportColumns = nullptr;
    });
    TDBGridEhSelection* sel = g->GetSelection();
    switch (sel->GetSelectionType()) {
    case gskNone:
        ImportColumns = visibleFrom(g->GetSelectedIndex(), g->GetColumns()->Count() - 1);
        ReadPrefix();
        if (inserting) {
            appendRecords(atEnd);
            break;
        }
        g->RestorePosition();
        while (!ds->GetEof() && !Eof) {
            ReadRecord(ImportColumns);
            ds->Next();
        }
        if (g->GetAllowedOperations().Contains(alopAppendEh)) {
            inserting = true;
            atEnd = true;
            appendRecords(true);
        }
        break;
    case gskRecordBookmarks: {
        ImportColumns = g->GetVisibleColumns();
        ReadPrefix();
        if (inserting) {
            appendRecords(atEnd);
            break;
        }
        // the list may change as records post; walk a copy
        std::vector<TBookmark> marks;
        for (int i = 0; i < g->GetSelectedRows()->Count(); ++i)
            marks.push_back(g->GetSelectedRows()->GetItems(i));
        for (const TBookmark& b : marks) {
            if (Eof) break;
            if (!ds->BookmarkValid(b)) continue;
            ds->GotoBookmark(b);
            ReadRecord(ImportColumns);
        }
        break;
    }
    case gskRectangle: {
        TDBGridEhSelectionRect* r = sel->GetRect();
        ImportColumns = visibleFrom(r->GetLeftCol(), r->GetRightCol());
        ReadPrefix();
        if (inserting) {
            appendRecords(atEnd);
            break;
        }
        const TBookmark bottom = r->GetBottomRow();
        ds->GotoBookmark(r->GetTopRow());
        while (!Eof) {
            ReadRecord(ImportColumns);
            if (ds->CompareBookmarks(ds->GetBookmark(), bottom) == 0) break;
            ds->Next();
            if (ds->GetEof()) break;
        }
        break;
    }
    case gskColumns:
    case gskAll:
        ImportColumns =
            sel->GetSelectionType() == gskColumns ? sel->GetColumns() : g->GetVisibleColumns();
        ReadPrefix();
        if (inserting) {
            appendRecords(atEnd);
            break;
        }
        ds->First();
        while (!ds->GetEof() && !Eof) {
            ReadRecord(ImportColumns);
            ds->Next();
        }
        break;
    }
    restore.End();
    ReadSuffix();
}

void TDBGridEhImport::appendRecords(bool AtEnd) {
    TDataSet* ds = DBGridEh->GetDataSource()->GetDataSet();
    while (!Eof) {
        if (AtEnd)
            ds->Append();
        else
            ds->Insert();
        try {
            ReadRecord(ImportColumns);
            ds->Post();
        } catch (...) {
            // the half-written record goes
            if (ds->GetState() == dsInsert) ds->Cancel();
            throw;
        }
        if (!AtEnd) ds->Next();
    }
}

void TDBGridEhImport::ReadRecord(TColumnsEhList* Columns) {
    for (int i = 0; i < Columns->Count(); ++i)
        ReadDataCell(Columns->GetColumn(i));
}

TField* TDBGridEhImport::EditTarget(TColumnEh* Column) {
    if (!Column || !Column->CanModify(false)) return nullptr;
    TField* f = Column->GetField();
    if (!f) return nullptr;
    if (f->GetFieldKind() == fkLookup) {
        if (f->GetKeyFields().isEmpty()) return nullptr;
        f = f->GetDataSet()->FindField(f->GetKeyFields());
        if (!f) return nullptr;
    }
    TDataSet* ds = f->GetDataSet();
    if (!ds->CanModify()) return nullptr;
    ds->Edit();
    return ds->GetState() == dsEdit || ds->GetState() == dsInsert ? f : nullptr;
}

void TDBGridEhImport::GuardedAssign(const std::function<void()>& Assign) {
    try {
        Assign();
    } catch (EAbort&) {
        throw;
    } catch (Exception& e) {
        if (IgnoreAllErrors) return;
        const TModalResult r = MessageDlg(QStringLiteral("Error during insert value: \n") +
                                              e.Message + QStringLiteral("\n\nIgnore error?"),
                                          mtError, TMsgDlgButtons{mbYes, mbNo, mbAll}, 0);
        if (r == mrYes) return;
        if (r == mrAll) {
            IgnoreAllErrors = true;
            return;
        }
        // No: the record being written is not kept
        TDataSet* ds = DBGridEh->GetDataSource()->GetDataSet();
        if (ds->GetState() == dsEdit || ds->GetState() == dsInsert) ds->Cancel();
        Abort();
    }
}

void TDBGridEhImport::AssignText(TColumnEh* Column, const QString& Text) {
    TField* lookup = Column && Column->GetField() && Column->GetField()->GetFieldKind() == fkLookup
                         ? Column->GetField()
                         : nullptr;
    TField* target = EditTarget(Column);
    if (!target) return;
    GuardedAssign([&] {
        if (lookup) {
            TDataSet* list = lookup->GetLookupDataSet();
            if (!list) return;
            // the exact key first (whatever its case), then the first one it begins
            const QString result = lookup->GetLookupResultField();
            if (list->Locate(result, Text, TLocateOptions{loCaseInsensitive}) ||
                list->Locate(result, Text, TLocateOptions{loCaseInsensitive, loPartialKey}))
                target->SetValue(list->FieldByName(lookup->GetLookupKeyFields())->GetValue());
        } else if (Column->GetColumnType() == ctkKeyPickList) {
            const int i = Column->GetPickList()->IndexOf(Text);
            if (i < 0 || i >= Column->GetKeyList()->Count())
                target->Clear();
            else
                target->SetAsString(Column->GetKeyList()->GetStrings(i));
        } else {
            target->SetAsString(Text);
        }
    });
}

void ImportGridFromStream(TDBGridEhImport& Importer, TCustomDBGridEh* Grid, TStream* Stream,
                          bool IsImportAll) {
    Importer.DBGridEh = Grid;
    Importer.ImportFromStream(Stream, IsImportAll);
}

// ---- the text reader ----------------------------------------------------------------------------

namespace {

[[noreturn]] void invalidText() {
    throw Exception(QStringLiteral("TDBGridEhImportAsText.CheckState: Invalid text format"));
}

} // namespace

void TDBGridEhImportAsText::ImportFromStream(TStream* AStream, bool IsImportAll) {
    IgnoreAllErrors = false;
    // a CR without its LF is refused before anything is written
    TMemoryStream text;
    text.SetBytes(AStream->ReadAll());
    const QByteArray bytes = text.GetBytes();
    for (qsizetype i = bytes.indexOf('\r'); i >= 0; i = bytes.indexOf('\r', i + 1))
        if (i + 1 >= bytes.size() || bytes[i + 1] != '\n') invalidText();
    TDBGridEhImport::ImportFromStream(&text, IsImportAll);
}

bool TDBGridEhImportAsText::readChar() {
    return Stream->Read(&current, 1) == 1;
}

TDBGridEhImportAsText::TState TDBGridEhImportAsText::checkState() {
    if (!readChar()) {
        state = tsEnd;
        Eof = true;
    } else if (current == '\t') {
        state = tsTab;
    } else if (current == '\r') {
        if (!readChar() || current != '\n') invalidText();
        state = tsLineEnd;
    } else {
        state = tsChar;
    }
    return state;
}

TDBGridEhImportAsText::TState TDBGridEhImportAsText::readCellText(QByteArray& S) {
    S = QByteArray(1, char(current));
    while (checkState() == tsChar)
        S += char(current);
    const TState ended = state;
    if (ended == tsTab) checkState();
    return ended;
}

void TDBGridEhImportAsText::ReadPrefix() {
    checkState();
}

void TDBGridEhImportAsText::ReadRecord(TColumnsEhList* Columns) {
    if (state == tsEnd) return;
    int i = 0;
    if (state == tsChar) {
        readCellText(cellText);
        if (Columns->Count() > 0) ReadDataCell(Columns->GetColumn(0));
        i = 1;
    }
    while (state == tsChar || state == tsTab) {
        if (state == tsTab) {
            cellText.clear();
            checkState();
        } else {
            readCellText(cellText);
        }
        if (i < Columns->Count()) ReadDataCell(Columns->GetColumn(i));
        ++i;
    }
    if (state == tsLineEnd || state == tsEnd) checkState();
}

void TDBGridEhImportAsText::ReadDataCell(TColumnEh* Column) {
    AssignText(Column, FromCodePage(cellText));
}

// ---- the CSV reader -----------------------------------------------------------------------------

std::vector<QStringList> ParseCSV(const QByteArray& Bytes, QChar Separator) {
    auto bad = [] {
        throw Exception(QStringLiteral("TDBGridEhImportAsCSV.ReadPrefix: Invalid CSV format"));
    };
    const char sep = CharToCodePage(Separator);
    std::vector<QStringList> records;
    QStringList cells;
    const qsizetype size = Bytes.size();
    qsizetype i = 0;
    while (i < size) {
        QByteArray cell;
        const bool quoted = Bytes[i] == '"';
        if (quoted) {
            ++i;
            for (;;) {
                if (i >= size) bad(); // the quote is never closed
                if (Bytes[i] == '"') {
                    if (i + 1 < size && Bytes[i + 1] == '"') {
                        cell += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                cell += Bytes[i++];
            }
        } else {
            while (i < size && Bytes[i] != sep && Bytes[i] != '\r' && Bytes[i] != '\n')
                cell += Bytes[i++];
        }
        cells << FromCodePage(cell);
        if (i >= size) break;
        if (Bytes[i] == sep) {
            ++i;
            if (i >= size) cells << QString(); // an empty last cell
            continue;
        }
        if (Bytes[i] == '\r') {
            if (i + 1 >= size || Bytes[i + 1] != '\n') bad();
            ++i;
        }
        if (Bytes[i] != '\n') bad(); // something after a closing quote
        ++i;
        // an empty line is a record without cells
        if (cells.size() == 1 && !quoted && cells[0].isEmpty()) cells.clear();
        records.push_back(cells);
        cells.clear();
    }
    if (!cells.isEmpty()) records.push_back(cells);
    return records;
}

void TDBGridEhImportAsCSV::ImportFromStream(TStream* AStream, bool IsImportAll) {
    IgnoreAllErrors = false;
    records = ParseCSV(AStream->ReadAll(), Separator);
    TDBGridEhImport::ImportFromStream(AStream, IsImportAll);
}

void TDBGridEhImportAsCSV::ReadPrefix() {
    next = 0;
    Eof = records.empty();
}

void TDBGridEhImportAsCSV::ReadRecord(TColumnsEhList* Columns) {
    if (Eof) return;
    const QStringList& cells = records[next++];
    for (int i = 0; i < cells.size() && i < Columns->Count(); ++i)
        AssignText(Columns->GetColumn(i), cells[i]);
    Eof = next >= records.size();
}

// ---- the interchange reader ---------------------------------------------------------------------

namespace {

[[noreturn]] void badPrefix() {
    throw Exception(QStringLiteral("TDBGridEhImportAsVCLDBIF.ReadPrefix: Invalid VCLDBIF format"));
}

[[noreturn]] void badCell() {
    throw Exception(
        QStringLiteral("TDBGridEhImportAsVCLDBIF.ReadDataCell: Invalid VCLDBIF format"));
}

int32_t int32At(const QByteArray& B, qsizetype Pos) {
    int32_t v = 0;
    std::memcpy(&v, B.constData() + Pos, 4); // little-endian, as the platforms it runs on
    return v;
}

} // namespace

TVCLDBIFData ParseVCLDBIF(const QByteArray& Bytes) {
    TVCLDBIFData d;
    const qsizetype size = Bytes.size();
    if (size < 12 || std::memcmp(Bytes.constData(), "VCLDBIF", 7) != 0) badPrefix();
    d.Version = uint8_t(Bytes[7]);
    const int32_t n = int32At(Bytes, 8);
    // every header takes at least two bytes
    if (n < 0 || n > (size - 12) / 2) badPrefix();
    d.ColumnCount = n;
    qsizetype pos = 12;
    for (int i = 0; i < n; ++i) {
        d.ColumnFlags.push_back(uint8_t(Bytes[pos++]));
        const qsizetype zero = Bytes.indexOf('\0', pos);
        if (zero < 0) badPrefix();
        d.ColumnNames << FromCodePage(Bytes.mid(pos, zero - pos));
        pos = zero + 1;
    }
    auto need = [&](qsizetype Count) {
        if (Count < 0 || Count > size - pos) badCell();
    };
    for (;;) {
        need(1);
        const uint8_t tag = uint8_t(Bytes[pos++]);
        if (tag == 0) break;
        Variant v;
        QByteArray raw;
        switch (tag) {
        case 1:
            break;
        case 2:
            v = Null();
            break;
        case 3:
            need(4);
            v = Variant(int(int32At(Bytes, pos)));
            pos += 4;
            break;
        case 4: {
            need(8);
            double x = 0;
            std::memcpy(&x, Bytes.constData() + pos, 8);
            v = Variant(x);
            pos += 8;
            break;
        }
        case 5:
        case 6: {
            need(4);
            const int32_t len = int32At(Bytes, pos);
            pos += 4;
            need(len);
            raw = Bytes.mid(pos, len);
            v = Variant(FromCodePage(raw));
            pos += len;
            break;
        }
        default:
            badCell();
        }
        d.Tags.push_back(tag);
        d.Cells.push_back(v);
        d.RawCells.push_back(raw);
    }
    // whole records and nothing after the end
    if (pos != size) badCell();
    if (n == 0 ? !d.Cells.empty() : d.Cells.size() % size_t(n) != 0) badCell();
    return d;
}

void TDBGridEhImportAsVCLDBIF::ImportFromStream(TStream* AStream, bool IsImportAll) {
    IgnoreAllErrors = false;
    // everything is checked before the first field changes
    data = ParseVCLDBIF(AStream->ReadAll());
    TDBGridEhImport::ImportFromStream(AStream, IsImportAll);
}

void TDBGridEhImportAsVCLDBIF::readValue() {
    if (Eof) return;
    value = Variant();
    raw.clear();
    if (next >= data.Cells.size()) {
        Eof = true;
        return;
    }
    value = data.Cells[next];
    raw = data.RawCells[next];
    tag = data.Tags[next];
    ++next;
}

void TDBGridEhImportAsVCLDBIF::ReadPrefix() {
    next = 0;
    readValue();
}

void TDBGridEhImportAsVCLDBIF::ReadRecord(TColumnsEhList* Columns) {
    for (int i = 0; i < data.ColumnCount; ++i)
        ReadDataCell(i < Columns->Count() ? Columns->GetColumn(i) : nullptr);
}

void TDBGridEhImportAsVCLDBIF::ReadDataCell(TColumnEh* Column) {
    if (!VarIsEmpty(value) && Column) {
        if (TField* target = EditTarget(Column)) {
            GuardedAssign([&] {
                auto* blob = dynamic_cast<TBlobField*>(target);
                if (value.IsNull())
                    target->Clear();
                else if (tag == 6 && blob && !dynamic_cast<TMemoField*>(target))
                    blob->SetAsBytes(raw);
                else
                    target->SetValue(value);
            });
        }
    }
    readValue();
}
