// Conversion between text and the bytes of 8-bit and double-byte code pages.
//
// Windows-1251 (the default), 866 (the OEM code page), 1252, 437 and 850 are exact tables of
// our own, as are the Polish (620) and Czech (867, 895) DOS pages derived from 437. Any other
// page (874, 932, 936, 949, 950, 1250, 1253-1258, 737, 775, 852, 855, 857, 860-865, 868, 869
// and so on) goes through Qt's converters when the installed Qt can convert it; see
// CodePageSupported. Bytes 0-127 of every single-byte page are ASCII.
//
// Undefined bytes of a single-byte page (0x98 of 1251, 0x81 of 1252...) in the range 0x80-0x9F
// read as the control character of the same number and write back to the same byte, so no
// byte is lost; other undefined bytes read as U+FFFD.
//
// Characters a code page lacks: first an own substitute (Ukrainian І і become Latin I i, Ґ ґ
// become Г г, typographic quotes, dashes and the no-break space become their ASCII forms),
// then the letter without its accents (é -> e, Ї -> І -> I), each tried in turn; else '?'.
// An unsupported code page converts as the default one (1251).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

int DefaultCodePage(); // 1251
int OemCodePage();     // 866

// True when the code page can be converted: one of our tables, or a page Qt converts.
bool CodePageSupported(int codePage);
// Every supported code page from the pages a dBase language driver or the platform names,
// ascending.
QList<int> SupportedCodePages();
// True for the double-byte pages (932, 936, 949, 950).
bool IsDoubleByteCodePage(int codePage);

QByteArray ToCodePage(const QString& text, int codePage = 1251);
// The same bytes appended to bytes: a writer that gathers many texts in one buffer of its own
// allocates only as the buffer grows.
void AppendToCodePage(QByteArray& bytes, const QString& text, int codePage = 1251);
QString FromCodePage(const QByteArray& bytes, int codePage = 1251);
QString FromCodePage(const char* bytes, qsizetype length, int codePage = 1251);
// The same text written into Text, reusing its buffer when no other string shares it and it has
// room (a reader that gives text value after value then allocates once).
void FromCodePageInto(QString& Text, const char* bytes, qsizetype length, int codePage = 1251);
// Bytes of one code page as bytes of another (characters the target lacks as above).
QByteArray ConvertCodePage(const QByteArray& bytes, int fromCodePage, int toCodePage);
// The program's 8-bit text (1251) to the OEM page (866) and back.
QByteArray AnsiToOem(const QByteArray& bytes);
QByteArray OemToAnsi(const QByteArray& bytes);

// One character. A double-byte page gives '?' for characters outside ASCII.
char CharToCodePage(QChar c, int codePage = 1251);
// One byte; a lead byte of a double-byte page gives U+FFFD.
QChar CharFromCodePage(unsigned char b, int codePage = 1251);
// True when the character has a byte of its own in the code page (no substitute needed).
bool CodePageHasChar(int codePage, QChar c);
