#pragma once

// What one tile of the map is. Only Breakable and Solid collide; any other value a map file may
// hold is drawn by no layer and collides with nothing.
enum TileKind {
    Empty = 0,
    Backdrop = 1,   // drawn, not solid; what a laser leaves of Breakable rock
    Backdrop2 = 2,  // drawn, not solid
    Breakable = 3,
    Solid = 4,
};

inline bool isSolidTile(int kind) {
    return kind == Breakable || kind == Solid;
}
