// The grid's contents in and out: exporters that write the selected part of a grid (or all of it)
// as tab-separated text, CSV, an RTF table or the grid's own binary interchange format; importers
// that write tab-separated text or interchange data into the selected cells (or from the current
// cell downwards, appending records); and the clipboard commands built on them.
//
// Text, CSV and RTF are written in Windows-1251, as the clipboard's 8-bit text is. The interchange
// format ("VCLDBIF") is little-endian: the 7 signature bytes, a version byte, a 32-bit column
// count N, N column headers (a flag byte and a name ended by a zero byte), then N typed cells per
// record and an end tag 0.
#pragma once

#include "DBGridEh.h"
#include "Streams.h"

#include <QByteArray>
#include <memory>
#include <vector>

// ---- exporters ----------------------------------------------------------------------------------

// The walk over the exported part of a grid: the selection (records, a rectangle, columns, all)
// or, with IsExportAll, every record of every visible column; the title row, the records and
// the footer rows. Each format overrides the writing steps it needs.
class TDBGridEhExport : public TObject {
    KADRION_CLASS(TDBGridEhExport)
    TDBGridEhExport() = default;
    ~TDBGridEhExport() override;

    TCustomDBGridEh* DBGridEh = nullptr;
    TStream* Stream = nullptr;
    // The columns being written, in order (valid during an export).
    TColumnsEhList* ExportColumns = nullptr;
    // The export's own sum and count totals (value x 10000): footer row F, export column C at
    // F * column count + C.
    std::vector<int64_t> FooterValues;

    virtual void ExportToStream(TStream* AStream, bool IsExportAll);
    // Creates the file anew (an existing one is truncated) and exports into it.
    void ExportToFile(const QString& FileName, bool IsExportAll);

protected:
    virtual void WritePrefix() {}
    virtual void WriteSuffix() {}
    virtual void WriteTitle(TColumnsEhList* Columns) { (void)Columns; }
    virtual void WriteRecord(TColumnsEhList* Columns);
    virtual void WriteDataCell(TColumnEh* Column, TFont* AFont, TColor Background) {
        (void)Column, (void)AFont, (void)Background;
    }
    virtual void WriteFooter(TColumnsEhList* Columns, int FooterNo);
    virtual void WriteFooterCell(int DataCol, int Row, TColumnEh* Column, TFont* AFont,
                                 TColor Background, TAlignment Alignment, const QString& Text) {
        (void)DataCol, (void)Row, (void)Column, (void)AFont, (void)Background, (void)Alignment,
            (void)Text;
    }
    // Adds the current record to the export's own totals.
    void CalcFooterValues();
    // The text of a sum or count footer from the export's own totals.
    QString GetExportFooterValue(int FooterNo, int C);
    // The record cell's colour and font after the grid's OnGetCellParams.
    TColor CellParams(TColumnEh* Column, TFont* AFont);
    // A footer cell's look and text after the grid's OnGetFooterParams.
    void FooterParams(TColumnEh* Column, int FooterNo, int C, TFont* AFont, TColor& Background,
                      TAlignment& Alignment, QString& Text);
    // Writes text in Windows-1251.
    void WriteAnsi(const QString& S);
    void WriteBytes(const QByteArray& Bytes);

private:
    TField* footerField(TColumnEh* Column, int FooterNo) const;
};

// Tab-separated text: rows joined by CR LF (none after the last), cells by TAB; values as they
// are.
class TDBGridEhExportAsText : public TDBGridEhExport {
    KADRION_CLASS(TDBGridEhExportAsText)
    void ExportToStream(TStream* AStream, bool IsExportAll) override;

protected:
    void WriteTitle(TColumnsEhList* Columns) override;
    void WriteRecord(TColumnsEhList* Columns) override;
    void WriteDataCell(TColumnEh* Column, TFont* AFont, TColor Background) override;
    void WriteFooter(TColumnsEhList* Columns, int FooterNo) override;
    void WriteFooterCell(int DataCol, int Row, TColumnEh* Column, TFont* AFont, TColor Background,
                         TAlignment Alignment, const QString& Text) override;
    virtual void WriteRowSeparator();
    virtual void WriteCellSeparator();
    // A cell's text as this format writes it.
    virtual QString CellText(const QString& Text) { return Text; }
    bool firstRow = true;
    bool firstCell = true;
};

// The CSV separator every CSV export starts with.
extern QChar DBGridEhCSVSeparator;

// CSV: every text in double quotes with its double quotes doubled, cells joined by Separator.
class TDBGridEhExportAsCSV : public TDBGridEhExportAsText {
    KADRION_CLASS(TDBGridEhExportAsCSV)
    TDBGridEhExportAsCSV() : Separator(DBGridEhCSVSeparator) {}
    QChar Separator;

protected:
    void WriteCellSeparator() override;
    QString CellText(const QString& Text) override;
};

// An RTF table: one table row per grid row, cell widths from the column widths, the grid's
// fonts, colours, alignments and borders, multi-line titles as several rows.
class TDBGridEhExportAsRTF : public TDBGridEhExport {
    KADRION_CLASS(TDBGridEhExportAsRTF)
    void ExportToStream(TStream* AStream, bool IsExportAll) override;

protected:
    void WriteSuffix() override;
    void WriteTitle(TColumnsEhList* Columns) override;
    void WriteRecord(TColumnsEhList* Columns) override;
    void WriteDataCell(TColumnEh* Column, TFont* AFont, TColor Background) override;
    void WriteFooter(TColumnsEhList* Columns, int FooterNo) override;
    void WriteFooterCell(int DataCol, int Row, TColumnEh* Column, TFont* AFont, TColor Background,
                         TAlignment Alignment, const QString& Text) override;

    void WriteText(const QString& S) { WriteAnsi(S); }
    void WriteLine(const QString& S) { WriteAnsi(S + QStringLiteral("\r\n")); }
    int ColorIndex(TColor Color);
    int FontIndex(const QString& Name);
    void WriteCellBorders(bool Left, bool Top, bool Right, bool Bottom);
    void WriteFormattedText(TFont* Font, const QString& Text, TColor Background);
    // Twips from the left edge to the right edge of a column, added to X.
    int ColumnTwips(TColumnEh* Column) const;

private:
    void writeMultiTitle(TColumnsEhList* Columns);
    QString paragraphSpacing() const;
    std::unique_ptr<TMemoryStream> body;
    QStringList colorTable;
    QStringList fontTable;
    int ppi = 96;
};

// The grid's own binary format: one typed value per cell, no titles, no footers.
class TDBGridEhExportAsVCLDBIF : public TDBGridEhExport {
    KADRION_CLASS(TDBGridEhExportAsVCLDBIF)

protected:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteDataCell(TColumnEh* Column, TFont* AFont, TColor Background) override;
};

// Exports with Exporter (its DBGridEh set to Grid).
void ExportGridToStream(TDBGridEhExport& Exporter, TCustomDBGridEh* Grid, TStream* Stream,
                        bool IsExportAll);
template <class E>
void ExportGridToStream(TCustomDBGridEh* Grid, TStream* Stream, bool IsExportAll) {
    E exporter;
    ExportGridToStream(exporter, Grid, Stream, IsExportAll);
}

// ---- the interchange format ---------------------------------------------------------------------

// Interchange data checked whole: Cells holds N values per record, in order; an empty Variant is
// "no value" (tag 1), Null is null (tag 2); integers, doubles and strings as read. Raw bytes of
// tag 6 stay bytes (RawCells marks them).
struct TVCLDBIFData {
    int Version = 1;
    int ColumnCount = 0;
    std::vector<uint8_t> ColumnFlags;
    QStringList ColumnNames;
    std::vector<Variant> Cells;
    std::vector<QByteArray> RawCells; // the bytes of text and raw cells (empty for the others)
    std::vector<uint8_t> Tags;
};

// Reads and checks interchange data: the signature, every count and length against the bytes
// there, every tag known, whole records, the end tag. Raises Exception
// "TDBGridEhImportAsVCLDBIF.ReadPrefix: Invalid VCLDBIF format" for a bad header and
// "TDBGridEhImportAsVCLDBIF.ReadDataCell: Invalid VCLDBIF format" for bad cells.
TVCLDBIFData ParseVCLDBIF(const QByteArray& Bytes);

// ---- importers ----------------------------------------------------------------------------------

// The walk that writes input records into the grid: one input record per selected record, or
// with no selection from the current record and column downwards, appending records once the
// dataset ends (with alopAppendEh) or while it is inserting.
class TDBGridEhImport : public TObject {
    KADRION_CLASS(TDBGridEhImport)
    TDBGridEhImport() = default;
    ~TDBGridEhImport() override;

    TCustomDBGridEh* DBGridEh = nullptr;
    TStream* Stream = nullptr;
    TColumnsEhList* ImportColumns = nullptr;
    bool Eof = false;

    virtual void ImportFromStream(TStream* AStream, bool IsImportAll);
    void ImportFromFile(const QString& FileName, bool IsImportAll);

protected:
    virtual void ReadPrefix() {}
    virtual void ReadSuffix() {}
    virtual void ReadRecord(TColumnsEhList* Columns);
    virtual void ReadDataCell(TColumnEh* Column) { (void)Column; }
    // The field a value of Column goes to, with its dataset in edit or insert state; null when
    // the column or the dataset may not change.
    TField* EditTarget(TColumnEh* Column);
    // Runs Assign; a failure asks "Ignore error?" (Yes goes on, All stops asking, No aborts).
    void GuardedAssign(const std::function<void()>& Assign);
    // Writes a cell's text into Column's field as the user would type it: a lookup column takes
    // the key of the named record (an exact name before a prefix), a key pick list the key of the
    // listed text (null for any other); the rest its text.
    void AssignText(TColumnEh* Column, const QString& Text);
    bool IgnoreAllErrors = false;

private:
    void appendRecords(bool AtEnd);
};

// Tab-separated text as the text export writes it; a CR must be followed by LF. The whole input
// is checked for that before any field changes.
class TDBGridEhImportAsText : public TDBGridEhImport {
    KADRION_CLASS(TDBGridEhImportAsText)
    void ImportFromStream(TStream* AStream, bool IsImportAll) override;

protected:
    void ReadPrefix() override;
    void ReadRecord(TColumnsEhList* Columns) override;
    void ReadDataCell(TColumnEh* Column) override;

private:
    enum TState : uint8_t { tsChar, tsTab, tsLineEnd, tsEnd };
    bool readChar();
    TState checkState();
    TState readCellText(QByteArray& S);
    uint8_t current = 0;
    TState state = tsChar;
    QByteArray cellText;
};

// CSV as the CSV export writes it, or as other programs do: cells joined by the CSV separator,
// each quoted (a doubled quote inside) or not, records ended by CR LF or LF; a line break or
// separator inside quotes belongs to the cell. Text in Windows-1251. The whole input is read and
// checked (every quote closed, nothing but a separator or line end after a closing quote)
// before any field changes; damaged input raises
// "TDBGridEhImportAsCSV.ReadPrefix: Invalid CSV format".
class TDBGridEhImportAsCSV : public TDBGridEhImport {
    KADRION_CLASS(TDBGridEhImportAsCSV)
    TDBGridEhImportAsCSV() : Separator(DBGridEhCSVSeparator) {}
    QChar Separator;
    void ImportFromStream(TStream* AStream, bool IsImportAll) override;

protected:
    void ReadPrefix() override;
    void ReadRecord(TColumnsEhList* Columns) override;

private:
    std::vector<QStringList> records;
    size_t next = 0;
};

// Splits CSV into records of cells (see TDBGridEhImportAsCSV); raises its format error.
std::vector<QStringList> ParseCSV(const QByteArray& Bytes, QChar Separator);

// The interchange format; the whole input is checked before any field is written.
class TDBGridEhImportAsVCLDBIF : public TDBGridEhImport {
    KADRION_CLASS(TDBGridEhImportAsVCLDBIF)
    void ImportFromStream(TStream* AStream, bool IsImportAll) override;
    // The column names and flags of the last input, and whether any name was given.
    const TVCLDBIFData& GetData() const { return data; }

protected:
    void ReadPrefix() override;
    void ReadRecord(TColumnsEhList* Columns) override;
    void ReadDataCell(TColumnEh* Column) override;

private:
    void readValue();
    TVCLDBIFData data;
    size_t next = 0;
    Variant value;
    QByteArray raw;
    uint8_t tag = 1;
};

void ImportGridFromStream(TDBGridEhImport& Importer, TCustomDBGridEh* Grid, TStream* Stream,
                          bool IsImportAll);
template <class I>
void ImportGridFromStream(TCustomDBGridEh* Grid, TStream* Stream, bool IsImportAll) {
    I importer;
    ImportGridFromStream(importer, Grid, Stream, IsImportAll);
}

// ---- the clipboard ------------------------------------------------------------------------------

// Registered clipboard formats of the grid.
uint16_t CF_VCLDBIF();
uint16_t CF_CSV();
uint16_t CF_RICH_TEXT_FORMAT();

void PutStreamToClipboard(uint16_t Format, TMemoryStream* Stream);
void GetClipboardFormatToStream(uint16_t Format, TStream* Stream);

// The selection (or with ForWholeGrid everything) as text, CSV, RTF and interchange data.
void GridCopyToClipboard(TCustomDBGridEh* Grid, bool ForWholeGrid);
void GridCutToClipboard(TCustomDBGridEh* Grid, bool ForWholeGrid);
// The interchange data when there is some, else the CSV (it carries tabs and line breaks inside
// cells), else the plain text.
void GridPasteFromClipboard(TCustomDBGridEh* Grid, bool ForWholeGrid);
// Deletes the selected records (all of them for a whole-grid selection), or clears the
// selected cells; asks first under dgConfirmDelete.
void GridDeleteSelection(TCustomDBGridEh* Grid, bool ForWholeGrid);
