#include "tests/autopilot.h"
