#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The level files the game ships for each mission, as the level tests read them.

std::string shippedMap(int mission);
std::string shippedObjects(int mission);

// The checker's problems, one indented line each, for a failure message.
std::string listed(const std::vector<std::string>& problems);

// Object kinds as the objects file stores them.
const int32_t kStudent = 4, kCannon = 16;
