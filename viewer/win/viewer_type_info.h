// The one type information holder behind the viewer's IDispatch, shared by
// every viewer object, plain or aggregated.
#pragma once

#include "comframe/com_type_info_holder.h"

extern CComTypeInfoHolder viewerTypeInfoHolder;
