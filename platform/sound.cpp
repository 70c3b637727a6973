// Placeholder until this part of the game is written.
#include "platform/sound.h"
SoundEngine* SoundEngine::openDevice() { return new SoundEngine(); }
SoundEngine* SoundEngine::openLoopback(int) { return new SoundEngine(); }
SoundEngine::~SoundEngine() {}
SoundSource* SoundEngine::addSource(const char*, bool) { return nullptr; }
void SoundEngine::play(SoundSource*) {}
SoundHandle* SoundEngine::playTracked(SoundSource*, bool, bool) { return new SoundHandle(); }
void SoundEngine::render(int16_t* out, int frames) { for (int i = 0; i < 2 * frames; i++) out[i] = 0; }
bool SoundEngine::isSilent() const { return true; }
void SoundHandle::stop() {}
void SoundHandle::setPlayPosition(int) {}
void SoundHandle::setPaused(bool) {}
