#pragma once

#include "tools/common/tga.h"

// One function per picture the game loads from graphics/; each returns the finished picture.

// Font atlas: 16 x 16 cells of 8 x 16 pixels, code c at column c % 16, row c / 16 from the top.
Image fontPicture();

// The ship, nose up, in the left 50 of 64 columns.
Image rocketPicture();

// Terrain: 16 frames of 32 x 32, frame f the cell whose filled corners are the bits of f.
Image solidTilesPicture();
Image backdropTilesPicture();

// Students (4 x 4 frames), the cannon's base and barrel, its ball, and the spinning coin.
Image spacemanPicture();
Image cannonPicture();
Image gunPicture();
Image ballPicture();
Image coinPicture();

// The explosion puff's 16 frames, the minimap's ship arrow and its student blip.
Image explosionPicture();
Image arrowPicture();
Image blipPicture();
