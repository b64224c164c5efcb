# cmake -DBUILD_DIR=... -DOUT=... -DLEVEL=... -DVERSION=... [-DGUI=ON -DXVFB_RUN=...] -P installed_layout.cmake
function(check condition_text)
  if(NOT (${ARGN}))
    message(FATAL_ERROR "${condition_text}")
  endif()
endfunction()

set(prefix ${OUT}/prefix)
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} OUTPUT_QUIET
                RESULT_VARIABLE status)
check("cmake --install failed: ${status}" status EQUAL 0)

set(expected bin/kelanim-cli share/kelanim/trcatalog.xml share/man/man1/kelanim-cli.1
    share/bash-completion/completions/kelanim-cli share/mime/packages/kelanim.xml)
if(GUI)
  list(APPEND expected bin/kelanim share/man/man1/kelanim.1 share/applications/org.kelanim.Kelanim.desktop
       share/metainfo/org.kelanim.Kelanim.metainfo.xml share/icons/hicolor/scalable/apps/org.kelanim.Kelanim.svg)
endif()
foreach(file IN LISTS expected)
  check("not installed: ${file}" EXISTS ${prefix}/${file})
endforeach()
check("the catalog must not lie beside the installed programs" NOT EXISTS ${prefix}/bin/trcatalog.xml)

execute_process(COMMAND ${prefix}/bin/kelanim-cli --version OUTPUT_VARIABLE out)
check("kelanim-cli --version said '${out}'" out STREQUAL "kelanim-cli ${VERSION}\n")

# The demo figure is object 0, which the catalog names LARA.
execute_process(COMMAND ${prefix}/bin/kelanim-cli info ${LEVEL} OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE status)
check("info failed (${status}): ${err}" status EQUAL 0 AND err STREQUAL "")
check("the installed kelanim-cli did not name the demo figure:\n${out}" out MATCHES "moveable 0 \\(LARA\\)")

if(GUI)
  # --version needs no display.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY ${prefix}/bin/kelanim --version
                  OUTPUT_VARIABLE out RESULT_VARIABLE status)
  check("kelanim --version said '${out}' (${status})" out STREQUAL "kelanim ${VERSION}\n")

  # A level opened in the installed window goes to the recent-files list in
  # the user's configuration folder, never beside the program.
  if(XVFB_RUN)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_CONFIG_HOME=${OUT}/config
                      ${XVFB_RUN} -a ${prefix}/bin/kelanim --screenshot ${OUT}/window.png ${LEVEL}
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    check("the installed window failed: ${status}" status EQUAL 0)
    file(GLOB_RECURSE lists ${OUT}/config/*.ini)
    check("no recent-files list in the configuration folder" lists)
    file(READ ${lists} text)
    check("the list lacks the level: ${text}" text MATCHES "1=${LEVEL}")
    check("a list was written beside the installed program" NOT EXISTS ${prefix}/bin/MostRecentFiles.ini)
  endif()
endif()
