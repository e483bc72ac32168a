#pragma once

#include "platform/platform.hpp"

// Hands the whole canvas to the console in one write, from its first cell, into screen_rect.
void present_canvas(platform::OutputHandle handle);
