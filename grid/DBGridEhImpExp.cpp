// The export walk, the text, CSV and interchange writers, and the clipboard commands.
#include "DBGridEhImpExp.h"

#include "Clipbrd.h"
#include "CodePages.h"
#include "DBGridEhInternal.h"
#include "Dialogs.h"
#include "Forms.h"
#include "ScopeGuard.h"
#include "SysUtils.h"

#include <cmath>

QChar DBGridEhCSVSeparator = u';';

// ---- the export walk ----------------------------------------------------------------------------

TDBGridEhExport::~TDBGridEhExport() = default;

void TDBGridEhExport::WriteAnsi(const QString& S) {
    WriteBytes(ToCodePage(S));
}

void TDBGridEhExport::WriteBytes(const QByteArray& Bytes) {
    if (!Bytes.isEmpty()) Stream->WriteBuffer(Bytes.constData(), Bytes.size());
}

void TDBGridEhExport::ExportToFile(const QString& FileName, bool IsExportAll) {
    TFileStream file(FileName, fmCreate);
    ExportToStream(&file, IsExportAll);
}

void TDBGridEhExport::ExportToStream(TStream* AStream, bool IsExportAll) {
    Stream = AStream;
    TCustomDBGridEh* g = DBGridEh;
    const TGridSelectionKindEh kind = IsExportAll ? gskAll : g->GetSelection()->GetSelectionType();
    if (kind == gskNone) return;
    TDataSet* ds = g->GetDataSource() ? g->GetDataSource()->GetDataSet() : nullptr;
    if (!ds || !ds->GetActive()) return;
    std::unique_ptr<TColumnsEhList> own;
    auto allocate = [&] {
        FooterValues.assign(size_t(g->GetFooterRowCount()) * size_t(ExportColumns->Count()), 0);
    };
    auto titles = [&] {
        if (g->GetOptions().Contains(dgTitles)) WriteTitle(ExportColumns);
    };
    ds->DisableControls();
    g->SavePosition();
    try {
        switch (kind) {
        case gskRecordBookmarks: {
            ExportColumns = g->GetVisibleColumns();
            allocate();
            WritePrefix();
            titles();
            TBookmarkListEh* rows = g->GetSelectedRows();
            for (int i = 0; i < rows->Count(); ++i) {
                // a record deleted meanwhile is passed over
                if (!ds->BookmarkValid(rows->GetItems(i))) continue;
                ds->GotoBookmark(rows->GetItems(i));
                CalcFooterValues();
                WriteRecord(ExportColumns);
            }
            break;
        }
        case gskRectangle: {
            TDBGridEhSelectionRect* r = g->GetSelection()->GetRect();
            own = std::make_unique<TColumnsEhList>();
            for (int i = r->GetLeftCol(); i <= r->GetRightCol(); ++i)
                if (TColumnEh* c = g->ColumnAt(i); c && c->GetVisible()) own->Add(c);
            ExportColumns = own.get();
            allocate();
            WritePrefix();
            titles();
            const TBookmark bottom = r->GetBottomRow();
            ds->GotoBookmark(r->GetTopRow());
            for (;;) {
                WriteRecord(ExportColumns);
                CalcFooterValues();
                if (ds->CompareBookmarks(ds->GetBookmark(), bottom) == 0) break;
                ds->Next();
                if (ds->GetEof()) break;
            }
            break;
        }
        case gskColumns:
        case gskAll:
            ExportColumns =
                kind == gskColumns ? g->GetSelection()->GetColumns() : g->GetVisibleColumns();
            allocate();
            WritePrefix();
            titles();
            ds->First();
            while (!ds->GetEof()) {
                WriteRecord(ExportColumns);
                CalcFooterValues();
                ds->Next();
            }
            break;
        case gskNone:
            break;
        }
        for (int f = 0; f < g->GetFooterRowCount(); ++f)
            WriteFooter(ExportColumns, f);
    } catch (...) {
        g->RestorePosition();
        ds->EnableControls();
        FooterValues.clear();
        ExportColumns = nullptr;
        throw;
    }
    g->RestorePosition();
    ds->EnableControls();
    WriteSuffix();
    FooterValues.clear();
    ExportColumns = nullptr;
}

TField* TDBGridEhExport::footerField(TColumnEh* Column, int FooterNo) const {
    TColumnFooterEh* f = Column->FooterForRow(FooterNo);
    TDataSet* ds = DBGridEh->GetDataSource()->GetDataSet();
    return ds->FindField(f->GetFieldName().isEmpty() ? Column->GetFieldName() : f->GetFieldName());
}

void TDBGridEhExport::CalcFooterValues() {
    const int n = ExportColumns->Count();
    for (int f = 0; f < DBGridEh->GetFooterRowCount(); ++f)
        for (int c = 0; c < n; ++c) {
            TColumnEh* col = ExportColumns->GetColumn(c);
            const TFooterValueType type = col->FooterForRow(f)->GetValueType();
            if (type != fvtSum && type != fvtCount) continue;
            TField* field = footerField(col, f);
            if (!field) continue;
            int64_t& entry = FooterValues[size_t(f * n + c)];
            if (type == fvtCount)
                entry += 10000;
            else if (!field->IsNull())
                entry = int64_t(std::nearbyint(double(entry) + field->GetAsFloat() * 10000.0));
        }
}

QString TDBGridEhExport::GetExportFooterValue(int FooterNo, int C) {
    TColumnEh* col = ExportColumns->GetColumn(C);
    const int64_t entry = FooterValues[size_t(FooterNo * ExportColumns->Count() + C)];
    switch (col->FooterForRow(FooterNo)->GetValueType()) {
    case fvtSum: {
        TField* field = footerField(col, FooterNo);
        if (!field) return QString();
        switch (field->GetDataType()) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftFloat:
        case ftCurrency:
        case ftBCD:
            return FooterTotalText(field, double(entry) / 10000.0);
        default:
            return QString();
        }
    }
    case fvtCount:
        return FloatToStr(double(entry) / 10000.0);
    default:
        return QString();
    }
}

TColor TDBGridEhExport::CellParams(TColumnEh* Column, TFont* AFont) {
    AFont->Assign(Column->GetFont());
    TColor background = Column->GetColor();
    DBGridEh->GetCellParams(Column, AFont, background, TGridDrawState{});
    return background;
}

void TDBGridEhExport::FooterParams(TColumnEh* Column, int FooterNo, int C, TFont* AFont,
                                   TColor& Background, TAlignment& Alignment, QString& Text) {
    TColumnFooterEh* footer = Column->FooterForRow(FooterNo);
    AFont->Assign(footer->GetFont());
    Background = footer->GetColor();
    Alignment = footer->GetAlignment();
    const TFooterValueType type = footer->GetValueType();
    Text = type == fvtSum || type == fvtCount ? GetExportFooterValue(FooterNo, C)
                                              : DBGridEh->GetFooterValue(FooterNo, Column);
    DBGridEh->GetFooterParams(Column->GetIndex(), FooterNo, Column, AFont, Background, Alignment,
                              TGridDrawState{}, Text);
}

void TDBGridEhExport::WriteRecord(TColumnsEhList* Columns) {
    TFont font;
    for (int i = 0; i < Columns->Count(); ++i) {
        TColumnEh* c = Columns->GetColumn(i);
        const TColor background = CellParams(c, &font);
        WriteDataCell(c, &font, background);
    }
}

void TDBGridEhExport::WriteFooter(TColumnsEhList* Columns, int FooterNo) {
    TFont font;
    for (int i = 0; i < Columns->Count(); ++i) {
        TColumnEh* c = Columns->GetColumn(i);
        TColor background = clWindow;
        TAlignment alignment = taLeftJustify;
        QString text;
        FooterParams(c, FooterNo, i, &font, background, alignment, text);
        WriteFooterCell(i, FooterNo, c, &font, background, alignment, text);
    }
}

void ExportGridToStream(TDBGridEhExport& Exporter, TCustomDBGridEh* Grid, TStream* Stream,
                        bool IsExportAll) {
    Exporter.DBGridEh = Grid;
    Exporter.ExportToStream(Stream, IsExportAll);
}

// ---- text and CSV -------------------------------------------------------------------------------

void TDBGridEhExportAsText::ExportToStream(TStream* AStream, bool IsExportAll) {
    firstRow = true;
    TDBGridEhExport::ExportToStream(AStream, IsExportAll);
}

void TDBGridEhExportAsText::WriteRowSeparator() {
    if (firstRow)
        firstRow = false;
    else
        WriteAnsi(QStringLiteral("\r\n"));
}

void TDBGridEhExportAsText::WriteCellSeparator() {
    if (firstCell)
        firstCell = false;
    else
        WriteAnsi(QStringLiteral("\t"));
}

void TDBGridEhExportAsText::WriteTitle(TColumnsEhList* Columns) {
    WriteRowSeparator();
    firstCell = true;
    for (int i = 0; i < Columns->Count(); ++i) {
        WriteCellSeparator();
        WriteAnsi(CellText(Columns->GetColumn(i)->GetTitle()->GetCaption()));
    }
}

void TDBGridEhExportAsText::WriteRecord(TColumnsEhList* Columns) {
    WriteRowSeparator();
    firstCell = true;
    TDBGridEhExport::WriteRecord(Columns);
}

void TDBGridEhExportAsText::WriteDataCell(TColumnEh* Column, TFont*, TColor) {
    WriteCellSeparator();
    WriteAnsi(CellText(Column->GetDisplayText()));
}

void TDBGridEhExportAsText::WriteFooter(TColumnsEhList* Columns, int FooterNo) {
    WriteRowSeparator();
    firstCell = true;
    TDBGridEhExport::WriteFooter(Columns, FooterNo);
}

void TDBGridEhExportAsText::WriteFooterCell(int, int, TColumnEh*, TFont*, TColor, TAlignment,
                                            const QString& Text) {
    WriteCellSeparator();
    WriteAnsi(CellText(Text));
}

void TDBGridEhExportAsCSV::WriteCellSeparator() {
    if (firstCell)
        firstCell = false;
    else
        WriteAnsi(QString(Separator));
}

QString TDBGridEhExportAsCSV::CellText(const QString& Text) {
    return AnsiQuotedStr(Text, u'"');
}

// ---- the interchange writer ---------------------------------------------------------------------

namespace {

enum : uint8_t { tagEnd, tagNoValue, tagNull, tagInteger, tagDouble, tagText, tagBytes };

const char kSignature[] = "VCLDBIF";

uint8_t tagOf(TFieldType Type) {
    switch (Type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        return tagInteger;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
        return tagDouble;
    case ftString:
    case ftBoolean:
    case ftMemo:
    case ftFixedChar:
    case ftLargeint:
    case ftOraClob:
    case ftGuid:
        return tagText;
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftWideString:
    case ftOraBlob:
        return tagBytes;
    default:
        return tagNoValue;
    }
}

// The field a column's value is read from or written to: the key field of a lookup field.
TField* valueFieldOf(TColumnEh* Column) {
    TField* f = Column->GetField();
    if (f && f->GetFieldKind() == fkLookup)
        return f->GetKeyFields().isEmpty() ? nullptr
                                           : f->GetDataSet()->FindField(f->GetKeyFields());
    return f;
}

} // namespace

void TDBGridEhExportAsVCLDBIF::WritePrefix() {
    WriteBytes(QByteArray(kSignature, 7));
    Stream->WriteByte(1);
    Stream->WriteInt32(ExportColumns->Count());
    for (int i = 0; i < ExportColumns->Count(); ++i) {
        Stream->WriteByte(ExportColumns->GetColumn(i)->GetVisible() ? 1 : 0);
        Stream->WriteByte(0);
    }
}

void TDBGridEhExportAsVCLDBIF::WriteSuffix() {
    Stream->WriteByte(tagEnd);
}

void TDBGridEhExportAsVCLDBIF::WriteDataCell(TColumnEh* Column, TFont*, TColor) {
    TField* f = valueFieldOf(Column);
    if (!f) {
        Stream->WriteByte(tagNoValue);
        return;
    }
    if (f->IsNull()) {
        Stream->WriteByte(tagNull);
        return;
    }
    const uint8_t tag = tagOf(f->GetDataType());
    Stream->WriteByte(tag);
    switch (tag) {
    case tagInteger:
        Stream->WriteInt32(f->GetAsInteger());
        break;
    case tagDouble:
        Stream->WriteDouble(f->GetAsFloat());
        break;
    case tagText:
    case tagBytes: {
        auto* blob = dynamic_cast<TBlobField*>(f);
        const QByteArray bytes = tag == tagBytes && blob && !dynamic_cast<TMemoField*>(f)
                                     ? blob->GetAsBytes()
                                     : ToCodePage(f->GetAsString());
        Stream->WriteInt32(int32_t(bytes.size()));
        WriteBytes(bytes);
        break;
    }
    default:
        break;
    }
}

// ---- the clipboard ------------------------------------------------------------------------------

uint16_t CF_VCLDBIF() {
    static const uint16_t f = RegisterClipboardFormat(QStringLiteral("VCLDBIF"));
    return f;
}

uint16_t CF_CSV() {
    static const uint16_t f = RegisterClipboardFormat(QStringLiteral("Csv"));
    return f;
}

uint16_t CF_RICH_TEXT_FORMAT() {
    static const uint16_t f = RegisterClipboardFormat(QStringLiteral("Rich Text Format"));
    return f;
}

void PutStreamToClipboard(uint16_t Format, TMemoryStream* Stream) {
    TClipboard* cb = Clipboard();
    cb->Open();
    TScopeGuard close([cb] { cb->Close(); });
    QByteArray bytes = Stream->GetBytes();
    // the system's text is a string: its terminating zero stays on this side
    if (Format == CF_TEXT && bytes.endsWith('\0')) bytes.chop(1);
    cb->SetAsHandle(Format, bytes);
    close.End();
}

void GetClipboardFormatToStream(uint16_t Format, TStream* Stream) {
    TClipboard* cb = Clipboard();
    cb->Open();
    TScopeGuard close([cb] { cb->Close(); });
    if (cb->HasFormat(Format)) Stream->WriteBytes(cb->GetAsHandle(Format));
    close.End();
}

namespace {

// Clipboard text ends at its first zero byte.
QByteArray untilZero(QByteArray Text) {
    if (const qsizetype zero = Text.indexOf('\0'); zero >= 0) Text.truncate(zero);
    return Text;
}

TDataSet* gridDataSet(TCustomDBGridEh* Grid) {
    TDataSource* src = Grid->GetDataSource();
    return src ? src->GetDataSet() : nullptr;
}

} // namespace

void GridCopyToClipboard(TCustomDBGridEh* Grid, bool ForWholeGrid) {
    TClipboard* cb = Clipboard();
    TDataSet* ds = gridDataSet(Grid);
    cb->Open();
    if (ds) ds->DisableControls();
    TScopeGuard close([&] {
        cb->Close();
        if (ds) ds->EnableControls();
    });
    cb->Clear();
    TMemoryStream ms;
    auto put = [&](TDBGridEhExport&& Exporter, uint16_t Format, bool Terminated) {
        ms.Clear();
        ExportGridToStream(Exporter, Grid, &ms, ForWholeGrid);
        if (Terminated) ms.WriteByte(0);
        PutStreamToClipboard(Format, &ms);
    };
    put(TDBGridEhExportAsText(), CF_TEXT, true);
    put(TDBGridEhExportAsCSV(), CF_CSV(), true);
    put(TDBGridEhExportAsRTF(), CF_RICH_TEXT_FORMAT(), true);
    put(TDBGridEhExportAsVCLDBIF(), CF_VCLDBIF(), false);
    close.End();
}

void GridCutToClipboard(TCustomDBGridEh* Grid, bool ForWholeGrid) {
    GridCopyToClipboard(Grid, ForWholeGrid);
    GridDeleteSelection(Grid, ForWholeGrid);
}

void GridPasteFromClipboard(TCustomDBGridEh* Grid, bool ForWholeGrid) {
    TClipboard* cb = Clipboard();
    cb->Open();
    TScopeGuard close([cb] { cb->Close(); });
    TMemoryStream ms;
    if (cb->HasFormat(CF_VCLDBIF())) {
        GetClipboardFormatToStream(CF_VCLDBIF(), &ms);
        ms.SetPosition(0);
        ImportGridFromStream<TDBGridEhImportAsVCLDBIF>(Grid, &ms, ForWholeGrid);
    } else if (cb->HasFormat(CF_CSV())) {
        GetClipboardFormatToStream(CF_CSV(), &ms);
        ms.SetBytes(untilZero(ms.GetBytes()));
        ImportGridFromStream<TDBGridEhImportAsCSV>(Grid, &ms, ForWholeGrid);
    } else if (cb->HasFormat(CF_TEXT)) {
        GetClipboardFormatToStream(CF_TEXT, &ms);
        ms.SetBytes(untilZero(ms.GetBytes()));
        ImportGridFromStream<TDBGridEhImportAsText>(Grid, &ms, ForWholeGrid);
    }
    close.End();
}

// ---- deleting the selection ---------------------------------------------------------------------

namespace {

// Clears the cells of the current record under the columns that may change.
void clearCells(TColumnsEhList* Columns) {
    for (int i = 0; i < Columns->Count(); ++i) {
        TColumnEh* c = Columns->GetColumn(i);
        if (!c->CanModify(false)) continue;
        TField* target = valueFieldOf(c);
        if (!target) continue;
        TDataSet* ds = target->GetDataSet();
        if (!ds->CanModify()) continue;
        ds->Edit();
        if (ds->GetState() == dsEdit || ds->GetState() == dsInsert) target->Clear();
    }
}

QString deleteQuestion(TCustomDBGridEh* Grid, TGridSelectionKindEh Kind) {
    switch (Kind) {
    case gskRecordBookmarks:
        return Grid->GetSelectedRows()->Count() > 1 ? QStringLiteral("Delete all selected records?")
                                                    : QStringLiteral("Delete record?");
    case gskRectangle:
    case gskColumns:
        return QStringLiteral("Clear selected cells?");
    case gskAll:
        return QStringLiteral("Delete all records?");
    case gskNone:
        break;
    }
    return QString();
}

} // namespace

void GridDeleteSelection(TCustomDBGridEh* Grid, bool ForWholeGrid) {
    TDBGridEhSelection* sel = Grid->GetSelection();
    const TGridSelectionKindEh kind = ForWholeGrid ? gskAll : sel->GetSelectionType();
    TDataSet* ds = gridDataSet(Grid);
    if (kind == gskNone || !ds) return;
    if (Grid->GetOptions().Contains(dgConfirmDelete) &&
        MessageDlg(deleteQuestion(Grid, kind), mtConfirmation, mbOKCancel(), 0) != mrOk)
        return;
    Grid->SavePosition();
    ds->DisableControls();
    TScopeGuard enable([ds] { ds->EnableControls(); });
    switch (kind) {
    case gskRecordBookmarks:
        // last to first, each leaving the list as it goes
        Grid->GetSelectedRows()->Delete();
        break;
    case gskRectangle: {
        TDBGridEhSelectionRect* r = sel->GetRect();
        TColumnsEhList cols;
        for (int i = r->GetLeftCol(); i <= r->GetRightCol(); ++i)
            if (TColumnEh* c = Grid->ColumnAt(i); c && c->GetVisible()) cols.Add(c);
        const TBookmark bottom = r->GetBottomRow();
        ds->GotoBookmark(r->GetTopRow());
        for (;;) {
            clearCells(&cols);
            if (ds->CompareBookmarks(ds->GetBookmark(), bottom) == 0) break;
            ds->Next();
            if (ds->GetEof()) break;
        }
        Grid->RestorePosition();
        break;
    }
    case gskColumns:
        ds->First();
        while (!ds->GetEof()) {
            clearCells(sel->GetColumns());
            ds->Next();
        }
        Grid->RestorePosition();
        break;
    case gskAll:
        ds->First();
        while (!ds->GetEof())
            ds->Delete();
        if (sel->GetSelectionType() == gskAll) sel->Clear();
        break;
    case gskNone:
        break;
    }
    enable.End();
}
