#pragma once

#include <box2d/box2d.h>

#include <cstdint>

// Each body carries the object it belongs to (the World for terrain bodies).
template <class T>
void setUserData(b2Body* body, T* object) {
    body->GetUserData().pointer = reinterpret_cast<uintptr_t>(object);
}

template <class T>
T* getUserData(b2Body* body) {
    return reinterpret_cast<T*>(body->GetUserData().pointer);
}
