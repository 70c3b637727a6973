#include "frontend/totals.h"

#include <climits>

#include "campaign/campaign_state.h"

namespace {

int saturated(long long value) {
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

// Eight ints cannot overflow a long long, so the order of the rows does not matter.
int saturatedSum(const int* values) {
    long long sum = 0;
    for (int i = 0; i < g_missionCount; i++) {
        sum += values[i];
    }
    return saturated(sum);
}

}  // namespace

int saturatingAdd(int a, int b) {
    return saturated(static_cast<long long>(a) + b);
}

int saturatingSubtract(int a, int b) {
    return saturated(static_cast<long long>(a) - b);
}

int totalBestStudents() {
    return saturatedSum(g_bestStudents);
}
int totalBestCredits() {
    return saturatedSum(g_bestCredits);
}
