# The help pages (help/ at the repository root) and a rule that puts them beside a program, where
# it looks for them. KIVRA_HELP_DIR is also what an install rule copies.
set(KIVRA_HELP_DIR ${PROJECT_SOURCE_DIR}/help)
file(GLOB KIVRA_HELP_FILES CONFIGURE_DEPENDS ${KIVRA_HELP_DIR}/*)

# kivra_copy_help(TARGET): building TARGET refreshes <its folder>/help from the help pages (a
# removed page disappears too).
function(kivra_copy_help target)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}_help.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E rm -rf $<TARGET_FILE_DIR:${target}>/help
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${KIVRA_HELP_DIR} $<TARGET_FILE_DIR:${target}>/help
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${KIVRA_HELP_FILES}
    COMMENT "Copying the help pages beside ${target}")
  add_custom_target(${target}_help DEPENDS ${stamp})
  add_dependencies(${target} ${target}_help)
endfunction()
