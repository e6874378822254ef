# The icon, drawn once as SVG and rendered at build time: PNGs for the hicolor
# theme (and the window) and a multi-size ICO for the Windows programs.
set(KESTROVE_ICON_SVG ${CMAKE_SOURCE_DIR}/packaging/icons/kestrove.svg)
set(KESTROVE_ICON_SIZES 16 24 32 48 64 128 256)
set(KESTROVE_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(KESTROVE_ICON_ICO ${KESTROVE_ICON_DIR}/kestrove.ico)
find_program(RSVG_CONVERT rsvg-convert)
find_program(ICOTOOL icotool)
if(RSVG_CONVERT AND ICOTOOL)
  set(_pngs)
  foreach(size IN LISTS KESTROVE_ICON_SIZES)
    set(png ${KESTROVE_ICON_DIR}/kestrove-${size}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTROVE_ICON_DIR}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${KESTROVE_ICON_SVG}
      DEPENDS ${KESTROVE_ICON_SVG} VERBATIM)
    list(APPEND _pngs ${png})
  endforeach()
  # The 256 pixel picture goes in as PNG, as Windows expects of that size.
  add_custom_command(OUTPUT ${KESTROVE_ICON_ICO}
    COMMAND ${ICOTOOL} -c -o ${KESTROVE_ICON_ICO}
      ${KESTROVE_ICON_DIR}/kestrove-16.png ${KESTROVE_ICON_DIR}/kestrove-24.png
      ${KESTROVE_ICON_DIR}/kestrove-32.png ${KESTROVE_ICON_DIR}/kestrove-48.png
      ${KESTROVE_ICON_DIR}/kestrove-64.png ${KESTROVE_ICON_DIR}/kestrove-128.png
      --raw=${KESTROVE_ICON_DIR}/kestrove-256.png
    DEPENDS ${_pngs} VERBATIM)
  add_custom_target(kestrove_icons ALL DEPENDS ${_pngs} ${KESTROVE_ICON_ICO})
elseif(WIN32)
  message(FATAL_ERROR "the Windows programs need rsvg-convert (librsvg2-bin) and icotool (icoutils) for their icon")
endif()

# The Windows programs' resources: icon, version information and manifest.
function(kestrove_windows_resources target description)
  if(NOT WIN32)
    return()
  endif()
  set(KESTROVE_RC_NAME ${target})
  set(KESTROVE_RC_FILE ${target}.exe)
  set(KESTROVE_RC_DESCRIPTION ${description})
  set(KESTROVE_MANIFEST ${CMAKE_SOURCE_DIR}/packaging/windows/kestrove.manifest)
  set(rc ${CMAKE_BINARY_DIR}/resources/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/kestrove.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${KESTROVE_ICON_ICO};${KESTROVE_MANIFEST}")
  add_dependencies(${target} kestrove_icons)
endfunction()
