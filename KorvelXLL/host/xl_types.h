// The host's value record and the numbers of its XLL interface (version 12), declared here from the
// interface's published behaviour. Only what the add-in uses is declared.
#pragma once

#include <windows.h>

#include <cstdint>

namespace korvel::xll {

using XlRow = INT32;
using XlColumn = INT32;
using XlSheetId = DWORD_PTR;

// One rectangle of cells, first and last row and column counted from 0.
struct XlArea {
  XlRow rwFirst;
  XlRow rwLast;
  XlColumn colFirst;
  XlColumn colLast;
};

// Area list of a multi-area reference: a 16-bit count, then that many rectangles.
struct XlAreaList {
  WORD count;
  XlArea reftbl[1];
};

struct XLOPER12 {
  union {
    double num;
    wchar_t* str;  // element 0 holds the character count
    BOOL xbool;
    int err;
    int w;
    struct {
      WORD count;
      XlArea ref;
    } sref;
    struct {
      XlAreaList* lpmref;
      XlSheetId idSheet;
    } mref;
    struct {
      XLOPER12* lparray;
      XlRow rows;
      XlColumn columns;
    } array;
    struct {
      union {
        int level;
        int tbctrl;
        XlSheetId idSheet;
      } valflow;
      XlRow rw;
      XlColumn col;
      BYTE xlflow;
    } flow;
    struct {
      union {
        BYTE* lpbData;
        HANDLE hdata;
      } h;
      long cbData;
    } bigdata;
  } val;
  DWORD xltype;
};

// Kinds of record, in the record's type word.
constexpr DWORD xltypeNum = 0x0001;
constexpr DWORD xltypeStr = 0x0002;
constexpr DWORD xltypeBool = 0x0004;
constexpr DWORD xltypeRef = 0x0008;
constexpr DWORD xltypeErr = 0x0010;
constexpr DWORD xltypeFlow = 0x0020;
constexpr DWORD xltypeMulti = 0x0040;
constexpr DWORD xltypeMissing = 0x0080;
constexpr DWORD xltypeNil = 0x0100;
constexpr DWORD xltypeSRef = 0x0400;
constexpr DWORD xltypeInt = 0x0800;
constexpr DWORD xltypeBigData = xltypeStr | xltypeInt;
// Ownership flags in the same word.
constexpr DWORD xlbitXLFree = 0x1000;
constexpr DWORD xlbitDLLFree = 0x4000;

// Error values.
constexpr int xlerrNull = 0;
constexpr int xlerrDiv0 = 7;
constexpr int xlerrValue = 15;
constexpr int xlerrRef = 23;
constexpr int xlerrName = 29;
constexpr int xlerrNum = 36;
constexpr int xlerrNA = 42;

// Return codes of the call entry.
constexpr int xlretSuccess = 0;
constexpr int xlretAbort = 1;
constexpr int xlretInvXlfn = 2;
constexpr int xlretInvCount = 4;
constexpr int xlretInvXloper = 8;
constexpr int xlretStackOvfl = 16;
constexpr int xlretFailed = 32;
constexpr int xlretUncalced = 64;

// Function numbers: worksheet functions plain, command equivalents with bit 15, the interface's own with bit 14.
constexpr int xlCommandBit = 0x8000;
constexpr int xlSpecialBit = 0x4000;
constexpr int xlFree = 0 | xlSpecialBit;
constexpr int xlAbort = 1 | xlSpecialBit;
constexpr int xlCoerce = 2 | xlSpecialBit;
constexpr int xlSet = 3 | xlSpecialBit;
constexpr int xlSheetId = 4 | xlSpecialBit;
constexpr int xlGetHwnd = 8 | xlSpecialBit;
constexpr int xlGetName = 9 | xlSpecialBit;
constexpr int xlAsyncReturn = 16 | xlSpecialBit;
constexpr int xlfCaller = 89;
constexpr int xlfSelection = 95;
constexpr int xlfGetFormula = 106;
constexpr int xlfRegister = 149;
constexpr int xlfGetWorkspace = 186;
constexpr int xlfGetDocument = 188;
constexpr int xlcClose = 16 | xlCommandBit;
constexpr int xlcCalculateNow = 31 | xlCommandBit;
constexpr int xlcSelectLastCell = 65 | xlCommandBit;
constexpr int xlcActivate = 103 | xlCommandBit;
constexpr int xlcSelect = 109 | xlCommandBit;
constexpr int xlcNew = 119 | xlCommandBit;
constexpr int xlcSelectSpecial = 132 | xlCommandBit;

// A string record holds at most this many characters behind its count element.
constexpr int kMaxXlChars = 32767;
// Arguments per call that the host takes.
constexpr int kMaxXlArgs = 255;

// The host's call entry, "MdCallBack12": function number, argument count, argument records, result record.
using HostCallEntry = int(__stdcall*)(int xlfn, int count, XLOPER12** args, XLOPER12* result);

}  // namespace korvel::xll
