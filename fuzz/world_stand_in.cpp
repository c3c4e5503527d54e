// The record code reaches the game world only in updateRecord, which the fuzz
// target never calls. This stands in for the world at link time so the
// target needs neither the simulation nor SDL; reaching it is a fault.
#include "world/GameWorld.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void unexpected(const char* what)
{
    std::fprintf(stderr, "world stand-in: %s called by the fuzz target\n", what);
    std::abort();
}

}  // namespace

GameWorld::GameWorld() : cave(nullptr), bands(nullptr), quitRequested(0), steeringHeld(0) {}

GameWorld::~GameWorld() {}

int32_t GameWorld::score() const
{
    unexpected("GameWorld::score");
}

double GameWorld::longestSplitSeconds() const
{
    unexpected("GameWorld::longestSplitSeconds");
}

GameWorld gameWorld;
