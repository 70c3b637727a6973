#include "frontend/totals.h"

#include <cstdint>

#include "campaign/campaign_state.h"

namespace {

int fromBits(uint32_t bits) {
    return static_cast<int>(static_cast<int32_t>(bits));
}

int wrappingSum(const int* values) {
    int sum = 0;
    for (int i = 0; i < g_missionCount; i++) {
        sum = wrappingAdd(sum, values[i]);
    }
    return sum;
}

}  // namespace

int wrappingAdd(int a, int b) {
    return fromBits(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int wrappingSubtract(int a, int b) {
    return fromBits(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

int totalBestStudents() {
    return wrappingSum(g_bestStudents);
}
int totalBestCredits() {
    return wrappingSum(g_bestCredits);
}
