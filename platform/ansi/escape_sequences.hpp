// Every escape sequence the demo sends to a terminal, each named once with its meaning: those
// that set the terminal up and give it back, those a frame is made of, and the questions asked
// at the start. CSI is ESC [, OSC is ESC ], ST is ESC \.
#pragma once

namespace sequence {

// --- Taking the screen and giving it back -----------------------------------------------------
inline constexpr char CANCEL[] = "\x18";  // CAN: abandons any escape sequence cut off mid-way
inline constexpr char COLOURS_RESET[] = "\x1b[0m";  // SGR 0: default colours and attributes
inline constexpr char ALTERNATE_SCREEN_ON[] = "\x1b[?1049h";   // own screen; scrollback untouched
inline constexpr char ALTERNATE_SCREEN_OFF[] = "\x1b[?1049l";  // back to the user's screen
// DECAWM on: a glyph written after the last column starts the next row. Frames rely on it to
// go from one full row to the next without a cursor move; set on taking the screen, since a
// program before may have left it off, and again on the way out.
inline constexpr char AUTOWRAP_ON[] = "\x1b[?7h";
inline constexpr char CURSOR_HIDE[] = "\x1b[?25l";  // DECTCEM off
inline constexpr char CURSOR_SHOW[] = "\x1b[?25h";  // DECTCEM on
inline constexpr char ERASE_SCREEN[] =
    "\x1b[2J";  // ED 2: the whole screen in the current background

// --- Title and window size --------------------------------------------------------------------
inline constexpr char TITLE_PUSH[] = "\x1b[22;0t";  // XTWINOPS 22: save the title on a stack
inline constexpr char TITLE_POP[] = "\x1b[23;0t";   // XTWINOPS 23: put the saved title back
inline constexpr char TITLE_BEGIN[] = "\x1b]2;";    // OSC 2: set the window title ...
inline constexpr char TITLE_END[] = "\x1b\\";       // ... ended by ST
inline constexpr char RESIZE_BEGIN[] = "\x1b[8;";   // XTWINOPS 8 ; rows ; columns t: resize
inline constexpr char RESIZE_END[] = "t";

// --- Synchronized output (mode 2026) ----------------------------------------------------------
inline constexpr char SYNC_BEGIN[] =
    "\x1b[?2026h";  // hold the display until the update is complete
// Show the completed update at once; also sent on the way out, to end an update left open.
inline constexpr char SYNC_END[] = "\x1b[?2026l";

// --- Parts of a frame -------------------------------------------------------------------------
inline constexpr char CSI[] = "\x1b[";  // control sequence introducer
// Final bytes of the cursor controls, each CSI [n] final; n is 1 when left out.
inline constexpr char CURSOR_POSITION = 'H';  // CUP row;column (absolute)
inline constexpr char COLUMN_ADDRESS = 'G';   // CHA column, same row
inline constexpr char ROW_ADDRESS = 'd';      // VPA row, same column
inline constexpr char CURSOR_FORWARD = 'C';   // CUF n columns right
inline constexpr char CURSOR_BACK = 'D';      // CUB n columns left
inline constexpr char CURSOR_DOWN = 'B';      // CUD n rows down
inline constexpr char CURSOR_UP = 'A';        // CUU n rows up
inline constexpr char SELECT_GRAPHIC = 'm';   // SGR: colours and attributes, CSI params m
// SGR parameters.
inline constexpr char BLACK_16[] = "0;40";           // plain attributes on black
inline constexpr char BLACK_RGB[] = "0;48;2;0;0;0";  // plain attributes on RGB black
inline constexpr int SGR_RGB_BACKGROUND = 48;        // 48;2;R;G;B
inline constexpr int SGR_RGB_FOREGROUND = 38;        // 38;2;R;G;B
inline constexpr int SGR_RGB_FORM = 2;
// Each frame ends with a carriage return. xterm looks at its X events (a key press among them)
// on a carriage return, and otherwise seldom while output floods in: without it, a key took
// twice as long to end the run in a saturated xterm. The next frame positions the cursor afresh.
inline constexpr char FRAME_END = '\r';

// --- Questions asked at the start -------------------------------------------------------------
// Sent in one write; the device attributes request goes last, and since terminals answer in
// order, its answer means every earlier answer has arrived (or never will).
inline constexpr char TERMINAL_QUERIES[] =
    "\x1b[16t"      // XTWINOPS 16: cell size in pixels, answered ESC [ 6 ; height ; width t
    "\x1b[14t"      // XTWINOPS 14: text area in pixels, answered ESC [ 4 ; height ; width t
    "\x1b[?2026$p"  // DECRQM 2026: synchronized output, answered ESC [ ? 2026 ; state $ y
    "\x1b[c";       // DA1: primary device attributes, answered ESC [ ? ... c

}  // namespace sequence
