// Everything an application uses, in one include: #include <tarvik/tarvik.h>.
// The application layer, collected objects and strings, drawing and text
// (with the built-in letters), input with the key names, audio, data files
// and the state file, sockets, HTTP and the async event pump. Installed as
// include/tarvik/tarvik.h beside the subsystem folders it includes.
#pragma once

#include "audio/audio.h"
#include "graphics/builtin_font.h"
#include "graphics/graphics.h"
#include "host/app.h"
#include "input/input_device.h"
#include "input/keys.h"
#include "net/async_event.h"
#include "net/http.h"
#include "runtime/containers.h"
#include "runtime/errors.h"
#include "runtime/random.h"
#include "runtime/string.h"
#include "storage/data_buffer.h"
#include "storage/module.h"

// The host answers these two codes itself; the key names must agree with it.
static_assert(kKeyBack == kKeyCodeBack && kKeyClose == kKeyCodeClose);
