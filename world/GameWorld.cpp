// The game world: ownership and the order of a frame.
#include "world/GameWorld.h"

#include <memory>

#include "bands/BandGroup.h"
#include "cave/Cave.h"
#include "world/Input.h"

GameWorld gameWorld;

GameWorld::GameWorld() : cave(nullptr), bands(nullptr), quitRequested(0), steeringHeld{0, 0}
{
    std::unique_ptr<Cave> newCave(new Cave());
    newCave->init();
    bands = new BandGroup();
    cave = newCave.release();
}

GameWorld::~GameWorld()
{
    delete cave;
    delete bands;
}

void GameWorld::renew()
{
    delete bands;
    bands = new BandGroup();
    cave->init();
    columnsThisFrame = 0;
    quitRequested = 0;
    steeringHeld[0] = steeringHeld[1] = 0;
}

void GameWorld::handleInputAndUpdate(float dt)
{
    InputEvent event;
    while (pollInputEvent(event))
        applyInputEvent(*this, event);
    update(dt);
}

void GameWorld::update(float dt)
{
    cave->advance(dt);
    bands->update(dt);
}

void GameWorld::draw(Screen* screen) const
{
    cave->draw(screen);
    bands->draw(screen);
}

bool GameWorld::anyBandAlive() const
{
    return bands->aliveCount() > 0;
}

int32_t GameWorld::score() const
{
    return bands->score();
}

double GameWorld::longestSplitSeconds() const
{
    return bands->longestSplitSeconds();
}
