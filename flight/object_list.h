#pragma once

#include <box2d/box2d.h>

#include <list>

// The one place where a game object is ended from outside its own update: its body is
// destroyed, the object deleted and its node erased. Returns the next node.
template <class T>
typename std::list<T*>::iterator removeObject(std::list<T*>& list,
                                              typename std::list<T*>::iterator node) {
    T* object = *node;
    if (object->body) {
        object->body->GetWorld()->DestroyBody(object->body);
    }
    delete object;
    return list.erase(node);
}

// Ends every object of a list.
template <class T>
void removeAllObjects(std::list<T*>& list) {
    for (auto node = list.begin(); node != list.end();) {
        node = removeObject(list, node);
    }
}
