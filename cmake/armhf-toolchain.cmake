# Cross build for 32-bit ARM with hardware floating point, Debian's armhf
# (ARMv7, VFP), run under qemu-arm:
#   cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/armhf-toolchain.cmake
set(VLIM_TRIPLET arm-linux-gnueabihf)
set(VLIM_PROCESSOR armv7l)
set(VLIM_QEMU_NAME qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
