#include "UnderWine.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

bool UnderWine()
{
#ifdef Q_OS_WIN
    // Wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}
