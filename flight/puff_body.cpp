#include "flight/puff_body.h"

#include "flight/collision_category.h"
#include "flight/world.h"

b2Body* makePuffBody(World* world, float x, float y, float radius, float friction,
                     float restitution) {
    b2BodyDef bodyDef;
    bodyDef.type = b2_dynamicBody;
    bodyDef.position.Set(x, y);
    b2Body* body = world->physics->CreateBody(&bodyDef);

    b2CircleShape shape;
    shape.m_radius = radius;
    b2FixtureDef fixtureDef;
    fixtureDef.shape = &shape;
    fixtureDef.friction = friction;
    fixtureDef.restitution = restitution;
    fixtureDef.density = 1.0f;
    fixtureDef.filter.categoryBits = CollisionCategory::Puff;
    fixtureDef.filter.maskBits = CollisionCategory::Terrain;
    fixtureDef.filter.groupIndex = 0;
    body->CreateFixture(&fixtureDef);
    return body;
}
