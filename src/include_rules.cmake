# Checks which folders each library's sources include from, so that an include in
# the wrong direction stops the build even though every header is reachable from
# the one include root. Run as a script: cmake -DSRC=<src folder> -P include_rules.cmake
#
# A rule: the folders of one library, then the folders it may include from
# (comma-separated).
set(rules
  "pictures,pictures/wmf|pictures"
  "decoding|decoding,pictures"
  "platform/core|platform/core"
  "settings|settings,platform/core"
  "forms|forms,platform/core"
  "main_window,full_view,thumbnails,timed_viewing,about|main_window,full_view,thumbnails,timed_viewing,about,forms,platform,pictures,decoding,settings")

set(broken "")
foreach(rule ${rules})
  string(REPLACE "|" ";" rule "${rule}")
  list(GET rule 0 folders)
  list(GET rule 1 allowed)
  string(REPLACE "," ";" folders "${folders}")
  string(REPLACE "," ";" allowed "${allowed}")
  foreach(folder ${folders})
    file(GLOB sources ${SRC}/${folder}/*.h ${SRC}/${folder}/*.cpp)
    foreach(source ${sources})
      file(STRINGS ${source} includes REGEX "^#include \"[^\"]+/[^\"]+\"")
      foreach(line ${includes})
        string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" path "${line}")
        set(fits FALSE)
        foreach(prefix ${allowed})
          string(FIND "${path}" "${prefix}/" at)
          if(at EQUAL 0)
            set(fits TRUE)
          endif()
        endforeach()
        if(NOT fits)
          file(RELATIVE_PATH name ${SRC} ${source})
          string(APPEND broken "\n  ${name} includes ${path}")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()
if(broken)
  message(FATAL_ERROR "Includes against the direction of the libraries:${broken}")
endif()
