// Resource numbers shared by the resource script and the code that reads them.
#pragma once

#define IDS_PROJNAME 100
#define IDR_APPID_SCRIPT 101
#define IDR_CLASS_SCRIPT 106
#define TYPELIB_RESOURCE_ID 1
