#!/bin/bash
# vlim for PortMaster: the game reads the pad itself (SDL 2's controller
# order, through sdl12-compat); gptokeyb is there for the exit hotkey only.

XDG_DATA_HOME=${XDG_DATA_HOME:-$HOME/.local/share}

if [ -d "/opt/system/Tools/PortMaster/" ]; then
  controlfolder="/opt/system/Tools/PortMaster"
elif [ -d "/opt/tools/PortMaster/" ]; then
  controlfolder="/opt/tools/PortMaster"
elif [ -d "$XDG_DATA_HOME/PortMaster/" ]; then
  controlfolder="$XDG_DATA_HOME/PortMaster"
else
  controlfolder="/roms/ports/PortMaster"
fi

source $controlfolder/control.txt
[ -f "${controlfolder}/mod_${CFW_NAME}.txt" ] && source "${controlfolder}/mod_${CFW_NAME}.txt"
get_controls

# The game reads font.ttf from, and keeps its record (highscore.dat) in, its
# own folder.
GAMEDIR="/$directory/ports/vlim"
cd "$GAMEDIR"
> "$GAMEDIR/log.txt" && exec > >(tee "$GAMEDIR/log.txt") 2>&1

export LD_LIBRARY_PATH="$GAMEDIR/libs.${DEVICE_ARCH}:$LD_LIBRARY_PATH"
# Where control.txt reads the whole controller database into
# sdl_controllerconfig (470 KB), that in the environment would fail every
# exec (Linux takes no string over 128 KiB): SDL 2 reads the same mappings
# from SDL_GAMECONTROLLERCONFIG_FILE.
if [ "${#sdl_controllerconfig}" -lt 100000 ]; then
  export SDL_GAMECONTROLLERCONFIG="$sdl_controllerconfig"
else
  unset SDL_GAMECONTROLLERCONFIG
  if [ ! -r "$SDL_GAMECONTROLLERCONFIG_FILE" ]; then
    printf '%s\n' "$sdl_controllerconfig" > "$GAMEDIR/gamecontrollerdb.txt"
    export SDL_GAMECONTROLLERCONFIG_FILE="$GAMEDIR/gamecontrollerdb.txt"
  fi
fi
# The game plays no sound: it needs no audio device, whatever the firmware
# names.
export SDL_AUDIODRIVER=dummy
# The device's pad in SDL 2's controller order; vlim-pads.so, for the game
# alone, has its events passed on.
export SDL12COMPAT_USE_GAME_CONTROLLERS=1
# Each of the 320x240 playfield's pixels a square of screen pixels, not a
# blur (vlim-fullscreen.so makes the squares all the same size).
export SDL12COMPAT_SCALE_METHOD=nearest
# Unzipping may drop the executable bit.
chmod +x "$GAMEDIR/vlim.${DEVICE_ARCH}"

$GPTOKEYB "vlim.${DEVICE_ARCH}" -c "$GAMEDIR/vlim.gptk" &
pm_platform_helper "$GAMEDIR/vlim.${DEVICE_ARCH}"
# vlim-fullscreen.so, for the game alone, turns its window into the whole
# screen in the screen's own mode, the playfield at the largest whole scale
# that fits, centred on black.
libs="$GAMEDIR/libs.${DEVICE_ARCH}"
LD_PRELOAD="$libs/vlim-pads.so $libs/vlim-fullscreen.so${LD_PRELOAD:+ $LD_PRELOAD}" ./vlim.${DEVICE_ARCH}

pm_finish
