#include "tests/support/WorldState.h"

#include <cstdio>
#include <cstdlib>

#include "bands/BandGroup.h"
#include "world/GameWorld.h"

WorldState saveWorld()
{
    const BandGroup& group = *gameWorld.bands;
    WorldState state{*gameWorld.cave, {}, *group.runClock, group.steer, group.splitHeld};
    for (const Band* band : group.bands)
        state.bands.push_back(*band);
    return state;
}

void restoreWorld(const WorldState& state)
{
    BandGroup& group = *gameWorld.bands;
    if (group.bands.size() != state.bands.size()) {
        fprintf(stderr, "restoreWorld: the group holds %zu bands, the state %zu\n",
                group.bands.size(), state.bands.size());
        abort();
    }
    *gameWorld.cave = state.cave;
    for (size_t i = 0; i < state.bands.size(); ++i)
        *group.bands[i] = state.bands[i];
    *group.runClock = state.runClock;
    group.steer = state.steer;
    group.splitHeld = state.splitHeld;
}
