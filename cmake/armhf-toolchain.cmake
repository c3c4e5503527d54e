# Cross build for 32-bit ARM with hardware floating point (Debian's armhf),
# the handheld's family of processors, on a Debian machine with
# crossbuild-essential-armhf and the :armhf development packages installed
# (multiarch: target headers and libraries under /usr/include and
# /usr/lib/arm-linux-gnueabihf). tools/portability sets such a machine up in
# a chroot and uses this file:
#   cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/armhf-toolchain.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)

# The simulation must round exactly as on x86-64: ARM compilers fuse a
# multiply and an add into one instruction (one rounding instead of two)
# wherever the target has them, unless told not to. The project's own flags
# say so too; here it also holds for anything built with this toolchain.
# -Wno-psabi: GCC's note that passing some structures changed in GCC 7.1
# concerns mixing objects from before then; nothing here does.
set(CMAKE_C_FLAGS_INIT "-ffp-contract=off")
set(CMAKE_CXX_FLAGS_INIT "-ffp-contract=off -Wno-psabi")

# pkg-config must read the :armhf .pc files, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/arm-linux-gnueabihf/pkgconfig:/usr/share/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})

# Libraries and CMake packages (GTest) are searched in the target's
# multiarch directories, /usr/lib/arm-linux-gnueabihf, by the architecture
# set above.

# Test programs (and GoogleTest's discovery of their tests) run under
# user-mode emulation. The :armhf C library (multiarch, installed with the
# SDL packages) serves them; qemu's -L with the cross toolchain's older copy
# would mix two builds of it, and forked children crash.
find_program(VLIM_QEMU_ARM NAMES qemu-arm-static qemu-arm)
if(VLIM_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VLIM_QEMU_ARM})
endif()
