// Opening a URL in the browser: a new tab that cannot reach back into the
// game's page.
#include <emscripten.h>

#include "host/game.h"

EM_JS(void, tarvik_open_tab, (const char* url), {
  window.open(UTF8ToString(url), '_blank', 'noopener,noreferrer');
});

void VXGlfwGame::OpenUrl(String url) { tarvik_open_tab(url.ToUtf8().c_str()); }
