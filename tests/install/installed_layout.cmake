# cmake -DBUILD_DIR=... -DOUT=... -DLEVEL=... -DVERSION=... [-DGUI=ON -DXVFB_RUN=...] -P installed_layout.cmake

set(prefix ${OUT}/prefix)
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} OUTPUT_QUIET
                RESULT_VARIABLE status)
if(NOT (status EQUAL 0))
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(expected bin/kelanim-cli share/kelanim/trcatalog.xml share/man/man1/kelanim-cli.1
    share/bash-completion/completions/kelanim-cli share/mime/packages/kelanim.xml)
if(GUI)
  list(APPEND expected bin/kelanim share/man/man1/kelanim.1 share/applications/org.kelanim.Kelanim.desktop
       share/metainfo/org.kelanim.Kelanim.metainfo.xml share/icons/hicolor/scalable/apps/org.kelanim.Kelanim.svg)
endif()
foreach(file IN LISTS expected)
  if(NOT (EXISTS ${prefix}/${file}))
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
if(EXISTS ${prefix}/bin/trcatalog.xml)
  message(FATAL_ERROR "the catalog must not lie beside the installed programs")
endif()

execute_process(COMMAND ${prefix}/bin/kelanim-cli --version OUTPUT_VARIABLE out)
if(NOT (out STREQUAL "kelanim-cli ${VERSION}\n"))
  message(FATAL_ERROR "kelanim-cli --version said '${out}'")
endif()

# The demo figure is object 0, which the catalog names LARA.
execute_process(COMMAND ${prefix}/bin/kelanim-cli info ${LEVEL} OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE status)
if(NOT (status EQUAL 0 AND err STREQUAL ""))
  message(FATAL_ERROR "info failed (${status}): ${err}")
endif()
if(NOT (out MATCHES "moveable 0 \\(LARA\\)"))
  message(FATAL_ERROR "the installed kelanim-cli did not name the demo figure:\n${out}")
endif()

if(GUI)
  # --version needs no display.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY ${prefix}/bin/kelanim --version
                  OUTPUT_VARIABLE out RESULT_VARIABLE status)
  if(NOT (out STREQUAL "kelanim ${VERSION}\n"))
    message(FATAL_ERROR "kelanim --version said '${out}' (${status})")
  endif()

  # A level opened in the installed window goes to the recent-files list in
  # the user's configuration folder, never beside the program.
  if(XVFB_RUN)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_CONFIG_HOME=${OUT}/config
                      ${XVFB_RUN} -a ${prefix}/bin/kelanim --screenshot ${OUT}/window.png ${LEVEL}
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    if(NOT (status EQUAL 0))
      message(FATAL_ERROR "the installed window failed: ${status}")
    endif()
    file(GLOB_RECURSE lists ${OUT}/config/*.ini)
    if(NOT (lists))
      message(FATAL_ERROR "no recent-files list in the configuration folder")
    endif()
    file(READ ${lists} text)
    if(NOT (text MATCHES "1=${LEVEL}"))
      message(FATAL_ERROR "the list lacks the level: ${text}")
    endif()
    if(EXISTS ${prefix}/bin/MostRecentFiles.ini)
      message(FATAL_ERROR "a list was written beside the installed program")
    endif()
  endif()
endif()
