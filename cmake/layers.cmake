# The layers, lowest first. Arrows point one way: ui -> app -> run ->
# files/flash/image -> hw -> platform. The simulator implements platform seams.
# TEST_DEPS are linked only into the layer's test program.

set(TAMSEL_TEST_SUPPORT tamsel_sim tamsel_imagegen)

tamsel_layer(platform DEPS Threads::Threads)
# The request protocol's codes, records and supported IDs are the driver's header.
target_include_directories(tamsel_platform PUBLIC ${CMAKE_SOURCE_DIR}/driver/include)
tamsel_layer(image    DEPS tamsel_platform TEST_DEPS tamsel_imagegen)
tamsel_layer(hw       DEPS tamsel_platform TEST_DEPS ${TAMSEL_TEST_SUPPORT})
tamsel_layer(flash    DEPS tamsel_hw TEST_DEPS ${TAMSEL_TEST_SUPPORT})
tamsel_layer(sim      DEPS tamsel_platform tamsel_flash tamsel_image tamsel_imagegen TEST_DEPS tamsel_hw)
tamsel_layer(files    DEPS tamsel_image tamsel_hw TEST_DEPS ${TAMSEL_TEST_SUPPORT})
tamsel_layer(run      DEPS tamsel_flash tamsel_files TEST_DEPS ${TAMSEL_TEST_SUPPORT})
tamsel_layer(app      DEPS tamsel_run EXCLUDE main.cpp TEST_DEPS ${TAMSEL_TEST_SUPPORT})
tamsel_layer(ui       DEPS tamsel_app TEST_DEPS ${TAMSEL_TEST_SUPPORT})
include(cmake/fltk.cmake)

add_subdirectory(tools)

add_executable(tamselwin src/app/main.cpp)
target_link_libraries(tamselwin PRIVATE tamsel_ui tamsel_app tamsel_sim)
# SET_DEBUG_LEVEL is exported from the program's image by name.
set_target_properties(tamselwin PROPERTIES ENABLE_EXPORTS ON)

if(TAMSEL_BENCHMARKS)
  add_subdirectory(bench)
endif()
include(cmake/resources.cmake)
