// The numbers of the host's XLL interface as the stand-in host serves them, declared here on their own and
// never taken from the add-in: a wrong constant in the add-in then meets a host that does not know it.
#pragma once

#include <windows.h>

#include <cstddef>

#include "host/xl_types.h"

namespace korvel::standin::hostapi {

// The record's published layout: a 24-byte value union, then the type word; 32 bytes in all.
static_assert(sizeof(xll::XLOPER12) == 32, "the host's value record is 32 bytes");
static_assert(offsetof(xll::XLOPER12, xltype) == 24, "the type word follows the 24-byte value");

// Kinds of record and ownership flags.
constexpr DWORD xltypeNum = 0x0001;
constexpr DWORD xltypeStr = 0x0002;
constexpr DWORD xltypeBool = 0x0004;
constexpr DWORD xltypeRef = 0x0008;
constexpr DWORD xltypeErr = 0x0010;
constexpr DWORD xltypeMulti = 0x0040;
constexpr DWORD xltypeMissing = 0x0080;
constexpr DWORD xltypeNil = 0x0100;
constexpr DWORD xltypeSRef = 0x0400;
constexpr DWORD xltypeInt = 0x0800;
constexpr DWORD xlbitXLFree = 0x1000;
constexpr DWORD xlbitDLLFree = 0x4000;

// Return codes.
constexpr int xlretSuccess = 0;
constexpr int xlretAbort = 1;
constexpr int xlretInvXlfn = 2;
constexpr int xlretInvCount = 4;
constexpr int xlretInvXloper = 8;
constexpr int xlretFailed = 32;
constexpr int xlretUncalced = 64;

// The functions the stand-in host serves, by the host's published numbers.
constexpr int xlFree = 0x4000;
constexpr int xlAbort = 0x4001;
constexpr int xlCoerce = 0x4002;
constexpr int xlSet = 0x4003;
constexpr int xlSheetId = 0x4004;
constexpr int xlGetHwnd = 0x4008;
constexpr int xlGetName = 0x4009;
constexpr int xlAsyncReturn = 0x4010;
constexpr int xlfCaller = 89;
constexpr int xlfSelection = 95;
constexpr int xlfGetFormula = 106;
constexpr int xlfRegister = 149;
constexpr int xlfGetWorkspace = 186;
constexpr int xlfGetDocument = 188;
constexpr int xlcClose = 0x8010;
constexpr int xlcCalculateNow = 0x801F;
constexpr int xlcSelectLastCell = 0x8041;
constexpr int xlcActivate = 0x8067;
constexpr int xlcSelect = 0x806D;
constexpr int xlcNew = 0x8077;
constexpr int xlcSelectSpecial = 0x8084;

struct KnownFunction {
  int number;
  const wchar_t* name;
};

inline constexpr KnownFunction kKnownFunctions[] = {
    {xlFree, L"xlFree"},
    {xlAbort, L"xlAbort"},
    {xlCoerce, L"xlCoerce"},
    {xlSet, L"xlSet"},
    {xlSheetId, L"xlSheetId"},
    {xlGetHwnd, L"xlGetHwnd"},
    {xlGetName, L"xlGetName"},
    {xlAsyncReturn, L"xlAsyncReturn"},
    {xlfCaller, L"xlfCaller"},
    {xlfSelection, L"xlfSelection"},
    {xlfGetFormula, L"xlfGetFormula"},
    {xlfRegister, L"xlfRegister"},
    {xlfGetWorkspace, L"xlfGetWorkspace"},
    {xlfGetDocument, L"xlfGetDocument"},
    {xlcClose, L"xlcClose"},
    {xlcCalculateNow, L"xlcCalculateNow"},
    {xlcSelectLastCell, L"xlcSelectLastCell"},
    {xlcActivate, L"xlcActivate"},
    {xlcSelect, L"xlcSelect"},
    {xlcNew, L"xlcNew"},
    {xlcSelectSpecial, L"xlcSelectSpecial"},
};

// The function's name, or null for a number the host does not serve.
inline const wchar_t* FunctionName(int number) {
  for (const KnownFunction& f : kKnownFunctions)
    if (f.number == number) return f.name;
  return nullptr;
}

}  // namespace korvel::standin::hostapi
