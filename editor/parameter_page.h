// The property page of a plug-in: the COM object the host's property frame
// drives (IPropertyPage). Its window, controls and messages are the
// PageWindow's; its help and context menu have units of their own.
#pragma once

#include <windows.h>

#include "editor/page_window.h"
#include "host/unknown.h"

namespace orkv::editor {

// The creation function of the page's factory entry: the page (no reference
// taken) with *status S_OK; null with E_OUTOFMEMORY, or with
// REGDB_E_CLASSNOTREG when a control class cannot be registered. The control
// classes stay registered on the module until it is unloaded.
host::CUnknown* CreateParameterPage(const PageSetup& setup, IUnknown* outer, HRESULT* status);

}  // namespace orkv::editor
