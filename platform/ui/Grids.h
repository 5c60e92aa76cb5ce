// The owner-drawn grid base: TCustomGrid (cells, fixed rows and columns, scrolling, sizing
// and moving with the mouse, keyboard navigation, range selection, the in-place editor),
// TInplaceEdit, TCustomDrawGrid/TDrawGrid (cells painted by an event) and TStringGrid (a grid
// that keeps a string and an object per cell).
//
// Co-ordinates. Cells are addressed by column and row from 0; the first FixedCols columns and
// FixedRows rows stay in place, the others scroll (LeftCol, TopRow are the first scrolled-in
// ones). A column width of -1 hides the column together with its grid line; CellRect of such a
// column is empty and neither the mouse nor the arrow keys stop on it.
//
// The grid draws nothing of a cell's content itself: Paint lays out the visible cells, draws the
// grid lines, fills each cell (with DefaultDrawing) and calls the virtual DrawCell. With
// VirtualView on, the grid keeps no cell data of its own: a descendant answers GetEditText and
// paints in DrawCell from its own source.
#pragma once

#include "Controls.h"
#include "Mask.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

class TCustomGrid;

KADRION_EXCEPTION(EInvalidGridOperation, Exception)

// ---- types --------------------------------------------------------------------------------

enum TGridOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking
};
using TGridOptions = TSet<TGridOption>;

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum TGridScrollDirectionItem { sdLeft, sdRight, sdUp, sdDown };
using TGridScrollDirection = TSet<TGridScrollDirectionItem>;

struct TGridCoord {
    int X = 0;
    int Y = 0;
    bool operator==(const TGridCoord&) const = default;
};

// A block of cells, all four sides inclusive.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    TGridCoord TopLeft() const { return TGridCoord{Left, Top}; }
    TGridCoord BottomRight() const { return TGridCoord{Right, Bottom}; }
    bool Contains(int ACol, int ARow) const {
        return ACol >= Left && ACol <= Right && ARow >= Top && ARow <= Bottom;
    }
    bool operator==(const TGridRect&) const = default;
};

// The layout of one axis as Paint and the hit tests see it (pixels in client co-ordinates).
struct TGridAxisDrawInfo {
    int EffectiveLineWidth = 0; // line width when the axis draws lines, else 0
    int FixedBoundary = 0;      // where the fixed cells end (their lines included)
    int GridBoundary = 0;       // where the last (partly) visible cell ends
    int GridExtent = 0;         // the client extent
    int LastFullVisibleCell = 0;
    int FullVisBoundary = 0; // where the last fully visible cell ends
    int FixedCellCount = 0;
    int FirstGridCell = 0; // LeftCol / TopRow
    int GridCellCount = 0;
    std::function<int(int)> GetExtent; // width/height of cell i (-1: hidden)
};

struct TGridDrawInfo {
    TGridAxisDrawInfo Horz;
    TGridAxisDrawInfo Vert;
};

using TMovedEvent = std::function<void(TObject* Sender, int FromIndex, int ToIndex)>;
using TDrawCellEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;
using TGetEditEvent = std::function<void(TObject* Sender, int ACol, int ARow, QString& Value)>;
using TSetEditEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, const QString& Value)>;

// ---- TInplaceEdit -------------------------------------------------------------------------

// The editor the grid lays over its current cell: a mask edit without a frame. It takes its
// text, mask and length limit from the grid (UpdateContents), hands every change back through
// the grid's SetEditText, asks the grid which characters it takes (CanEditAcceptKey) and whether
// the cell may change (CanEditModify), and gives navigation keys to the grid.
class TInplaceEdit : public TCustomMaskEdit {
    KADRION_CLASS(TInplaceEdit)
    explicit TInplaceEdit(TComponent* AOwner);
    ~TInplaceEdit() override;

    TCustomGrid* GetGrid() const { return grid; }
    void SetGrid(TCustomGrid* Value) { grid = Value; }

    // Takes text, mask and limit from the grid for its current cell.
    virtual void UpdateContents();
    // Moves the editor over a cell rectangle and shows it (as UpdateLoc).
    void Move(const TRect& Loc);
    // Shows at a cell rectangle (an empty one hides); takes the focus when the grid has it.
    void UpdateLoc(const TRect& Loc);
    bool PosEqual(const TRect& Rect) const;
    void Hide();
    void Deselect();
    void SetSel(int Start, int Length);
    void SetFocus() override;
    // Types a character as if it came from the keyboard (the key-press path runs first).
    void TypeChar(QChar Ch);
    // Called when the rectangle of the editor changed.
    virtual void BoundsChanged() {}

    void Change() override;
    void Dispatch(TMessage& Message) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void KeyUp(WORD& Key, TShiftState Shift) override;

protected:
    TCustomGrid* grid = nullptr;
    int updatingContents = 0;
};

// ---- TCustomGrid --------------------------------------------------------------------------

class TCustomGrid : public TCustomControl {
    KADRION_CLASS(TCustomGrid)
    explicit TCustomGrid(TComponent* AOwner);
    ~TCustomGrid() override;

    // --- size and cells
    int GetColCount() const { return colCount; }
    void SetColCount(int Value);
    int GetRowCount() const { return rowCount; }
    // Shrinking below the current row moves the current cell to the new last row.
    void SetRowCount(int Value);
    int GetFixedCols() const { return fixedCols; }
    void SetFixedCols(int Value);
    int GetFixedRows() const { return fixedRows; }
    void SetFixedRows(int Value);
    int GetDefaultColWidth() const { return defaultColWidth; }
    void SetDefaultColWidth(int Value);
    int GetDefaultRowHeight() const { return defaultRowHeight; }
    void SetDefaultRowHeight(int Value);
    int GetColWidths(int Index) const;
    void SetColWidths(int Index, int Value);
    int GetRowHeights(int Index) const;
    void SetRowHeights(int Index, int Value);
    bool GetTabStops(int Index) const;
    void SetTabStops(int Index, bool Value);
    int GetGridLineWidth() const { return gridLineWidth; }
    void SetGridLineWidth(int Value);
    TColor GetFixedColor() const { return fixedColor; }
    void SetFixedColor(TColor Value);
    TGridOptions GetOptions() const { return options; }
    virtual void SetOptions(TGridOptions Value);
    TScrollStyle GetScrollBars() const { return scrollBars; }
    void SetScrollBars(TScrollStyle Value);
    TBorderStyle GetBorderStyle() const { return borderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    bool GetDefaultDrawing() const { return defaultDrawing; }
    void SetDefaultDrawing(bool Value);
    // The grid owns no cell data; descendants supply text and painting.
    bool GetVirtualView() const { return virtualView; }
    void SetVirtualView(bool Value) { virtualView = Value; }
    // Whether widths and heights would be stored with the form (kept for the descendants).
    bool GetSaveCellExtents() const { return saveCellExtents; }
    void SetSaveCellExtents(bool Value) { saveCellExtents = Value; }

    // --- current cell, selection and scrolling
    int GetCol() const { return current.X; }
    void SetCol(int Value);
    int GetRow() const { return current.Y; }
    void SetRow(int Value);
    int GetLeftCol() const { return topLeft.X; }
    void SetLeftCol(int Value);
    int GetTopRow() const { return topLeft.Y; }
    void SetTopRow(int Value);
    int GetVisibleColCount();
    int GetVisibleRowCount();
    // Width/height of all cells with their lines (what the grid would take unclipped, capped by
    // the client area).
    int GetGridWidth();
    int GetGridHeight();
    TGridRect GetSelection() const;
    void SetSelection(const TGridRect& Value);
    TGridState GetGridState() const { return gridState; }

    // Moves the current cell (SelectCell may refuse); MoveAnchor starts a new selection,
    // Show scrolls the cell into view.
    void MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show);
    // MoveColRow with Show, then the editor follows and Click fires.
    void FocusCell(int ACol, int ARow, bool MoveAnchor);

    // --- geometry
    void CalcDrawInfo(TGridDrawInfo& DrawInfo);
    void CalcDrawInfoXY(TGridDrawInfo& DrawInfo, int UseWidth, int UseHeight);
    void CalcFixedInfo(TGridDrawInfo& DrawInfo);
    // The cell at a client point; -1 for a co-ordinate outside every cell.
    TGridCoord MouseCoord(int X, int Y);
    void MouseToCell(int X, int Y, int& ACol, int& ARow);
    TGridCoord CalcCoordFromPoint(int X, int Y, const TGridDrawInfo& DrawInfo);
    // Client rectangle of a cell (without its lines); empty when it is not visible.
    TRect CellRect(int ACol, int ARow);
    TRect BoxRect(int ALeft, int ATop, int ARight, int ABottom);
    // Left/top pixel of a cell on the axis; -1 when scrolled out or beyond the client area.
    int LinePos(const TGridAxisDrawInfo& Axis, int Line) const;
    void InvalidateCell(int ACol, int ARow);
    void InvalidateCol(int ACol);
    void InvalidateRow(int ARow);
    void InvalidateGrid() { Invalidate(); }
    void InvalidateRect(const TGridRect& ARect);
    bool IsActiveControl();

    // --- the editor
    bool GetEditorMode() const { return editorMode; }
    void SetEditorMode(bool Value);
    TInplaceEdit* GetInplaceEditor() const { return inplaceEdit; }
    void ShowEditor();
    void HideEditor();
    void ShowEditorChar(QChar Ch);
    // Re-reads the editor's contents from the grid.
    void InvalidateEditor();
    // Creates, places and shows the editor when CanEditShow allows it.
    void UpdateEdit();
    // Hands the editor's text to SetEditText for the cell it edits.
    void UpdateText();
    virtual TInplaceEdit* CreateEditor();
    virtual bool CanEditShow();
    virtual bool CanEditAcceptKey(QChar Key) { return true; }
    virtual bool CanEditModify() { return canEditModify; }
    virtual bool CanGridAcceptKey(WORD Key, TShiftState Shift) { return true; }
    virtual QString GetEditText(int ACol, int ARow) { return QString(); }
    virtual void SetEditText(int ACol, int ARow, const QString& Value) {}
    virtual QString GetEditMask(int ACol, int ARow) { return QString(); }
    virtual int GetEditLimit() { return 0; }

    // --- sizing and moving
    // Whether a point is on a border the grid would size.
    bool Sizing(int X, int Y);
    virtual void CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos,
                                 int& SizingOfs, TGridDrawInfo& FixedInfo);
    void DrawSizingLine(const TGridDrawInfo& DrawInfo);
    void MoveColumn(int FromIndex, int ToIndex);
    void MoveRow(int FromIndex, int ToIndex);
    virtual bool BeginColumnDrag(int& Origin, int& Destination, const TPoint& MousePt);
    virtual bool BeginRowDrag(int& Origin, int& Destination, const TPoint& MousePt);
    virtual bool CheckColumnDrag(int& Origin, int& Destination, const TPoint& MousePt);
    virtual bool CheckRowDrag(int& Origin, int& Destination, const TPoint& MousePt);
    virtual bool EndColumnDrag(int& Origin, int& Destination, const TPoint& MousePt);
    virtual bool EndRowDrag(int& Origin, int& Destination, const TPoint& MousePt);
    int GetSizingIndex() const { return sizingIndex; }
    int GetSizingPos() const { return sizingPos; }
    int GetSizingOfs() const { return sizingOfs; }
    void SetSizingPos(int Value) { sizingPos = Value; }
    void SetGridState(TGridState Value) { gridState = Value; }
    // Sets the column (row) being sized, the line's position and its offset from the mouse.
    void SetSizing(int Index, int Pos, int Ofs) {
        sizingIndex = Index;
        sizingPos = Pos;
        sizingOfs = Ofs;
    }
    int GetMoveIndex() const { return moveIndex; }
    int GetMovePos() const { return movePos; }

    // --- hooks for descendants
    virtual void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {}
    virtual bool SelectCell(int ACol, int ARow) { return true; }
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void ColumnMoved(int FromIndex, int ToIndex) {}
    virtual void RowMoved(int FromIndex, int ToIndex) {}
    virtual void TopLeftChanged();
    virtual void SizeChanged(int OldColCount, int OldRowCount) {}
    virtual void TimedScroll(TGridScrollDirection Direction);
    // Scales widths, heights and line width by M/D (dpi changes); widths keep their sum.
    virtual void ChangeScale(int M, int D);
    virtual void DeleteColumn(int ACol);
    virtual void DeleteRow(int ARow);

    // --- control overrides
    void Paint() override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& Message) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;

    // Scroll bars follow the cell counts and the top-left cell.
    void UpdateScrollRange();
    void UpdateScrollPos();
    void MoveTopLeft(int ALeft, int ATop);
    void ClampInView(const TGridCoord& Coord);
    // The largest LeftCol/TopRow that still fills the client area.
    TGridCoord CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfo& DrawInfo);

protected:
    void MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show);
    void MoveAnchor(const TGridCoord& NewAnchor);
    void SelectionMoved(const TGridRect& OldSel);
    void ChangeSize(int NewColCount, int NewRowCount);
    void ModifyScrollBar(int ScrollBar, int ScrollCode, int Pos);
    void HideEdit();
    void CancelMode();
    void DrawMove();
    // The scrollable cell an axis offers at Pos (the fixed area counts as before the first).
    int AxisCellAt(const TGridAxisDrawInfo& Axis, int Pos) const;
    void WMSetCursor(TMessage& Message);
    void WMTimer(TMessage& Message);
    void WMScroll(TMessage& Message, int Bar);
    // The next visible column from ACol in Step direction (ACol itself when visible).
    int VisibleColFrom(int ACol, int Step, int Lo, int Hi) const;

    int colCount = 5, rowCount = 5;
    int fixedCols = 1, fixedRows = 1;
    int defaultColWidth = 64, defaultRowHeight = 24;
    int gridLineWidth = 1;
    std::vector<int> colWidths;  // empty: all default
    std::vector<int> rowHeights; // empty: all default
    std::vector<bool> tabStops;  // empty: all true
    TColor fixedColor = clBtnFace;
    TGridOptions options;
    TScrollStyle scrollBars = ssBoth;
    TBorderStyle borderStyle = bsSingle;
    bool defaultDrawing = true;
    bool virtualView = false;
    bool saveCellExtents = true;
    TGridCoord current{1, 1};
    TGridCoord anchor{1, 1};
    TGridCoord topLeft{1, 1};
    TGridState gridState = gsNormal;
    bool editorMode = false;
    TInplaceEdit* inplaceEdit = nullptr;
    int inplaceCol = -1, inplaceRow = -1;
    bool canEditModify = true;
    int sizingIndex = -1, sizingPos = 0, sizingOfs = 0;
    bool sizingLineDrawn = false;
    int moveIndex = -1, movePos = -1;
    bool moveDrawn = false;
    TPoint lastMouse;
    bool timerOn = false;
    int updatingScroll = 0;
};

// ---- TCustomDrawGrid / TDrawGrid ----------------------------------------------------------

// A grid whose cells are painted by OnDrawCell and edited through OnGetEditText/OnSetEditText.
class TCustomDrawGrid : public TCustomGrid {
    KADRION_CLASS(TCustomDrawGrid)
    explicit TCustomDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}

    TMovedEvent OnColumnMoved;
    TDrawCellEvent OnDrawCell;
    TGetEditEvent OnGetEditMask;
    TGetEditEvent OnGetEditText;
    TMovedEvent OnRowMoved;
    TSelectCellEvent OnSelectCell;
    TSetEditEvent OnSetEditText;
    TNotifyEvent OnTopLeftChanged;

    void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
    bool SelectCell(int ACol, int ARow) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void RowMoved(int FromIndex, int ToIndex) override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString& Value) override;
    QString GetEditMask(int ACol, int ARow) override;
    void TopLeftChanged() override;
};

class TDrawGrid : public TCustomDrawGrid {
    KADRION_CLASS(TDrawGrid)
    explicit TDrawGrid(TComponent* AOwner) : TCustomDrawGrid(AOwner) {}
};

// ---- TStringGrid --------------------------------------------------------------------------

class TStringGrid;

// One column or row of a string grid seen as a string list (reads and writes go to the cells).
class TStringGridStrings : public TStrings {
    KADRION_CLASS(TStringGridStrings)
    TStringGridStrings(TStringGrid* AGrid, bool AIsCol, int AIndex)
        : grid(AGrid), isCol(AIsCol), index(AIndex) {}
    int GetCount() const override;
    QString Get(int Index) const override;
    void Put(int Index, const QString& S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    // Adding fills the first empty cell; inserting and deleting are not possible in a grid.
    int Add(const QString& S) override;
    void Insert(int Index, const QString& S) override;
    void Delete(int Index) override;
    void Clear() override;

private:
    TStringGrid* grid;
    bool isCol;
    int index;
};

// A grid that keeps a string and an object for every cell. Cells outside the grid read empty;
// shrinking the grid drops the cells that fall off. Moving a column or row moves its cells.
class TStringGrid : public TCustomDrawGrid {
    KADRION_CLASS(TStringGrid)
    explicit TStringGrid(TComponent* AOwner);
    ~TStringGrid() override;

    QString GetCells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const QString& Value);
    TObject* GetObjects(int ACol, int ARow) const;
    void SetObjects(int ACol, int ARow, TObject* Value);
    TStrings* GetCols(int Index);
    void SetCols(int Index, TStrings* Value);
    TStrings* GetRows(int Index);
    void SetRows(int Index, TStrings* Value);

    void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString& Value) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void RowMoved(int FromIndex, int ToIndex) override;
    void SizeChanged(int OldColCount, int OldRowCount) override;

private:
    struct Cell {
        QString Text;
        TObject* Object = nullptr;
    };
    std::map<std::pair<int, int>, Cell> cells; // (row, col)
    std::map<int, std::unique_ptr<TStringGridStrings>> colViews, rowViews;
    int updatingEdit = 0;
};
