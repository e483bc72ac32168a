// The console font of the browser edition, baked into the WebAssembly module at build time
// (the page has no file system and no gzip): the glyph table floodvalley-web-bake reads from
// the same PSF file the PNG export draws with.
#pragma once

#include "tools/pictures/psf_font.hpp"

extern const ConsoleFont baked_console_font;
