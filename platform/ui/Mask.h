// The mask edit: a text edit whose text follows an edit mask (MaskUtils.h gives the syntax).
// Typing overwrites one position at a time and skips the literals; a character a position
// does not accept is refused.
#pragma once

#include "MaskUtils.h"
#include "StdCtrls.h"

KADRION_EXCEPTION(EDBEditError, Exception)
inline constexpr char SMaskEditErr[] = "Invalid input value.  Use escape key to abandon changes";

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
