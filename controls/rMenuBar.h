// The tool-bar menu bar: a main menu shown as a strip of flat captioned tool buttons, one per
// top-level item, each dropping that item's sub-menu. The menu's shortcut keys reach it from
// anywhere on the form (and from the MDI children of a frame that holds the bar), and Alt with
// a caption's accelerator letter drops that menu.
#pragma once

#include "ComCtrls.h"
#include "Menus.h"

enum TEdgeBorder { ebLeft, ebTop, ebRight, ebBottom };
using TEdgeBorders = TSet<TEdgeBorder>;

class TrMenuBar : public TToolBar {
    KADRION_CLASS(TrMenuBar)
    explicit TrMenuBar(TComponent* AOwner);
    ~TrMenuBar() override;

    // The buttons are made when the menu is set: one per top-level item, in order (top-level
    // items added or removed later show when the menu is set again). Null removes them.
    TMainMenu* GetMenu() const { return menu; }
    void SetMenu(TMainMenu* Value);
    TEdgeBorders GetEdgeBorders() const { return edgeBorders; }
    void SetEdgeBorders(TEdgeBorders Value);
    // Shows the parent's colour instead of its own.
    bool GetTransparent() const { return transparent; }
    void SetTransparent(bool Value);
    // The button of the top-level item whose caption has Key ('A'..'Z', '0'..'9' or the
    // character itself) as its accelerator; null when none.
    TToolButton* FindAccelButton(QChar Key) const;

    void Paint() override;
    void Dispatch(TMessage& Message) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void destroyButtons();
    TMainMenu* menu = nullptr;
    TEdgeBorders edgeBorders;
    bool transparent = false;
};
