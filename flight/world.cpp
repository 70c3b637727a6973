// Placeholder until this part of the game is written.
#include "flight/world.h"
World::World(int size) : physics(new b2World(b2Vec2(0, 0))), rocket(nullptr), cameraX(8000), cameraY(8000), prevCameraX(8000), prevCameraY(8000), editorMode(false), tileSheet(nullptr), backdropSheet(nullptr), studentSheet(nullptr), cannonSheet(nullptr), explosionSheet(nullptr), ballSheet(nullptr), coinSheet(nullptr), blipSheet(nullptr), arrowTexture(0), gunTexture(0), font(nullptr), studentsRescued(0), studentsTotal(0), width(size), height(size), deadFrames(0), tiles(new int32_t[size * size]()), tileBodies(new b2Body*[size * size]()), tileDirty(new uint8_t[size * size]()), rocketTexture(0) {}
World::~World() { delete physics; delete[] tiles; delete[] tileBodies; delete[] tileDirty; }
