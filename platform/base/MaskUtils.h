// The platform's edit-mask syntax, without a widget: the mask edit and the report engine
// share it.
//
// A mask has up to three fields separated by ';': the mask, "0" to leave the literals out of
// Text (anything else, or no field, keeps them), and the character that shows an empty
// position (default '_'). In the mask:
//   0 digit, required        9 digit, optional         # digit or sign, optional
//   L letter, required       l letter, optional
//   A letter or digit, req.  a letter or digit, opt.
//   C any character, req.    c any character, optional
//   > upper-case what follows, < lower-case it, <> neither
//   \ the next character is a literal    _ a literal space
//   / the date separator     : the time separator (both from FormatSettings)
//   ! optional positions are filled from the right when a shorter text is set
// Any other character is a literal.
#pragma once

#include <QString>
#include <vector>

// A parsed mask.
class TEditMaskInfo {
public:
    explicit TEditMaskInfo(const QString& EditMask = QString());
    struct Slot {
        QChar Mask; // the mask character, or the literal
        bool Literal = false;
        int Case = 0; // 0 as typed, 1 upper, 2 lower
    };
    bool IsMasked() const { return !positions.empty(); }
    int Length() const { return int(positions.size()); }
    const Slot& At(int I) const { return positions[size_t(I)]; }
    bool SaveLiterals() const { return saveLiterals; }
    QChar Blank() const { return blank; }
    bool Reverse() const { return reverse; }
    // Whether position I takes C (case applied into C); literals take nothing.
    bool Accepts(int I, QChar& C) const;
    bool Required(int I) const;
    // The edit text of an empty edit: literals and blanks.
    QString EmptyText() const;
    // The edit text for a value (with or without literals, as SaveLiterals says).
    QString ApplyText(const QString& Value) const;
    // Text from the edit text: blanks become spaces; literals only when saved.
    QString TextOf(const QString& EditText) const;
    // -1 when every required position is filled, else the first empty one.
    int FirstMissing(const QString& EditText) const;
    // True when no position holds a character.
    bool AllBlank(const QString& EditText) const;

private:
    std::vector<Slot> positions;
    bool saveLiterals = true;
    QChar blank = u'_';
    bool reverse = false;
};

// Value laid into the mask, literals included (blanks as spaces), as Text would give it.
QString FormatMaskText(const QString& EditMask, const QString& Value);
