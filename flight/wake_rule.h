#pragma once

#include <box2d/box2d.h>

#include <cmath>
#include <list>

// Objects farther from the ship than this, in whole metres along either of their own axes, sleep
// and are not updated.
const float kWakeRange = 15.0f;

// True while the ship's last centre lies within the wake range of the body, measured in the
// body's own rotated frame from its origin and truncated toward zero: strictly inside the
// 32 m square centred on the body and turned with it.
inline bool isInWakeRange(const b2Body* body, b2Vec2 shipCentre) {
    b2Vec2 offset = body->GetLocalVector(shipCentre - body->GetPosition());
    // Truncating as floats keeps far-off objects clear of integer overflow; NaN fails both tests.
    return std::fabs(std::trunc(offset.x)) <= kWakeRange &&
           std::fabs(std::trunc(offset.y)) <= kWakeRange;
}

// One pass over an object list: objects near the ship are woken and updated, and deleted when
// their update has ended them (null body); far ones are put to sleep, which zeroes their
// velocities, and skipped.
template <class T>
void updateNearObjects(std::list<T*>& list, b2Vec2 shipCentre) {
    for (auto node = list.begin(); node != list.end();) {
        T* object = *node;
        if (!isInWakeRange(object->body, shipCentre)) {
            object->body->SetAwake(false);
            ++node;
            continue;
        }
        // Only a sleeping body is woken: waking resets the body's sleep timer, and a body near
        // the ship may still fall asleep by itself.
        if (!object->body->IsAwake()) {
            object->body->SetAwake(true);
        }
        object->update();
        if (object->body == nullptr) {
            delete object;
            node = list.erase(node);
        } else {
            ++node;
        }
    }
}
