# Run by CPack between staging the installation and packing it: replaces the
# staged copy of the font by a relative link to the packaged font it was made
# from. CPACK_MOUNTAIN_RANGES_FONT is the copy's path under the prefix.
set(font ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_MOUNTAIN_RANGES_FONT})
if(NOT EXISTS ${font})
  message(FATAL_ERROR "no staged font at ${font}")
endif()
file(REMOVE ${font})
file(CREATE_LINK ${CPACK_MOUNTAIN_RANGES_FONT_LINK} ${font} SYMBOLIC)
