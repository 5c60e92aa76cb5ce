// The mask edit and the platform's edit-mask syntax.
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
// Any other character is a literal. Typing overwrites one position at a time and skips the
// literals; a character a position does not accept is refused.
#pragma once

#include "StdCtrls.h"

KADRION_EXCEPTION(EDBEditError, Exception)
inline constexpr char SMaskEditErr[] = "Invalid input value.  Use escape key to abandon changes";

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

class TCustomMaskEdit : public TCustomEdit {
    KADRION_CLASS(TCustomMaskEdit)
    explicit TCustomMaskEdit(TComponent* AOwner);
    QString GetEditMask() const { return editMask; }
    void SetEditMask(const QString& Value);
    bool IsMasked() const { return info.IsMasked(); }
    // The text as shown: literals and blank characters included.
    QString GetEditText();
    void SetEditText(const QString& Value);
    // Raises EDBEditError when a required position is empty (and the text was changed).
    virtual void ValidateEdit();
    // Puts the text back as it was when the edit got the focus.
    void Reset();
    const TEditMaskInfo& MaskInfo() const { return info; }

    QString GetTextBuf() override;
    void SetTextBuf(const QString& Value) override;
    void Dispatch(TMessage& Message) override;

protected:
    virtual void ValidateError(int Pos);
    void typeChar(QChar C);
    void clearRange(int From, int To, int Cursor);
    void setMasked(const QString& EditText, int Cursor);
    QString editMask;
    TEditMaskInfo info;
    QString oldValue;
};

class TMaskEdit : public TCustomMaskEdit {
    KADRION_CLASS(TMaskEdit)
    explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
};
