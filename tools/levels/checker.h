#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Checks one campaign mission's level (0 to 3) as the game will read and play it: the file
// formats, the tile kinds, the object counts, and playability: a free start over a landing pad
// with a way up to orbit, each student standing on flat Solid ground with a landing spot beside
// it that the ship can reach, each cannon sitting on the surface. Returns one line per problem;
// an empty list means the level is sound.
std::vector<std::string> checkLevel(int mission, const std::vector<uint8_t>& mapFile,
                                    const std::vector<uint8_t>& objectsFile);

// Where the ship can set down to pick up each student, as the checks above find it: for each
// student record in file order, the point on the floor under the ship's centre, on the
// student's own stretch of flat ground, within sight and reachable; `found` false where none.
struct LandingSpot {
    bool found = false;
    float x = 0, y = 0;
};
std::vector<LandingSpot> findLandingSpots(int mission, const std::vector<uint8_t>& mapFile,
                                          const std::vector<uint8_t>& objectsFile);

// The same for files on disk; a file that cannot be read is a problem too.
std::vector<std::string> checkLevelFiles(int mission, const std::string& mapPath,
                                         const std::string& objectsPath);
