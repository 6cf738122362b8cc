# Fails when a source folder includes one that its layer must not:
#   cmake -DROOT=<source tree> -P scripts/check-layers.cmake
# Dependencies point down (docs/ARCHITECTURE.md): the engines and the model
# never see the toolkit's widgets, the model never sees the window, the pages
# or the outputs, the chart never sees an engine, and the designed window
# never sees the pages beyond it; the program without a window sees no Qt.
if(NOT ROOT)
  message(FATAL_ERROR "check-layers: give -DROOT=<source tree>")
endif()

set(qt "<Q")
set(widgets "<(QtWidgets/|QtGui/)?Q(Widget|Application|GuiApplication|Painter|Layout|BoxLayout|GridLayout|Label|PushButton|AbstractButton|Dialog|MessageBox|ComboBox|LineEdit|TabWidget|Timer)>")
set(above_monitor "\"(ui|chart|app|outputs)/")
set(above_engine "\"(ui|chart|app|outputs|monitor)/")

# <folder below src/>|<what its files must not include>, as regular expressions.
set(rules
  "rtl/|${qt}" "rtl/|${above_engine}"
  "platform/|${qt}" "platform/|${above_engine}"
  "wire/|${qt}" "wire/|${above_engine}" "wire/|\"(net|probe|helper|platform)/"
  "helper/|${qt}" "helper/|${above_engine}" "helper/|\"(net|probe)/"
  "probe/|${qt}" "probe/|${above_engine}"
  "net/|${qt}" "net/|${above_engine}"
  "stats/|${qt}" "stats/|${above_engine}"
  "monitor/|${qt}" "monitor/|${above_monitor}"
  "outputs/|${widgets}" "outputs/|\"(ui|chart|app)/"
  "chart/|\"(net|probe|wire|monitor|outputs|app)/"
  "ui/|\"(app|monitor|outputs)/"
  "app/window/|\"app/(pages|cli|service)/"
  "app/service/|${qt}" "app/service/|\"(ui|chart|app/window|app/pages)/")

file(GLOB_RECURSE sources RELATIVE ${ROOT}/src ${ROOT}/src/*.h ${ROOT}/src/*.cpp)
set(found "")
foreach(source IN LISTS sources)
  file(STRINGS ${ROOT}/src/${source} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(rule IN LISTS rules)
    string(REPLACE "|" ";" parts "${rule}")
    list(GET parts 0 folder)
    list(SUBLIST parts 1 -1 pattern)
    list(JOIN pattern "|" pattern)
    string(FIND "${source}" "${folder}" at)
    if(NOT at EQUAL 0)
      continue()
    endif()
    foreach(line IN LISTS includes)
      if(line MATCHES "${pattern}")
        string(STRIP "${line}" line)
        string(APPEND found "  src/${source}: ${line} (not in src/${folder})\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "Includes across the layers:\n${found}")
endif()
