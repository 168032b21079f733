# 410.exe in Drivers: the stand-in for the driver installer of reader driver code 1.
add_executable(driver410 WIN32 ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
set_target_properties(driver410 PROPERTIES OUTPUT_NAME 410)
target_compile_options(driver410 PRIVATE -finput-charset=UTF-8 -Wall -Wextra -Werror -municode)
target_link_options(driver410 PRIVATE -municode -static -s)
# The vendor's own 410.exe, once put into content/Drivers, ships instead (and is sealed like the rest).
if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/content/Drivers/410.exe)
  add_package_program(driver410 Drivers 410.exe)
endif()
