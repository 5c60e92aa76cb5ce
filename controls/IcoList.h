// Icon lists and icon helpers: TIconList, a list of icons that streams itself as one binary
// property "Icons" and tells its owner of every change (also of an icon edited in place);
// icons made for the screen's colour depth; and the clipboard format "Pellix Icon", which the
// picture class reads as an icon.
//
// The "Icons" stream (SaveToStream/LoadFromStream), integers 32-bit little-endian:
//   count
//   per entry: size (0 for a missing or empty icon), then size bytes of an icon file.
#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "SysUtils.h"

#include <memory>

KADRION_EXCEPTION(EResNotFound, Exception)

class TIconList : public TPersistent {
    KADRION_CLASS(TIconList)
    TIconList();
    ~TIconList() override;

    // Copies a list (every icon anew), one icon, or nothing (null clears).
    void Assign(TPersistent* Source) override;

    // OnChange, unless inside BeginUpdate/EndUpdate; the outermost EndUpdate calls it once.
    virtual void Changed();
    void BeginUpdate();
    void EndUpdate();

    // The icon at Index (null for a missing entry). Index errors raise EListError.
    virtual TIcon* Get(int Index) const;
    TIcon* operator[](int Index) const { return Get(Index); }
    virtual int GetCount() const;
    int Count() const { return GetCount(); }
    // Sets the icon at Index to a copy of Icon; Index equal to the count appends.
    virtual void Put(int Index, TIcon* Icon);
    // Appends (inserts) a copy of Icon; returns its index.
    virtual int Add(TIcon* Icon);
    virtual void Insert(int Index, TIcon* Icon);
    // The same with an icon of the program's resources (":/icons/<Name>.ico"); a name that is
    // not there raises EResNotFound.
    virtual int AddFromResource(const QString& ResName);
    virtual void InsertFromResource(int Index, const QString& ResName);
    virtual void Clear();
    virtual void Delete(int Index);
    virtual void Exchange(int Index1, int Index2);
    virtual void Move(int CurIndex, int NewIndex);
    virtual int IndexOf(TIcon* Icon) const;

    // The "Icons" stream. Reading replaces the list only once the whole stream was read: a
    // damaged stream raises (EReadError, EInvalidGraphic) and leaves the list as it was.
    virtual void LoadFromStream(TStream* Stream);
    virtual void SaveToStream(TStream* Stream);
    // Whether a stored component writes its "Icons" property, given its ancestor's list
    // (null when it has none): against an ancestor of the same count only when some position
    // holds another icon object, otherwise when the list is not empty.
    bool DoWrite(const TIconList* Ancestor) const;

    TNotifyEvent OnChange;

private:
    TIcon* newIcon(TIcon* From);
    void attach(TIcon* Icon);
    void clearEntries();
    TList items;
    int updateCount = 0;
};

// The icon of the program's resources named Name (see AddFromResource).
std::unique_ptr<TIcon> LoadIconResource(const QString& Name);

// The number of colours of the screen for choosing an icon image: 2, 16 or 256 on screens of
// 1, 4 or 8 bits per pixel, 0 (true colour) on deeper ones.
int ScreenColorCount();
// The directory entry of an icon file (the bytes SaveToStream of a TIcon writes) that suits a
// screen of ScreenColors colours: the first entry whose colour count field equals it, else the
// first that does not exceed it (replaced by each later one above the first one found), else 0.
int ChooseIconImage(const QByteArray& IconFile, int ScreenColors);
// An icon for the screen: the image ChooseIconImage picks for this screen alone. A stored
// icon of type 0 gives the application's icon; a cursor file a copy of the icon. A damaged
// icon raises EInvalidGraphic.
std::unique_ptr<TIcon> CreateScreenIcon(TIcon* Icon);
// The width and height of an icon; an empty icon has the system's icon size.
TSize IconExtent(TIcon* Icon);
// Raises EOutOfResources "Out of system resources".
[[noreturn]] void RaiseOutOfResources();

// The clipboard format of icons, "Pellix Icon" (registered with the picture class on first
// use and at start-up): a picture pasted from it is a TIcon.
uint16_t CF_ICON();
// Puts the icon on the clipboard in that format (with its picture for other programs).
void CopyIconToClipboard(TIcon* Icon);
