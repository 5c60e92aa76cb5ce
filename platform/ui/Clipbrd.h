// The clipboard: text, images and named custom formats (bytes) over Qt's clipboard.
// A custom format is registered by name and gets a number of its own (from 0xC000 up, the
// same name always the same number); its bytes travel as a MIME type of that name.
#pragma once

#include "Graphics.h"

#include <QByteArray>
#include <QString>
#include <memory>

class QMimeData;

// The number of a named format (registered on first use).
uint16_t RegisterClipboardFormat(const QString& Name);
// The name of a format number ("" for an unknown one); standard formats have fixed names.
QString GetClipboardFormatName(uint16_t Format);

class TClipboard : public TPersistent {
    KADRION_CLASS(TClipboard)
    TClipboard();
    ~TClipboard() override;

    // Between Open and Close, the Set* calls build one clipboard content, put there at Close.
    // Outside, each Set* replaces the whole content.
    void Open();
    void Close();
    void Clear();

    QString GetAsText();
    void SetAsText(const QString& Value);
    bool HasFormat(uint16_t Format);
    int GetFormatCount();
    uint16_t GetFormats(int Index);

    // Bytes of any format: CF_TEXT in Windows-1251, CF_UNICODETEXT in UTF-16, CF_DIB as a packed
    // DIB, registered formats as given.
    QByteArray GetAsHandle(uint16_t Format);
    void SetAsHandle(uint16_t Format, const QByteArray& Data);

    // Pictures: a bitmap (or any graphic that saves a clipboard format) in and out.
    void Assign(TPersistent* Source) override;
    // Fills a picture or bitmap from the clipboard.
    void AssignTo(TPersistent* Dest) override;
    void SetTextBuf(const QString& Buffer) { SetAsText(Buffer); }

private:
    void commit(std::unique_ptr<QMimeData> Data);
    QMimeData* building();
    int openCount = 0;
    std::unique_ptr<QMimeData> pending;
};

// The process-wide clipboard object.
TClipboard* Clipboard();
// Replaces it (tests); returns the previous one, ownership passes to the caller.
TClipboard* SetClipboard(TClipboard* NewClipboard);

// MIME type used for a format number.
QString ClipboardMimeType(uint16_t Format);
