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
# gcc warns of a coroutine's frame holding a lambda when the coroutine is not in the file being
# compiled, which is every file of a unity build: the frame is the compiler's own type, never
# defined twice.
target_compile_options(quorvel_common INTERFACE
  $<$<AND:$<CXX_COMPILER_ID:GNU>,$<BOOL:$<TARGET_PROPERTY:UNITY_BUILD>>>:-Wno-subobject-linkage>)
if(QUORVEL_WERROR)
  target_compile_options(quorvel_common INTERFACE -Werror)
endif()
if(QUORVEL_SANITIZE)
  target_compile_options(quorvel_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(quorvel_common INTERFACE -fsanitize=address,undefined)
  # A folder may leave out clang's function-type check (tests/CMakeLists.txt says why).
  define_property(TARGET PROPERTY QUORVEL_WITHOUT_FUNCTION_SANITIZER INHERITED)
  target_compile_options(quorvel_common INTERFACE
    $<$<AND:$<CXX_COMPILER_ID:Clang>,$<BOOL:$<TARGET_PROPERTY:QUORVEL_WITHOUT_FUNCTION_SANITIZER>>>:-fno-sanitize=function>)
endif()

# lld links the many test programs in a fraction of the default linker's time.
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld QUORVEL_HAVE_LLD)
if(QUORVEL_HAVE_LLD)
  target_link_options(quorvel_common INTERFACE -fuse-ld=lld)
endif()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)
