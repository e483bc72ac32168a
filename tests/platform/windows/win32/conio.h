// Stand-in: the console's key test (see windows.h beside it).
#pragma once

int _kbhit();  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the Windows name
