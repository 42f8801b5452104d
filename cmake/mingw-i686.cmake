# The 32-bit program (PE32).
set(ORBELLE_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
