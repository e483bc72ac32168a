// Stand-in: the console's key test (see windows.h beside it).
#pragma once

int _kbhit();
