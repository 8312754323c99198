// The interfaces, classes and GUIDs that the type library declares, as widl writes them for C++.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "KorvelCOM_h.h"
