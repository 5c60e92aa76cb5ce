// Script interpreter of the report engine: compiles a script (a list of text lines) once into a
// flat list of compiled lines - conditional jumps, jumps, calls and assignments over postfix
// expressions - and runs that list as often as needed.
//
// Compiled line (0-based indexes):
//   code 1, low byte, high byte of a target, postfix condition: when the condition equals 0
//           go to the target, else to the next line
//   code 2, low byte, high byte of a target: go to the target
//   code 3, postfix expression: evaluate and drop the value; "EXIT(0)" stops the script
//   name, blank, postfix expression: assignment
#pragma once

#include "Classes.h"
#include "FR_Pars.h"

#include <QString>
#include <QStringList>

class TfrVariables;

enum : char16_t { ttIf = 1, ttGoto = 2, ttProc = 3 };

class TfrInterpretator {
public:
    // Limits of the compiled form; a script that exceeds them does not compile.
    static constexpr int MaxSourceLength = 32000;
    static constexpr int MaxLabels = 101;
    static constexpr int MaxLines = 65536;

    TfrInterpretator();
    virtual ~TfrInterpretator() = default;
    TfrInterpretator(const TfrInterpretator&) = delete;
    TfrInterpretator& operator=(const TfrInterpretator&) = delete;

    virtual void GetValue(const QString& Name, Variant& Value) {}
    virtual void SetValue(const QString& Name, const Variant& Value) {}
    virtual void DoFunction(const QString& Name, const Variant& p1, const Variant& p2,
                            const Variant& p3, Variant& val) {}
    // Compiles MemoFrom into MemoTo; errors go to MemoErr as "Line l/c: message".
    virtual void PrepareScript(TStrings* MemoFrom, TStrings* MemoTo, TStrings* MemoErr);
    virtual void DoScript(TStrings* Memo);
    // Asked at every turn of a loop (a jump back); true ends the script there.
    virtual bool LoopStopped() { return false; }
    // Hands the expression of every compiled line to a function splitter.
    void SplitExpressions(TStrings* Memo, QStringList* MatchFuncs, QStringList* SplitTo,
                          TfrVariables* Variables);

    TfrParser Parser;
};
