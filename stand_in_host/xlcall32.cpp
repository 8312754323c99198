// The stand-in for the host's XLCALL32.DLL: the version of the XLL interface, 12 in the high byte.
extern "C" __declspec(dllexport) int __stdcall XLCallVer() { return 0x0C00; }
