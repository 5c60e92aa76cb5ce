// The data grid: TCustomDBGridEh shows the records of a dataset (reached through a
// TDataSource) one record per row and one TColumnEh per grid column, over the platform's
// owner-drawn grid TCustomGrid.
//
// Co-ordinates. The platform grid counts raw columns and rows from 0. With dgIndicator the
// raw column 0 is the indicator, so data column c is raw column c + IndicatorOffset; with
// dgTitles the raw row 0 is the title row, so data row r is raw row r + TitleOffset. With
// footers (FooterRowCount > 0) the last FooterRowCount rows are footer rows and the row above
// them is a filler row that pushes the footers to the bottom of the client area.
//
// Rows are a window onto the dataset: the grid's data link holds as many records as fit
// (its BufferCount) and the grid never scrolls its rows; moving through the dataset moves the
// records under them. The grid reads no more records than it shows.
//
// Layout lock. Every structural change (options, fonts, columns, the dataset's fields) goes
// through LayoutChanged or a BeginLayout/EndLayout pair; the outermost EndLayout runs the one
// rebuild (InternalLayout), and DeferLayout posts it to the message loop. Inside the lock the
// columns' change notifications are held back.
//
// Columns. With default columns the grid builds one non-stored column per visible field each
// time it lays out; customised columns are the application's and stay. Look properties of a
// column, its title and its footers are "own values with an assigned flag": an own value
// counts only once assigned, else the property follows the grid or the field.
#pragma once

#include "DB.h"
#include "DBSumLst.h"
#include "Forms.h"
#include "Grids.h"
#include "ImgList.h"
#include "Menus.h"
#include "StdCtrls.h"

#include <exception>
#include <functional>
#include <memory>
#include <vector>

class TColumnEh;
class TColumnTitleEh;
class TColumnFooterEh;
class TColumnFootersEh;
class TDBGridColumnsEh;
class TCustomDBGridEh;
class TBookmarkListEh;
class TDBGridEhSelection;
class THeadTreeNode;
class TPopupDataListEh;
class TSizeGripEh;
class TPopupWindow;
class TPopupWatch;
class TDataSource;

// Raises EInvalidGridOperation; every grid error goes through here.
[[noreturn]] void GridError(const QString& Message);

// ---- enumerations and sets ------------------------------------------------------------------

enum TDBGridOption {
    dgEditing,
    dgAlwaysShowEditor,
    dgTitles,
    dgIndicator,
    dgColumnResize,
    dgColLines,
    dgRowLines,
    dgTabs,
    dgRowSelect,
    dgAlwaysShowSelection,
    dgConfirmDelete,
    dgCancelOnExit,
    dgMultiSelect
};
using TDBGridOptions = TSet<TDBGridOption>;

enum TDBGridEhOption {
    dghFixed3D,
    dghFrozen3D,
    dghFooter3D,
    dghData3D,
    dghResizeWholeRightPart,
    dghHighlightFocus,
    dghClearSelection,
    dghFitRowHeightToText,
    dghAutoSortMarking,
    dghMultiSortMarking,
    dghEnterAsTab,
    dghTraceColSizing,
    dghIncSearch,
    dghPreferIncSearch
};
using TDBGridEhOptions = TSet<TDBGridEhOption>;

enum TDBGridEhAllowedOperation { alopInsertEh, alopUpdateEh, alopDeleteEh, alopAppendEh };
using TDBGridEhAllowedOperations = TSet<TDBGridEhAllowedOperation>;

enum TDBGridEhEditAction { geaCutEh, geaCopyEh, geaPasteEh, geaDeleteEh, geaSelectAllEh };
using TDBGridEhEditActions = TSet<TDBGridEhEditAction>;

inline constexpr TDBGridOptions DefaultDBGridOptions{
    dgEditing,  dgTitles, dgIndicator,     dgColumnResize, dgColLines,
    dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};
inline constexpr TDBGridEhOptions DefaultDBGridEhOptions{dghFixed3D, dghHighlightFocus,
                                                         dghClearSelection};
inline constexpr TDBGridEhAllowedOperations AllDBGridEhOperations{alopInsertEh, alopUpdateEh,
                                                                  alopDeleteEh, alopAppendEh};

// The input-method mode of a control (it matters only on systems with an input method).
enum TImeMode {
    imDisable,
    imClose,
    imOpen,
    imDontCare,
    imSAlpha,
    imAlpha,
    imHira,
    imSKata,
    imKata,
    imChinese,
    imSHanguel,
    imHanguel
};

enum TColumnButtonStyleEh { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown };
enum TSortMarkerEh { smNoneEh, smDownEh, smUpEh };
enum TTextOrientationEh { tohHorizontal, tohVertical };
enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };
// What a column's cells hold, tested in this order (GetColumnType).
enum TColumnKindEh {
    ctkCheckboxes,
    ctkLookupField,
    ctkPickList,
    ctkKeyImageList,
    ctkKeyPickList,
    ctkCommon
};
enum TGridSelectionKindEh { gskNone, gskRecordBookmarks, gskRectangle, gskColumns, gskAll };
// How a column's value is edited: no button, an ellipsis button, a pick list, a lookup list, a
// calendar, up-down steps, or a drop-down arrow whose click goes to the grid.
enum TEditStyleEh {
    esSimpleEh,
    esEllipsisEh,
    esPickListEh,
    esDataListEh,
    esDateCalendarEh,
    esUpDownEh,
    esDropDownEh
};
enum TDBGridColumnsState { csDefault, csCustomized };

// The own values of a column that count only once assigned (the four title members are the
// title's, see TColumnTitleEh).
enum TColumnEhValue {
    cvColor,
    cvWidth,
    cvFont,
    cvAlignment,
    cvReadOnly,
    cvTitleColor,
    cvTitleCaption,
    cvTitleAlignment,
    cvTitleFont,
    cvImeMode,
    cvImeName,
    cvWordWrap,
    cvLookupDisplayFields,
    cvCheckboxes
};
using TColumnEhValues = TSet<TColumnEhValue>;

enum TColumnFooterEhValue { cvFooterAlignment, cvFooterFont, cvFooterColor };
using TColumnFooterValues = TSet<TColumnFooterEhValue>;

// The grid posts this to itself to lay out later (DeferLayout).
inline constexpr UINT CM_DEFERLAYOUTEH = WM_USER + 100;
// The grid posts this to itself to report, after the paint, what failed while painting.
inline constexpr UINT CM_PAINTERROREH = WM_USER + 101;
// Fields a grid maps at most.
inline constexpr int MaxMapSizeEh = 0x0FFFFFFF;
// Pixels a title keeps free at its right for a sort marker.
inline constexpr int SortMarkerIndentEh = 16;
// Width of the indicator column.
inline constexpr int IndicatorWidthEh = 11;
// Sizes of the indicator and sort-marker images.
inline constexpr int IndicatorImageWidthEh = 10;
inline constexpr int IndicatorImageHeightEh = 10;
inline constexpr int SortMarkerImageWidthEh = 11;
inline constexpr int SortMarkerImageHeightEh = 11;

// The grid's own cursors: a down arrow over the lower edge of a title (a press selects the
// column) and a right arrow over the indicator (a press selects the record).
inline constexpr TCursor crDownCurEh = 14100;
inline constexpr TCursor crRightCurEh = 14101;
// Height of the lower title zone where the down arrow shows.
inline constexpr int TitleSelectZoneEh = 7;
// Puts the two cursors into the screen's list (once).
void RegisterGridCursorsEh();

// What a mouse drag over the grid does: nothing, select records from the indicator, select
// columns from the titles, select a rectangle of cells, or size a frozen column.
enum TEhGridState {
    ehgsNormal,
    ehgsRowSelecting,
    ehgsColSelecting,
    ehgsRectSelecting,
    ehgsFrozenColSizing
};

// ---- events -----------------------------------------------------------------------------------

using TDrawColumnEhCellEvent = std::function<void(TObject* Sender, const TRect& Rect, int DataCol,
                                                  TColumnEh* Column, TGridDrawState State)>;
using TDBGridEhClickEvent = std::function<void(TColumnEh* Column)>;
using TDrawFooterCellEvent = std::function<void(
    TObject* Sender, int DataCol, int Row, TColumnEh* Column, TRect Rect, TGridDrawState State)>;
using TGetFooterParamsEvent = std::function<void(
    TObject* Sender, int DataCol, int Row, TColumnEh* Column, TFont* AFont, TColor& Background,
    TAlignment& Alignment, TGridDrawState State, QString& Text)>;
using TTitleEhClickEvent = std::function<void(TObject* Sender, int ACol, TColumnEh* Column)>;
using TCheckTitleEhBtnEvent =
    std::function<void(TObject* Sender, int ACol, TColumnEh* Column, bool& Enabled)>;
using TGetBtnEhParamsEvent =
    std::function<void(TObject* Sender, TColumnEh* Column, TFont* AFont, TColor& Background,
                       TSortMarkerEh& SortMarker, bool IsDown)>;
using TGetCellEhParamsEvent = std::function<void(TObject* Sender, TColumnEh* Column, TFont* AFont,
                                                 TColor& Background, TGridDrawState State)>;
using TDrawDataCellEvent =
    std::function<void(TObject* Sender, const TRect& Rect, TField* Field, TGridDrawState State)>;

// ---- TColumnsEhList ---------------------------------------------------------------------------

// A plain list of columns (not owned): the grid's visible columns, its sort-marked columns,
// the selected columns, the columns of an export.
class TColumnsEhList : public TList {
    KADRION_CLASS(TColumnsEhList)
    TColumnEh* GetColumn(int Index) const { return static_cast<TColumnEh*>(GetItems(Index)); }
    void SetColumn(int Index, TColumnEh* Value) { SetItems(Index, Value); }
    TColumnEh* operator[](int Index) const { return GetColumn(Index); }
};

// ---- TColumnTitleEh -----------------------------------------------------------------------------

// The title cell of a column: caption, look, title button, sort marker and sort index.
class TColumnTitleEh : public TPersistent {
    KADRION_CLASS(TColumnTitleEh)
    explicit TColumnTitleEh(TColumnEh* Column);
    ~TColumnTitleEh() override;
    void Assign(TPersistent* Source) override;

    TColumnEh* GetColumn() const { return column; }
    // Own value when assigned; otherwise the field's display name (the column's FieldName
    // without a field).
    QString GetCaption();
    // Stored columns keep it; a column the grid made from the fields writes the field's
    // DisplayLabel instead.
    virtual void SetCaption(const QString& Value);
    TAlignment GetAlignment() const;
    void SetAlignment(TAlignment Value);
    // Own value when assigned; else the grid's FixedColor (clBtnFace without a grid).
    TColor GetColor() const;
    void SetColor(TColor Value);
    // Own font when assigned; else it follows the grid's TitleFont (the column's font
    // without a grid).
    TFont* GetFont();
    void SetFont(TFont* Value);
    bool GetTitleButton() const { return titleButton; }
    void SetTitleButton(bool Value);
    bool GetEndEllipsis() const { return endEllipsis; }
    void SetEndEllipsis(bool Value);
    QString GetHint() const { return hint; }
    void SetHint(const QString& Value) { hint = Value; }
    int GetImageIndex() const { return imageIndex; }
    void SetImageIndex(int Value);
    bool GetToolTips() const { return toolTips; }
    void SetToolTips(bool Value) { toolTips = Value; }
    TTextOrientationEh GetOrientation() const { return orientation; }
    void SetOrientation(TTextOrientationEh Value);

    // The sort marker keeps the grid's SortMarkedColumns in step: one marked column in
    // single marking, an ordered list with indexes 1..n with dghMultiSortMarking.
    TSortMarkerEh GetSortMarker() const { return sortMarker; }
    void SetSortMarker(TSortMarkerEh Value);
    // 1-based place in the sort order, 0 = not sorted. Setting it exchanges places with the
    // column that has that index.
    int GetSortIndex() const { return sortIndex; }
    void SetSortIndex(int Value);
    // What a title click does with dghAutoSortMarking (KeepOthers: Ctrl held): none -> down
    // -> up -> none (with KeepOthers) or down (without).
    void ToggleSortMarker(bool KeepOthers);
    // Pixels the title cell keeps for its sort marker (and its sort number).
    int GetSortMarkingWidth();

    // Forgets the assigned caption, colour, alignment and font.
    virtual void RestoreDefaults();
    TFont* DefaultFont() const;
    QString DefaultCaption();
    TAlignment DefaultAlignment() const { return taLeftJustify; }
    TColor DefaultColor() const;
    // What a form resource would keep of the title.
    bool IsCaptionStored();
    bool IsAlignmentStored() const;
    bool IsColorStored() const;
    bool IsFontStored() const;

protected:
    void fontChanged(TObject* Sender);
    // Copies the default font into the own one, quietly.
    void refreshDefaultFont();
    void changed(bool AllItems);
    TCustomDBGridEh* grid() const;

    TColumnEh* column;
    QString caption;
    std::unique_ptr<TFont> font;
    TColor color = clBtnFace;
    TAlignment alignment = taLeftJustify;
    bool endEllipsis = false;
    int sortIndex = 0;
    QString hint;
    int imageIndex = -1;
    bool toolTips = false;
    TTextOrientationEh orientation = tohHorizontal;
    bool titleButton = false;
    TSortMarkerEh sortMarker = smNoneEh;
    int fontQuiet = 0;
    friend class TColumnEh;
    friend class TCustomDBGridEh;
};

// ---- footers ------------------------------------------------------------------------------------

// The footer of a column for one footer row: what the cell shows and its look.
class TColumnFooterEh : public TCollectionItem {
    KADRION_CLASS(TColumnFooterEh)
    // A footer of a column's Footers collection.
    explicit TColumnFooterEh(TCollection* Collection);
    // The column's single Footer (no collection).
    explicit TColumnFooterEh(TColumnEh* Column);
    ~TColumnFooterEh() override;
    void Assign(TPersistent* Source) override;

    TColumnEh* GetColumn() const { return column; }
    TAlignment GetAlignment() const;
    void SetAlignment(TAlignment Value);
    TColor GetColor() const;
    void SetColor(TColor Value);
    TFont* GetFont();
    void SetFont(TFont* Value);
    bool GetEndEllipsis() const { return endEllipsis; }
    void SetEndEllipsis(bool Value);
    QString GetValue() const { return value; }
    void SetValue(const QString& Value);
    QString GetFieldName() const { return fieldName; }
    void SetFieldName(const QString& Value);
    TFooterValueType GetValueType() const { return valueType; }
    void SetValueType(TFooterValueType Value);
    bool GetWordWrap() const { return wordWrap; }
    void SetWordWrap(bool Value);
    TColumnFooterValues GetAssignedValues() const { return assignedValues; }
    virtual void RestoreDefaults();
    TFont* DefaultFont() const;
    TAlignment DefaultAlignment() const;
    TColor DefaultColor() const;
    // The item of the grid's sum list that totals this footer: made for a sum, an average or
    // a count (in a grid), freed for the other kinds and with the footer.
    void UpdateSumItem();
    TDBSum* GetSumItem() const { return sumItem; }

protected:
    void init();
    void freeSumItem();
    void fontChanged(TObject* Sender);
    void changed(bool AllItems);
    TColumnEh* column = nullptr;
    std::unique_ptr<TFont> font;
    TColor color = clWindow;
    TAlignment alignment = taLeftJustify;
    bool endEllipsis = false;
    QString value;
    QString fieldName;
    TFooterValueType valueType = fvtNon;
    bool wordWrap = false;
    TColumnFooterValues assignedValues;
    int fontQuiet = 0;
    TDBSum* sumItem = nullptr;
    friend class TColumnEh;
};

// One footer per footer row of a column (row i takes item i, rows beyond take the column's
// single Footer).
class TColumnFootersEh : public TCollection {
    KADRION_CLASS(TColumnFootersEh)
    explicit TColumnFootersEh(TColumnEh* Column);
    TColumnEh* GetColumn() const { return column; }
    TColumnFooterEh* GetItems(int Index) const { return Item<TColumnFooterEh>(Index); }
    TColumnFooterEh* Add() { return static_cast<TColumnFooterEh*>(TCollection::Add()); }
    TPersistent* GetOwner() const override;

private:
    TColumnEh* column;
};

// ---- TColumnEh ----------------------------------------------------------------------------------

// One grid column: the field it shows (by name), its look, width limits, editing aids, title
// and footers. Made through its collection (Columns->Add()), or with the collection given.
class TColumnEh : public TCollectionItem {
    KADRION_CLASS(TColumnEh)
    explicit TColumnEh(TCollection* Collection);
    ~TColumnEh() override;
    void Assign(TPersistent* Source) override;
    QString GetDisplayName() const override;
    void SetIndex(int Value) override;

    // The grid of the collection; null when the column is in no grid's collection.
    TCustomDBGridEh* GetGrid() const;
    // Made by the application's design (stored) or by the grid from the fields.
    bool GetStored() const { return stored; }

    // --- the field
    // The bound field; an unbound column with a FieldName looks it up when the dataset is
    // open or has persistent fields.
    TField* GetField();
    virtual void SetField(TField* Value);
    QString GetFieldName() const { return fieldName; }
    void SetFieldName(const QString& Value);

    // --- look (own values count once assigned)
    virtual TAlignment GetAlignment();
    virtual void SetAlignment(TAlignment Value);
    TColor GetColor() const;
    void SetColor(TColor Value);
    TFont* GetFont();
    void SetFont(TFont* Value);
    virtual int GetWidth();
    virtual void SetWidth(int Value);
    virtual bool GetReadOnly();
    virtual void SetReadOnly(bool Value);
    TImeMode GetImeMode() const;
    virtual void SetImeMode(TImeMode Value);
    QString GetImeName() const;
    virtual void SetImeName(const QString& Value);
    virtual bool GetWordWrap();
    virtual void SetWordWrap(bool Value);
    QString GetLookupDisplayFields();
    virtual void SetLookupDisplayFields(const QString& Value);
    bool GetCheckboxes();
    void SetCheckboxes(bool Value);
    TColumnEhValues GetAssignedValues() const { return assignedValues; }

    // The defaults an unassigned property reads.
    TAlignment DefaultAlignment();
    TColor DefaultColor() const;
    TFont* DefaultFont() const;
    TImeMode DefaultImeMode() const;
    QString DefaultImeName() const;
    bool DefaultReadOnly();
    int DefaultWidth();
    bool DefaultWordWrap();
    QString DefaultLookupDisplayFields();
    bool DefaultCheckboxes();
    // What a form resource would keep of the column.
    bool IsAlignmentStored();
    bool IsColorStored() const;
    bool IsFontStored() const;
    bool IsWidthStored();
    bool IsReadOnlyStored();
    bool IsWordWrapStored();

    // --- plain properties
    TColumnTitleEh* GetTitle() const { return title.get(); }
    void SetTitle(TColumnTitleEh* Value) { title->Assign(Value); }
    TColumnFooterEh* GetFooter() const { return footer.get(); }
    void SetFooter(TColumnFooterEh* Value) { footer->Assign(Value); }
    TColumnFootersEh* GetFooters() const { return footers.get(); }
    void SetFooters(TColumnFootersEh* Value) { footers->Assign(Value); }
    // The footer of footer row Row: item Row of Footers, else Footer.
    TColumnFooterEh* FooterForRow(int Row) const;
    // Binds the sum items of the column's footers again (its field or a footer changed).
    void UpdateFooterSums();
    // Made empty on first read.
    TStrings* GetPickList();
    void SetPickList(TStrings* Value);
    TStrings* GetKeyList();
    void SetKeyList(TStrings* Value);
    bool HasPickList() const { return pickList != nullptr; }
    bool HasKeyList() const { return keyList != nullptr; }
    TPopupMenu* GetPopupMenu() const { return popupMenu; }
    void SetPopupMenu(TPopupMenu* Value);
    TCustomImageList* GetImageList() const { return imageList; }
    void SetImageList(TCustomImageList* Value);
    unsigned GetDropDownRows() const { return dropDownRows; }
    void SetDropDownRows(unsigned Value) { dropDownRows = Value; }
    TColumnButtonStyleEh GetButtonStyle() const { return buttonStyle; }
    void SetButtonStyle(TColumnButtonStyleEh Value);
    bool GetVisible() const { return visible; }
    void SetVisible(bool Value);
    int GetNotInKeyListIndex() const { return notInKeyListIndex; }
    void SetNotInKeyListIndex(int Value);
    int GetMinWidth() const { return minWidth; }
    void SetMinWidth(int Value);
    int GetMaxWidth() const { return maxWidth; }
    void SetMaxWidth(int Value);
    // MinWidth when above W, else MaxWidth when below W, else W (0 = no limit).
    int AllowedWidth(int W) const;
    bool GetDblClickNextVal() const { return dblClickNextVal; }
    void SetDblClickNextVal(bool Value) { dblClickNextVal = Value; }
    double GetIncrement() const { return increment; }
    void SetIncrement(double Value) { increment = Value; }
    bool GetToolTips() const { return toolTips; }
    void SetToolTips(bool Value) { toolTips = Value; }
    intptr_t GetTag() const { return tag; }
    void SetTag(intptr_t Value) { tag = Value; }
    bool GetDropDownSizing() const { return dropDownSizing; }
    void SetDropDownSizing(bool Value) { dropDownSizing = Value; }
    bool GetDropDownShowTitles() const { return dropDownShowTitles; }
    void SetDropDownShowTitles(bool Value) { dropDownShowTitles = Value; }
    int GetDropDownWidth() const { return dropDownWidth; }
    void SetDropDownWidth(int Value);
    bool GetAlwaysShowEditButton() const { return alwaysShowEditButton; }
    void SetAlwaysShowEditButton(bool Value);
    bool GetAutoDropDown() const { return autoDropDown; }
    void SetAutoDropDown(bool Value);
    bool GetEndEllipsis() const { return endEllipsis; }
    void SetEndEllipsis(bool Value);
    // Automatic fitting scales the column from its initial width.
    bool GetAutoFitColWidth() const { return autoFitColWidth; }
    virtual void SetAutoFitColWidth(bool Value);
    int GetInitWidth() const { return initWidth; }
    void SetInitWidth(int Value) { initWidth = Value; }

    // --- cell values and editing aids
    TColumnKindEh GetColumnType();
    // The text a cell of the current record shows.
    QString GetDisplayText();
    // Whether the current record's value may change; with TryEdit the dataset is put into
    // edit mode and the answer is whether it is now editing.
    bool CanModify(bool TryEdit);
    TCheckBoxState GetCheckboxState();
    void SetCheckboxState(TCheckBoxState Value);
    // Steps the current record's value: the next (Step > 0) or previous (Step < 0) list
    // entry, or the number plus Step.
    void StepFieldValue(double Step);

    // Forgets every assigned value, the pick and key lists and the button style.
    virtual void RestoreDefaults();

protected:
    virtual TColumnFooterEh* CreateFooter();
    virtual TColumnTitleEh* CreateTitle();
    virtual TColumnFootersEh* CreateFooters();
    void fontChanged(TObject* Sender);
    void refreshDefaultFont();
    void changed(bool AllItems) { Changed(AllItems); }
    // Binds the field without any other effect; the grid hears when the field goes.
    void bindField(TField* Value);
    // Width of "0", overhang and average character width of the column font on the grid.
    void measureDigits(int& W0, int& Overhang, int& AveChar);
    // The field values are checked against: the key field of a lookup field, else the field.
    TField* valueField();

    TField* field = nullptr;
    QString fieldName;
    TColor color = clWindow;
    int width = 0;
    std::unique_ptr<TColumnTitleEh> title;
    std::unique_ptr<TFont> font;
    TImeMode imeMode = imDontCare;
    QString imeName;
    std::unique_ptr<TStringList> pickList;
    TPopupMenu* popupMenu = nullptr;
    unsigned dropDownRows = 7;
    TColumnButtonStyleEh buttonStyle = cbsAuto;
    TAlignment alignment = taLeftJustify;
    bool readOnly = false;
    TColumnEhValues assignedValues;
    std::unique_ptr<TColumnFooterEh> footer;
    bool visible = true;
    std::unique_ptr<TStringList> keyList;
    TCustomImageList* imageList = nullptr;
    int notInKeyListIndex = -1;
    int minWidth = 0;
    int maxWidth = 0;
    bool dblClickNextVal = false;
    bool checkboxes = false;
    double increment = 1.0;
    bool toolTips = false;
    std::unique_ptr<TColumnFootersEh> footers;
    bool stored = true;
    intptr_t tag = 0;
    bool dropDownSizing = false;
    bool dropDownShowTitles = false;
    int initWidth = 0;
    bool autoFitColWidth = true;
    bool wordWrap = false;
    bool endEllipsis = false;
    int dropDownWidth = 0;
    QString lookupDisplayFields;
    bool alwaysShowEditButton = false;
    bool autoDropDown = false;
    int fontQuiet = 0;
    friend class TColumnTitleEh;
    friend class TColumnFooterEh;
    friend class TDBGridColumnsEh;
    friend class TCustomDBGridEh;
};

// ---- TDBGridColumnsEh ---------------------------------------------------------------------------

// The grid's columns. Customised when the first column is a stored one, else default.
class TDBGridColumnsEh : public TCollection {
    KADRION_CLASS(TDBGridColumnsEh)
    // ItemClass makes a column inside the given collection (nullptr: TColumnEh).
    using TColumnFactory = std::function<TColumnEh*(TCollection*)>;
    explicit TDBGridColumnsEh(TCustomDBGridEh* Grid, TColumnFactory ItemClass = nullptr);
    ~TDBGridColumnsEh() override;
    TColumnEh* Add() { return static_cast<TColumnEh*>(TCollection::Add()); }
    // A column the grid makes from a field (not stored with the design).
    TColumnEh* AddNonStored();
    TColumnEh* GetItems(int Index) const { return Item<TColumnEh>(Index); }
    TColumnEh* operator[](int Index) const { return GetItems(Index); }
    TCustomDBGridEh* GetGrid() const { return grid; }
    TDBGridColumnsState GetState() const;
    TPersistent* GetOwner() const override;
    void Update(TCollectionItem* Item) override;

protected:
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

private:
    TCustomDBGridEh* grid;
};

// ---- THeadTreeNode ------------------------------------------------------------------------------

// A header cell of the multi-level title: a tree whose leaves are the columns' own title
// cells and whose inner nodes are the upper captions that adjacent columns share. Siblings
// form a ring (the last one's Next is the first).
class THeadTreeNode : public TObject {
    KADRION_CLASS(THeadTreeNode)
    THeadTreeNode(const QString& AText, int AWidth, int AHeight);
    // A root frees its whole tree.
    ~THeadTreeNode() override;

    // Each raises "Node not in Tree" for a node of another tree.
    THeadTreeNode* AddChild(THeadTreeNode* Node, const QString& AText, int AWidth, int AHeight);
    THeadTreeNode* Add(THeadTreeNode* After, const QString& AText, int AWidth, int AHeight);
    // Puts the siblings From..To under a new node; "ATo not in level" when To is not From or
    // a later sibling.
    THeadTreeNode* Union(THeadTreeNode* From, THeadTreeNode* To, int AHeight, const QString& AText);
    void FreeAllChild();
    // Whether Node is this node or lies in the subtrees of this node and its siblings.
    bool Find(THeadTreeNode* Node);
    // Every descendant in pre-order (a node, its subtree, then its next sibling).
    void ForEach(const std::function<void(THeadTreeNode* Node, void* Param)>& Proc, void* Param);

    THeadTreeNode* Host = nullptr;
    THeadTreeNode* Child = nullptr;
    THeadTreeNode* Next = nullptr;
    QString Text;
    int Height = 0;
    int Width = 0;
    // Pixels kept free at the right for the sort marker.
    int WIndent = 0;
    // Width of the vertical line after the cell.
    int VLineWidth = 0;
    // The column of a leaf; null for upper nodes.
    TColumnEh* Column = nullptr;
    // An upper cell already painted in this paint (it spans several columns).
    bool Drawn = false;
};

// ---- drawing helpers ----------------------------------------------------------------------------

// The text, or a prefix of it followed by "...", that fits MaxWidth on the canvas.
QString CutTextToWidth(const QString& Text, TCanvas* Canvas, int MaxWidth);
// Writes a cell's text in the canvas's font and colours. One line: at DX, DY from the cell's
// left (right: 3 pixels from its right; centred), cut with "..." when EndEllipsis, the cell
// filled first when FillRect. Several lines (MultiLine): word-wrapped inside the cell shrunk by
// DX and DY, with LeftMarg and RightMarg as margins, placed by Layout.
void DrawCellText(TCanvas* Canvas, const TRect& ARect, bool FillRect, int DX, int DY,
                  const QString& Text, TAlignment Alignment, TTextLayout Layout, bool MultiLine,
                  bool EndEllipsis, int LeftMarg, int RightMarg);
// The same face turned by 90 degrees (reading upwards).
std::unique_ptr<TFont> CreateVerticalFont(TFont* Font);
// Writes the text turned by 90 degrees, reading upwards, and returns the length it takes;
// CalcOnly only measures.
int DrawVerticalText(TCanvas* Canvas, const TRect& ARect, bool FillRect, int DX, int DY,
                     const QString& Text, TAlignment Alignment, TTextLayout Layout, bool CalcOnly);
// Draws image ImageIndex of the list in the cell, placed by Alignment (plus DX) and centred
// vertically; clipped to the cell when it does not fit.
void DrawCellImage(TCustomImageList* Images, TCanvas* Canvas, const TRect& ARect,
                   TAlignment Alignment, int DX, int ImageIndex);

// Words of a text split at Delimiters (runs of delimiters count as one); N is 1-based.
int WordPositionEh(int N, const QString& S, const QString& Delimiters);
QString ExtractWordEh(int N, const QString& S, const QString& Delimiters);
QString ExtractWordPosEh(int N, const QString& S, const QString& Delimiters, int& Pos);

// ---- TGridDataLinkEh ----------------------------------------------------------------------------

// The grid's link to its data source: forwards the dataset's news to the grid and keeps the
// field map, which turns a data column into a field of the dataset.
class TGridDataLinkEh : public TDataLink {
    KADRION_CLASS(TGridDataLinkEh)
    explicit TGridDataLinkEh(TCustomDBGridEh* AGrid);
    ~TGridDataLinkEh() override;

    TCustomDBGridEh* GetGrid() const { return grid; }
    // Appends a map entry for the field of that name: with a sparse map an unknown name gives
    // an empty entry, otherwise it raises the dataset's field-not-found error.
    bool AddMapping(const QString& FieldName);
    void ClearMapping();
    // The field of map entry Index; null outside the map or for an empty entry.
    TField* GetFields(int Index) const;
    int GetFieldCount() const { return fieldCount; }
    int GetMapSize() const { return mapSize; }
    bool GetSparseMap() const { return sparseMap; }
    void SetSparseMap(bool Value) { sparseMap = Value; }
    // No dataset, or default fields with every entry of a sparse map found.
    bool DefaultFields() const;
    // The grid's editor holds a value not yet written to the record.
    void Modified() { modified = true; }
    bool GetModified() const { return modified; }
    bool GetInUpdateData() const { return inUpdateData; }
    // With a pending editor value the editor reloads from the record; else the dataset's
    // edit is cancelled.
    void Reset();
    // Writes the editor's pending value into the record.
    void UpdateData() override;

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int Distance) override;
    void FocusControl(TField** Field) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    // Room for more entries: twice the old size, 8 at first, never beyond MaxMapSizeEh.
    void growMap();
    TCustomDBGridEh* grid;
    int fieldCount = 0;
    int mapSize = 0;
    std::vector<int> fieldMap;
    bool modified = false;
    bool inUpdateData = false;
    bool sparseMap = false;
};

// ---- selection ----------------------------------------------------------------------------------

// The records marked with dgMultiSelect, as bookmarks kept in dataset order.
class TBookmarkListEh : public TObject {
    KADRION_CLASS(TBookmarkListEh)
    explicit TBookmarkListEh(TCustomDBGridEh* AGrid);
    ~TBookmarkListEh() override;

    void Clear();
    // The current record's bookmark ("Cannot perform this operation on a closed dataset"
    // without an active link).
    TBookmark CurrentRow() const;
    bool GetCurrentRowSelected() const;
    void SetCurrentRowSelected(bool Value);
    // Binary search in dataset order: true when found; Index is where it is or would go.
    bool Find(const TBookmark& Item, int& Index) const;
    int Count() const { return int(list.size()); }
    int GetCount() const { return Count(); }
    TBookmark GetItems(int Index) const;
    TBookmark operator[](int Index) const { return GetItems(Index); }
    void LinkActive(bool Value);
    // Deletes every marked record from the dataset.
    void Delete();
    // Whether the last Find answered from its cache (for tests of the cache).
    bool LastFindCached() const { return lastFindCached; }

private:
    void changed();
    TCustomDBGridEh* grid;
    std::vector<TBookmark> list;
    mutable TBookmark cacheKey;
    mutable int cacheIndex = -1;
    mutable bool cacheFound = false;
    mutable bool lastFindCached = false;
    bool linkActive = false;
};

// A rectangle of cells between an anchor cell and a shift cell (data column, bookmark).
class TDBGridEhSelectionRect : public TObject {
    KADRION_CLASS(TDBGridEhSelectionRect)
    explicit TDBGridEhSelectionRect(TCustomDBGridEh* AGrid);
    void Clear();
    // Bounds; each raises EInvalidGridOperation without a dataset.
    int GetLeftCol() const;
    int GetRightCol() const;
    TBookmark GetTopRow() const;
    TBookmark GetBottomRow() const;
    bool DataCellSelected(int DataCol, const TBookmark& Bookmark) const;
    // Anchors a new rectangle at the cell (or, with AddSel, extends the present one to it).
    void Select(int DataCol, const TBookmark& Bookmark, bool AddSel);
    // The client rectangle the cells cover on screen.
    TRect CellBox(int ALeftCol, const TBookmark& ATopRow, int ARightCol,
                  const TBookmark& ABottomRow) const;
    int GetAnchorCol() const { return anchorCol; }
    TBookmark GetAnchorRow() const { return anchorRow; }
    int GetShiftCol() const { return shiftCol; }
    TBookmark GetShiftRow() const { return shiftRow; }

private:
    TDataSet* checkedDataSet(const char* Message) const;
    TCustomDBGridEh* grid;
    int anchorCol = -1;
    TBookmark anchorRow;
    int shiftCol = -1;
    TBookmark shiftRow;
};

// Whole columns, kept in collection order.
class TDBGridEhSelectionCols : public TColumnsEhList {
    KADRION_CLASS(TDBGridEhSelectionCols)
    explicit TDBGridEhSelectionCols(TCustomDBGridEh* AGrid);
    ~TDBGridEhSelectionCols() override;
    void Add(TColumnEh* Column);
    void Clear() override;
    void Select(TColumnEh* Column, bool AddSel);
    void InvertSelect(TColumnEh* Column);
    // Extends or shrinks the selection from the anchor to Column.
    void SelectShift(TColumnEh* Column);
    // Drops columns gone from the grid and re-sorts the rest.
    void Refresh();
    // Forgets a column being freed.
    void ColumnRemoved(TColumnEh* Column);
    TColumnEh* GetAnchor() const { return anchor; }
    TColumnEh* GetShiftCol() const { return shiftCol; }

private:
    bool contains(TColumnEh* Column) const { return IndexOf(Column) >= 0; }
    void removeColumn(TColumnEh* Column);
    void repaintColumn(TColumnEh* Column);
    TCustomDBGridEh* grid;
    TColumnEh* anchor = nullptr;
    TColumnEh* shiftCol = nullptr;
    TColumnsEhList shiftSelectedCols;
};

// What is selected: nothing, records, a rectangle, columns, or everything.
class TDBGridEhSelection : public TObject {
    KADRION_CLASS(TDBGridEhSelection)
    explicit TDBGridEhSelection(TCustomDBGridEh* AGrid);
    ~TDBGridEhSelection() override;
    TGridSelectionKindEh GetSelectionType() const { return kind; }
    void SetSelectionType(TGridSelectionKindEh Value);
    TBookmarkListEh* GetRows() const;
    TDBGridEhSelectionRect* GetRect() const { return rect.get(); }
    TDBGridEhSelectionCols* GetColumns() const { return columns.get(); }
    void Clear();
    void SelectAll();
    bool DataCellSelected(int DataCol, const TBookmark& Bookmark) const;
    void UpdateState();
    void LinkActive(bool Value);

private:
    friend class TBookmarkListEh;
    friend class TDBGridEhSelectionRect;
    friend class TDBGridEhSelectionCols;
    TCustomDBGridEh* grid;
    std::unique_ptr<TDBGridEhSelectionRect> rect;
    std::unique_ptr<TDBGridEhSelectionCols> columns;
    TGridSelectionKindEh kind = gskNone;
};

// ---- TDBGridEhScrollBar -------------------------------------------------------------------------

class TDBGridEhScrollBar : public TPersistent {
    KADRION_CLASS(TDBGridEhScrollBar)
    TDBGridEhScrollBar(TCustomDBGridEh* AGrid, TScrollBarKind AKind);
    void Assign(TPersistent* Source) override;
    TScrollBarKind GetKind() const { return kind; }
    bool GetVisible() const { return visible; }
    void SetVisible(bool Value);
    bool GetTracking() const { return tracking; }
    void SetTracking(bool Value) { tracking = Value; }
    bool IsScrollBarShowing() const;

private:
    TCustomDBGridEh* grid;
    TScrollBarKind kind;
    bool visible = true;
    bool tracking = false;
};

// ---- TDBGridEhSumList ---------------------------------------------------------------------------

// The grid's sum list: the totals its footers show. Inactive until the application switches it
// on; unlike a stand-alone producer it also works while the grid is designed, where it leaves
// the dataset's events alone.
class TDBGridEhSumList : public TDBSumListProducer {
    KADRION_CLASS(TDBGridEhSumList)
    explicit TDBGridEhSumList(TCustomDBGridEh* AGrid);
    TCustomDBGridEh* GetGrid() const { return grid; }

protected:
    void HookDataSetEvents() override;
    void RestoreDataSetEvents() override;

private:
    TCustomDBGridEh* grid;
};

// ---- TCustomDBGridEh ----------------------------------------------------------------------------

class TCustomDBGridEh : public TCustomGrid {
    KADRION_CLASS(TCustomDBGridEh)
    explicit TCustomDBGridEh(TComponent* AOwner);
    ~TCustomDBGridEh() override;

    // --- data
    TDataSource* GetDataSource() const { return dataLink->GetDataSource(); }
    void SetDataSource(TDataSource* Value);
    TGridDataLinkEh* GetDataLink() const { return dataLink.get(); }
    TDBGridColumnsEh* GetColumns() const { return columns.get(); }
    void SetColumns(TDBGridColumnsEh* Value) { columns->Assign(Value); }
    TColumnsEhList* GetVisibleColumns() const { return visibleColumns.get(); }
    TColumnsEhList* GetSortMarkedColumns() const { return sortMarkedColumns.get(); }
    TBookmarkListEh* GetSelectedRows() const { return bookmarks.get(); }
    TDBGridEhSelection* GetSelection() const { return selection.get(); }
    // The current data column (Col - IndicatorOffset) and its field.
    int GetSelectedIndex() const { return GetCol() - indicatorOffset; }
    void SetSelectedIndex(int Value);
    TField* GetSelectedField();
    void SetSelectedField(TField* Value);
    // The column of a data column; null outside the columns.
    TColumnEh* ColumnAt(int DataCol) const;

    // --- options and look
    TDBGridOptions GetOptions() const { return dbOptions; }
    void SetOptions(TDBGridOptions Value);
    TDBGridEhOptions GetOptionsEh() const { return optionsEh; }
    void SetOptionsEh(TDBGridEhOptions Value);
    TDBGridEhAllowedOperations GetAllowedOperations() const { return allowedOperations; }
    void SetAllowedOperations(TDBGridEhAllowedOperations Value) { allowedOperations = Value; }
    TDBGridEhEditActions GetEditActions() const { return editActions; }
    void SetEditActions(TDBGridEhEditActions Value) { editActions = Value; }
    bool GetReadOnly() const { return readOnly; }
    void SetReadOnly(bool Value);
    TFont* GetTitleFont() const { return titleFont.get(); }
    void SetTitleFont(TFont* Value) { titleFont->Assign(Value); }
    TFont* GetFooterFont() const { return footerFont.get(); }
    void SetFooterFont(TFont* Value) { footerFont->Assign(Value); }
    TColor GetFooterColor() const { return footerColor; }
    void SetFooterColor(TColor Value);
    int GetFooterRowCount() const { return footerRowCount; }
    void SetFooterRowCount(int Value);
    int GetFrozenCols() const { return frozenCols; }
    void SetFrozenCols(int Value);
    int GetTitleHeight() const { return titleHeight; }
    void SetTitleHeight(int Value);
    int GetTitleLines() const { return titleLines; }
    void SetTitleLines(int Value);
    int GetVTitleMargin() const { return vTitleMargin; }
    void SetVTitleMargin(int Value);
    bool GetUseMultiTitle() const { return useMultiTitle; }
    void SetUseMultiTitle(bool Value);
    bool GetAutoFitColWidths() const { return autoFitColWidths; }
    void SetAutoFitColWidths(bool Value);
    int GetMinAutoFitWidth() const { return minAutoFitWidth; }
    void SetMinAutoFitWidth(int Value);
    int GetRowHeight() const { return rowHeight; }
    void SetRowHeight(int Value);
    int GetRowLines() const { return rowLines; }
    void SetRowLines(int Value);
    bool GetRowSizingAllowed() const { return rowSizingAllowed; }
    void SetRowSizingAllowed(bool Value);
    bool GetDrawMemoText() const { return drawMemoText; }
    void SetDrawMemoText(bool Value);
    bool GetFlat() const { return flat; }
    void SetFlat(bool Value);
    TCustomImageList* GetTitleImages() const { return titleImages; }
    void SetTitleImages(TCustomImageList* Value);
    TDBGridEhScrollBar* GetHorzScrollBar() const { return horzScrollBar.get(); }
    TDBGridEhScrollBar* GetVertScrollBar() const { return vertScrollBar.get(); }
    void SetHorzScrollBar(TDBGridEhScrollBar* Value) { horzScrollBar->Assign(Value); }
    void SetVertScrollBar(TDBGridEhScrollBar* Value) { vertScrollBar->Assign(Value); }
    TDBGridEhSumList* GetSumList() const { return sumList.get(); }
    void SetSumList(TDBGridEhSumList* Value) { sumList->Assign(Value); }
    // The grid paints its cells itself; the base grid's own cell drawing stays off.
    bool GetDefaultDrawing() const { return defaultDrawingEh; }
    void SetDefaultDrawing(bool Value) { defaultDrawingEh = Value; }
    TImeMode ImeMode = imDontCare;
    QString ImeName;

    // --- owned images: the indicator's (0 browse, 1 edit, 2 insert, 3 multi dot, 4 multi
    // arrow, 5 arrow on a selected row, 6 arrow during an incremental search) and the sort
    // markers' (0 down, 1 up).
    TImageList* GetIndicators() const { return indicators.get(); }
    TImageList* GetSortMarkerImages() const { return sortMarkerImages.get(); }
    // The font of the sort numbers beside the markers (shared by every grid).
    static TFont* SortIndexFont();

    // --- co-ordinates and layout state
    int GetIndicatorOffset() const { return indicatorOffset; }
    int GetTitleOffset() const { return titleOffset; }
    // Data rows the grid shows (without the filler and footer rows), at least 1.
    int VisibleDataRowCount();
    // Whether a text row of the data rows may wrap (a row is taller than one text line).
    bool GetAllowWordWrap() const { return allowWordWrap; }
    int GetEditButtonWidth() const { return editButtonWidth; }
    int GetEditButtonHeight() const { return editButtonHeight; }
    // The root of the multi-level title and the leaf node of each data column.
    THeadTreeNode* GetTitleTree() const { return titleTree.get(); }
    THeadTreeNode* GetColumnLeaf(int DataCol) const;
    bool GetLayoutFromDataSet() const { return layoutFromDataSet; }
    // Raw row of the current record.
    int GetSelRow() const { return selRow; }
    QString GetEditText() const { return editText; }
    Variant GetEditKeyValue() const { return editKeyValue; }
    bool GetIncSearchActive() const { return incSearchActive; }
    int GetUpdateLock() const { return updateLock; }
    int GetLayoutLock() const { return layoutLock; }

    // --- the layout lock
    void BeginUpdate();
    void EndUpdate();
    void BeginLayout();
    void EndLayout();
    void CancelLayout();
    bool AcquireLayoutLock();
    virtual void LayoutChanged();
    void DeferLayout();
    // The rebuild itself (runs from the outermost EndLayout and the deferred message).
    void InternalLayout();

    // --- rows, widths and scrolling
    virtual void DefineFieldMap();
    virtual void LinkActive(bool Value);
    virtual void DataChanged();
    virtual void Scroll(int Distance);
    virtual void SetColumnAttributes();
    virtual void EditingChanged();
    virtual void RecordChanged(TField* Field);
    virtual void UpdateData();
    void UpdateRowCount();
    void UpdateScrollBar();
    void UpdateActive();
    // Moves to a raw column: Direction -1/+1 steps over hidden columns; ExtendRectangle
    // grows the cell selection to the new cell.
    void SelectColumnByIndex(int ACol, int Direction, bool ExtendRectangle);
    void MoveCol(int ACol);
    void InvalidateFooter();

    // --- editing questions
    bool CanEditModifyField();
    bool ColumnEditable(int DataCol);
    // Editing existing records needs alopUpdateEh; a record being inserted may always be.
    bool CanEditByAllowedOperations();
    bool AcquireFocus();
    static bool PointInGridRect(int X, int Y, const TRect& Rect);

    // --- notifications that fire the events
    virtual void CellClick(TColumnEh* Column);
    virtual void ColEnter();
    virtual void ColExit();
    virtual void EditButtonClick();
    virtual void DrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State);
    virtual void DrawColumnCell(const TRect& Rect, int DataCol, TColumnEh* Column,
                                TGridDrawState State);
    virtual void SortMarkingChanged();
    virtual TDBGridColumnsEh* CreateColumns();
    // The text of a column's footer cell in footer row Row.
    virtual QString GetFooterValue(int Row, TColumnEh* Column);
    // Let the application change how a footer cell or a data cell is drawn.
    virtual void GetFooterParams(int DataCol, int Row, TColumnEh* Column, TFont* AFont,
                                 TColor& Background, TAlignment& Alignment, TGridDrawState State,
                                 QString& Text);
    virtual void GetCellParams(TColumnEh* Column, TFont* AFont, TColor& Background,
                               TGridDrawState State);

    // --- overrides of the platform grid
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CreateWnd() override;
    void Dispatch(TMessage& Message) override;
    void ColWidthsChanged() override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void ChangeScale(int M, int D) override;
    void TimedScroll(TGridScrollDirection Direction) override;
    // The wheel moves the dataset by a record, not the rows.
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
    void Paint() override;
    void KeyUp(WORD& Key, TShiftState Shift) override;
    void TopLeftChanged() override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString& Value) override;
    QString GetEditMask(int ACol, int ARow) override;
    int GetEditLimit() override;
    bool CanEditAcceptKey(QChar Key) override;
    bool CanEditModify() override;

    // --- edit actions: what the standard edit actions may do now
    bool CanCopy();
    bool CanPaste();
    bool CanCut();
    bool CanSelectAll();
    bool CanDelete();
    // Performs an edit action when EditActions hold it and it is possible now; false otherwise.
    bool PerformEditAction(TDBGridEhEditAction Action);
    bool ExecuteAction(TBasicAction* Action) override;
    bool UpdateAction(TBasicAction* Action) override;

    // --- the position around bulk work: the current record at the same distance from the
    // middle of the rows shown
    void SavePosition();
    void RestorePosition();

    // --- auto-scrolling while the mouse drags beyond the data cells
    TEhGridState GetEhGridState() const { return ehGridState; }
    // The client rectangle of the data cells (without titles, indicator, filler and footers).
    TRect DataRect();
    // One step of the scroll timer with the mouse at its last position.
    void AutoScrollStep();
    // The timer interval of the last step, -1 while the timer is stopped.
    int GetScrollTimerInterval() const { return scrollTimerInterval; }
    void StopScrollTimer();
    // Ctrl was held at the last sort-marking title click: the notification waits for its
    // release.
    void SetSortMarkingPending(bool Value) { sortMarkingPending = Value; }
    bool GetSortMarkingPending() const { return sortMarkingPending; }

    // --- the keyboard and the editing flow
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    bool CanEditShow() override;
    // Clears the marked records and the cell selection (as dghClearSelection allows).
    void ClearSelection();
    // One record down / up, selecting with Shift; Down at the end appends a record, Up on an
    // untouched appended record cancels it.
    void NextRow(bool Select);
    void PriorRow(bool Select);
    // The next (previous) tab-stop column, wrapping to the next (previous) record.
    void TabToColumn(bool Forward);
    // Moves the dataset by Distance records (to its end with ToEnd), extending the records or
    // the cell rectangle selected when Select.
    void MoveByWithSelection(bool Select, int Distance, bool RecordMode, bool ToEnd);
    // Asks before deleting (with dgConfirmDelete).
    bool ConfirmDelete();

    // --- incremental search
    // Direction: 0 from the start (the current record when it matches), 1 next, 2 previous.
    // Timeout: milliseconds of quiet after which the search ends, -1 for none.
    void DoIncSearch(const QString& Text, int Timeout, int Direction);
    void StopIncSearch();
    QString GetIncSearchText() const { return incSearchText; }
    // The time-out of the running search, -1 when it has none.
    int GetIncSearchTimeout() const { return incSearchTimeout; }
    bool GetIncSearchTimerOn() const { return incSearchTimerOn; }

    // --- the mouse
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool GetTitlePressed() const { return titlePressed; }
    int GetPressedTitleCol() const { return pressedTitleCol; }
    // Whether the title button of a raw column may be pressed.
    virtual bool CheckTitleButton(int ACol);
    virtual void TitleBtnClick(int ACol, TColumnEh* Column);
    virtual void TitleClick(TColumnEh* Column);
    // Row sizing only from the indicator column.
    void CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos,
                         int& SizingOfs, TGridDrawInfo& FixedInfo) override;
    // Whether a point lies on the title border of a frozen column, which the mouse sizes; gives
    // the column, the border's position and its offset from the point.
    bool FrozenSizingHit(int X, int Y, int& Index, int& SizingPos, int& SizingOfs);
    // The mouse cursor the grid shows at a client point: the split over sizable borders, the
    // down arrow over the lower edge of a title (a press selects the column) and the right
    // arrow over the indicator (a press selects the record) with dgMultiSelect.
    TCursor CursorAt(int X, int Y);
    // A press inside the selection waits for a move to start dragging it.
    bool GetDragPending() const { return dragPending; }
    void WndProc(TMessage& Message) override;
    // Columns with tool tips or titles with hints give hints per cell.
    bool HasOwnHints() override;

    // --- drawing
    // Whether a data cell shows highlighted (selected records or cells, the current cell).
    virtual bool HighlightCell(int DataCol, int DataRow, const QString& Value,
                               TGridDrawState AState);
    // The default look of a data cell of the current record; an OnDrawColumnCell handler that
    // changed the canvas calls it.
    void DefaultDrawColumnCell(const TRect& Rect, int DataCol, TColumnEh* Column,
                               TGridDrawState State);
    // A check box of the state in the square centred in ARect.
    void DrawCheck(TCanvas* Canvas, const TRect& ARect, TCheckBoxState State, bool Enabled);
    // The 3-D frame of a cell: sunken when pressed, raised otherwise; on both sides, or on the
    // left (LeftSide) and right (RightSide) only where asked.
    void Draw3DFrame(TCanvas* Canvas, const TRect& ARect, bool RightSide, bool LeftSide,
                     bool Pressed1, bool Pressed2);
    // The grid is its form's active control (without a form: the focus is in it).
    bool IsGridFocused();
    // The edit style of a column as its cells show it (their always-shown edit button).
    TEditStyleEh GetColumnEditStyle(TColumnEh* Column) { return ColumnEditStyle(Column, true); }
    // The same rule for the in-place editor (ForCells false): there a pick list counts also
    // beside an image list, and a lookup key field must be modifiable at design time too.
    TEditStyleEh ColumnEditStyle(TColumnEh* Column, bool ForCells);
    TInplaceEdit* CreateEditor() override;
    // The size of a check box square.
    static TSize CheckBoxSize();

    // --- events
    TDBGridEhClickEvent OnCellClick;
    TNotifyEvent OnColEnter;
    TNotifyEvent OnColExit;
    TMovedEvent OnColumnMoved;
    TDrawDataCellEvent OnDrawDataCell;
    TDrawColumnEhCellEvent OnDrawColumnCell;
    TNotifyEvent OnEditButtonClick;
    TDBGridEhClickEvent OnTitleClick;
    TDrawFooterCellEvent OnDrawFooterCell;
    TGetFooterParamsEvent OnGetFooterParams;
    TCheckTitleEhBtnEvent OnCheckButton;
    TGetBtnEhParamsEvent OnGetBtnParams;
    TTitleEhClickEvent OnTitleBtnClick;
    TGetCellEhParamsEvent OnGetCellParams;
    TNotifyEvent OnSumListRecalcAll;
    TNotifyEvent OnSortMarkingChanged;
    TNotifyEvent OnColWidthsChanged;

protected:
    friend class TGridDataLinkEh;
    friend class TColumnEh;
    friend class TColumnTitleEh;
    friend class TDBGridColumnsEh;
    friend class TDBGridInplaceEdit;
    using TCustomGrid::SetOptions;

    // Sets the base grid's options from dgXxx and RowSizingAllowed.
    void applyGridOptions();
    void loadImages();
    void titleFontChanged(TObject* Sender);
    // The hint questions: how long to wait, and what tool tip or title hint to show where.
    void hintShowPause(TMessage& Message);
    void hintShow(TMessage& Message);
    // The font of the tool tips (the cell's or the title's).
    std::unique_ptr<TFont> hintFont;
    // Set while the title and footer fonts take the parent's font.
    bool copyingParentFont = false;
    void footerFontChanged(TObject* Sender);
    // Steps of InternalLayout.
    void reconcileColumns();
    void rebuildVisibleColumns();
    void measureRowHeight();
    void measureTitleHeight();
    void autoFitColumns();
    void buildTitleTree();
    int measureTitleNode(THeadTreeNode* Node);
    // Raw width of a column as the layout gives it.
    int rawWidthOf(TColumnEh* Column);
    // The record numbers behind the vertical scroll bar.
    bool recordsNumbered() const;
    void vertScroll(TMessage& Message);
    void rebuildSortMarkedColumns();
    // A column leaves the grid: drop every reference to it.
    void columnRemoved(TColumnEh* Column);
    void rightButtonReleased(TMessage& Message);
    // Steps of painting.
    void paintGrid();
    void drawTitleCell(int ACol, TColumnEh* Column, TRect ARect, TGridDrawState AState,
                       bool& SelectedLook, bool& Pressed);
    void drawRowCell(int ACol, int ARow, TColumnEh* Column, TRect ARect, TRect Outer,
                     TGridDrawState AState, bool Framed);
    void drawFooterCell(int DataCol, int FooterRow, TColumnEh* Column, const TRect& ARect,
                        TGridDrawState AState, bool Selected);
    void drawIndicatorCell(int ARow, const TRect& ARect);
    void drawTitleTreeNode(THeadTreeNode* Leaf, const TRect& Cell, const TRect& LeafRect);
    void drawSearchHighlight(TColumnEh* Column, const TRect& ARect, const QString& Text);
    // The text a data cell of the current record shows.
    QString cellText(TColumnEh* Column);
    // Margins of cell text and images.
    int imageMargin(bool Framed) const { return Framed ? 1 : 2; }
    int textMargin(bool Framed) const { return imageMargin(Framed) - (flat ? 1 : 0); }
    bool columnSelected(TColumnEh* Column) const;

    std::unique_ptr<TImageList> indicators;
    std::unique_ptr<TFont> titleFont;
    bool readOnly = false;
    QString savedHint;
    bool savedShowHint = false;
    TDBGridOptions dbOptions = DefaultDBGridOptions;
    uint8_t titleOffset = 1;
    uint8_t indicatorOffset = 1;
    uint8_t updateLock = 0;
    uint8_t layoutLock = 0;
    bool selecting = false;
    int selRow = 0;
    std::unique_ptr<TGridDataLinkEh> dataLink;
    QString editText;
    std::unique_ptr<TDBGridColumnsEh> columns;
    std::unique_ptr<TBookmarkListEh> bookmarks;
    TBookmark selectionAnchor;
    std::unique_ptr<TDBGridEhScrollBar> horzScrollBar;
    std::unique_ptr<TDBGridEhScrollBar> vertScrollBar;
    TDBGridEhOptions optionsEh = DefaultDBGridEhOptions;
    Variant editKeyValue = Null();
    std::unique_ptr<TDBGridEhSelection> selection;
    TCustomImageList* titleImages = nullptr;
    TDBGridEhAllowedOperations allowedOperations = AllDBGridEhOperations;
    std::unique_ptr<TFont> footerFont;
    TColor footerColor = clWindow;
    bool flat = false;
    TDBGridEhEditActions editActions;
    bool updateFields = true;
    bool acquireFocus = true;
    bool incSearchActive = false;
    QString incSearchText;
    int vTitleMargin = 10;
    bool useMultiTitle = false;
    bool autoFitColWidths = false;
    int minAutoFitWidth = 0;
    int footerRowCount = 0;
    std::unique_ptr<THeadTreeNode> titleTree;
    std::vector<THeadTreeNode*> leafNodes; // per column: its leaf of the title tree
    bool rowSizingAllowed = false;
    bool allowWordWrap = false;
    bool drawMemoText = false;
    std::unique_ptr<TImageList> sortMarkerImages;
    int pressedTitleCol = -1;
    bool titlePressed = false;
    int editButtonWidth = 0;
    int editButtonHeight = 0;
    int frozenCols = 0;
    std::unique_ptr<TColumnsEhList> visibleColumns;
    std::unique_ptr<TColumnsEhList> sortMarkedColumns;
    std::unique_ptr<TDBGridEhSumList> sumList;
    int titleHeight = 0;
    int titleLines = 0;
    int rowHeight = 0;
    int rowLines = 0;
    // Vertical text allowance of cells: 4, or 2 when flat.
    int textAllowance = 4;
    bool layoutFromDataSet = false;
    bool layoutRunning = false;
    bool colExitRunning = false;
    bool thumbTracked = false;
    int lastTrackPos = -1;
    bool defaultDrawingEh = true;
    // Set while a designed grid recalculates its sum list, so that the layout does not run it
    // again.
    bool sumListGuard = false;
    // The saved position: a bookmark and the distance of the current record from it.
    TBookmark savedBookmark;
    int savedOffset = 0;
    // Mouse tracking and the scroll timer (timer 1).
    TEhGridState ehGridState = ehgsNormal;
    int scrollTimerInterval = -1;
    bool sortMarkingPending = false;
    // The leftmost scrolled column is the first one after the fixed columns.
    bool leftColAtFirst = true;
    void startScrollTimer(int Interval);
    void cancelMode();
    // Keyboard record ranges: the anchor's selected state and whether rows toggle.
    bool toggleMode = false;
    bool keyShiftHeld = false; // Shift of the key being handled
    void charMessage(TMessage& Message);
    bool anchorWasSelected = false;
    // The incremental search's state (timer 2).
    bool incSearchMoving = false;
    int incSearchTimeout = -1;
    bool incSearchTimerOn = false;
    void startIncSearchTimer();
    void stopIncSearchTimer();
    // Mouse state between press and release.
    TPoint mouseDownPos;
    bool trackingRows = false;
    bool trackingCells = false;
    bool rightButtonAsLeft = false;
    bool titleButtonDown = false;
    int checkBoxDownCol = -1;
    int checkBoxDownRow = -1;
    void releaseTitle();
    void updatePressedTitle(int X, int Y);
    bool titleHit(int X, int Y, int ACol);
    bool dragPending = false;
    // The cell under the mouse when the hint pause last started.
    TGridCoord hintCell{-1, -1};
    bool autoDragMouseDown = false;
    // The left edge of raw column ACol, with the lines of the columns before it (frozen ones
    // from the left, scrolling ones from the first shown).
    int columnLeft(int ACol);
    // Gives a sized column the width that the line at Pos means (live sizing).
    void traceSizing(int Index, int Pos);
    void applyCursor(int X, int Y);
    // What failed while painting, waiting to be reported; a failure is reported once, until a
    // paint succeeds again.
    std::exception_ptr paintError;
    bool paintErrorReported = false;
};

// ---- the in-place editor ------------------------------------------------------------------------

// The pick list that drops down under the editor: a top-level list that never takes the
// activation; the mouse moving over it chooses the item under it, typed letters find the first
// item beginning with them.
class TPopupListbox : public TCustomListBox {
    KADRION_CLASS(TPopupListbox)
    explicit TPopupListbox(TComponent* AOwner);
    // Told of a left-button release (X, Y in the list's client co-ordinates).
    std::function<void(int X, int Y)> OnListMouseUp;
    // The letters typed since the list opened (at most 32; a pause of 2 s starts over).
    QString GetSearchText() const { return searchText; }
    void ResetSearch() { searchText.clear(); }
    // The grip in a corner that resizes the list; whether the user resized it since it opened.
    TSizeGripEh* GetSizeGrip() const { return sizeGrip; }
    bool GetResizedByUser() const { return resizedByUser; }
    void SetResizedByUser(bool Value) { resizedByUser = Value; }
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Dispatch(TMessage& Message) override;

    void CreateParams(TCreateParams& Params) override;
    QWidget* CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) override;
    void Paint() override;
    void KeyPress(QChar& Key) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    QString searchText;
    qint64 lastKeyTime = 0;
    TSizeGripEh* sizeGrip = nullptr;
    bool resizedByUser = false;
};

class TDBGridInplaceEditButton;

// The editor the grid lays over its current cell. By the current column it carries an edit
// button at its right edge and one of three drop-downs: a pick list, a lookup data list or a
// month calendar. Choices in a list become field values; typed text is completed from pick lists
// and lookup datasets; navigation keys go back to the grid.
class TDBGridInplaceEdit : public TInplaceEdit {
    KADRION_CLASS(TDBGridInplaceEdit)
    explicit TDBGridInplaceEdit(TComponent* AOwner);
    ~TDBGridInplaceEdit() override;

    TEditStyleEh GetEditStyle() const { return editStyle; }
    void SetEditStyle(TEditStyleEh Value);
    bool GetListVisible() const { return listVisible; }
    int GetButtonWidth() const;
    // The edit button at the editor's right edge (hidden for plain text).
    TWinControl* GetButtonControl() const;
    // The drop-downs (null until first needed).
    TPopupListbox* GetPickList() const { return pickList.get(); }
    TPopupDataListEh* GetDataList() const { return dataList.get(); }
    TPopupWindow* GetCalendar() const { return calendar; }
    TWinControl* GetActiveList() const;

    // Style, colour, font and text of the current cell.
    void UpdateContents() override;
    virtual void DropDown();
    virtual void CloseUp(bool Accept);
    // A press on the edit button: closes an open list, else opens it (or tells the grid).
    void ButtonClick();

    void BoundsChanged() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void Dispatch(TMessage& Message) override;
    // A press on the upper (Up) or lower half of an up-down button steps the value.
    void StepValue(bool Up);

private:
    TCustomDBGridEh* dbGrid() const;
    TColumnEh* column() const;
    // The style has a drop-down (pick list, lookup list or calendar).
    bool dropsDown() const;
    // Completes typed text from the pick list or the lookup dataset; true when it took the key.
    bool complete(QChar Key);
    void listKey(WORD Key, TShiftState Shift);
    std::unique_ptr<TPopupListbox> pickList;
    std::unique_ptr<TPopupDataListEh> dataList;
    TPopupWindow* calendar = nullptr; // owned as a component
    std::unique_ptr<TDataSource> lookupSource;
    std::unique_ptr<TPopupWatch> watch;
    TDBGridInplaceEditButton* button = nullptr;
    TEditStyleEh editStyle = esSimpleEh;
    bool listVisible = false;
    // Enter or Esc closed a list: its character is not for the grid.
    bool eatChar = false;
};

// ---- tool tips ----------------------------------------------------------------------------------

// The hint window of a cut-off cell text: it draws in the cell's font (handed over as the hint's
// data), so the tip lies over the text as the cell would show it whole.
class TToolTipsWindow : public THintWindow {
    KADRION_CLASS(TToolTipsWindow)
    explicit TToolTipsWindow(TComponent* AOwner) : THintWindow(AOwner) {}
    TRect CalcHintRect(int MaxWidth, const QString& AHint, void* AData) override;
};

// The grid placed on forms: TCustomDBGridEh with its properties published.
class TDBGridEh : public TCustomDBGridEh {
    KADRION_CLASS(TDBGridEh)
    explicit TDBGridEh(TComponent* AOwner) : TCustomDBGridEh(AOwner) {}
};
