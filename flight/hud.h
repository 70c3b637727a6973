#pragma once

class World;

// A message of the flight screen: one or two lines of text, the second 32 pixels below the
// first. No first line means no message.
struct HudMessage {
    const char* firstLine = nullptr;
    const char* secondLine = nullptr;
    int x = 0, y = 0;  // screen pixels of the first line
};

// The message the flight shows now: a crash or an empty tank (once a retry is allowed), the
// climb into orbit, or the first mission's hints.
HudMessage chooseHudMessage(const World& world);

// The HUD, drawn before the world so that it stays in front: labels, counters with their icons,
// the minimap, the message and, with a ship, the hull and fuel bars.
void drawHud(World& world);
