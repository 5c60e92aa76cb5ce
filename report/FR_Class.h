// The report object model: objects with named properties, views (memo, picture, line, band,
// sub-report), pages, the data dictionary, the report component with its template reader and
// writer and its value lookup, the object factory and registries, the function libraries and
// the engine context that holds the process-wide state.
#pragma once

#include "Classes.h"
#include "Controls.h"
#include "FR_Const.h"
#include "FR_DSet.h"
#include "FR_Intrp.h"
#include "FR_Pars.h"
#include "FR_Prntr.h"
#include "FR_Utils.h"
#include "FR_Var.h"
#include "Streams.h"
#include "Variant.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TfrBand;
class TfrPage;
class TfrReport;
class TfrView;
class TfrDataDictionary;
class TForm;
class TBitmap;
class TfrFunctionLibrary;
class TDataSet;
class TField;

// ---- objects with named properties ------------------------------------------------------

// Type flags of a property descriptor.
enum : int {
    frdtOneObject = 1, // Name, a group band's Condition
    frdtInteger = 2,
    frdtFloat = 4,
    frdtBoolean = 8,
    frdtColor = 16,
    frdtEnum = 32,
    frdtHasEditor = 64,
    frdtSize = 128,
    frdtString = 256,
};

struct TfrPropRec {
    QString PropName;
    int PropType = 0;
    QStringList Enum; // names of an enumerated property
    QList<Variant> EnumValues;
};

class TfrObject : public TObject {
    KADRION_CLASS(TfrObject)
    TfrObject() = default;
    ~TfrObject() override = default;

    virtual void SetPropValue(const QString& Index, const Variant& Value) {}
    virtual Variant GetPropValue(const QString& Index) { return Null(); }
    virtual Variant DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                             const Variant& Par3) {
        return Null();
    }
    virtual void DefineProperties() {}

    // The descriptor of a property, defining the list on first use; null when absent.
    TfrPropRec* PropRec(const QString& Name);
    void AddProperty(const QString& PropName, int PropType, const QStringList& Enum = {},
                     const QList<Variant>& EnumValues = {});
    void ClearPropList();
    const std::vector<TfrPropRec>& GetPropList();

protected:
    std::vector<TfrPropRec> FPropList;
    bool FPropsDefined = false;
};

// The string-list methods that objects offer for their list properties: NAME.ADD(text),
// NAME.CLEAR, NAME.DELETE(index), NAME.INDEXOF(text), SETINDEXPROPERTY / GETINDEXPROPERTY.
// Returns true when MethodName was one of them for the property PropName.
bool frDoStringListMethod(const QString& PropName, TStrings* List, const QString& MethodName,
                          const Variant& Par1, const Variant& Par2, const Variant& Par3,
                          Variant& Result);
void frSetFontProp(TfrFont& Font, const QString& Prop, const Variant& Value);
Variant frGetFontProp(const TfrFont& Font, const QString& Prop);

// ---- views ------------------------------------------------------------------------------

class TfrView : public TfrObject {
    KADRION_CLASS(TfrView)
    TfrView();
    ~TfrView() override;

    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    Variant DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                     const Variant& Par3) override;
    void DefineProperties() override;

    virtual void AfterLoad() {}
    // Called for every view of the report once the dialog pages have been answered, before
    // the report pages form (a query object reopens with the values of this build).
    virtual void PrepareObject() {}
    virtual void LoadFromStream(TStream* Stream);
    virtual void SaveToStream(TStream* Stream);
    // Minor revision of the view stream this class writes (the major is 2).
    virtual uint8_t StreamMinor() const { return 0; }

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    void CreateUniqueName();
    TfrPage* GetPage() const;

    // ---- drawing ----
    // Begins drawing on a canvas; a view with a band alignment is placed by it first.
    void BeginDraw(TCanvas* ACanvas);
    // Scales the geometry by ScaleX/ScaleY and moves it by OffsX/OffsY (outside a build by 1
    // and 0), narrows the gaps by the frame and sets DrawRect; RestoreGeometry undoes it.
    virtual void ComputeDrawRect();
    virtual void RestoreGeometry();
    // Fill and frame of DrawRect (nothing in the first pass of a two-pass build).
    virtual void DrawFill();
    virtual void DrawFrame();
    // Draws the view on a canvas at its scale and offset. Bands, sub-reports and views
    // without a drawing of their own draw nothing.
    virtual void Draw(TCanvas* ACanvas) {}
    // Prints the view into a prepared page: its type, class name (add-ins) and its body in the
    // prepared form are appended to Stream, unless it is invisible.
    virtual void Print(TStream* Stream);
    // Takes the contents of the blob field the view is bound to (text and picture views).
    virtual void GetBlob(TField* Field) {}
    // The rectangle a designer hit-tests: the view grown by its frame (and 10 pixels more on
    // every side when Extended).
    virtual TRect ClipRegion(bool Extended) const;
    // Runs the view's script with the view current (compiled once per script text).
    void RunScript();
    // Writes the type byte, the class name of an add-in and the body in prepared form.
    void WritePrepared(TStream* Stream);

    TCanvas* Canvas = nullptr; // canvas of the current drawing
    TRect DrawRect;            // drawing rectangle computed for Canvas
    bool IsPrinting = false;   // the canvas is the printer's

    QString BaseName = QStringLiteral("View");
    TStringList Memo1;
    TDataSet* DataSet = nullptr; // bound field of a build
    QString DataField;
    uint8_t StreamMode = 0; // 0 template, 1 prepared page
    QString Name;
    uint8_t Typ = gtAddIn;
    uint8_t RevMajor = 0, RevMinor = 0;
    int ID = 0;
    int Selected = 0;
    double ScaleX = 1.0, ScaleY = 1.0;
    int OffsX = 0, OffsY = 0;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int Flags = flStretched;
    int FrameTyp = 0;
    float FrameWidth = 1.0f;
    int32_t FrameColor = clBlack;
    int FrameStyle = 0;
    int32_t FillColor = clNone;
    int32_t Format = 0;
    QString FormatStr;
    bool Visible = true;
    int GapX = 2, GapY = 1;
    int Restrictions = 0;
    QString Tag;
    TStringList Memo;
    TStringList Script;
    int BandAlign = baNone;
    TfrBand* Parent = nullptr;
    TfrPage* ParentPage = nullptr;

protected:
    // The page whose usable width band alignment uses: the one being built, else the view's.
    TfrPage* alignPage() const;
    // The band alignments that only the band being printed knows: bottom, top, and the width
    // of a cross band.
    void alignToActiveBand();
    // The blob field the view is bound to, or null.
    TField* boundBlobField() const;

private:
    struct SavedGeometry {
        int Left = 0, Top = 0, Width = 0, Height = 0, GapX = 0, GapY = 0;
        float FrameWidth = 1.0f;
    };
    SavedGeometry saved;
    bool geometrySaved = false;
    TStringList compiledScript;
    QString compiledFrom;
    bool scriptCompiled = false;
};

// Coordinates of drawing are kept within this range, whatever a damaged file holds.
constexpr int frMaxCoord = 100000000;
// Rounds to the nearest whole number (ties to even) within +-frMaxCoord.
int frRoundCoord(double v);
inline int frClampCoord(int64_t v) {
    return int(v < -frMaxCoord ? -frMaxCoord : v > frMaxCoord ? frMaxCoord : v);
}

// Frame widths in the stream: whole widths 0..10 as themselves, any other as round(w x 1000);
// widths below 0.011 are 0.
int32_t frFrameWidthToStream(double w);
double frFrameWidthFromStream(int32_t w);

// Views whose height can follow their contents (text and lines).
class TfrStretcheable : public TfrView {
    KADRION_CLASS(TfrStretcheable)
    // The height the contents need.
    virtual int MeasureHeight() = 0;
    // The height of one line.
    virtual int MinimumHeight() = 0;
    // The height left over below the last whole line.
    virtual int RemainderHeight() = 0;

    // 0 print normally; 1 text already expanded and wrapped by MeasureHeight; 2 print the next
    // part of a text split over pages.
    uint8_t DrawMode = 0;
};

struct TfrHighlightAttr {
    uint16_t FontStyle = 2; // stream style bits
    int32_t FontColor = 0;
    int32_t FillColor = 0xFFFFFF;
    bool operator==(const TfrHighlightAttr&) const = default;
};

class TfrMemoView : public TfrStretcheable {
    KADRION_CLASS(TfrMemoView)
    TfrMemoView();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    Variant DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                     const Variant& Par3) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    // Memo1 := the template lines with their bracketed expressions expanded (not with
    // TextOnly); line breaks inside a value become lines of their own.
    void ExpandMemo();

    void Draw(TCanvas* ACanvas) override;
    void Print(TStream* Stream) override;
    void GetBlob(TField* Field) override;
    int MeasureHeight() override;
    int MinimumHeight() override;
    int RemainderHeight() override;
    // Wraps Memo1 into the engine's WrappedLines (at scale 1, on the measuring canvas) and
    // sets WrappedTextHeight and LineHeight.
    void WrapMemo();
    // Draws Memo1 (already wrapped) on the current canvas.
    void ShowMemo();
    // The width the text of Memo1 needs, frame and gaps included.
    int CalcWidth();

    TfrFont Font;
    QString LastValue;
    bool NoWrap = false;    // the text carries paragraph marks and is not wrapped again
    bool ClipLines = false; // drawing stops at the first line past the bottom
    int LineHeight = 0;
    int PrintedLines = 0; // lines drawn by the last drawing
    bool Exporting = false;
    int Alignment = 0;
    TfrHighlightAttr Highlight;
    // An expression; when it is not 0 at print time the highlight applies.
    QString HighlightCondition;
    int LineSpacing = 2;
    int CharSpacing = 0;

private:
    // Puts the memo's font on the canvas: at the screen's 96 pixels per inch and the drawing
    // scale, or in points on the printer.
    void assignFont(TCanvas* ACanvas);
    // Whether the highlight condition holds now.
    bool highlightHolds();
    // The font and fill a highlight changes, saved and put back around printing.
    struct SavedLook {
        TfrFont Font;
        int32_t FillColor;
    };
    SavedLook applyHighlight();
    void restoreLook(const SavedLook& Look);
    void drawUnderlines();
    void outputLine(const QString& Line, int& PosY);
    void wrapLine(const QString& Line, int MaxWidth, int& PosY);
    QString highlightPostfix;
    QString highlightSource;
};

// Hyphenation of one word: the positions (counted in characters from the start of the word)
// after which the word may be broken with a hyphen. Words shorter than 4 characters have none.
QList<int> frBreakWord(const QString& Word);

// Kind of graphic held by a picture view, as written in the stream.
enum : uint8_t { pkNone = 0, pkBitmap = 1, pkMetafile = 2, pkIcon = 3 };

class TfrPictureView : public TfrView {
    KADRION_CLASS(TfrPictureView)
    TfrPictureView();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    Variant DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                     const Variant& Par3) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;

    void Draw(TCanvas* ACanvas) override;
    void Print(TStream* Stream) override;
    void GetBlob(TField* Field) override;
    // Puts a graphic of a kind into the picture (its bytes in the graphic's own stream
    // format); empty bytes or pkNone clear it.
    void SetPicture(uint8_t Kind, const QByteArray& Data);
    // The decoded graphic (null when there is none or it cannot be drawn).
    TGraphic* GetGraphic();

    // The graphic in its own stream format; drawing decodes it.
    uint8_t PictureKind = pkNone;
    QByteArray PictureData;
    uint8_t BlobType = 0; // btBMP, btJPG, btICO, btWMF

private:
    std::unique_ptr<TGraphic> decoded;
    QByteArray decodedFrom;
    uint8_t decodedKind = pkNone;
};

// A picture file by its extension: bitmaps, icons and metafiles as they are, JPEG, PNG and GIF
// images as bitmaps. False (and pkNone) for a missing or unreadable file.
bool frPictureFromFile(const QString& FileName, uint8_t& Kind, QByteArray& Data);

// Blob kinds of a picture view's data field.
enum : uint8_t { btBMP = 0, btJPG = 1, btICO = 2, btWMF = 3 };

class TfrLineView : public TfrStretcheable {
    KADRION_CLASS(TfrLineView)
    TfrLineView();
    void DefineProperties() override;
    void Draw(TCanvas* ACanvas) override;
    TRect ClipRegion(bool Extended) const override;
    int MeasureHeight() override { return Height; }
    int MinimumHeight() override { return 1; }
    int RemainderHeight() override { return 0; }
};

class TfrBandView : public TfrView {
    KADRION_CLASS(TfrBandView)
    TfrBandView();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    uint8_t StreamMinor() const override { return 1; }

    void SetBandType(int Value) { FrameTyp = Value & 127; }
    int GetBandType() const { return FrameTyp & 127; }
    // The data source (or a group header's condition) is kept in FormatStr.
    QString GetDataSet() const { return FormatStr; }
    void SetDataSet(const QString& Value) { FormatStr = Value; }

    QString ChildBand;
    QString Master;
    int Columns = 1;
    int ColumnWidth = 200;
    int ColumnGap = 20;
    int NewColumnAfter = 1;
};

class TfrSubReportView : public TfrView {
    KADRION_CLASS(TfrSubReportView)
    TfrSubReportView();
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    int SubPage = 0;
};

// ---- pages ------------------------------------------------------------------------------

enum TfrPageType { ptReport, ptDialog };

class TfrPage : public TfrObject {
    KADRION_CLASS(TfrPage)
    TfrPage(int ASize, int AWidth, int AHeight, TPrinterOrientation AOrientation, int ABin);
    ~TfrPage() override;

    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    void DefineProperties() override;

    // Hands the paper to the engine's printer and keeps what it settled on, with its page
    // metrics in PrintableArea.
    void ChangePaper(int ASize, int AWidth, int AHeight, TPrinterOrientation AOrientation,
                     int ABin);
    // The left and right edges of the usable area in page units: the margin when it is set,
    // else the printable area's edge; without UseMargins the whole page.
    int LeftLimit() const;
    int RightLimit() const;
    void Clear();
    void Delete(int Index);
    TfrView* FindObject(const QString& Name);
    TfrView* GetObject(int Index) const { return Objects.Get<TfrView>(Index); }
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream);

    int pgSize = 9;
    int pgWidth = 2100, pgHeight = 2970; // tenths of a millimetre
    int pgMargins[4] = {0, 0, 0, 0};     // left, top, right, bottom in page pixels
    int pgOr = poPortrait;
    int pgBin = -1;
    TfrPageMetrics PrintableArea;
    bool PrintToPrevPage = false;
    bool UseMargins = true;
    int ColCount = 0;
    int ColGap = 0;
    int PageType = ptReport;
    TList Objects;
    QString Name;
    int BorderStyle = 3; // bsDialog
    QString Caption = QStringLiteral("Form");
    int32_t Color = clBtnFace;
    int Left = 220, Top = 120, Width = 380, Height = 300;
    int Position = 4; // poScreenCenter
    TStringList Script;
    bool Visible = true;
    uint8_t IsSubReport = 0;
    uint8_t BandsBuilt = 0;
    bool PreparedPage = false; // rebuilt from a prepared page: its views are placed already
    int CurY = 0, BottomY = 0;

    // ---- building ----
    int TopLimit() const;
    // Less the page footer's height while a report runs and the footer prints on the page.
    int BottomLimit() const;
    // Creates the run-time bands and links them (a report page), or shows the dialog.
    void PrepareBuild();
    void LinkBands();
    // Registers the totals the page's aggregates use.
    void PrepareLinks();
    void FinishBuild();
    // Forms the page into the report's prepared pages.
    void BuildOutput();
    void ShowBand(TfrBand* Band);
    bool ShowBandByName(const QString& BandName);
    void NewPage();
    void NewColumn(TfrBand* Band);
    void ShowPageFooters();
    void RunDataLevel(int Level);
    void ResetLocalCount(TfrBand* Band, int Value);
    // Recorded formation of a sub-report's page: each step shows a band (0), rewinds its
    // dataset (1) or advances it (2). PlaySteps replays from StepIndex; true when it stopped
    // because a band did not fit the rest of the output page.
    struct TfrStep {
        TfrBand* Band;
        int Action;
    };
    void AddStep(TfrBand* Band, int Action);
    bool PlaySteps();
    std::vector<TfrStep> Steps;
    size_t StepIndex = 0;
    bool RecordMode = false;
    TfrBand* PendingBand = nullptr; // a band whose sub-reports wait for a new page
    int CrossColumn = 1;            // the cross record being printed, from 1

    std::unique_ptr<TfrBand> Bands[23];
    std::vector<std::unique_ptr<TfrBand>> ChainedBands; // further bands of a type
    std::vector<TfrView*> Notified;                     // views told of each printed text view
    int CurColumn = 0, ColumnTopY = 0, XOffset = 0;
    int ColWidth = 0;
    int RecordCount = 1;
    TfrBand* LastShownBand = nullptr;
    bool Finishing = false;
    bool Processed = false;
    int FreshPageY = 0; // the position below the headers of the newest page or column
    TfrBand* AggregateCandidate = nullptr; // the data band totals are being registered in

private:
    void showPending();
    void addPending(TfrBand* Band);
    std::vector<TfrBand*> pending;
    int lastLevel = 0;
    struct DesignedPlace {
        TfrView* view;
        int left, top;
    };
    std::vector<DesignedPlace> designedPlaces; // views' places before linking
};

class TfrPages : public TObject {
    KADRION_CLASS(TfrPages)
    explicit TfrPages(TfrReport* AParent) : Parent(AParent) {}
    ~TfrPages() override { Clear(); }

    int Count() const { return int(pages.size()); }
    TfrPage* GetPages(int Index) const;
    TfrPage* operator[](int Index) const { return GetPages(Index); }
    // A new page with the default paper (A4 portrait unless the printer says otherwise).
    void Add();
    void Delete(int Index);
    void Clear();
    int IndexOf(const TfrPage* Page) const;
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream);

    TfrReport* Parent;

private:
    std::vector<std::unique_ptr<TfrPage>> pages;
};

// ---- run-time bands ---------------------------------------------------------------------

// One running total of a data band: its descriptor (footer name, code, expression, options,
// each ended by the character 1), its value and the records it took. A total of a cross-tab
// cell keeps one total per cross column: its descriptor starts with the column number and the
// character 1 ("0" for the pattern the columns' totals are made from).
struct TfrTotal {
    QString Descriptor;
    int Code = 0;    // 11 SUM, 12 MIN, 13 MAX, 14 AVG, 15 COUNT
    int Column = -1; // -1 not per column, 0 the pattern, else the cross column from 1
    QString Footer, Expression;
    bool CountInvisible = false;
    Variant Value;
    int Count = 0;
};

// The run-time twin of a band view for one build of its page: where it prints now (y is the
// print position during a build, x and dx the extent of a cross band), its views, data
// source, chains and running totals.
class TfrBand : public TObject {
    KADRION_CLASS(TfrBand)
    TfrBand(int ATyp, TfrPage* AParent) : Parent(AParent), Typ(ATyp) {}
    ~TfrBand() override;

private:
    // Starts the band's sub-reports side by side and runs them; on a sub-report's own page
    // the band waits as the page's pending band when they need a new page.
    void StartSubReports(const std::vector<TfrSubReportView*>& Views);
    void finishSubReports();
    struct SubPage {
        TfrPage* page;
        bool finished;
    };
    std::vector<SubPage> subPages; // the running sub-reports
    int subStartPage = 0;          // the output page they started on
    // Prints a view into the current output page, moved right by Shift and down by y.
    void printAt(TfrView* View, int Shift);
    // The band's cross-tab row: the cross header's, each cross record's and the cross
    // footer's cells, going on to the following output pages when wider than the page.
    void PrintCross();
    // Prints the cells of a cross band that lie in this band, the cross band's left at X.
    void PrintCrossCells(TfrBand* Cross, int X);
    // The lowest bottom of the stretching cross cells of this band, the cross data cells
    // measured once per cross record.
    int MeasureCrossCells();
    // The cross records of this row: the cross data band's dataset, or for a master footer
    // after an empty one as many records as the widest row had (made into Virtual).
    TfrDataset* CrossRecords(std::unique_ptr<TfrDataset>& Virtual);
    void accumulate(const std::vector<TfrTotal*>& List);

public:
    // A group header keeps the text as its condition; other bands take it as a data source.
    void AttachDataSource(const QString& Source);
    void ReleaseDataSources();
    int MeasureHeight();
    int TotalHeight();
    // Shows the band; true when it could not finish on the current page.
    bool Show();
    void Output();
    void PrintObject(TfrView* View);
    // Prints the band's views, then runs its sub-reports side by side; true when it ran
    // sub-reports (the page position is then below the lowest of them).
    bool PrintObjects();
    // Runs the started sub-reports on until they finish; new pages follow while some still
    // run, except on a sub-report's own page, where the band is left pending (true then).
    // First: the cycle right after the start, on the page they started on.
    bool ContinueSubReports(bool First);
    void PrintSplit();
    // Moves to a new column or page when y + height does not fit (unless TestOnly).
    bool EnsureSpace(int Y, int Height, bool TestOnly = false);
    void ResetTotals();
    // Adds the current record to the band's totals, except the per-column ones.
    void AccumulateTotals();
    // Adds the current record to the totals of cross column Column (made from their pattern
    // when new).
    void AccumulateColumnTotals(int Column);
    TfrTotal& AddTotal(const QString& Descriptor);
    Variant GetTotal(const QString& Descriptor) const;
    // Whether the band prints anything on its page.
    bool IsShown() const;
    bool IsDataBand() const { return Typ == 5 || Typ == 8 || Typ == 11; }

    TfrPage* Parent;
    TfrBandView* View = nullptr;
    int Typ;
    int Flags = 0;
    TfrBand *Next = nullptr, *Prev = nullptr;
    TfrBand *NextGroup = nullptr, *PrevGroup = nullptr;
    TfrBand *FirstGroup = nullptr, *LastGroup = nullptr;
    TfrBand* Child = nullptr;
    TfrBand* TotalsBand = nullptr;
    int LocalCount = 1, GlobalCount = 1;
    Variant LastGroupValue;
    TfrBand *Header = nullptr, *Footer = nullptr, *DataBand = nullptr;
    TfrBand* ChainLast = nullptr;
    std::vector<TfrTotal> Totals;
    bool RepeatingHeader = false;
    int CalcHeight = -1;
    int ColumnIndex = 1;
    int FirstColumnX = 0;
    int NewPageRequests = 0, NewColumnRequests = 0;
    bool SkipScript = false;
    int SubReportBottom = 0;
    bool HasCrossCells = false; // some views are cells of a cross band
    int CrossCount = 0;         // the most cross records of a row
    bool SubReportsDone = true;
    bool PrintIfSubsetEmpty = false, FormNewPage = false, Stretched = false, PageBreak = false,
         PrintChildIfInvisible = false, Visible = true;
    QString Name;
    TList Objects;
    TStringList Script;
    TfrDataset* DataSet = nullptr;
    bool DataSetOwned = false;
    QString GroupCondition; // postfix
    int x = 0, y = 0, dx = 0, dy = 0;
    int MaxDy = 0;
};

// ---- prepared pages ---------------------------------------------------------------------

// One prepared page: its paper, the page metrics of that paper and the page's objects as a
// stream (the format version byte, then per object its type byte, the class name of an add-in
// and its body in the prepared form). The page object is rebuilt from the stream only while
// the page is drawn, searched or edited.
struct TfrPageInfo {
    TRect pgRect; // where the preview placed the page
    int pgSize = 0;
    int pgWidth = 0, pgHeight = 0; // tenths of a millimetre
    uint8_t pgOr = poPortrait;
    int pgBin = -1;
    bool UseMargins = false;
    int pgMargins[4] = {0, 0, 0, 0}; // left, top, right, bottom
    TfrPageMetrics PrnInfo;
    bool Visible = false; // set by the preview while the page is in view
    std::unique_ptr<TMemoryStream> Stream;
    std::unique_ptr<TfrPage> Page;
};

// Raised when a build cannot go on (a missing dataset ...); the build stops with its message.
KADRION_EXCEPTION(EfrBuildError, Exception)

// The aggregates of a build (SUM, MIN, MAX, AVG, COUNT): registers a total while the page
// prepares them, else gives the total of the band being printed. False for other names.
bool frAggregate(const QString& Name, const Variant& p1, const Variant& p2, const Variant& p3,
                 Variant& Value);

// Raised when a prepared-report file cannot be read; the pages stay as they were.
KADRION_EXCEPTION(EfrPreparedError, Exception)

class TfrEMFPages : public TObject {
    KADRION_CLASS(TfrEMFPages)
    explicit TfrEMFPages(TfrReport* AParent) : Parent(AParent) {}
    ~TfrEMFPages() override { Clear(); }

    int Count() const { return int(pages.size()); }
    TfrPageInfo* GetPage(int Index) const;
    TfrPageInfo* operator[](int Index) const { return GetPage(Index); }
    // Appends a page with the paper of a report page, then tells the report (and the root
    // report when another) that a page ended.
    void Add(TfrPage* APage);
    // A page with the paper of a report page at Index (beyond the end: appended); no events.
    void Insert(int Index, TfrPage* APage);
    void Delete(int Index);
    void Clear();
    // Draws page Index into a rectangle of a canvas. A page not marked visible only frees its
    // page object. Objects outside the canvas's clip (with a margin of 10 pixels) are skipped,
    // except on the printer and on a recording canvas.
    void Draw(int Index, TCanvas* Canvas, const TRect& DrawRect);
    // Rebuilds the page object from the stream, and writes an edited page object back.
    void ObjectsToPage(int Index);
    void PageToObjects(int Index);
    // The last object of the page under a point in page units: with Click the report's
    // OnObjectClick gets it, else OnMouseOverObject with the cursor; true when one was called.
    bool DoClick(int Index, const TPoint& Point, bool Click, TCursor& Cursor);
    // The prepared-report file. Loading reads the whole file into a list of its own and
    // replaces the pages only when every page reads; otherwise EfrPreparedError says why and
    // the pages stay. Neither changes the current printer.
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream);
    // Exchanges the pages of two lists (the preview borrows a report's pages this way).
    void Swap(TfrEMFPages& Other) { pages.swap(Other.pages); }

    TfrReport* Parent;

private:
    std::unique_ptr<TfrPageInfo> newPage(TfrPage* APage);
    std::vector<std::unique_ptr<TfrPageInfo>> pages;
};

// ---- data dictionary --------------------------------------------------------------------

class TfrDataDictionary : public TObject {
    KADRION_CLASS(TfrDataDictionary)
    TfrDataDictionary() = default;
    void Clear();
    // Forgets every resolved name; each build starts afresh, so a changed variable or
    // dataset is seen by the next build.
    void ClearCache();
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream);
    bool IsVariable(const QString& VarName);
    Variant GetValue(const QString& VarName);
    // The value of a name already resolved to a field, in one lookup; false when the name is
    // not among them (IsVariable and GetValue then resolve it).
    bool GetResolvedValue(const QString& VarName, Variant& Value);

    TfrVariables Variables;
    TfrVariables FieldAliases;
    TfrVariables BandDataSources;

private:
    struct CacheEntry {
        QString name;
        TDataSet* dataSet;
        QString field;
        // Where the field stood when last found, and its name there; checked before use, as
        // the dataset may have made its fields anew since.
        mutable int fieldIndex = -1;
        mutable QString fieldName;
    };
    using CacheKey = std::pair<TDataSet*, QString>;
    // The resolution cache is keyed by the name and the dataset it was resolved against.
    const CacheEntry* findCached(const QString& name, TDataSet* defaultDataSet) const;
    static Variant fieldValue(const CacheEntry& Entry);
    void addCached(const QString& name, TDataSet* defaultDataSet, TDataSet* ds,
                   const QString& field);
    std::vector<std::pair<TDataSet*, CacheEntry>> cache;
    // The names as written that found their entry, for a lookup without letter-case folding.
    mutable QHash<CacheKey, size_t> exact;
    // The names that are neither dictionary variables nor fields, with the number of
    // variables they were checked against (a variable added later makes them worth a look).
    QSet<CacheKey> misses;
    int missesVariables = -1;
    QStringList evaluating; // variables being evaluated, to catch self-references
};

// A band's data source by name: a name starting with a digit 1-9 gives a new record-count
// dataset of that many records (owned by the caller); any other name is a report dataset of
// the current report's owner. Null when there is none.
TfrDataset* frGetDataset(const QString& Name);
// Whether frGetDataset made the dataset (and the caller must free it).
bool frIsCountDataset(const QString& Name);

// The dataset against which a bare field name of the band being printed resolves.
TDataSet* frCurrentBandDataSet();

// ---- the report component ---------------------------------------------------------------

enum TfrReportType { rtSimple, rtMultiple };

using TDetailEvent = std::function<void(const QString& ParName, Variant& ParValue)>;
using TFunctionEvent2 = std::function<void(const QString& Name, const Variant& p1,
                                           const Variant& p2, const Variant& p3, Variant& Val)>;
using TBeforePrintEvent = std::function<void(TStrings* Memo, TfrView* View)>;
using TEndPageEvent = std::function<void(int pgNo)>;
using TObjectClickEvent = std::function<void(TfrView* View)>;
using TMouseOverObjectEvent = std::function<void(TfrView* View, TCursor& Cursor)>;

class TfrReport : public TComponent {
    KADRION_CLASS(TfrReport)
    explicit TfrReport(TComponent* AOwner);
    ~TfrReport() override;

    // Loading: true only for a good load. A missing file leaves the report as it was.
    bool LoadFromFile(const QString& FileName);
    bool LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream);
    void SaveToFile(const QString& FileName);
    void Clear();
    TfrView* FindObject(const QString& Name);
    // A view by name, or a page by "Page<n>" (counted from 1); nullptr when there is none.
    TfrObject* FindObjectOrPage(const QString& Name);
    void SetPrinterTo(const QString& PrnName);
    // Makes this the current report and points the engine's parser at its value lookup and
    // function handler.
    void MakeCurrent();

    // The value lookup and the function handler that expressions of this report use.
    void GetVariableValue(const QString& s, Variant& v);
    void DoUserFunction(const QString& Name, const Variant& p1, const Variant& p2,
                        const Variant& p3, Variant& Val);
    // One bracketed expression as text, formatted by the current view's display format or
    // by a format given after " #".
    QString ExpandExpression(const QString& Expr);
    // Replaces every bracketed expression of the text.
    void ExpandTag(QString& s);

    // The prepared pages from a prepared-report file. A file that cannot be read is reported
    // in a message box and changes nothing; false then. Loading clears CanRebuild.
    bool LoadPreparedReport(const QString& FileName);
    // Raises the file's error when it cannot be written.
    void SavePreparedReport(const QString& FileName);

    // ---- building, showing, printing ----
    // Builds the prepared pages in one or two passes; true when finished and not cancelled.
    // A build that fails shows its message and leaves no pages.
    bool PrepareReport();
    // Builds the pages of one pass from the template.
    virtual void BuildPages();
    // Prepares the report, then hands it to the preview.
    void ShowReport();
    // Hands the prepared pages to the preview hook when there are any.
    void ShowPreparedReport();
    // Prints the prepared pages of a page list ("1,3-5", "2-": to the end, "": all) on the
    // current printer; Parity 1 prints odd pages only, 2 even ones only.
    void PrintPreparedReport(const QString& PageNumbers, int Copies, int Parity, bool Collate);
    // The pages of a page list text, 0-based, in order.
    static std::vector<int> PageList(const QString& PageNumbers, int PageCount);
    // Tells the progress the current number (the handler, else the progress hook).
    void Progress(int Number);

    bool PrintIfEmpty = true;
    bool ShowProgress = true;
    int DefaultCopies = 1;
    bool DefaultCollate = true;
    // The caption and text of the progress of the running build or print.
    QString ProgressCaption, ProgressText;
    TNotifyEvent OnBeginDoc, OnEndDoc;
    std::function<void(TfrBand*Band)> OnBeginBand, OnEndBand;
    std::function<void(int n)> OnProgress;
    std::function<void(TfrPage* Page)> OnManualBuild;
    TNotifyEvent OnPrintReport;

    TfrPages Pages{this};
    TfrEMFPages EMFPages{this};
    TfrDataDictionary Dictionary;
    QString FileName;
    QString PrinterName;
    uint16_t UseDefaultPrinter = 0xFFFF;
    uint16_t TwoPass = 0;
    bool Terminated = false;
    bool FinalPass = false;
    bool CanRebuild = false;
    TfrDataset* Dataset = nullptr;
    int ReportType = rtSimple;
    QString Title;

    TEndPageEvent OnEndPage;
    TDetailEvent OnGetValue;
    TFunctionEvent2 OnUserFunction;
    TBeforePrintEvent OnBeforePrint;
    TObjectClickEvent OnObjectClick;
    TMouseOverObjectEvent OnMouseOverObject;
    // A dialog page's control about to be shown, with its platform control.
    std::function<void(TfrView* View, TControl* Control)> OnCustomizeObject;

    // Set by a composite report before this report builds into its pages: the first page
    // continues the last prepared page.
    bool AppendToPrevious = false;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
};

// A report that builds several reports, one after the other, into one set of prepared pages.
// With a Dataset the whole sequence repeats once per record.
class TfrCompositeReport : public TfrReport {
    KADRION_CLASS(TfrCompositeReport)
    explicit TfrCompositeReport(TComponent* AOwner) : TfrReport(AOwner) {}
    void BuildPages() override;

    // The reports to combine, in build order; not owned, they must outlive the composite.
    std::vector<TfrReport*> Reports;
};

// ---- factory and registries -------------------------------------------------------------

using TfrViewFactory = std::function<TfrView*()>;

struct TfrAddInObjectInfo {
    QString ClassName;
    TfrViewFactory Create;
    QString ButtonHint;
    bool IsControl = false;
};

// A new view of a type (0..4), or of a registered add-in class (type 10, the name compared
// exactly). Other types give null. An unknown add-in raises EClassNotFound with the engine's
// collected error text.
TfrView* frCreateObject(uint8_t Typ, const QString& ClassName);
void frRegisterObject(const QString& ClassName, const TfrViewFactory& Create,
                      const QString& Hint = QString());
void frRegisterControl(const QString& ClassName, const TfrViewFactory& Create,
                       const QString& Hint = QString());
void frUnRegisterObject(const QString& ClassName);
template <typename T> void frRegisterObject(const QString& Hint = QString()) {
    frRegisterObject(
        T::StaticClassName(), [] { return static_cast<TfrView*>(new T()); }, Hint);
}

// ---- function libraries -----------------------------------------------------------------

class TfrFunctionLibrary : public TObject {
    KADRION_CLASS(TfrFunctionLibrary)
    TfrFunctionLibrary() = default;
    // True when the library lists the name; then the value is computed.
    virtual bool OnFunction(const QString& FName, const Variant& p1, const Variant& p2,
                            const Variant& p3, Variant& val);
    virtual void DoFunction(int FNo, const Variant& p1, const Variant& p2, const Variant& p3,
                            Variant& val) = 0;
    void AddFunctionDesc(const QString& FuncName, const QString& Category,
                         const QString& Description);
    TStringList List;
};

class TfrStdFunctionLibrary : public TfrFunctionLibrary {
    KADRION_CLASS(TfrStdFunctionLibrary)
    TfrStdFunctionLibrary();
    void DoFunction(int FNo, const Variant& p1, const Variant& p2, const Variant& p3,
                    Variant& val) override;
};

struct TfrFunctionDescription {
    TfrFunctionLibrary* Library;
    QString FunctionName;
    QString Category;
    QString Description;
};

class TfrInstalledFunctions : public TObject {
    KADRION_CLASS(TfrInstalledFunctions)
    void Add(TfrFunctionLibrary* Library, const QString& FunctionName, const QString& Category,
             const QString& Description);
    void RemoveLibrary(TfrFunctionLibrary* Library);
    std::vector<TfrFunctionDescription> Items;
};

using TfrLibraryFactory = std::function<TfrFunctionLibrary*()>;
void frRegisterFunctionLibrary(const TfrLibraryFactory& Create);
template <typename T> void frRegisterFunctionLibrary() {
    frRegisterFunctionLibrary([] { return static_cast<TfrFunctionLibrary*>(new T()); });
}
void frUnRegisterFunctionLibrary(const QString& ClassName);
void frAddFunctionDesc(TfrFunctionLibrary* Lib, const QString& FuncName, const QString& Category,
                       const QString& Description);

// ---- the engine's interpreter -----------------------------------------------------------

class TInterpretator : public TfrInterpretator {
public:
    void GetValue(const QString& Name, Variant& Value) override;
    void SetValue(const QString& Name, const Variant& Value) override;
    void DoFunction(const QString& Name, const Variant& p1, const Variant& p2, const Variant& p3,
                    Variant& val) override;
    // Lets the window events through every few turns, so that the progress window's Cancel
    // reaches a loop that would never end, and stops when the active report is terminated.
    bool LoopStopped() override;

private:
    unsigned turns = 0;
};

// Runs script lines with the engine's interpreter; nothing for an empty text.
void frRunScriptText(TStrings* Script);

// Finds the calls of AVG, COUNT, MAX, MIN and SUM in memo lines and compiled scripts.
class TAggregateFunctionsSplitter : public TfrFunctionSplitter {
public:
    explicit TAggregateFunctionsSplitter(QStringList* SplitTo);
    void SplitMemo(TStrings* Memo);
    void SplitScript(TStrings* Script);

private:
    QStringList names;
};

// ---- compressor of prepared pages --------------------------------------------------------

// Does nothing itself; a host may install a descendant that really compresses.
class TfrCompressor : public TObject {
    KADRION_CLASS(TfrCompressor)
    TfrCompressor() = default;
    virtual void Compress(TStream* StreamIn, TStream* StreamOut) {}
    virtual void DeCompress(TStream* StreamIn, TStream* StreamOut) {}
    bool Enabled = false;
};

// ---- display formats --------------------------------------------------------------------

// The value as text by a display format word and format string.
QString frFormatValue(const Variant& v, int Format, const QString& FormatStr);

// ---- the engine context -----------------------------------------------------------------

// Everything the engine keeps for the whole process. Created by frStartEngine, which the
// application calls once at start and every test calls (tests may restart it to reset).
class TfrGlobals {
public:
    TfrGlobals();
    ~TfrGlobals();

    // Build state.
    TfrReport* ActiveReport = nullptr;
    TfrReport* RootReport = nullptr;
    TfrReport* ConnectedReport = nullptr; // the report the parser's hooks serve
    TfrPage* ActivePage = nullptr;
    TfrBand* ActiveBand = nullptr;
    TfrView* ActiveView = nullptr;
    int OutputPageIndex = 0;
    bool ReportRunning = false;
    bool FirstPassRunning = false;
    bool PreparingAggregates = false;
    int PageNo = 0;
    TDateTime CurDate = 0, CurTime = 0;
    int TotalPages = 0;
    Variant CurValue;
    QString CurVariable; // the name being evaluated by the value lookup
    QStringList EvaluatingNames;

    // Template reading.
    int frVersion = frCurrentVersion;
    bool ErrorFlag = false;
    QString ErrorStr;
    bool ReadPastEnd = false; // a primitive read came up short
    int ObjectCounter = 0;

    // Process-wide objects.
    std::unique_ptr<TfrPrinter> frPrinter;  // made on first use (frGlobalPrinter)
    std::unique_ptr<TBitmap> MeasureBitmap; // its canvas measures text and prints views
    TStringList WrappedLines;               // the last wrapping of a text view
    int WrappedTextHeight = 0;
    // What a build could not do but went on without (a picture that cannot be drawn ...).
    QStringList BuildWarnings;
    TfrVariables frVariables;
    TfrVariables frConsts;
    TfrParser frParser;
    TInterpretator frInterpretator;
    TfrInstalledFunctions frInstalledFunctions;
    std::unique_ptr<TfrCompressor> frCompressor = std::make_unique<TfrCompressor>();
    std::vector<TfrAddInObjectInfo> frAddIns;
    std::vector<std::unique_ptr<TfrFunctionLibrary>> frFunctions;
    QString BandNames[23];
    QString FormatNames[4][5];
    int DefaultCharset = 204;

    // Hooks to the layers that the later parts of the engine and the application supply.
    // Shows an error message box (text, caption); tests record it.
    std::function<void(const QString& Text, const QString& Caption)> ShowMessage;
    // The global component lookup by name (forms and data modules).
    std::function<TComponent*(const QString& Name)> FindGlobalComponent;
    // The dataset of the data band that governs the band being printed.
    std::function<TfrDataset*()> CurrentBandDataset;
    // Values that only a build knows (LINE#, COLUMN#, CURY, CALCWIDTH ...): true when known.
    std::function<bool(const QString& Name, Variant& Value)> BuildValue;
    // Built-in procedures of a build (NEWPAGE, NEWCOLUMN, SHOWBAND) and the aggregates.
    std::function<bool(const QString& Name, const Variant& p1, const Variant& p2, const Variant& p3,
                       Variant& Value)>
        BuildFunction;
    // Page formation carried from one report page to the next.
    int LastPageY = 0, LastPageBottom = 0;
    // The first output page of the report being built (a composite's later reports start past
    // the pages of the earlier ones).
    int ReportFirstPage = 0;
    bool AppendToLastPage = false, LastFooterShown = false;
    // Where the preview takes a prepared report (the preview window supplies it).
    std::function<void(TfrReport* Report)> ShowPreview;
    // The progress window: its caption and line (the line changes as pages form).
    std::function<void(const QString& Caption, const QString& Line)> ShowProgressText;
    // Interaction of INPUT and MESSAGEBOX.
    std::function<QString(const QString& Prompt, const QString& Default)> InputBox;
    std::function<int(const QString& Text, const QString& Caption, int Flags)> MessageBox;
    // The hidden form of dialog pages' components (frDialogForm).
    std::unique_ptr<TForm> DialogForm;
};

// The application's report variables (the engine-wide list every report sees).
TfrVariables& frVariables();

void frStartEngine();
void frStopEngine();
bool frEngineStarted();
// The running engine; starts it when nobody did.
TfrGlobals& frGlobals();
// The engine's printer, attached to the platform printer when an application object exists
// (else only the virtual printer is there).
TfrPrinter* frGlobalPrinter();
// The canvas on which text views measure and print themselves.
TCanvas* frMeasureCanvas();
// Notes what a build could not do but went on without.
void frAddWarning(const QString& Text);
// Whether the running build was asked to stop: its report's or the outermost report's
// Terminated flag.
bool frBuildStopped();

// Makes a view current for the expressions it evaluates, and puts the previous one back.
class TfrActiveViewScope {
public:
    explicit TfrActiveViewScope(TfrView* View);
    ~TfrActiveViewScope();
    TfrActiveViewScope(const TfrActiveViewScope&) = delete;
    TfrActiveViewScope& operator=(const TfrActiveViewScope&) = delete;

private:
    TfrView* previous;
};

// ---- dialog-page controls ---------------------------------------------------------------

// A view that wraps a platform control of a dialog page. The control lives on the engine's
// hidden dialog form while the page is not shown, and is moved onto the shown dialog at the
// view's bounds. The view frees the control with itself (unless the dialog form went first).
class TfrControl : public TfrView {
    KADRION_CLASS(TfrControl)
    TfrControl();
    ~TfrControl() override;
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    void DefineProperties() override;
    void Draw(TCanvas* ACanvas) override;
    // Paints the wrapped control into DrawRect of the current canvas.
    virtual void PaintControl();
    // Puts the control on a shown dialog form at the view's bounds; null puts it back on the
    // hidden dialog form.
    virtual void PlaceControl(TWinControl* Form);
    TControl* GetControl() const { return FControl; }

protected:
    // Takes a control made by a descendant (owned by the view from then on).
    void SetControl(TControl* AControl);
    // Keeps Slot pointing at Component until the component is freed elsewhere (the hidden
    // form frees what it holds when the engine stops); the slot then becomes null.
    void Watch(TComponent* Component, TComponent** Slot);

private:
    TControl* FControl = nullptr;
    std::unique_ptr<TComponent> watcher;
};

// A view that wraps a non-visual component of a dialog page (a database, a table, a query):
// drawn as a 28 x 28 icon; renaming the view renames the component.
class TfrNonVisualControl : public TfrControl {
    KADRION_CLASS(TfrNonVisualControl)
    TfrNonVisualControl();
    ~TfrNonVisualControl() override;
    void SetPropValue(const QString& Index, const Variant& Value) override;
    void DefineProperties() override;
    void Draw(TCanvas* ACanvas) override;
    void PaintControl() override;
    void PlaceControl(TWinControl*) override {}
    TComponent* GetComponent() const { return FComponent; }

    // The descendant's own named values (names parked while a template loads).
    TfrVariables Params;

protected:
    void SetComponent(TComponent* AComponent);
    TComponent* FComponent = nullptr;
};

// The engine's hidden form that owns the components of dialog pages (made on first use).
TForm* frDialogForm();
// Shows a dialog page's controls modally on a form of their own (the page's caption, colour,
// bounds and position; its script runs when the form is first activated); a page without
// controls, or not visible, only runs its script. True when the user cancelled.
bool frShowDialogPage(TfrPage* Page);
