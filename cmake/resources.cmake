# The embedded files: resources/ and generated blocks turned by tools/embed
# into the library tamsel_embedded, which provides BuiltInEmbeddedFiles().
#
#   131 QorIo.sys, 130 QorIo64.sys, 135 devconAMD64.exe: from TAMSEL_BLOB_DIR
#       when given; otherwise the driver pair is our own build (driver/, when
#       the mingw-w64 cross compilers are present) and the rest small
#       generated stand-ins;
#   132 584upd.ini: resources/584upd.ini (531 bytes);
#   137 the image name: resources/image_name.txt ("1300BC00.ROM" CR LF);
#   136 the default firmware image, made at build time by tamsel_make_image.

set(TAMSEL_EMBED_DIR ${CMAKE_BINARY_DIR}/embedded)
file(MAKE_DIRECTORY ${TAMSEL_EMBED_DIR})

add_executable(tamsel_embed ${CMAKE_SOURCE_DIR}/tools/embed/main.cpp)

# The driver pair and the device-console tool.
set(tamsel_blob_names QorIo.sys QorIo64.sys devconAMD64.exe)
set(tamsel_blob_ids 131 130 135)
set(tamsel_blob_args "")
set(tamsel_blob_files "")
foreach(name id IN ZIP_LISTS tamsel_blob_names tamsel_blob_ids)
  if(TAMSEL_BLOB_DIR)
    set(blob ${TAMSEL_BLOB_DIR}/${name})
    if(NOT EXISTS ${blob})
      message(FATAL_ERROR "TAMSEL_BLOB_DIR=${TAMSEL_BLOB_DIR} holds no ${name}")
    endif()
  elseif(TAMSEL_QORIO_DRIVER_DIR AND name MATCHES "^QorIo(64)?\\.sys$")
    set(blob ${TAMSEL_QORIO_DRIVER_DIR}/${name})
  else()
    # This build reaches the hardware through its own in-process driver, so the
    # stand-ins only have to exist, be written out and be removed like the real files.
    set(blob ${TAMSEL_EMBED_DIR}/${name})
    file(CONFIGURE OUTPUT ${blob} CONTENT "${name}: stand-in carried by this build in place of the real file.\n"
         NEWLINE_STYLE CRLF)
  endif()
  list(APPEND tamsel_blob_args ${id}=${blob})
  list(APPEND tamsel_blob_files ${blob})
endforeach()

# The default firmware image.
set(tamsel_default_image ${TAMSEL_EMBED_DIR}/default_image.rom)
add_custom_command(
  OUTPUT ${tamsel_default_image}
  COMMAND tamsel_make_image --out ${tamsel_default_image}
  DEPENDS tamsel_make_image
  COMMENT "Generating the default firmware image"
  VERBATIM)

set(tamsel_embedded_source ${TAMSEL_EMBED_DIR}/built_in_files.cpp)
add_custom_command(
  OUTPUT ${tamsel_embedded_source}
  COMMAND tamsel_embed ${tamsel_embedded_source}
          ${tamsel_blob_args}
          132=${CMAKE_SOURCE_DIR}/resources/584upd.ini
          137=${CMAKE_SOURCE_DIR}/resources/image_name.txt
          136=${tamsel_default_image}
  DEPENDS tamsel_embed ${tamsel_blob_files} ${tamsel_default_image}
          ${CMAKE_SOURCE_DIR}/resources/584upd.ini ${CMAKE_SOURCE_DIR}/resources/image_name.txt
  COMMENT "Embedding the carried files"
  VERBATIM)

add_library(tamsel_embedded STATIC ${tamsel_embedded_source})
target_link_libraries(tamsel_embedded PUBLIC tamsel_files)
if(TARGET tamsel_qorio_drivers)
  add_dependencies(tamsel_embedded tamsel_qorio_drivers)
endif()

# The files tests compare the built-in blocks with their inputs.
if(TARGET files_tests)
  target_link_libraries(files_tests PRIVATE tamsel_embedded)
  target_compile_definitions(files_tests PRIVATE TAMSEL_EMBED_DIR="${TAMSEL_EMBED_DIR}")
endif()
if(TARGET tamselwin)
  target_link_libraries(tamselwin PRIVATE tamsel_embedded)
endif()
