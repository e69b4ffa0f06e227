// What the desktop and browser drawing layers share (render_gl_common.cpp,
// which also defines the parts of render_gl.h both do alike): drawing the
// kinds that need no indices, making a texture, reading the frame's viewport.
// render_gl_desktop.cpp and render_gl_web.cpp call these and supply gxtkGlBindTexture,
// through which the shared half binds.
#pragma once

// Draws the first `count` vertices of the frame's array as points, lines or
// triangles; false, drawing nothing, for quads and polygons, which each layer
// indexes its own way.
bool gxtkGlDrawUnindexed(int kind, int count);

// Makes a texture, leaves it bound and samples it by the nearest texel,
// clamped at the edges. Returns its name; its storage is the caller's to make.
unsigned gxtkGlNewTexture();

// The viewport of the frame being drawn: its lower left corner at x, y, and
// its size; false when it is empty.
bool gxtkGlFrameViewport(int* x, int* y, int* width, int* height);
