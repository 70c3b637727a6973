#include "frontend/game.h"

#include <GL/gl.h>
#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "campaign/campaign_state.h"
#include "campaign/sounds.h"
#include "drawing/font.h"
#include "flight/contact_listener.h"
#include "flight/world.h"
#include "frontend/launch.h"
#include "frontend/mission_select.h"
#include "frontend/results.h"
#include "frontend/shop.h"
#include "frontend/title.h"
#include "frontend/window.h"
#include "platform/glfw_input.h"
#include "platform/input.h"
#include "platform/sound.h"

namespace {

const double kStep = 1.0 / 60.0;                    // seconds of game time per fixed step
const int kScreenWidth = 800, kScreenHeight = 600;  // pixels
const char* const kTitleFontFile = "graphics/font.tga";
const int kTitleFontAdvance = 10, kTitleFontHeight = 16;  // pixels
const int kLaunchSoundStart = 9200;                       // milliseconds into the launch sound
const int kCreditsPerStudent = 25;
const int kCreditsPerCoin = 5;
const int kReachedOrbit = 1;  // what World::update returns in orbit (-1 asks for a retry)

// Everything the main loop keeps for the whole run.
struct Game {
    int state = TitleState;
    TitleMenu title;
    double clockTime = 0;  // seconds, the clock as last read
    double simTime = 0;    // seconds of game time the steps have covered
    World* activeWorld = nullptr;
    myContactListener* contactListener = nullptr;
    Font* titleFont = nullptr;
    Music music{};
    SoundHandle* currentMusic = nullptr;
};

Game* g_running = nullptr;

// How a step leaves the steps of its pass.
enum StepEnd {
    StepContinues,          // counted; the pass steps on while time is pending
    StepEndsPassUncounted,  // a confirm, a choice or a launch: the new state starts next pass
    StepEndsFlight,         // counted, and the pass ends without drawing
    StepQuits,
};

enum PassEnd { PassDraws, PassSkipsDrawing, PassQuits };

void printGlString(GLenum name) {
    const GLubyte* text = glGetString(name);
    std::cout << (text ? reinterpret_cast<const char*>(text) : "") << std::endl;
}

void playMusic(Game& game, SoundSource* music) {
    game.currentMusic = g_soundEngine->playTracked(music, true, false);
}

void startUp(Game& game) {
    glfwInit();
    openWindow(kScreenWidth, kScreenHeight);
    if (!hasInputBackend()) {
        useGlfwInput(g_window);
    }
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    printGlString(GL_VENDOR);
    printGlString(GL_RENDERER);
    printGlString(GL_VERSION);
    game.music = loadSounds(SoundEngine::openDevice());
    playMusic(game, game.music.menu);
    game.contactListener = new myContactListener();
    game.titleFont = new Font(kTitleFontFile, kTitleFontAdvance, kTitleFontHeight);
    glClearColor(0, 0, 0, 0);
    glEnable(GL_TEXTURE_2D);
    setClock(0.0);
}

// Transition 1 to 2: the chosen mission's World, loaded and listened to.
void chooseMission(Game& game, int mission) {
    game.activeWorld = loadMission(mission, game.contactListener);
    g_mission = mission;
    game.state = ShopState;
}

// Transition 2 to 3: the ship readied, the mission's track and the launch sound.
void launch(Game& game) {
    launchShip(game.activeWorld);
    game.currentMusic->stop();
    if (g_mission >= 0 && g_mission < kMissionTracks) {
        playMusic(game, game.music.mission[g_mission]);
    }
    SoundHandle* launchSound = g_soundEngine->playTracked(g_soundLaunch, false, true);
    launchSound->setPlayPosition(kLaunchSoundStart);
    launchSound->setPaused(false);
    game.state = FlightState;
}

// Transition 3 to 4 on orbit (1), 3 to 1 on a retry (-1).
void endFlight(Game& game, int outcome) {
    World* world = game.activeWorld;
    if (outcome == kReachedOrbit) {
        recordResults(world->studentsRescued, kCreditsPerStudent * world->studentsRescued +
                                                  kCreditsPerCoin * world->coinsCollected);
    }
    delete world;
    glClearColor(0, 0, 0, 1);
    game.currentMusic->stop();
    playMusic(game, game.music.menu);
    game.activeWorld = nullptr;
    game.state = outcome == kReachedOrbit ? ResultsState : MissionSelectState;
}

StepEnd titleStep(Game& game) {
    switch (titleUpdate(game.title)) {
        case TitleLeaves:
            game.state = MissionSelectState;
            return StepEndsPassUncounted;
        case TitleQuits:
            return StepQuits;
        default:
            return StepContinues;
    }
}

StepEnd missionSelectStep(Game& game) {
    int mission = missionSelectUpdate();
    if (mission < 0) {
        return StepContinues;
    }
    chooseMission(game, mission);
    return StepEndsPassUncounted;
}

StepEnd shopStep(Game& game) {
    if (shopUpdate() < 0) {
        return StepContinues;
    }
    launch(game);
    return StepEndsPassUncounted;
}

StepEnd flightStep(Game& game) {
    World* world = game.activeWorld;
    if (world->editorMode) {
        world->edit();
        return StepContinues;
    }
    int outcome = world->update();
    if (outcome == 0) {
        return StepContinues;
    }
    endFlight(game, outcome);
    return StepEndsFlight;
}

// The later steps of the pass run on and find the key latched.
StepEnd resultsStep(Game& game) {
    if (resultsUpdate() > 0) {
        game.state = MissionSelectState;
    }
    return StepContinues;
}

StepEnd step(Game& game, int state) {
    switch (state) {
        case TitleState:
            return titleStep(game);
        case MissionSelectState:
            return missionSelectStep(game);
        case ShopState:
            return shopStep(game);
        case FlightState:
            return flightStep(game);
        default:
            return resultsStep(game);
    }
}

// Steps of 1/60 s while the game time has not passed the clock.
PassEnd runSteps(Game& game, int state) {
    while (game.clockTime - game.simTime >= 0) {
        StepEnd end = step(game, state);
        if (end == StepQuits) {
            return PassQuits;
        }
        if (end == StepEndsPassUncounted) {
            return PassDraws;
        }
        game.simTime += kStep;
        if (end == StepEndsFlight) {
            return PassSkipsDrawing;
        }
    }
    return PassDraws;
}

void drawFlight(Game& game) {
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glLoadIdentity();
    game.activeWorld->draw();
}

void draw(Game& game, int state) {
    switch (state) {
        case TitleState:
            drawTitle(game.title, game.titleFont);
            break;
        case MissionSelectState:
            drawMissionSelect();
            break;
        case ShopState:
            drawShop();
            break;
        case FlightState:
            drawFlight(game);
            break;
        default:
            drawResults();
            break;
    }
}

int shutDown() {
    g_running = nullptr;
    glfwTerminate();
    return 0;
}

}  // namespace

int runGame() {
    Game game;
    g_running = &game;
    startUp(game);
    for (;;) {
        // 1. Escape or a closed window ends the game from any state.
        if (isKeyDown(GLFW_KEY_ESCAPE) || !isWindowOpen()) {
            return shutDown();
        }
        // 2. The steps of the state in force at the start of the pass.
        int state = game.state;
        PassEnd end = runSteps(game, state);
        if (end == PassQuits) {
            return shutDown();
        }
        // The pass in which a flight ends leaves its last frame on the screen.
        if (end == PassSkipsDrawing) {
            continue;
        }
        // 3. That same state's screen, 4. shown, 5. the clock read.
        draw(game, state);
        swapBuffers();
        game.clockTime = getClock();
    }
}

int runningGameState() {
    return g_running ? g_running->state : -1;
}

World* runningWorld() {
    return g_running ? g_running->activeWorld : nullptr;
}
