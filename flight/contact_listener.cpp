// Placeholder until this part of the game is written.
#include "flight/contact_listener.h"
void myContactListener::PreSolve(b2Contact*, const b2Manifold*) {}
