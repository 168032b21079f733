# The same program for 64-bit Windows. Only for machines that cannot run 32-bit code at all (some
# virtual machines run 64-bit user code only): there the tests run this build under 64-bit Wine, while
# the package that ships is still built with toolchain-mingw32.cmake.
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw32.cmake)
