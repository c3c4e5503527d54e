# What the cross builds for Debian's ARM ports share (armhf-, armel- and
# arm64-toolchain.cmake set VLIM_TRIPLET, the GNU triplet, and
# VLIM_PROCESSOR, and may set VLIM_QEMU_CPU, then include this). They run on
# a Debian machine with crossbuild-essential-<arch> and the :<arch>
# development packages installed (multiarch: target headers and libraries
# under /usr/include and /usr/lib/<triplet>); tools/portability sets such a
# machine up in a chroot per architecture.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${VLIM_PROCESSOR})
set(CMAKE_LIBRARY_ARCHITECTURE ${VLIM_TRIPLET})

set(CMAKE_C_COMPILER ${VLIM_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${VLIM_TRIPLET}-g++)

# The simulation must round exactly as on x86-64: ARM compilers fuse a
# multiply and an add into one instruction (one rounding instead of two)
# wherever the target has them, unless told not to. The project's own flags
# say so too; here it also holds for anything built with this toolchain.
# -Wno-psabi: GCC's note that passing some structures changed in GCC 7.1
# concerns mixing objects from before then; nothing here does.
set(CMAKE_C_FLAGS_INIT "-ffp-contract=off")
set(CMAKE_CXX_FLAGS_INIT "-ffp-contract=off -Wno-psabi")

# pkg-config must read the target's .pc files, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${VLIM_TRIPLET}/pkgconfig:/usr/share/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})

# Libraries and CMake packages (GTest) are searched in the target's
# multiarch directories, /usr/lib/<triplet>, by the architecture set above.

# Test programs (and GoogleTest's discovery of their tests) run under
# user-mode emulation, on the processor VLIM_QEMU_CPU names if set. The
# target's own C library (multiarch, installed with the SDL packages) serves
# them; qemu's -L with the cross toolchain's older copy would mix two builds
# of it, and forked children crash.
find_program(VLIM_QEMU NAMES ${VLIM_QEMU_NAME}-static ${VLIM_QEMU_NAME})
if(VLIM_QEMU)
  if(VLIM_QEMU_CPU)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VLIM_QEMU} -cpu ${VLIM_QEMU_CPU})
  else()
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VLIM_QEMU})
  endif()
endif()
