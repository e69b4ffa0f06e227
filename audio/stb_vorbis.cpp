// Our build of stb_vorbis, compiled from the packaged source (libstb-dev's
// stb/stb_vorbis.h holds the whole implementation). Only the pull interface
// on standard I/O streams is used, so the push-data interface is left out.
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb_vorbis.h>
