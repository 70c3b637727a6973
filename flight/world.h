#pragma once

#include <GL/gl.h>
#include <box2d/box2d.h>

#include <cstdint>
#include <list>

class Rocket;
class Explosion;
class Particle;
class Student;
class Coin;
class Shot;
class Cannon;
class SpriteSheet;
class Font;
class Minimap;

// The minimap's square on the screen, pixels a side.
const int kMinimapSize = 128;

// The state of one mission: physics, ship, objects, tile map, minimap, camera, the pictures it
// draws with, and the counters the results screen reads.
//
// Every game object follows one life protocol: its constructor makes its body (user data: the
// object), its creator appends it to a list here, and when its own update finishes it, it
// destroys its body and sets its body pointer to null; the World then deletes it and erases it
// from the list.
class World {
public:
    explicit World(int size);
    ~World();

    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // One flight step of 1/60 s: 1 when the ship reached orbit, -1 when the player asks to retry
    // after a crash or an empty tank, 0 otherwise.
    int update();
    // One step of the map editor, in place of update() while editorMode is set.
    void edit();
    void draw();

    // Level files.
    void loadMap(const char* path);
    void loadObjects(const char* path);
    // True when the whole file was written; false when it could not be (a pipe, device or
    // folder at the path, no folder for it, a full disk).
    bool saveMap(const char* path);
    bool saveObjects(const char* path);

    // Tile map and terrain collision. The valid range is 1..width-1 by 1..height-1; column 0 and
    // row 0 read as Empty.
    int getTile(int x, int y) const;
    void setTile(int x, int y, int kind);
    void markDirty(int x, int y);
    void updateTileBodies();
    void clearMap();
    static b2PolygonShape tileShape(int mask);
    void drawTile(int c1, int c2, int c3, int c4, int x, int y, int kind, SpriteSheet* sheet,
                  int variation);

    b2World* physics;
    Rocket* rocket;  // null once the ship has exploded
    std::list<Explosion*> explosions;
    std::list<Particle*> particles;
    std::list<Student*> students;
    std::list<Coin*> coins;
    std::list<Shot*> shots;
    std::list<Cannon*> cannons;
    int32_t cameraX, cameraY;  // pixels: the ship's centre of mass times 32
    int32_t prevCameraX, prevCameraY;
    float cursorX = 0, cursorY = 0;      // the editor's placing point, metres
    float lastShipX = 0, lastShipY = 0;  // the ship's last centre of mass: the wake rule's centre
    bool editorMode;
    SpriteSheet* tileSheet;
    SpriteSheet* backdropSheet;
    SpriteSheet* studentSheet;
    SpriteSheet* cannonSheet;
    SpriteSheet* explosionSheet;
    SpriteSheet* ballSheet;
    SpriteSheet* coinSheet;
    SpriteSheet* blipSheet;
    GLuint arrowTexture;
    GLuint gunTexture;
    Font* font;
    int32_t studentsRescued;
    int32_t studentsTotal;
    int32_t studentsKilled = 0;
    int32_t coinsCollected = 0;
    int32_t coinsTotal = 0;
    int32_t width, height;  // tiles
    int32_t deadFrames;     // steps without a ship or with an empty tank
    Minimap* minimap = nullptr;
    bool keyLatch = false;  // Tab and the editor's M, C, X: a held key acts once
    int32_t* tiles;         // TileKind per tile, index x + y * width, row 0 at the bottom
    b2Body** tileBodies;    // terrain body of each collision cell, or null
    uint8_t* tileDirty;     // 1: the cell's terrain body must be rebuilt

private:
    GLuint rocketTexture;  // handed to the ship
};
