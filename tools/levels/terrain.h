#pragma once

#include <cstdint>
#include <vector>

#include "tools/levels/level_map.h"

// Landforms built from the toolkit's brushes, shared by the missions.
namespace levelgen {

// The ground's surface height for each column: straight lines through the knots (x, height),
// plus noise that wanders up to `roughness` tiles either way with features about `cell` wide.
std::vector<int> groundProfile(int width, const std::vector<Point>& knots, double roughness,
                               double cell, uint32_t seed);
// Solid rock from the bottom up to each column's height (the height is the surface's y),
// its surface pushed up and down by up to `warp` tiles of 2D noise about `cell` wide, which
// leaves overhangs, arches and loose rocks where the warp runs strong.
void raiseGround(TileGrid& grid, const std::vector<int>& heights, double warp, double cell,
                 uint32_t seed);

// Rounds off the rock in the box: a tile with most of its 8 neighbours solid becomes Solid, one
// with few becomes open (Backdrop beside a back wall, Empty elsewhere). Breakable stays.
void smoothRock(TileGrid& grid, int x0, int y0, int x1, int y1, int passes);

// Removes loose rocks of fewer than `size` tiles and fills enclosed pockets of fewer than
// `size` tiles, which would only read as noise.
void clearSpecks(TileGrid& grid, int size);

// Bedrock rows at the bottom and walls at both sides up to the top, their inner faces ragged.
void frameMap(TileGrid& grid, int bedrock, int wall, uint32_t seed);

// A flat floor: `thick` rows of Solid whose top is y = ground from x0 to x1, with `headroom`
// rows above it opened by `open` (Brush::Cave inside rock, Brush::Air on a hillside).
void flatFloor(TileGrid& grid, int x0, int x1, int ground, int thick, int headroom, Brush open);

// Winding caves through the rock of the box: Backdrop where the noise runs within `width` of
// its middle value, along the noise's contour lines, features about `cell` tiles wide.
void noiseCaves(TileGrid& grid, int x0, int y0, int x1, int y1, double cell, double width,
                uint32_t seed);

// Veins of Breakable rock where noise runs high, in the Solid tiles of the box that lie within
// `depth` tiles of open space (where a laser can reach them).
void crumblyVeins(TileGrid& grid, int x0, int y0, int x1, int y1, double threshold, int depth,
                  uint32_t seed);

// The ruin of a building standing on the ground at y = ground: a Backdrop wall drawn behind
// everything, crumbling at the top, with Backdrop2 window holes that show what lies behind.
// Only open tiles are painted: rock in the way stays.
void ruin(TileGrid& grid, int x0, int ground, int width, int height, uint32_t seed);

// Rock teeth hanging from the ceilings and rising from the floors of open spaces in the box:
// at columns where noise runs high, up to `length` tiles long.
void teeth(TileGrid& grid, int x0, int y0, int x1, int y1, double threshold, int length,
           uint32_t seed);

// A student on a flat shelf: `left` and `right` tiles of floor either side of its column, four
// rows of room above, opened with `open`.
void studentShelf(Level& level, int x, int ground, int left, int right, Brush open);

// Places up to `count` cannons on open ground in the box that the ship can reach (Solid under
// the base and beside it, three open rows above), chosen in a shuffled order and kept apart:
// `spacing` metres from each other, and clear of the start place and the students' shelves.
// Returns how many it placed.
struct Box {
    int x0, y0, x1, y1;
};
int scatterCannons(Level& level, Box box, int count, double spacing, Point start, uint32_t seed);

}  // namespace levelgen
