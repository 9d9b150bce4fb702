# The client has one event loop, main's: a routine that waits returns to it (base/Routine.h). A
# loop of its own inside a handler (QEventLoop, processEvents, a dialog's exec()) would run every
# other handler inside that one's wait. Run as a build step over the sources of src/ (FILES, a
# list separated by "|"); a file that starts one stops the build with the file and the line.
string(REPLACE "|" ";" files "${FILES}")
set(found)
foreach(file ${files})
  file(STRINGS ${file} lines REGEX "QEventLoop|processEvents|[.>]exec\\(")
  foreach(line ${lines})
    string(STRIP "${line}" line)
    list(APPEND found "${file}: ${line}")
  endforeach()
endforeach()
if(found)
  list(JOIN found "\n  " report)
  message(FATAL_ERROR "A nested event loop in the client (wait with co_await instead):\n  ${report}")
endif()
file(TOUCH ${STAMP})
