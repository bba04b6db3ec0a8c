# Cross build for the board: 32-bit ARM hard-float, Debian's multiarch libraries, tests run under qemu.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(triplet arm-linux-gnueabihf)
set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)
# GCC's notes on the parameter-passing change of GCC 7 concern mixing objects built by old and new
# compilers; everything here is built by one.
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")
set(CMAKE_LIBRARY_ARCHITECTURE ${triplet})
set(CMAKE_FIND_ROOT_PATH /usr/${triplet} /usr/lib/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${triplet}/pkgconfig:/usr/share/pkgconfig)
# The cross loader must find the C library it was built with (beside it), not the multiarch one of
# a different Debian revision: mixing the two crashes every program that starts a thread.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm-static -L /usr/${triplet} -E LD_LIBRARY_PATH=/usr/${triplet}/lib)
