#include "campaign/mission_table.h"

// Missions 0 to 3 are the campaign; rows 4 to 7 are placeholders that no total can open but 4.
const int g_worldSize[g_missionCount] = {128, 128, 256, 256, 128, 128, 128, 128};
const int g_spawnHeight[g_missionCount] = {64, 80, 144, 144, 128, 128, 128, 128};
const float g_waterLevel[g_missionCount] = {0, 0, 25, 128, 0, 0, 0, 0};
const float g_airDensity[g_missionCount] = {2.0f, 1.5f, 1.0f, 0.5f, 0.0f, 2.0f, 2.0f, 2.0f};
const float g_gravity[g_missionCount] = {-3.5f, -4.0f, -2.5f, -1.5f, -0.0f, -3.5f, -3.5f, -3.5f};
const int g_maxStudents[g_missionCount] = {3, 5, 13, 15, 0, 0, 0, 0};
const int g_maxCredits[g_missionCount] = {75, 200, 1050, 1675, 0, 0, 0, 0};
const int g_unlockThreshold[g_missionCount] = {0, 1, 5, 12, 25, 140, 140, 140};

const Colour g_skyLowColour[g_missionCount] = {
    {0.1f, 0.05f, 0}, {0.1f, 0.05f, 0}, {0.1f, 0.05f, 0}, {0.1f, 0.05f, 0},
    {0, 0, 0},        {0, 0, 0},        {0, 0, 0},        {0, 0, 0}};
const Colour g_skyMidColour[g_missionCount] = {
    {0.2f, 0.3f, 0.5f}, {0.3f, 0.5f, 0.2f}, {0.4f, 0.2f, 0.2f}, {0.1f, 0.3f, 0.3f},
    {0, 0, 0},          {0, 0, 0},          {0, 0, 0},          {0, 0, 0}};
const Colour g_skyHighColour[g_missionCount] = {
    {0, 0, 0.2f}, {0, 0, 0.2f}, {0, 0, 0.2f}, {0, 0, 0.2f},
    {0, 0, 0},    {0, 0, 0},    {0, 0, 0},    {0, 0, 0}};
const Colour g_waterColour[g_missionCount] = {
    {0, 0, 0},    {0, 0, 0},    {0.1f, 0, 0.05f}, {0, 0.05f, 0.1f},
    {0, 0, 0},    {0, 0, 0},    {0, 0, 0},        {0, 0, 0}};
