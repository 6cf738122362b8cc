# The About page's picture: painted at build time by MakeAboutPicture on the
# offscreen platform and compiled into the library aboutpicture as a bitmap
# file's bytes.
find_package(Qt6 REQUIRED COMPONENTS Gui)

add_executable(MakeAboutPicture ${CMAKE_CURRENT_LIST_DIR}/MakeAboutPicture.cpp)
target_link_libraries(MakeAboutPicture PRIVATE Qt6::Gui)
set_target_properties(MakeAboutPicture PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tools)

set(about_picture_source ${CMAKE_CURRENT_BINARY_DIR}/AboutPictureBytes.cpp)
add_custom_command(
  OUTPUT ${about_picture_source}
  # The font library keeps a few blocks to the end of the process; a sanitized
  # build would otherwise fail on them.
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
    $<TARGET_FILE:MakeAboutPicture> ${about_picture_source}
  DEPENDS MakeAboutPicture
  COMMENT "Painting the About picture"
  VERBATIM)

add_library(aboutpicture STATIC ${CMAKE_CURRENT_LIST_DIR}/AboutPicture.cpp ${about_picture_source})
target_include_directories(aboutpicture PUBLIC ${PROJECT_SOURCE_DIR}/src)
