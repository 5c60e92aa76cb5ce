// The pictures of the application, drawn in code: the 16 x 16 images of the actions and the
// emblem of the splash window and the about box.
#pragma once

#include <QColor>
#include <QImage>

class TCustomImageList;

// Fills List (16 x 16) with the action images: 0 first, 1 prior, 2 next, 3 last, 4 refresh,
// 5 insert, 6 delete, 7 edit, 8 simple reports, 9 post, 10 cancel, 11 close window, 12 close
// program, 27 cards, 29 subdivisions; the indices between are empty images.
void AddActionImages(TCustomImageList* List);
// The number of images AddActionImages adds.
inline constexpr int ActionImageCount = 30;

// The emblem: a personnel card with a portrait, Size pixels square, on Back (which may be
// transparent).
QImage ProductEmblem(int Size, const QColor& Back);
