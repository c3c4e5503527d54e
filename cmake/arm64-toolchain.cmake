# Cross build for 64-bit ARM, Debian's arm64, as today's Linux handhelds run
# SDL 1.2 games: against the compatibility layer over SDL 2
# (libsdl1.2-compat-dev), run under qemu-aarch64. AArch64 compilers fuse
# multiply-adds (fmadd) unless told not to.
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/arm64-toolchain.cmake
set(VLIM_TRIPLET aarch64-linux-gnu)
set(VLIM_PROCESSOR aarch64)
set(VLIM_QEMU_NAME qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
