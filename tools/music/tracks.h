#pragma once

// The five pieces, as scores for the sequencer.

#include "tools/music/music.h"

Song menuSong();      // deep space: calm pads and a drifting arpeggio
Song mission0Song();  // life underwater: gentle and friendly
Song mission1Song();  // starman: upbeat and adventurous
Song mission2Song();  // sweet spot: groovy, a little tense
Song mission3Song();  // fizz: watery, bubbly, floating
