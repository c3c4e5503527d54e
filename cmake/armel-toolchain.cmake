# Cross build for the handheld's kind of processor: an ARM9 with no
# floating-point unit. Debian's armel is ARMv5TE with the soft-float EABI,
# every float operation a library call; its programs run under qemu-arm on
# an ARM926 core, the oldest qemu offers that runs ARMv5TE code (the GP2X's
# ARM920T is ARMv4T).
#   cmake -S . -B build-armel -DCMAKE_TOOLCHAIN_FILE=cmake/armel-toolchain.cmake
set(VLIM_TRIPLET arm-linux-gnueabi)
set(VLIM_PROCESSOR armv5tel)
set(VLIM_QEMU_NAME qemu-arm)
set(VLIM_QEMU_CPU arm926)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
