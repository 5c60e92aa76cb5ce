// The lookup controls of the data grid's unit set: the edit-button painter shared by the grid's
// cells and editor and the lookup combo box.
#pragma once

#include "Graphics.h"

// What an edit button shows.
enum TDrawButtonControlStyleEh { bcsDropDownEh, bcsEllipsisEh, bcsUpDownEh };

// Paints an edit button into ARect. DownButton says which part is pressed: 0 none, 1 the whole
// button (the upper half of an up-down button), 2 the lower half of an up-down button. A flat
// button is drawn one pixel inside and framed: in ParentColor when not Active, sunken when
// pressed, raised otherwise. Enabled off draws the inactive look.
void PaintButtonControlEh(TCanvas* Canvas, TRect ARect, TColor ParentColor,
                          TDrawButtonControlStyleEh Style, int DownButton, bool Flat, bool Active,
                          bool Enabled);

// The width of a flat edit button: two thirds of the screen font's character height, made even,
// at most the width of a vertical scroll bar.
int FlatButtonWidthEh();
