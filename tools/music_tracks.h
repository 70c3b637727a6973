#pragma once

// The five pieces, each rendered whole.

#include "tools/synth.h"

Stereo makeMenuMusic();      // deep space: calm pads and a drifting arpeggio
Stereo makeMission0Music();  // life underwater: gentle and friendly
Stereo makeMission1Music();  // starman: upbeat and adventurous
Stereo makeMission2Music();  // sweet spot: groovy, a little tense
Stereo makeMission3Music();  // fizz: watery, bubbly, floating
