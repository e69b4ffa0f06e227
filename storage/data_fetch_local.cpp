// Background data fetches where the data folder is local (the desktop and
// Windows): every file is here already, so nothing is fetched or waited for.
// The browser's own, which fetches from beside the page, is data_fetch_web.cpp.
#include "storage/module.h"

bool vx_data_Prefetch(const String&) { return true; }

bool vx_data_Ready(const String&) { return true; }

void vx_data_Await(const String&) {}

bool vx_data_Awaiting() { return false; }
