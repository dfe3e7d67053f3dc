# The FLTK view: every src/ui/fltk_*.cpp forms tamsel_ui_fltk, linked
# statically against FLTK and the X libraries, and every src/ui/fltk_*_test.cpp
# forms ui_fltk_tests, which runs under a private Xvfb server. The toolkit-free
# ui library never compiles these files and its tests never include them.
#
# Debian's FLTK CMake package configuration is broken, so the archive and the
# X libraries are named directly. Without them the program is built headless.

set(tamsel_fltk_pattern "/src/ui/fltk_[^/]*\\.cpp$")

# Take the FLTK files out of the toolkit-free ui library and its tests.
foreach(target IN ITEMS tamsel_ui ui_tests)
  if(TARGET ${target})
    get_target_property(target_sources ${target} SOURCES)
    list(FILTER target_sources EXCLUDE REGEX "${tamsel_fltk_pattern}")
    set_property(TARGET ${target} PROPERTY SOURCES ${target_sources})
  endif()
endforeach()

find_library(TAMSEL_FLTK_ARCHIVE NAMES libfltk.a)
find_path(TAMSEL_FLTK_INCLUDE FL/Fl.H)
find_package(X11 COMPONENTS Xft Xrender Xcursor Xfixes Xext Xinerama Xtst)
find_library(TAMSEL_FONTCONFIG_LIBRARY fontconfig)
if(NOT TAMSEL_FLTK_ARCHIVE OR NOT TAMSEL_FLTK_INCLUDE OR NOT X11_FOUND OR NOT X11_Xft_FOUND
   OR NOT TAMSEL_FONTCONFIG_LIBRARY)
  message(WARNING "FLTK (libfltk1.3-dev) or the X libraries are missing: building without a window")
  return()
endif()

file(GLOB fltk_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/fltk_*.cpp)
file(GLOB fltk_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/fltk_*_test.cpp)
if(fltk_tests)
  list(REMOVE_ITEM fltk_sources ${fltk_tests})
endif()

add_library(tamsel_ui_fltk STATIC ${fltk_sources})
target_include_directories(tamsel_ui_fltk PUBLIC ${CMAKE_SOURCE_DIR}/src)
# FLTK's own headers are not ours to keep warning-free.
target_include_directories(tamsel_ui_fltk SYSTEM PUBLIC ${TAMSEL_FLTK_INCLUDE})
target_link_libraries(tamsel_ui_fltk
  PUBLIC tamsel_ui ${TAMSEL_FLTK_ARCHIVE} X11::Xrender X11::Xcursor X11::Xfixes X11::Xext X11::Xft
         X11::Xinerama ${TAMSEL_FONTCONFIG_LIBRARY} X11::X11 Threads::Threads ${CMAKE_DL_LIBS} m)

# The ui layer's view factory offers the FLTK view (MakeFltkView) when built.
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/ui/view_factory.cpp TARGET_DIRECTORY tamsel_ui
             APPEND PROPERTY COMPILE_DEFINITIONS TAMSEL_HAVE_FLTK)
target_link_libraries(tamsel_ui PUBLIC tamsel_ui_fltk)

if(fltk_tests)
  add_executable(ui_fltk_tests ${fltk_tests})
  target_link_libraries(ui_fltk_tests PRIVATE tamsel_ui_fltk ${TAMSEL_TEST_SUPPORT} X11::Xtst
                        GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(ui_fltk_tests PRIVATE TAMSEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                             TAMSEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
  # One test entry: the program runs whole on its own Xvfb server and is
  # reported as skipped (77) where no Xvfb is installed.
  add_test(NAME ui_fltk_tests
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/run-under-xvfb.sh $<TARGET_FILE:ui_fltk_tests>)
  set_tests_properties(ui_fltk_tests PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600
                       ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/scripts/x11-leaks.supp")
endif()

# The README's picture of the window after a run (scripts/make-screenshot.sh).
find_package(PNG)
if(PNG_FOUND)
  add_executable(tamsel_ui_screenshot ${CMAKE_SOURCE_DIR}/tools/ui_screenshot/main.cpp)
  target_link_libraries(tamsel_ui_screenshot PRIVATE tamsel_ui_fltk tamsel_ui tamsel_app tamsel_sim tamsel_embedded PNG::PNG)
endif()
