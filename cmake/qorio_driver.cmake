# The QorIO kernel driver, cross-built with mingw-w64's C compilers from
# driver/. Self-contained: it never uses the program's own toolchain, so the
# Linux build and the Windows build both include this file and call
#
#   tamsel_qorio_drivers(<output directory>)
#
# which builds, when the cross compilers are found,
#   QorIo.sys     i686, real back end   (the carried 32-bit driver)
#   QorIo64.sys   x86-64, real back end (the carried 64-bit driver)
#   QorIoTest.sys i686, test back end   (answers from a fake machine; tests only)
#   qorio_wine_probe.exe  a 32-bit client that installs a driver file as the
#                 service and sends it requests (driver/tests; for wine)
# under the target tamsel_qorio_drivers, and sets TAMSEL_QORIO_DRIVER_DIR in
# the caller's scope to the output directory, or to "" when a compiler is
# missing (the build then carries stand-ins instead).

set(TAMSEL_QORIO_DRIVER_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/../driver)

set(TAMSEL_QORIO_DRIVER_CORE qorio_driver.c qorio_dispatch.c qorio_pci.c qorio_windows.c)
set(TAMSEL_QORIO_BACKEND_real qorio_port_backend.c)
set(TAMSEL_QORIO_BACKEND_test qorio_test_backend.c qorio_fake_machine.c)
set(TAMSEL_QORIO_ENTRY_i686 _DriverEntry@8)
set(TAMSEL_QORIO_ENTRY_x86_64 DriverEntry)
# x86-64 keeps its unwind tables (.pdata/.xdata): the kernel walks stacks with them.
set(TAMSEL_QORIO_FLAGS_i686 -fno-asynchronous-unwind-tables)
set(TAMSEL_QORIO_FLAGS_x86_64 "")

# The directory of mingw's kernel headers (ntddk.h): <include dir>/ddk of one
# of the compiler's own include directories.
function(tamsel_mingw_ddk_dir compiler result)
  execute_process(COMMAND ${compiler} -xc -E -v - INPUT_FILE /dev/null
                  OUTPUT_QUIET ERROR_VARIABLE report RESULT_VARIABLE failed)
  set(ddk "")
  if(NOT failed)
    string(REGEX MATCH "search starts here:\n(.*)End of search list" found "${report}")
    string(REGEX REPLACE "[ \t]*\n[ \t]*" ";" include_dirs "${CMAKE_MATCH_1}")
    foreach(dir IN LISTS include_dirs)
      if(dir AND EXISTS ${dir}/ddk/ntddk.h)
        file(REAL_PATH ${dir}/ddk ddk)
        break()
      endif()
    endforeach()
  endif()
  set(${result} ${ddk} PARENT_SCOPE)
endfunction()

# One driver file: ARCH i686 or x86_64, BACKEND real or test.
function(tamsel_add_qorio_driver output arch backend)
  set(compiler ${TAMSEL_MINGW_CC_${arch}})
  set(sources "")
  foreach(source IN LISTS TAMSEL_QORIO_DRIVER_CORE TAMSEL_QORIO_BACKEND_${backend})
    list(APPEND sources ${TAMSEL_QORIO_DRIVER_SOURCE_DIR}/${source})
  endforeach()
  file(GLOB headers CONFIGURE_DEPENDS ${TAMSEL_QORIO_DRIVER_SOURCE_DIR}/*.h
       ${TAMSEL_QORIO_DRIVER_SOURCE_DIR}/include/*.h)
  set(flags -std=c11 -O2 -s -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
            -Wframe-larger-than=1024 -Werror
            -ffreestanding -fno-stack-protector ${TAMSEL_QORIO_FLAGS_${arch}}
            -isystem ${TAMSEL_MINGW_DDK_${arch}}
            -I${TAMSEL_QORIO_DRIVER_SOURCE_DIR}/include -I${TAMSEL_QORIO_DRIVER_SOURCE_DIR})
  set(link_flags -nostdlib -shared -Wl,--subsystem,native -Wl,--entry,${TAMSEL_QORIO_ENTRY_${arch}}
                 -Wl,--exclude-all-symbols)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${compiler} ${flags} ${link_flags} -o ${output} ${sources} -lntoskrnl -lhal
    DEPENDS ${sources} ${headers}
    COMMENT "Building the QorIO driver ${output}"
    VERBATIM)
endfunction()

# The probe: an ordinary 32-bit console program.
function(tamsel_add_qorio_probe output)
  set(source ${TAMSEL_QORIO_DRIVER_SOURCE_DIR}/tests/qorio_wine_probe.c)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${TAMSEL_MINGW_CC_i686} -std=c11 -O2 -s -Wall -Wextra -Wpedantic -Wconversion -Werror
            -I${TAMSEL_QORIO_DRIVER_SOURCE_DIR}/include -o ${output} ${source}
    DEPENDS ${source} ${TAMSEL_QORIO_DRIVER_SOURCE_DIR}/include/qorio_protocol.h
    COMMENT "Building the QorIO probe ${output}"
    VERBATIM)
endfunction()

function(tamsel_qorio_drivers directory)
  foreach(arch i686 x86_64)
    find_program(TAMSEL_MINGW_CC_${arch} ${arch}-w64-mingw32-gcc)
    if(NOT TAMSEL_MINGW_CC_${arch})
      message(STATUS "QorIO driver: no ${arch}-w64-mingw32-gcc; the build carries stand-in driver files")
      set(TAMSEL_QORIO_DRIVER_DIR "" PARENT_SCOPE)
      return()
    endif()
    if(NOT TAMSEL_MINGW_DDK_${arch})
      tamsel_mingw_ddk_dir(${TAMSEL_MINGW_CC_${arch}} ddk)
      if(NOT ddk)
        message(STATUS "QorIO driver: ${arch}-w64-mingw32-gcc has no ddk/ntddk.h; the build carries stand-in driver files")
        set(TAMSEL_QORIO_DRIVER_DIR "" PARENT_SCOPE)
        return()
      endif()
      set(TAMSEL_MINGW_DDK_${arch} ${ddk} CACHE PATH "mingw-w64 kernel headers for ${arch}")
    endif()
  endforeach()
  file(MAKE_DIRECTORY ${directory})
  tamsel_add_qorio_driver(${directory}/QorIo.sys i686 real)
  tamsel_add_qorio_driver(${directory}/QorIo64.sys x86_64 real)
  tamsel_add_qorio_driver(${directory}/QorIoTest.sys i686 test)
  tamsel_add_qorio_probe(${directory}/qorio_wine_probe.exe)
  add_custom_target(tamsel_qorio_drivers ALL
                    DEPENDS ${directory}/QorIo.sys ${directory}/QorIo64.sys ${directory}/QorIoTest.sys
                            ${directory}/qorio_wine_probe.exe)
  set(TAMSEL_QORIO_DRIVER_DIR ${directory} PARENT_SCOPE)
endfunction()
