// Text for the examples: the framework draws text as images, one frame of
// the current font per character, starting at the font's first character.
// Relies on graphics/graphics.h (the default font loads from data/).
#pragma once

#include "graphics/graphics.h"

// Draws `text` with its top-left corner at (x, y); characters the font
// lacks leave a gap.
inline void DrawText(const String& text, float x, float y) {
  c_Image* font = vx_graphics_GetFont();
  if (!font) return;
  int first = vx_graphics_context->fontFirstChar;
  for (int i = 0; i < text.Length(); ++i) {
    int frame = text[i] - first;
    if (frame >= 0 && frame < font->p_Frames()) vx_graphics_DrawImage(font, x + i * font->p_Width(), y, frame);
  }
}
