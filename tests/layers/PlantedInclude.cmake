# The layering check passes on the tree as it is and fails on a copy of its
# rules' folders with an include planted where it must not be, naming it.
#   cmake -DSOURCE=<tree> -DWORK=<scratch folder> -P PlantedInclude.cmake
set(check ${SOURCE}/scripts/check-layers.cmake)
execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${SOURCE} -P ${check}
                RESULT_VARIABLE status ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the tree itself fails the check:\n${output}")
endif()

file(REMOVE_RECURSE ${WORK})
set(planted
  "monitor/Planted.h|#include <QWidget>"
  "monitor/Planted.cpp|#include \"app/window/Unit1.h\""
  "net/Planted.cpp|  #  include <QtWidgets/QApplication>"
  "chart/Planted.cpp|#include \"net/IdStack.h\""
  "app/window/Planted.cpp|#include \"app/pages/StatisticsPage.h\"")
foreach(entry IN LISTS planted)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 file)
  list(GET parts 1 line)
  file(WRITE ${WORK}/src/${file} "// allowed\n#include <string>\n${line}\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${WORK} -P ${check}
                  RESULT_VARIABLE status ERROR_VARIABLE output)
  if(status EQUAL 0 OR NOT output MATCHES "src/${file}:")
    message(FATAL_ERROR "the check let src/${file} include what it must not:\n${output}")
  endif()
  file(REMOVE ${WORK}/src/${file})
endforeach()
