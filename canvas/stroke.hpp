// Thick straight strokes cut into the canvas: every cell under the brush becomes ATTR_BLACK.
#pragma once

// Blackens the cells (cx, cy) with x <= cx < x + size and y <= cy < y + size that lie on the
// canvas; cells off the canvas are skipped (never wrapped into a neighbouring row).
// A size of 0 or less stamps nothing. Characters are left alone.
void stamp_square(int x, int y, int size);

// Walks from (x0, y0) towards (x1, y1) along the longer axis and stamps a size-wide square at
// every step. The walk is half-open: the end point with the larger coordinate on the longer
// axis is never stamped, whichever end the stroke starts from.
void draw_stroke(int x0, int y0, int x1, int y1, int size);
