# One place for the compiler flags and Qt safety defines every target shares.
add_library(quorvel_common INTERFACE)
target_compile_features(quorvel_common INTERFACE cxx_std_20)
target_compile_options(quorvel_common INTERFACE -Wall -Wextra -Wold-style-cast -Wno-unused-parameter)
target_compile_definitions(quorvel_common INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_USE_QSTRINGBUILDER
  QT_NO_FOREACH
  QT_NO_URL_CAST_FROM_STRING
  QUORVEL_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  QUORVEL_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  QUORVEL_VERSION_PATCH=${PROJECT_VERSION_PATCH})
if(QUORVEL_WERROR)
  target_compile_options(quorvel_common INTERFACE -Werror)
endif()
if(QUORVEL_SANITIZE)
  target_compile_options(quorvel_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(quorvel_common INTERFACE -fsanitize=address,undefined)
endif()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

# A static library from every source file of a folder; folders grow without editing lists.
function(quorvel_library name)
  cmake_parse_arguments(ARG "" "EXCLUDE_REGEX" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_EXCLUDE_REGEX)
    set(ARG_EXCLUDE_REGEX "^$")
  endif()
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  endif()
  list(FILTER ARG_SOURCES EXCLUDE REGEX "${ARG_EXCLUDE_REGEX}")
  list(FILTER ARG_SOURCES INCLUDE REGEX "\\.cpp$|\\.h$|\\.qrc$")
  set(has_cpp FALSE)
  foreach(f ${ARG_SOURCES})
    if(f MATCHES "\\.cpp$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(has_cpp)
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC quorvel_common ${ARG_LIBS})
  else()
    # A folder not yet written: an interface target keeps the build graph whole.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE quorvel_common ${ARG_LIBS})
  endif()
endfunction()
